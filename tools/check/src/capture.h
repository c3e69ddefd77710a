// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// What the module writes on the standard output and error streams. Both
// descriptors are pointed at pipes for the rest of the process (the module's
// C runtime is the program's: msvcrt.dll on Windows, the C library on Linux,
// so it writes through the same descriptors), each drained by a thread of its
// own as the bytes come, so that no amount of output can block the writer.
#ifndef PELLASTO_CHECK_CAPTURE_H
#define PELLASTO_CHECK_CAPTURE_H

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace check {

struct CapturedOutput {
  std::string out, err;         // the first kKept bytes of each
  std::uint64_t out_bytes = 0;  // every byte written, kept or not
  std::uint64_t err_bytes = 0;
  bool complete = false;  // both streams were read up to now
  // What the module did to the streams themselves, if anything: "the module
  // redirected the standard error", "the module closed the standard output".
  // The stream is pointed back at its pipe at once.
  std::string lost;
};

class OutputCapture {
 public:
  static constexpr std::size_t kKept = 4096;

  OutputCapture() = default;
  ~OutputCapture();
  OutputCapture(const OutputCapture&) = delete;
  OutputCapture& operator=(const OutputCapture&) = delete;

  // Points descriptors 1 and 2 at the pipes; false if it cannot.
  bool start();
  // What was written since the last take(). It flushes the C streams, makes
  // sure each descriptor still leads to its pipe (or says it did not, and
  // points it back), writes a marker through each and waits until its thread
  // has read up to it, so that everything written before the call is in.
  CapturedOutput take();

 private:
  struct Stream {
    int reader = -1;
    int writer = -1;  // the pipe's own end: a closed descriptor does not end it
    // What the descriptor is while it leads to the pipe: its device and
    // inode (its handle on Windows).
    std::uint64_t device = 0, inode = 0;
    std::thread drain;
    std::string kept;
    std::uint64_t bytes = 0;
    std::uint64_t marks = 0;  // markers read so far
    bool ended = false;
  };
  void drain(Stream* stream);
  // Notes the identity of descriptor `fd`, pointed at stream `s`'s pipe.
  void note_identity(Stream* s, int fd);
  // What the module did to descriptors 1 and 2 since they were noted (see
  // CapturedOutput::lost); each one changed is pointed back at its pipe.
  std::string check_descriptors();

  bool started_ = false;
  std::uint64_t marks_sent_ = 0;
  std::mutex mutex_;
  std::condition_variable read_up_;
  Stream streams_[2];
};

}  // namespace check

#endif  // PELLASTO_CHECK_CAPTURE_H
