// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/capture.h"

#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define read _read
#define write _write
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace check {

namespace {

// Written through a descriptor to know when its thread has read everything
// before it; no module writes these bytes.
constexpr char kMarker[] = "\x01pellasto-check mark\x02";
constexpr std::size_t kMarkerSize = sizeof kMarker - 1;

bool make_pipe(int fds[2]) {
#if defined(_WIN32)
  return _pipe(fds, 1 << 16, _O_BINARY | _O_NOINHERIT) == 0;
#else
  if (pipe(fds) != 0) {
    return false;
  }
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  fcntl(fds[1], F_SETFD, FD_CLOEXEC);
  return true;
#endif
}

}  // namespace

bool OutputCapture::start() {
  std::fflush(stdout);
  std::fflush(stderr);
  for (int i = 0; i < 2; ++i) {
    int fds[2];
    if (!make_pipe(fds)) {
      return false;
    }
    if (dup2(fds[1], i + 1) < 0) {
      close(fds[0]);
      close(fds[1]);
      return false;
    }
    streams_[i].writer = fds[1];
    note_identity(&streams_[i], i + 1);
    streams_[i].reader = fds[0];
    streams_[i].drain = std::thread([this, i] { drain(&streams_[i]); });
  }
  started_ = true;
  return true;
}

void OutputCapture::drain(Stream* stream) {
  std::string pending;  // read, but perhaps the start of a marker
  char buffer[4096];
  for (;;) {
    const int n = static_cast<int>(read(stream->reader, buffer, sizeof buffer));
    std::lock_guard<std::mutex> lock(mutex_);
    if (n <= 0) {
      stream->ended = true;
      read_up_.notify_all();
      return;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    const auto keep = [stream](const std::string& text) {
      stream->bytes += text.size();
      if (stream->kept.size() < kKept) {
        stream->kept += text.substr(0, kKept - stream->kept.size());
      }
    };
    for (std::size_t at;
         (at = pending.find(kMarker, 0, kMarkerSize)) != std::string::npos;) {
      keep(pending.substr(0, at));
      pending.erase(0, at + kMarkerSize);
      ++stream->marks;
      read_up_.notify_all();
    }
    if (pending.size() >= kMarkerSize) {
      const std::size_t safe = pending.size() - (kMarkerSize - 1);
      keep(pending.substr(0, safe));
      pending.erase(0, safe);
    }
  }
}

void OutputCapture::note_identity(Stream* s, int fd) {
#if defined(_WIN32)
  s->device = 0;
  s->inode = static_cast<std::uint64_t>(_get_osfhandle(fd));
#else
  struct stat now {};
  fstat(fd, &now);
  s->device = static_cast<std::uint64_t>(now.st_dev);
  s->inode = static_cast<std::uint64_t>(now.st_ino);
#endif
}

std::string OutputCapture::check_descriptors() {
  std::string lost;
  for (int i = 0; i < 2; ++i) {
    Stream& s = streams_[i];
    const int fd = i + 1;
    const char* what = nullptr;
#if defined(_WIN32)
    const intptr_t handle = _get_osfhandle(fd);
    if (handle == -1 || handle == -2) {
      what = "closed";
    } else if (static_cast<std::uint64_t>(handle) != s.inode) {
      what = "redirected";
    }
#else
    struct stat now {};
    if (fstat(fd, &now) != 0) {
      what = "closed";
    } else if (static_cast<std::uint64_t>(now.st_dev) != s.device ||
               static_cast<std::uint64_t>(now.st_ino) != s.inode) {
      what = "redirected";
    }
#endif
    if (what == nullptr) {
      continue;
    }
    lost += std::string(lost.empty() ? "the module " : "; the module ") + what +
            " the standard " + (i == 0 ? "output" : "error");
    if (dup2(s.writer, fd) >= 0) {
      note_identity(&s, fd);
    }
  }
  return lost;
}

CapturedOutput OutputCapture::take() {
  CapturedOutput taken;
  if (!started_) {
    return taken;
  }
  std::fflush(nullptr);
  taken.lost = check_descriptors();
  ++marks_sent_;
  bool written = true;
  for (int i = 0; i < 2; ++i) {
    written =
        written && write(i + 1, kMarker, kMarkerSize) == static_cast<int>(kMarkerSize);
  }
  std::unique_lock<std::mutex> lock(mutex_);
  // The descriptors lead to the pipes again, but the module may take one
  // away at any time (from a thread of its own): then the marker never
  // comes, and what was read is all there is.
  const bool read_up =
      written && read_up_.wait_for(lock, std::chrono::seconds(10), [this] {
        return streams_[0].marks >= marks_sent_ && streams_[1].marks >= marks_sent_;
      });
  for (Stream& s : streams_) {
    s.marks = marks_sent_;
  }
  taken.complete = read_up;
  taken.out.swap(streams_[0].kept);
  taken.err.swap(streams_[1].kept);
  taken.out_bytes = streams_[0].bytes;
  taken.err_bytes = streams_[1].bytes;
  streams_[0].bytes = streams_[1].bytes = 0;
  return taken;
}

OutputCapture::~OutputCapture() {
  // The process ends with the threads still reading: the descriptors stay
  // the module's, so nothing here can know that no more is coming.
  for (Stream& s : streams_) {
    if (s.drain.joinable()) {
      s.drain.detach();
    }
  }
}

}  // namespace check
