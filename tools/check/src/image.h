// What a module file is, read from its headers before anything loads it: the
// format and word size, the libraries it names, and the version it carries.
#ifndef PELLASTO_CHECK_IMAGE_H
#define PELLASTO_CHECK_IMAGE_H

#include <string>
#include <vector>

namespace check {

enum class Format { kMissing, kUnreadable, kOther, kPe, kElf };

struct ImageInfo {
  Format format = Format::kMissing;
  int word_size = 0;                // 32 or 64 for a PE or ELF file
  std::string machine;              // "i386", "x86-64", "aarch64", or the machine number
  std::string description;          // "PE32 i386", "ELF 64-bit x86-64", ...
  std::vector<std::string> needed;  // DLLs imported, or DT_NEEDED libraries
  std::string version;              // the ELF note's version; empty when there is none
};

// Reads the headers of the file at `path`.
ImageInfo read_image(const std::string& path);

// The product version in the file's VERSIONINFO resource (Windows only), or
// empty.
std::string resource_version(const std::string& path);

}  // namespace check

#endif  // PELLASTO_CHECK_IMAGE_H
