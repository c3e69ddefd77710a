// A worker: this program started again in its hidden worker mode, its
// standard output a pipe that the supervisor reads line by line. On Linux it
// is started with posix_spawn, on Windows with CreateProcess; each pipe is
// drained by a thread as the bytes come, so the worker never waits on the
// supervisor.
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
  // output has ended, kTimeout if nothing came by `deadline`.
  Next next_line(std::string* line, Clock::time_point deadline);
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
  std::shared_ptr<Shared> shared_;
#if defined(_WIN32)
  void* process_ = nullptr;
#else
  int pid_ = -1;
#endif
  bool ended_ = false;
  bool killed_ = false;
  std::string ending_;
};

// What an exit status or signal means, in words (see WorkerProcess::wait).
std::string describe_signal(int signal);
std::string describe_exception(unsigned long code);

}  // namespace check

#endif  // PELLASTO_CHECK_PROCESS_H
