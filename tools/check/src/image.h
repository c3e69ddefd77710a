// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// What a module file is, read from its headers before anything loads it: the
// format, machine and word size, the libraries it names, and the version it
// carries. Only the headers and what they point at are read, a bounded amount
// of them, and only from a regular file.
#ifndef PELLASTO_CHECK_IMAGE_H
#define PELLASTO_CHECK_IMAGE_H

#include <string>
#include <vector>

namespace check {

enum class Format { kNone, kOther, kPe, kElf };

// The machines this program itself runs on: a module for another cannot be
// loaded here.
#if defined(__i386__) || defined(__x86_64__) || defined(_M_IX86) || defined(_M_X64)
inline constexpr const char* kOwnMachineFamily = "x86";
#elif defined(__aarch64__) || defined(_M_ARM64)
inline constexpr const char* kOwnMachineFamily = "aarch64";
#else
inline constexpr const char* kOwnMachineFamily = "unknown";
#endif

struct ImageInfo {
  Format format = Format::kNone;
  std::string problem;              // why the file cannot be read: "not found", ...
  std::string load_path;            // the path to load it by: never a bare name
  int word_size = 0;                // 32 or 64 for a PE or ELF file
  std::string machine;              // "i386", "x86-64", "aarch64", "machine 1234"
  std::string family;               // "x86" for both x86 machines, else the machine
  std::string description;          // "PE32 i386", "ELF 64-bit x86-64", ...
  std::vector<std::string> needed;  // DLLs imported, or DT_NEEDED libraries
  std::string version;              // the ELF note's or the DLL resource's version
  bool truncated = false;           // the headers point past the end of the file
  // A PE file's Authenticode signature as found, not verified: "none",
  // "signed by CN=..., O=..." (the signer's certificate subject), or
  // "unreadable: <why>". Empty for other formats.
  std::string signature;
};

// Reads the headers of the file at `path`.
ImageInfo read_image(const std::string& path);

}  // namespace check

#endif  // PELLASTO_CHECK_IMAGE_H
