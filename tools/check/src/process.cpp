// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/process.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "hostside/module.h"
#include "tools/check/src/text.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
extern char** environ;
#endif

namespace check {

// What the reading thread hands over; shared, so that a thread still blocked
// on a pipe that a grandchild of the worker holds open outlives the worker.
struct WorkerProcess::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::string> lines;
  std::string partial;
  bool ended = false;
  std::chrono::steady_clock::time_point ended_at;  // when the output ended
};

namespace {

struct Exception {
  unsigned long code;
  const char* name;
};

constexpr Exception kExceptions[] = {
    {0xc0000005UL, "access violation"},
    {0xc000001dUL, "illegal instruction"},
    {0xc0000094UL, "integer division by zero"},
    {0xc0000095UL, "integer overflow"},
    {0xc00000fdUL, "stack overflow"},
    {0xc0000409UL, "stack buffer overrun"},
    {0xc0000096UL, "privileged instruction"},
    {0xc000008eUL, "floating-point division by zero"},
    {0xc0000090UL, "floating-point invalid operation"},
    {0xc0000006UL, "in-page error"},
    {0xc0000025UL, "non-continuable exception"},
    {0xc0000026UL, "invalid disposition"},
    {0xc0000374UL, "heap corruption"},
    {0x80000003UL, "breakpoint"},
    {0xc000013aUL, "control-C"},
};

// Reads `read_some` until it ends, handing each line over.
template <typename Read>
void read_lines(const std::shared_ptr<WorkerProcess::Shared>& shared, Read read_some) {
  char buffer[4096];
  for (;;) {
    const long n = read_some(buffer, sizeof buffer);
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (n <= 0) {
      if (!shared->partial.empty()) {
        shared->lines.push_back(shared->partial);
        shared->partial.clear();
      }
      shared->ended = true;
      shared->ended_at = std::chrono::steady_clock::now();
      shared->changed.notify_all();
      return;
    }
    shared->partial.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t at; (at = shared->partial.find('\n')) != std::string::npos;) {
      std::string line = shared->partial.substr(0, at);
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
      }
      shared->lines.push_back(line);
      shared->partial.erase(0, at + 1);
    }
    // A worker writes short lines; a flood without line ends is not one of them.
    if (shared->partial.size() > (1u << 20)) {
      shared->partial.clear();
    }
    shared->changed.notify_all();
  }
}

}  // namespace

std::string describe_signal(int signal) { return "crashed with " + signal_name(signal); }

std::string describe_exception(unsigned long code) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08lx", code);
  for (const Exception& e : kExceptions) {
    if (e.code == code) {
      return std::string("crashed with exception ") + hex + " (" + e.name + ")";
    }
  }
  return std::string("crashed with exception ") + hex;
}

WorkerProcess::WorkerProcess() : shared_(std::make_shared<Shared>()) {}

WorkerProcess::~WorkerProcess() {
  if (!ended_) {
    kill();
    wait(Clock::now() + std::chrono::seconds(10));
  }
}

WorkerProcess::Next WorkerProcess::next_line(std::string* line,
                                             Clock::time_point deadline) {
  // Past the worker's end, what it wrote is read in this time, or the pipe
  // is held by another process (an emulator's worker is slow to end).
  constexpr auto kGrace = std::chrono::seconds(3);
  std::unique_lock<std::mutex> lock(shared_->mutex);
  for (;;) {
    if (!shared_->lines.empty()) {
      *line = shared_->lines.front();
      shared_->lines.pop_front();
      return Next::kLine;
    }
    const Clock::time_point now = Clock::now();
    if (shared_->ended) {
      if (!exited_seen_) {
        // The pipe closes as a worker ends, and the worker is gone within
        // moments. One that is still there has had its descriptors closed by
        // the module (and the module holds it: a worker that can, ends).
        const Clock::time_point closed = shared_->ended_at;
        lock.unlock();
        while (!has_ended() && Clock::now() < closed + kGrace) {
          std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (!has_ended()) {
          closed_early_ = true;
          end_group();
        }
        lock.lock();
      }
      return Next::kEnd;
    }
    if (now >= deadline) {
      return Next::kTimeout;
    }
    if (exited_seen_) {
      if (now >= exited_at_ + kGrace) {
        pipe_held_ = true;
        return Next::kEnd;
      }
    } else if (has_ended()) {
      // The worker is gone but its pipe is not closed: whatever the module
      // started ends with it, and what the worker wrote is still read.
      exited_seen_ = true;
      exited_at_ = now;
      end_group();
    }
    shared_->changed.wait_until(lock,
                                std::min(deadline, now + std::chrono::milliseconds(20)));
  }
}

#if defined(_WIN32)

namespace {

// One argument as the C runtime's command-line parser reads it back.
std::string quoted(const std::string& arg) {
  std::string q = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    q.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    q += c;
  }
  q.append(backslashes * 2, '\\');
  return q + "\"";
}

}  // namespace

bool WorkerProcess::start(const std::vector<std::string>& args, std::string* error) {
  char self[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  if (length == 0 || length >= sizeof self) {
    *error = "cannot find this program's own file";
    return false;
  }
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE reader = nullptr, writer = nullptr;
  if (!CreatePipe(&reader, &writer, &inherit, 1 << 16)) {
    *error = "cannot make a pipe (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, OPEN_EXISTING, 0, nullptr);
  HANDLE err = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE),
                  GetCurrentProcess(), &err, 0, TRUE, DUPLICATE_SAME_ACCESS);
  std::string command = quoted(self);
  for (const std::string& a : args) {
    command += " " + quoted(a);
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  startup.hStdOutput = writer;
  startup.hStdError = err != nullptr ? err : writer;
  PROCESS_INFORMATION info{};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  // The worker starts suspended, to be in its job before the module runs.
  // Closing the job's last handle (this program ending, however) ends every
  // process in it.
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (job != nullptr) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                            sizeof limits);
  }
  const BOOL started =
      CreateProcessA(self, line.data(), nullptr, nullptr, TRUE,
                     CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED,
                     nullptr, nullptr, &startup, &info);
  const DWORD why = GetLastError();
  CloseHandle(writer);
  if (nul != INVALID_HANDLE_VALUE) {
    CloseHandle(nul);
  }
  if (err != nullptr) {
    CloseHandle(err);
  }
  if (!started) {
    CloseHandle(reader);
    if (job != nullptr) {
      CloseHandle(job);
    }
    *error = "cannot start a worker (error " + std::to_string(why) + ")";
    return false;
  }
  // Without a job (this program's own job may forbid one), the worker alone
  // is ended.
  if (job != nullptr && !AssignProcessToJobObject(job, info.hProcess)) {
    CloseHandle(job);
    job = nullptr;
  }
  job_ = job;
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  std::thread([shared = shared_, reader] {
    read_lines(shared, [reader](char* buffer, std::size_t size) -> long {
      DWORD n = 0;
      if (!ReadFile(reader, buffer, static_cast<DWORD>(size), &n, nullptr)) {
        return -1;
      }
      return static_cast<long>(n);
    });
    CloseHandle(reader);
  }).detach();
  return true;
}

bool WorkerProcess::has_ended() {
  return process_ == nullptr ||
         WaitForSingleObject(static_cast<HANDLE>(process_), 0) == WAIT_OBJECT_0;
}

void WorkerProcess::end_group() {
  if (job_ != nullptr) {
    TerminateJobObject(static_cast<HANDLE>(job_), 0xC000013AUL);
  }
  if (process_ != nullptr) {
    TerminateProcess(static_cast<HANDLE>(process_), 0xC000013AUL);
  }
}

void WorkerProcess::kill() {
  if (process_ != nullptr && !ended_) {
    end_group();
    killed_ = true;
  }
}

std::string WorkerProcess::wait(Clock::time_point deadline) {
  if (ended_ || process_ == nullptr) {
    return ending_;
  }
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (WaitForSingleObject(static_cast<HANDLE>(process_),
                          static_cast<DWORD>(std::max<long long>(0, left.count()))) !=
      WAIT_OBJECT_0) {
    end_group();
    WaitForSingleObject(static_cast<HANDLE>(process_), 10000);
  }
  DWORD code = 0;
  GetExitCodeProcess(static_cast<HANDLE>(process_), &code);
  if (job_ != nullptr) {  // what the module started ends with the worker
    TerminateJobObject(static_cast<HANDLE>(job_), 0xC000013AUL);
    CloseHandle(static_cast<HANDLE>(job_));
    job_ = nullptr;
  }
  CloseHandle(static_cast<HANDLE>(process_));
  process_ = nullptr;
  ended_ = true;
  if (code == 0) {
    ending_ = "";
  } else if (code >= 0xC0000000UL || code == 0x80000003UL) {
    ending_ = describe_exception(code);
  } else {
    ending_ = "exit status " + std::to_string(code);
  }
  return ending_;
}

#else

namespace {

// The process group of the worker running now, for the handler below.
std::atomic<pid_t> g_worker_group{0};

// This program stopped by a signal (^C, a terminal closed): the worker's
// group, out of the terminal's reach, goes with it.
extern "C" void end_worker_group(int signal) {
  const pid_t group = g_worker_group.load();
  if (group > 0) {
    ::kill(-group, SIGKILL);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void end_worker_group_on_signals() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
      struct sigaction now {};
      // A signal this program was told to ignore (nohup) stays ignored.
      if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_DFL) {
        struct sigaction handler {};
        handler.sa_handler = end_worker_group;
        sigemptyset(&handler.sa_mask);
        sigaction(signal, &handler, nullptr);
      }
    }
  });
}

}  // namespace

bool WorkerProcess::start(const std::vector<std::string>& args, std::string* error) {
  const std::string self = hostside::program_file();
  if (self.empty()) {
    *error =
        "cannot find this program's own file (/proc is not mounted, and it was not "
        "started by a path that leads to it)";
    return false;
  }
  end_worker_group_on_signals();
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    *error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);  // a group of its own
  std::vector<std::string> all{self};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  argv.reserve(all.size() + 1);
  for (std::string& a : all) {
    argv.push_back(&a[0]);
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int failed =
      posix_spawn(&pid, self.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(fds[1]);
  if (failed != 0) {
    close(fds[0]);
    *error = std::string("cannot start a worker: ") + std::strerror(failed);
    return false;
  }
  pid_ = pid;
  g_worker_group.store(pid);
  const int reader = fds[0];
  std::thread([shared = shared_, reader] {
    read_lines(shared, [reader](char* buffer, std::size_t size) -> long {
      for (;;) {
        const ssize_t n = read(reader, buffer, size);
        if (n >= 0 || errno != EINTR) {
          return static_cast<long>(n);
        }
      }
    });
    close(reader);
  }).detach();
  return true;
}

bool WorkerProcess::has_ended() {
  if (pid_ <= 0) {
    return true;
  }
  // WNOWAIT: the worker stays a zombie, and its group's number its own,
  // until wait() has ended the group.
  siginfo_t info{};
  const int got =
      waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
  return (got == 0 && info.si_pid == pid_) || (got < 0 && errno == ECHILD);
}

void WorkerProcess::end_group() {
  if (pid_ > 0) {
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);  // in case the module moved the worker out of it
  }
}

void WorkerProcess::kill() {
  if (pid_ > 0 && !ended_) {
    end_group();
    killed_ = true;
  }
}

std::string WorkerProcess::wait(Clock::time_point deadline) {
  if (ended_ || pid_ <= 0) {
    return ending_;
  }
  while (!has_ended()) {
    if (Clock::now() >= deadline) {
      end_group();
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  // What the module started ends with the worker, whose number, still its
  // group's while it is not waited for, can name nothing else.
  ::kill(-pid_, SIGKILL);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  g_worker_group.store(0);
  ended_ = true;
  pid_ = -1;
  if (WIFSIGNALED(status)) {
    ending_ = describe_signal(WTERMSIG(status));
  } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
    ending_ = "exit status " + std::to_string(WEXITSTATUS(status));
  } else {
    ending_ = "";
  }
  return ending_;
}

#endif

}  // namespace check
