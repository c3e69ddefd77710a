// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/image.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <vector>

#include "tools/check/src/text.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace check {

namespace {

// The file's bytes at any offset, read a block at a time when first asked
// for, zero past its end. At most kBudget blocks are ever read: headers that
// point all over a huge file make it corrupt, not a reason to read it all.
class Bytes {
 public:
  static constexpr std::uint64_t kBlock = 4096;
  static constexpr std::size_t kBudget = 1024;  // 4 MB

  Bytes(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

  std::uint64_t get(std::uint64_t at, int size) const {
    std::uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) {
      v = (v << 8) | byte(at + static_cast<std::uint64_t>(i));
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
  std::string text(std::uint64_t at, std::uint64_t max) const {
    std::string s;
    for (; at < size_ && s.size() < max; ++at) {
      const unsigned char c = byte(at);
      if (c == 0) {
        break;
      }
      s += static_cast<char>(c);
    }
    return s;
  }
  std::uint64_t size() const { return size_; }
  bool exhausted() const { return exhausted_; }

 private:
  unsigned char byte(std::uint64_t at) const {
    if (at >= size_) {
      return 0;
    }
    const std::uint64_t block = at / kBlock;
    auto found = blocks_.find(block);
    if (found == blocks_.end()) {
      if (blocks_.size() >= kBudget) {
        exhausted_ = true;
        return 0;
      }
      std::unique_ptr<unsigned char[]> data(new unsigned char[kBlock]());
      read_at(block * kBlock, data.get());
      found = blocks_.emplace(block, std::move(data)).first;
    }
    return found->second[at % kBlock];
  }

  void read_at(std::uint64_t offset, unsigned char* data) const {
#if defined(_WIN32)
    if (_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) < 0) {
      return;
    }
    std::uint64_t done = 0;
    while (done < kBlock) {
      const int n = _read(fd_, data + done, static_cast<unsigned>(kBlock - done));
      if (n <= 0) {
        return;
      }
      done += static_cast<std::uint64_t>(n);
    }
#else
    std::uint64_t done = 0;
    while (done < kBlock) {
      const ssize_t n =
          pread(fd_, data + done, kBlock - done, static_cast<off_t>(offset + done));
      if (n <= 0) {
        return;
      }
      done += static_cast<std::uint64_t>(n);
    }
#endif
  }

  int fd_;
  std::uint64_t size_;
  mutable std::map<std::uint64_t, std::unique_ptr<unsigned char[]>> blocks_;
  mutable bool exhausted_ = false;
};

struct Machine {
  std::uint32_t elf, pe;
  const char* name;
  const char* family;
};

// Machines by their ELF and PE numbers (0: none of that format).
constexpr Machine kMachines[] = {
    {3, 0x14c, "i386", "x86"},
    {62, 0x8664, "x86-64", "x86"},
    {183, 0xaa64, "aarch64", "aarch64"},
    {40, 0x1c0, "arm", "arm"},
    {0, 0x1c4, "arm", "arm"},
    {243, 0x5064, "riscv", "riscv"},
    {0, 0x5032, "riscv", "riscv"},
    {21, 0x1f0, "ppc64", "ppc64"},
    {20, 0, "ppc", "ppc"},
    {22, 0, "s390", "s390"},
    {8, 0x166, "mips", "mips"},
    {2, 0, "sparc", "sparc"},
    {43, 0, "sparc64", "sparc64"},
    {50, 0x200, "ia64", "ia64"},
    {258, 0x6264, "loongarch", "loongarch"},
    {0, 0x6232, "loongarch", "loongarch"},
};

void set_machine(std::uint32_t number, bool pe, ImageInfo* info) {
  for (const Machine& m : kMachines) {
    if ((pe ? m.pe : m.elf) == number && number != 0) {
      info->machine = m.name;
      info->family = m.family;
      return;
    }
  }
  info->machine = "machine " + std::to_string(number);
  info->family = info->machine;
}

// A DER element of a signature: its tag, where its contents start and end,
// and where the element after it starts.
struct Der {
  unsigned tag = 0;
  std::size_t start = 0, end = 0;
};

// Reads the element at `at`, which must end by `limit`: one-byte tags and
// definite lengths only, which is all DER allows for what is read here.
bool der_at(const std::vector<unsigned char>& b, std::size_t at, std::size_t limit,
            Der* e) {
  if (limit > b.size() || at >= limit || limit - at < 2) {
    return false;
  }
  e->tag = b[at];
  if ((e->tag & 0x1f) == 0x1f) {
    return false;
  }
  std::size_t length = b[at + 1];
  std::size_t head = 2;
  if ((length & 0x80) != 0) {
    const std::size_t n = length & 0x7f;
    if (n == 0 || n > 4 || limit - at - 2 < n) {
      return false;
    }
    length = 0;
    for (std::size_t i = 0; i < n; ++i) {
      length = (length << 8) | b[at + 2 + i];
    }
    head += n;
  }
  if (length > limit - at - head) {
    return false;
  }
  e->start = at + head;
  e->end = e->start + length;
  return true;
}

// The element after `previous` inside `parent`, if it has tag `tag`.
bool der_next(const std::vector<unsigned char>& b, const Der& previous, const Der& parent,
              unsigned tag, Der* e) {
  return der_at(b, previous.end, parent.end, e) && e->tag == tag;
}

bool der_first(const std::vector<unsigned char>& b, const Der& parent, unsigned tag,
               Der* e) {
  return der_at(b, parent.start, parent.end, e) && e->tag == tag;
}

bool der_equal(const std::vector<unsigned char>& b, const Der& x, const Der& y) {
  return x.end - x.start == y.end - y.start &&
         std::equal(b.begin() + static_cast<std::ptrdiff_t>(x.start),
                    b.begin() + static_cast<std::ptrdiff_t>(x.end),
                    b.begin() + static_cast<std::ptrdiff_t>(y.start));
}

bool der_is(const std::vector<unsigned char>& b, const Der& e,
            std::initializer_list<unsigned char> bytes) {
  return e.end - e.start == bytes.size() &&
         std::equal(bytes.begin(), bytes.end(),
                    b.begin() + static_cast<std::ptrdiff_t>(e.start));
}

// A directory string as text: control characters shown as '?', at most 128
// bytes, valid UTF-8.
std::string der_text(const std::vector<unsigned char>& b, const Der& e) {
  std::string s;
  const bool bmp = e.tag == 0x1e;  // UCS-2, big-endian
  for (std::size_t i = e.start; i < e.end && s.size() < 128; i += bmp ? 2 : 1) {
    unsigned c = b[i];
    if (bmp) {
      c = i + 1 < e.end && b[i] == 0 ? b[i + 1] : '?';
    }
    s += c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c);
  }
  return valid_utf8(s, true);
}

// A certificate's subject as "CN=..., O=...".
std::string der_name(const std::vector<unsigned char>& b, const Der& name) {
  std::string cn, o;
  Der rdn{0, name.start, name.start};
  for (int n = 0; n < 64 && der_next(b, rdn, name, 0x31, &rdn); ++n) {
    Der pair, type, value;
    if (!der_first(b, rdn, 0x30, &pair) || !der_first(b, pair, 0x06, &type) ||
        !der_at(b, type.end, pair.end, &value)) {
      continue;
    }
    if (der_is(b, type, {0x55, 0x04, 0x03}) && cn.empty()) {
      cn = "CN=" + der_text(b, value);
    } else if (der_is(b, type, {0x55, 0x04, 0x0a}) && o.empty()) {
      o = "O=" + der_text(b, value);
    }
  }
  if (cn.empty() && o.empty()) {
    return "a certificate without a common or organisation name";
  }
  return cn + (!cn.empty() && !o.empty() ? ", " : "") + o;
}

// What a PKCS#7 SignedData says of its signer: the subject of the
// certificate that the first SignerInfo names by issuer and serial number.
std::string describe_pkcs7(const std::vector<unsigned char>& b) {
  const char* const bad = "unreadable: not a PKCS#7 signature";
  const Der all{0, 0, b.size()};
  Der info, type, wrapped, data, version, digests, content;
  if (!der_first(b, all, 0x30, &info) || !der_first(b, info, 0x06, &type) ||
      !der_is(b, type, {0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x07, 0x02}) ||
      !der_next(b, type, info, 0xa0, &wrapped) || !der_first(b, wrapped, 0x30, &data) ||
      !der_first(b, data, 0x02, &version) ||
      !der_next(b, version, data, 0x31, &digests) ||
      !der_next(b, digests, data, 0x30, &content)) {
    return bad;
  }
  Der certificates{}, after = content, element;
  bool have_certificates = false;
  while (der_at(b, after.end, data.end, &element) && element.tag != 0x31) {
    if (element.tag == 0xa0) {
      certificates = element;
      have_certificates = true;
    }
    after = element;
  }
  Der signers, signer, signer_version, sid, issuer, serial;
  if (!der_at(b, after.end, data.end, &signers) || signers.tag != 0x31 ||
      !der_first(b, signers, 0x30, &signer) ||
      !der_first(b, signer, 0x02, &signer_version) ||
      !der_at(b, signer_version.end, signer.end, &sid)) {
    return bad;
  }
  if (sid.tag != 0x30 || !der_first(b, sid, 0x30, &issuer) ||
      !der_next(b, issuer, sid, 0x02, &serial)) {
    return "signed, by a signer named by key identifier only";
  }
  Der certificate{0, certificates.start, certificates.start};
  for (int n = 0; have_certificates && n < 64 &&
                  der_next(b, certificate, certificates, 0x30, &certificate);
       ++n) {
    // TBSCertificate: [0] version, serial, algorithm, issuer, validity, subject.
    Der tbs, field, cert_serial, algorithm, cert_issuer, validity, subject;
    if (!der_first(b, certificate, 0x30, &tbs) ||
        !der_at(b, tbs.start, tbs.end, &field)) {
      continue;
    }
    cert_serial = field;
    if (field.tag == 0xa0 && !der_next(b, field, tbs, 0x02, &cert_serial)) {
      continue;
    }
    if (cert_serial.tag == 0x02 && der_next(b, cert_serial, tbs, 0x30, &algorithm) &&
        der_next(b, algorithm, tbs, 0x30, &cert_issuer) &&
        der_next(b, cert_issuer, tbs, 0x30, &validity) &&
        der_next(b, validity, tbs, 0x30, &subject) && der_equal(b, cert_serial, serial) &&
        der_equal(b, cert_issuer, issuer)) {
      return "signed by " + der_name(b, subject);
    }
  }
  return "signed, but the signer's certificate is not in the signature (issued by " +
         der_name(b, issuer) + ")";
}

// The Authenticode signature: the security directory (data directory 4)
// holds the file offset and size of WIN_CERTIFICATE records, the first of
// which carries the PKCS#7 SignedData.
std::string read_signature(const Bytes& f, std::uint64_t directories,
                           std::uint32_t count) {
  constexpr std::uint32_t kMaxSignature = 512 * 1024;
  const std::uint64_t offset = count > 4 ? f.u32(directories + 32) : 0;
  const std::uint64_t size = count > 4 ? f.u32(directories + 36) : 0;
  if (offset == 0 && size == 0) {
    return "none";
  }
  if (offset + size > f.size() || size < 8) {
    return "unreadable: the security directory points past the end of the file";
  }
  const std::uint32_t length = f.u32(offset);
  const std::uint32_t revision = f.u16(offset + 4);
  const std::uint32_t type = f.u16(offset + 6);
  if (length < 8 || length > size) {
    return "unreadable: a certificate record longer than the security directory";
  }
  if (type != 2 || (revision != 0x200 && revision != 0x100)) {
    return "unreadable: a certificate record of type " + std::to_string(type) +
           ", not a PKCS#7 signature";
  }
  if (length > kMaxSignature) {
    return "unreadable: a signature of " + std::to_string(length) + " bytes, more than " +
           std::to_string(kMaxSignature) + " are read";
  }
  std::vector<unsigned char> blob(length - 8);
  for (std::size_t i = 0; i < blob.size(); ++i) {
    blob[i] = static_cast<unsigned char>(f.get(offset + 8 + i, 1));
  }
  return describe_pkcs7(blob);
}

void read_pe(const Bytes& f, ImageInfo* info) {
  const std::uint32_t nt = f.u32(0x3c);
  if (nt + 24ULL > f.size() || f.u32(nt) != 0x00004550) {  // "PE\0\0"
    info->format = Format::kOther;
    return;
  }
  info->format = Format::kPe;
  set_machine(f.u16(nt + 4), true, info);
  const std::uint32_t sections = f.u16(nt + 6);
  const std::uint64_t optional = nt + 24ULL;
  const std::uint32_t optional_size = f.u16(nt + 20);
  const bool plus = f.u16(optional) == 0x20b;
  info->word_size = plus ? 64 : 32;
  info->description = std::string(plus ? "PE32+ " : "PE32 ") + info->machine;
  // The data directories follow the fields whose size differs between PE32
  // and PE32+; their count comes just before them.
  const std::uint64_t directories = optional + (plus ? 112 : 96);
  info->signature = read_signature(f, directories, f.u32(directories - 4));
  const std::uint64_t table = optional + optional_size;
  if (table + sections * 40ULL > f.size()) {
    info->truncated = true;
    return;
  }
  for (std::uint32_t i = 0; i < sections; ++i) {
    const std::uint64_t s = table + i * 40ULL;
    if (f.u32(s + 16) != 0 && std::uint64_t{f.u32(s + 20)} + f.u32(s + 16) > f.size()) {
      info->truncated = true;  // raw data past the end
    }
  }
  // A COFF symbol table, and its string table, end the files that keep one.
  const std::uint64_t symbols = f.u32(nt + 12);
  if (symbols != 0) {
    const std::uint64_t strings = symbols + f.u32(nt + 16) * 18ULL;
    if (strings + 4 > f.size() || strings + f.u32(strings) > f.size()) {
      info->truncated = true;
    }
  }
  // The import directory: data directory 1.
  const std::uint32_t import_rva = f.u32(directories + 8);
  const auto file_offset = [&](std::uint32_t rva) -> std::uint64_t {
    for (std::uint32_t i = 0; i < sections; ++i) {
      const std::uint64_t s = table + i * 40ULL;
      const std::uint32_t start = f.u32(s + 12);
      const std::uint32_t extent = std::max(f.u32(s + 8), f.u32(s + 16));
      if (rva >= start && rva - start < extent) {
        return rva - start + std::uint64_t{f.u32(s + 20)};
      }
    }
    return f.size();
  };
  if (import_rva == 0) {
    return;
  }
  std::uint64_t d = file_offset(import_rva);
  for (int n = 0; n < 512 && d + 20 <= f.size(); ++n, d += 20) {
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
  set_machine(f.u16(18), false, info);
  info->description = std::string(wide ? "ELF 64-bit " : "ELF 32-bit ") + info->machine;
  const auto word = [&](std::uint64_t at) { return wide ? f.u64(at) : f.u32(at); };
  // Program headers: every loaded segment's bytes must be in the file.
  const std::uint64_t ph_offset = word(wide ? 0x20 : 0x1c);
  const std::uint32_t ph_size = f.u16(wide ? 0x36 : 0x2a);
  const std::uint32_t ph_count = f.u16(wide ? 0x38 : 0x2c);
  if (ph_offset + std::uint64_t{ph_size} * ph_count > f.size()) {
    info->truncated = true;
    return;
  }
  for (std::uint32_t i = 0; i < ph_count; ++i) {
    const std::uint64_t p = ph_offset + std::uint64_t{i} * ph_size;
    const std::uint64_t offset = word(p + (wide ? 8 : 4));
    const std::uint64_t file_size = word(p + (wide ? 0x20 : 0x10));
    if (f.u32(p) == 1 &&
        (offset > f.size() || file_size > f.size() - offset)) {  // PT_LOAD
      info->truncated = true;
      return;
    }
  }
  const std::uint64_t sh_offset = word(wide ? 0x28 : 0x20);
  const std::uint32_t sh_size = f.u16(wide ? 0x3a : 0x2e);
  const std::uint32_t sh_count = f.u16(wide ? 0x3c : 0x30);
  const std::uint32_t sh_names = f.u16(wide ? 0x3e : 0x32);
  if (sh_offset + std::uint64_t{sh_size} * sh_count > f.size()) {
    info->truncated = true;
    return;
  }
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
    if (type != 8 && type != 0 &&  // SHT_NOBITS, SHT_NULL: no bytes in the file
        (offset_of(i) > f.size() || size_of(i) > f.size() - offset_of(i))) {
      info->truncated = true;
      return;
    }
    if (name == ".note.pellasto.version" && type == 7) {  // SHT_NOTE
      // Notes: owner size, description size, type, then both padded to 4.
      const std::uint64_t end = offset_of(i) + std::min<std::uint64_t>(size_of(i), 4096);
      for (std::uint64_t n = offset_of(i); n + 12 <= end;) {
        const std::uint32_t owner_size = f.u32(n), desc_size = f.u32(n + 4);
        const std::uint64_t desc = n + 12 + (owner_size + 3ULL) / 4 * 4;
        if (f.text(n + 12, owner_size) == "Pellasto" && f.u32(n + 8) == 1) {
          info->version = f.text(desc, std::min<std::uint32_t>(desc_size, 64));
        }
        n = desc + (desc_size + 3ULL) / 4 * 4;
      }
    } else if (type == 6) {  // SHT_DYNAMIC: DT_NEEDED names in the linked string table
      const std::uint32_t link = f.u32(section(i) + (wide ? 0x28 : 0x18));
      if (link >= sh_count) {
        continue;
      }
      const std::uint64_t strings = offset_of(link);
      const std::uint64_t entry = wide ? 16 : 8;
      const std::uint64_t end = offset_of(i) + std::min<std::uint64_t>(size_of(i), 65536);
      for (std::uint64_t e = offset_of(i); e + entry <= end; e += entry) {
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

#if defined(_WIN32)

std::string resource_version(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0 || size > (1u << 20)) {
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

#endif

// The reason a file cannot be opened, from errno.
std::string open_problem(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return "not found";
    case EACCES:
    case EPERM:
      return "permission denied: this user may not read the file";
    case ELOOP:
      return "a loop of symbolic links: the name leads to no file";
    case EISDIR:
      return "a directory, not a module file";
    case ENAMETOOLONG:
      return "the name is too long";
    default:
      return std::string("cannot be read: ") + std::strerror(error);
  }
}

std::string kind_problem(unsigned mode) {
  if (S_ISDIR(mode)) {
    return "a directory, not a module file";
  }
#if !defined(_WIN32)
  if (S_ISFIFO(mode)) {
    return "a FIFO, not a module file";
  }
  if (S_ISCHR(mode) || S_ISBLK(mode)) {
    return "a device, not a module file";
  }
  if (S_ISSOCK(mode)) {
    return "a socket, not a module file";
  }
#endif
  return "not a regular file";
}

}  // namespace

ImageInfo read_image(const std::string& path) {
  ImageInfo info;
  // A bare name is the file in the current folder, never one the loader's
  // search finds; elsewhere the path is loaded as it is written.
#if defined(_WIN32)
  char full[MAX_PATH * 4];
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  info.load_path = n > 0 && n < sizeof full ? std::string(full, n) : path;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    info.problem = "a directory, not a module file";
    return info;
  }
  const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
#else
  info.load_path = path.find('/') == std::string::npos ? "./" + path : path;
  // Non-blocking, so that opening a FIFO does not wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
#endif
  if (fd < 0) {
    info.problem = open_problem(errno);
    return info;
  }
#if defined(_WIN32)
  struct _stat64 st {};
  const bool stated = _fstat64(fd, &st) == 0;
#else
  struct stat st {};
  const bool stated = fstat(fd, &st) == 0;
#endif
  if (!stated || !S_ISREG(st.st_mode)) {
    info.problem = stated ? kind_problem(st.st_mode) : open_problem(errno);
#if defined(_WIN32)
    _close(fd);
#else
    close(fd);
#endif
    return info;
  }
  const Bytes f(fd, static_cast<std::uint64_t>(st.st_size));
  info.format = Format::kOther;
  if (f.size() >= 64 && f.get(0, 2) == 0x5a4d) {  // "MZ"
    read_pe(f, &info);
  } else if (f.size() >= 52 && f.u32(0) == 0x464c457fU) {  // "\x7fELF"
    read_elf(f, &info);
  } else if (f.size() >= 4 && (f.u32(0) == 0x464c457fU || f.get(0, 2) == 0x5a4d)) {
    info.format = f.get(0, 2) == 0x5a4d ? Format::kPe : Format::kElf;
    info.truncated = true;
  }
  info.truncated = info.truncated || f.exhausted();
#if defined(_WIN32)
  _close(fd);
  if (info.format == Format::kPe && !info.truncated) {
    info.version = resource_version(path);
  }
#else
  close(fd);
#endif
  return info;
}

}  // namespace check
