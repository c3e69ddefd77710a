#include "tools/check/src/capture.h"

#include <fcntl.h>

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define read _read
#else
#include <unistd.h>
#endif

namespace check {

namespace {

bool make_pipe(int fds[2]) {
#if defined(_WIN32)
  return _pipe(fds, 1 << 16, _O_BINARY) == 0;
#else
  if (pipe(fds) != 0) {
    return false;
  }
  // Read after the writer is closed; non-blocking in case nothing came.
  fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
  return true;
#endif
}

std::string drain(int fd) {
  std::string s;
  char buffer[4096];
  for (;;) {
    const int n = static_cast<int>(read(fd, buffer, sizeof buffer));
    if (n <= 0) {
      break;
    }
    s.append(buffer, static_cast<std::size_t>(n));
  }
  return s;
}

}  // namespace

OutputCapture::OutputCapture() {
  std::fflush(stdout);
  std::fflush(stderr);
  for (int stream = 0; stream < 2; ++stream) {
    const int fd = stream + 1;
    int fds[2];
    if (!make_pipe(fds)) {
      return;
    }
    saved_[stream] = dup(fd);
    dup2(fds[1], fd);
    close(fds[1]);
    readers_[stream] = fds[0];
  }
  ok_ = true;
}

void OutputCapture::stop() {
  if (stopped_) {
    return;
  }
  stopped_ = true;
  std::fflush(stdout);
  std::fflush(stderr);
  for (int stream = 0; stream < 2; ++stream) {
    if (saved_[stream] >= 0) {
      // Putting the saved descriptor back closes the pipe's last writer, so
      // the reader sees the end of what was written.
      dup2(saved_[stream], stream + 1);
      close(saved_[stream]);
    }
    if (readers_[stream] >= 0) {
      (stream == 0 ? out_ : err_) = drain(readers_[stream]);
      close(readers_[stream]);
    }
  }
}

OutputCapture::~OutputCapture() { stop(); }

}  // namespace check
