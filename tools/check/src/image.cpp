#include "tools/check/src/image.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace check {

namespace {

// Little-endian fields at byte offsets, zero past the end of the file.
class Bytes {
 public:
  explicit Bytes(const std::vector<unsigned char>& b) : b_(b) {}
  std::uint64_t get(std::uint64_t at, int size) const {
    std::uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) {
      v = (v << 8) | (at + i < b_.size() ? b_[at + i] : 0);
    }
    return v;
  }
  std::uint32_t u16(std::uint64_t at) const {
    return static_cast<std::uint32_t>(get(at, 2));
  }
  std::uint32_t u32(std::uint64_t at) const {
    return static_cast<std::uint32_t>(get(at, 4));
  }
  std::uint64_t u64(std::uint64_t at) const { return get(at, 8); }
  std::string text(std::uint64_t at, std::uint64_t max = 4096) const {
    std::string s;
    for (; at < b_.size() && b_[at] != 0 && s.size() < max; ++at) {
      s += static_cast<char>(b_[at]);
    }
    return s;
  }
  std::uint64_t size() const { return b_.size(); }

 private:
  const std::vector<unsigned char>& b_;
};

std::string machine_name(std::uint32_t pe_or_elf_machine, bool pe) {
  if ((pe && pe_or_elf_machine == 0x14c) || (!pe && pe_or_elf_machine == 3)) {
    return "i386";
  }
  if ((pe && pe_or_elf_machine == 0x8664) || (!pe && pe_or_elf_machine == 62)) {
    return "x86-64";
  }
  if (!pe && pe_or_elf_machine == 183) {  // EM_AARCH64
    return "aarch64";
  }
  return "machine " + std::to_string(pe_or_elf_machine);
}

void read_pe(const Bytes& f, ImageInfo* info) {
  const std::uint32_t nt = f.u32(0x3c);
  if (nt + 24 > f.size() || f.u32(nt) != 0x00004550) {  // "PE\0\0"
    info->format = Format::kOther;
    return;
  }
  info->format = Format::kPe;
  info->machine = machine_name(f.u16(nt + 4), true);
  const std::uint32_t sections = f.u16(nt + 6);
  const std::uint32_t optional = nt + 24;
  const std::uint32_t optional_size = f.u16(nt + 20);
  const bool plus = f.u16(optional) == 0x20b;
  info->word_size = plus ? 64 : 32;
  info->description = std::string(plus ? "PE32+ " : "PE32 ") + info->machine;
  // The import directory: data directory 1, after the fields whose size
  // differs between PE32 and PE32+.
  const std::uint32_t directories = optional + (plus ? 112 : 96);
  const std::uint32_t import_rva = f.u32(directories + 8);
  const std::uint32_t table = optional + optional_size;
  const auto file_offset = [&](std::uint32_t rva) -> std::uint64_t {
    for (std::uint32_t i = 0; i < sections; ++i) {
      const std::uint32_t s = table + i * 40;
      const std::uint32_t start = f.u32(s + 12);
      const std::uint32_t extent = std::max(f.u32(s + 8), f.u32(s + 16));
      if (rva >= start && rva < start + extent) {
        return rva - start + f.u32(s + 20);
      }
    }
    return f.size();
  };
  if (import_rva == 0) {
    return;
  }
  for (std::uint64_t d = file_offset(import_rva); d + 20 <= f.size(); d += 20) {
    const std::uint32_t name = f.u32(d + 12);
    if (name == 0) {
      break;
    }
    info->needed.push_back(f.text(file_offset(name), 260));
  }
}

void read_elf(const Bytes& f, ImageInfo* info) {
  const bool wide = f.get(4, 1) == 2;
  if ((f.get(4, 1) != 1 && !wide) || f.get(5, 1) != 1) {  // little-endian only
    info->format = Format::kOther;
    return;
  }
  info->format = Format::kElf;
  info->word_size = wide ? 64 : 32;
  info->machine = machine_name(f.u16(18), false);
  info->description = std::string(wide ? "ELF 64-bit " : "ELF 32-bit ") + info->machine;
  const auto word = [&](std::uint64_t at) { return wide ? f.u64(at) : f.u32(at); };
  const std::uint64_t sh_offset = word(wide ? 0x28 : 0x20);
  const std::uint32_t sh_size = f.u16(wide ? 0x3a : 0x2e);
  const std::uint32_t sh_count = f.u16(wide ? 0x3c : 0x30);
  const std::uint32_t sh_names = f.u16(wide ? 0x3e : 0x32);
  // Section header fields: name, type, ..., offset, size, link.
  const auto section = [&](std::uint32_t i) {
    return sh_offset + std::uint64_t{i} * sh_size;
  };
  const auto offset_of = [&](std::uint32_t i) {
    return word(section(i) + (wide ? 0x18 : 0x10));
  };
  const auto size_of = [&](std::uint32_t i) {
    return word(section(i) + (wide ? 0x20 : 0x14));
  };
  if (sh_offset == 0 || sh_names >= sh_count) {
    return;
  }
  const std::uint64_t names = offset_of(sh_names);
  for (std::uint32_t i = 0; i < sh_count; ++i) {
    const std::string name = f.text(names + f.u32(section(i)), 256);
    const std::uint32_t type = f.u32(section(i) + 4);
    if (name == ".note.pellasto.version" && type == 7) {  // SHT_NOTE
      // Notes: owner size, description size, type, then both padded to 4.
      const std::uint64_t end = offset_of(i) + size_of(i);
      for (std::uint64_t n = offset_of(i); n + 12 <= end;) {
        const std::uint32_t owner_size = f.u32(n), desc_size = f.u32(n + 4);
        const std::uint64_t desc = n + 12 + (owner_size + 3ULL) / 4 * 4;
        if (f.text(n + 12, owner_size) == "Pellasto" && f.u32(n + 8) == 1) {
          info->version = f.text(desc, desc_size);
        }
        n = desc + (desc_size + 3ULL) / 4 * 4;
      }
    } else if (type == 6) {  // SHT_DYNAMIC: DT_NEEDED names in the linked string table
      const std::uint64_t strings = offset_of(f.u32(section(i) + (wide ? 0x28 : 0x18)));
      const std::uint64_t entry = wide ? 16 : 8;
      for (std::uint64_t e = offset_of(i); e + entry <= offset_of(i) + size_of(i);
           e += entry) {
        const std::uint64_t tag = word(e);
        if (tag == 0) {
          break;
        }
        if (tag == 1) {  // DT_NEEDED
          info->needed.push_back(f.text(strings + word(e + entry / 2), 256));
        }
      }
    }
  }
}

}  // namespace

ImageInfo read_image(const std::string& path) {
  ImageInfo info;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    info.format = Format::kMissing;
    return info;
  }
  // The file's bytes, read whole: modules are small.
  const std::vector<unsigned char> bytes(std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>{});
  if (in.bad()) {
    info.format = Format::kUnreadable;
    return info;
  }
  const Bytes f(bytes);
  info.format = Format::kOther;
  if (bytes.size() >= 64 && bytes[0] == 'M' && bytes[1] == 'Z') {
    read_pe(f, &info);
  } else if (bytes.size() >= 52 && std::memcmp(bytes.data(),
                                               "\x7f"
                                               "ELF",
                                               4) == 0) {
    read_elf(f, &info);
  }
  return info;
}

#if defined(_WIN32)

std::string resource_version(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) {
    return "";
  }
  std::vector<char> data(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) {
    return "";
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof *fixed) {
    return "";
  }
  std::string v = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                  std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                  std::to_string(HIWORD(fixed->dwFileVersionLS));
  if (LOWORD(fixed->dwFileVersionLS) != 0) {
    v += "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
  }
  return v;
}

#else

std::string resource_version(const std::string&) { return ""; }

#endif

}  // namespace check
