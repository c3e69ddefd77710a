// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A worker: this program started again in its hidden worker mode, its
// standard output a pipe that the supervisor reads line by line. On Linux it
// is started with posix_spawn in a process group of its own, on Windows with
// CreateProcess in a job object of its own: nothing the module does can
// signal this program, and whatever the module started ends with the worker.
// Each pipe is drained by a thread as the bytes come, so the worker never
// waits on the supervisor.
#ifndef PELLASTO_CHECK_PROCESS_H
#define PELLASTO_CHECK_PROCESS_H

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace check {

class WorkerProcess {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Next { kLine, kEnd, kTimeout };

  WorkerProcess();
  ~WorkerProcess();
  WorkerProcess(const WorkerProcess&) = delete;
  WorkerProcess& operator=(const WorkerProcess&) = delete;

  // Starts this program with `args`; false, with the reason, if it cannot.
  bool start(const std::vector<std::string>& args, std::string* error);
  // The next line the worker wrote (without its line end); kEnd once its
  // output has ended or the worker itself has (a process the module started
  // may hold the pipe open: the worker's group is ended then, and what the
  // worker wrote before it ended still comes first); kTimeout if nothing
  // came by `deadline`.
  Next next_line(std::string* line, Clock::time_point deadline);
  // Whether the worker's output ended while the worker went on running (the
  // module closed its descriptors and holds the worker), once next_line has
  // said kEnd.
  bool output_closed_early() const { return closed_early_; }
  // Whether the worker's pipe stayed open after the worker and its group
  // had ended: a process the module started, gone out of the group, holds it.
  bool pipe_held() const { return pipe_held_; }
  // Ends the worker now.
  void kill();
  // Waits for the worker to end (it has closed its output, or was killed)
  // and says how it ended: empty for exit status 0, else "exit status 3",
  // "crashed with SIGSEGV", "crashed with exception 0xc0000005 (access
  // violation)". A worker still there at `deadline` is ended then.
  std::string wait(Clock::time_point deadline);

  // What the thread reading the worker's output hands over.
  struct Shared;

 private:
  // Whether the worker has ended (not yet waited for); never blocks.
  bool has_ended();
  // Ends every process of the worker's group (job), the worker included.
  void end_group();

  std::shared_ptr<Shared> shared_;
#if defined(_WIN32)
  void* process_ = nullptr;
  void* job_ = nullptr;
#else
  int pid_ = -1;
#endif
  bool exited_seen_ = false;
  Clock::time_point exited_at_;
  bool closed_early_ = false;
  bool pipe_held_ = false;
  bool ended_ = false;
  bool killed_ = false;
  std::string ending_;
};

// What an exit status or signal means, in words (see WorkerProcess::wait).
std::string describe_signal(int signal);
std::string describe_exception(unsigned long code);

}  // namespace check

#endif  // PELLASTO_CHECK_PROCESS_H
