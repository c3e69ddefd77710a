// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/png_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace preview {

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    unlink(temp_.c_str());
    temp_.clear();
  }
}

bool OutputFile::open(const std::string& path, std::string* error) {
  discard();
  path_ = path;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    *error = "cannot write " + path + ": it is a directory";
    return false;
  }
  std::vector<char> name(path.begin(), path.end());
  const char suffix[] = ".part-XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);
  fd_ = mkstemp(name.data());
  if (fd_ < 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  temp_ = name.data();
  // mkstemp makes the file private; give it the mode a new file would get.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
  return true;
}

namespace {

cairo_status_t write_to_file(void* closure, const unsigned char* data,
                             unsigned int length) {
  return std::fwrite(data, 1, length, static_cast<FILE*>(closure)) == length
             ? CAIRO_STATUS_SUCCESS
             : CAIRO_STATUS_WRITE_ERROR;
}

}  // namespace

bool OutputFile::commit(cairo_surface_t* image, std::string* error) {
  if (fd_ < 0) {
    *error = "cannot write " + path_ + ": not open";
    return false;
  }
  FILE* file = fdopen(fd_, "wb");
  if (file == nullptr) {
    *error = "cannot write " + path_ + ": " + std::strerror(errno);
    discard();
    return false;
  }
  fd_ = -1;  // now owned by `file`
  const cairo_status_t status =
      cairo_surface_write_to_png_stream(image, write_to_file, file);
  const bool written = status == CAIRO_STATUS_SUCCESS;
  const std::string png_message = cairo_status_to_string(status);
  const bool flushed = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  const int flush_errno = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !flushed || !closed) {
    *error = "cannot write " + path_ + ": " +
             (!written ? png_message : std::string(std::strerror(flush_errno)));
    discard();
    return false;
  }
  if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
    *error = "cannot write " + path_ + ": " + std::strerror(errno);
    discard();
    return false;
  }
  temp_.clear();
  return true;
}

}  // namespace preview
