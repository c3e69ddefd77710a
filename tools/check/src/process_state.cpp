// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/process_state.h"

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "tools/check/src/signal_guard.h"
#include "tools/check/src/text.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <locale.h>  // NOLINT(modernize-deprecated-headers): uselocale is POSIX's
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#include <fstream>
#include <sstream>

extern char** environ;  // NOLINT(readability-redundant-declaration)
#endif

namespace check {

namespace {

struct Category {
  int id;
  const char* name;
};

const Category kCategories[] = {
    {LC_COLLATE, "LC_COLLATE"},   {LC_CTYPE, "LC_CTYPE"}, {LC_MONETARY, "LC_MONETARY"},
    {LC_NUMERIC, "LC_NUMERIC"},   {LC_TIME, "LC_TIME"},
#if defined(LC_MESSAGES)
    {LC_MESSAGES, "LC_MESSAGES"},
#endif
};

#if defined(_WIN32)

// The threads of the process, as the system lists them: a thread is listed
// from the moment it is created, before it first runs (a count kept as
// threads attach would miss one that a busy machine has not yet started when
// a check ends). -1 where the system has no such list.
int thread_count() {
  using NextThreadFn = LONG(NTAPI*)(HANDLE, HANDLE, ACCESS_MASK, ULONG, ULONG, PHANDLE);
  static const auto next_thread = reinterpret_cast<NextThreadFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtGetNextThread")));
  if (next_thread == nullptr) {
    return -1;
  }
  int count = 0;
  HANDLE thread = nullptr;
  for (;;) {
    HANDLE next = nullptr;
    const LONG status = next_thread(GetCurrentProcess(), thread,
                                    THREAD_QUERY_LIMITED_INFORMATION, 0, 0, &next);
    if (thread != nullptr) {
      CloseHandle(thread);
    }
    if (status != 0) {
      return count;
    }
    ++count;
    thread = next;
  }
}

std::string utf8(const wchar_t* text, int length) {
  if (length <= 0) {
    return "";
  }
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, s.data(), bytes, nullptr, nullptr);
  return s;
}

void read_system(ProcessState* s) {
  wchar_t folder[4096];
  const DWORD n = GetCurrentDirectoryW(4096, folder);
  s->cwd = n > 0 && n < 4096 ? utf8(folder, static_cast<int>(n)) : "?";
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* at = block; *at != L'\0'; at += wcslen(at) + 1) {
      const std::string entry = utf8(at, static_cast<int>(wcslen(at)));
      // Names of the hidden per-drive folders start with '=' ("=C:=C:\...").
      const std::size_t eq = entry.find('=', 1);
      s->environment[entry.substr(0, eq)] =
          eq == std::string::npos ? "" : entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(block);
  }
  // The C runtime's descriptors, the module's among them (both use
  // msvcrt.dll), named by the file each one's handle is open on. Asking
  // about a closed descriptor is not an invalid parameter here.
  using PathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
  static const auto path_of = reinterpret_cast<PathFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW")));
  const _invalid_parameter_handler was = _set_invalid_parameter_handler(
      [](const wchar_t*, const wchar_t*, const wchar_t*, unsigned, std::uintptr_t) {});
  for (int fd = 0; fd < 512; ++fd) {
    const intptr_t handle = _get_osfhandle(fd);
    if (handle == -1 || handle == -2) {
      continue;
    }
    wchar_t name[1024];
    const DWORD length =
        path_of != nullptr ? path_of(reinterpret_cast<HANDLE>(handle), name, 1024, 0) : 0;
    s->descriptors[fd] =
        length > 0 && length < 1024 ? utf8(name, static_cast<int>(length)) : "?";
  }
  _set_invalid_parameter_handler(was);
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0) {
    s->handles = static_cast<long>(handles);
  }
  s->threads = thread_count();
}

#else

// The names in a folder of /proc that are numbers.
std::vector<long> numbers_in(const char* folder, int* folder_descriptor = nullptr) {
  std::vector<long> found;
  DIR* dir = opendir(folder);
  if (dir == nullptr) {
    return found;
  }
  if (folder_descriptor != nullptr) {
    *folder_descriptor = dirfd(dir);
  }
  while (const dirent* e = readdir(dir)) {
    char* end = nullptr;
    const long n = std::strtol(e->d_name, &end, 10);
    if (end != e->d_name && *end == '\0') {
      found.push_back(n);
    }
  }
  closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}

// The children of this process: from each thread's children list, or where
// the kernel keeps none, from every process's parent.
std::vector<long> children_of_self(const std::vector<long>& tasks) {
  std::vector<long> children;
  bool listed = false;
  for (long task : tasks) {
    std::ifstream in("/proc/self/task/" + std::to_string(task) + "/children");
    listed = listed || in.is_open();
    long pid = 0;
    while (in >> pid) {
      children.push_back(pid);
    }
  }
  if (!listed) {
    const long self = getpid();
    for (long pid : numbers_in("/proc")) {
      std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
      std::string line;
      std::getline(in, line);
      // pid (name) state ppid ...: the name may hold anything, up to the last ')'.
      const std::size_t close = line.rfind(')');
      if (close == std::string::npos) {
        continue;
      }
      std::istringstream rest(line.substr(close + 1));
      std::string state;
      long parent = 0;
      if (rest >> state >> parent && parent == self) {
        children.push_back(pid);
      }
    }
  }
  std::sort(children.begin(), children.end());
  return children;
}

int read_umask() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      return static_cast<int>(std::strtol(line.c_str() + 6, nullptr, 8));
    }
  }
  // Older kernels: reading it means setting it, for a moment.
  const mode_t mask = umask(022);
  umask(mask);
  return static_cast<int>(mask);
}

std::string hex(std::uintptr_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

std::string clock_name(long clock) {
  switch (clock) {
    case CLOCK_REALTIME:
      return "CLOCK_REALTIME";
    case CLOCK_MONOTONIC:
      return "CLOCK_MONOTONIC";
    case CLOCK_PROCESS_CPUTIME_ID:
      return "CLOCK_PROCESS_CPUTIME_ID";
    case CLOCK_THREAD_CPUTIME_ID:
      return "CLOCK_THREAD_CPUTIME_ID";
    case CLOCK_BOOTTIME:
      return "CLOCK_BOOTTIME";
    default:
      return "clock " + std::to_string(clock);
  }
}

// The process's POSIX timers as the kernel lists them ("ID: 0", "signal:
// 12/...", "notify: signal/pid.1234", "ClockID: 1", a timer after another),
// or, where it lists none, found by asking for each id in turn.
void read_posix_timers(ProcessState* s) {
  std::ifstream list("/proc/self/timers");
  if (list) {
    long id = -1;
    std::string signal, notify, line;
    while (std::getline(list, line)) {
      const std::size_t colon = line.find(": ");
      if (colon == std::string::npos) {
        continue;
      }
      const std::string key = line.substr(0, colon), value = line.substr(colon + 2);
      if (key == "ID") {
        id = std::strtol(value.c_str(), nullptr, 10);
      } else if (key == "signal") {
        signal = signal_name(std::atoi(value.c_str()));
      } else if (key == "notify") {
        notify = value.substr(0, value.find('/'));
      } else if (key == "ClockID" && id >= 0) {
        s->posix_timers[id] = clock_name(std::strtol(value.c_str(), nullptr, 10)) +
                              (notify == "signal" ? ", signal " + signal : ", " + notify);
        id = -1;
      }
    }
    return;
  }
  // Ids are handed out from 0 up; a few hundred cover any module that
  // leaves timers behind.
  for (long id = 0; id < 256; ++id) {
    alignas(8) unsigned char value[64];  // either layout of the kernel's itimerspec
    if (syscall(SYS_timer_gettime, id, value) == 0) {
      s->posix_timers[id] = "present";
    }
  }
}

void read_system(ProcessState* s) {
  read_posix_timers(s);
  std::vector<char> folder(PATH_MAX + 1);
  s->cwd = getcwd(folder.data(), folder.size()) != nullptr ? folder.data() : "?";
  s->umask = read_umask();
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::size_t eq = entry.find('=');
    s->environment[entry.substr(0, eq)] =
        eq == std::string::npos ? "" : entry.substr(eq + 1);
  }
  s->thread_locale = uselocale(nullptr) != LC_GLOBAL_LOCALE;
  for (int n = 1; n < NSIG; ++n) {
    struct sigaction action {};
    if (n == SIGKILL || n == SIGSTOP || sigaction(n, nullptr, &action) != 0) {
      continue;
    }
    const bool info = (action.sa_flags & SA_SIGINFO) != 0;
    const auto handler = info ? reinterpret_cast<std::uintptr_t>(action.sa_sigaction)
                              : reinterpret_cast<std::uintptr_t>(action.sa_handler);
    if (!info && action.sa_handler == SIG_DFL) {
      s->signals[n] = "default";
    } else if (!info && action.sa_handler == SIG_IGN) {
      s->signals[n] = "ignored";
    } else {
      s->signals[n] = "handler " + hex(handler) + " flags " +
                      hex(static_cast<std::uintptr_t>(action.sa_flags));
    }
  }
  sigset_t mask;
  sigemptyset(&mask);
  if (sigprocmask(SIG_BLOCK, nullptr, &mask) == 0) {
    for (int n = 1; n < NSIG; ++n) {
      if (sigismember(&mask, n) == 1) {
        s->blocked.push_back(n);
      }
    }
  }
  const std::pair<int, const char*> timers[] = {{ITIMER_REAL, "ITIMER_REAL (alarm)"},
                                                {ITIMER_VIRTUAL, "ITIMER_VIRTUAL"},
                                                {ITIMER_PROF, "ITIMER_PROF"}};
  for (const auto& [which, name] : timers) {
    itimerval t{};
    if (getitimer(which, &t) == 0 &&
        (t.it_value.tv_sec != 0 || t.it_value.tv_usec != 0 || t.it_interval.tv_sec != 0 ||
         t.it_interval.tv_usec != 0)) {
      const double left = static_cast<double>(t.it_value.tv_sec) +
                          static_cast<double>(t.it_value.tv_usec) * 1e-6;
      const double every = static_cast<double>(t.it_interval.tv_sec) +
                           static_cast<double>(t.it_interval.tv_usec) * 1e-6;
      char text[96];
      std::snprintf(text, sizeof text, "%.3g s left, every %.3g s", left, every);
      s->timers[name] = text;
    }
  }
  const std::vector<long> tasks = numbers_in("/proc/self/task");
  s->threads = tasks.empty() ? -1 : static_cast<int>(tasks.size());
  s->children = children_of_self(tasks);
  int listing = -1;
  for (long fd : numbers_in("/proc/self/fd", &listing)) {
    if (fd == listing) {
      continue;
    }
    char target[PATH_MAX + 1];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(link.c_str(), target, PATH_MAX);
    s->descriptors[static_cast<int>(fd)] =
        n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "?";
  }
}

#endif

// The parts one after the other.
template <typename... Parts>
std::string said(const Parts&... parts) {
  std::string s;
  (s += ... += parts);
  return s;
}

// "1 thread", "2 threads".
std::string counted(long n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string quoted(const std::string& s) {
  return "\"" + (s.size() > 80 ? s.substr(0, 80) + "..." : s) + "\"";
}

void compare_maps(const std::map<std::string, std::string>& before,
                  const std::map<std::string, std::string>& after,
                  const std::string& what, std::vector<std::string>* changes,
                  bool values_quoted) {
  const auto show = [&](const std::string& v) { return values_quoted ? quoted(v) : v; };
  for (const auto& [name, value] : after) {
    const auto was = before.find(name);
    if (was == before.end()) {
      changes->push_back(said("the module set ", what, " ", name, " to ", show(value)));
    } else if (was->second != value) {
      changes->push_back(said("the module changed ", what, ": ", name, " ",
                              show(was->second), " -> ", show(value)));
    }
  }
  for (const auto& [name, value] : before) {
    if (after.count(name) == 0) {
      changes->push_back(
          said("the module removed ", what, " ", name, " (was ", show(value), ")"));
    }
  }
}

}  // namespace

ProcessState process_state_now() {
  ProcessState s;
  for (const Category& c : kCategories) {
    const char* name = std::setlocale(c.id, nullptr);
    s.locale[c.name] = name != nullptr ? name : "?";
  }
  read_system(&s);
  s.signal_attempts = signal_attempts();
  return s;
}

ProcessState process_state_after(const ProcessState& before) {
  ProcessState after = process_state_now();
  // Up to 100 ms for what the checker ended to leave the lists.
  for (int wait = 0; wait < 50 && (after.threads > before.threads ||
                                   after.children.size() > before.children.size());
       ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    after = process_state_now();
  }
  return after;
}

std::vector<std::string> process_changes(const ProcessState& before,
                                         const ProcessState& after) {
  std::vector<std::string> changes;
  for (const auto& [category, name] : after.locale) {
    const auto was = before.locale.find(category);
    if (was != before.locale.end() && was->second != name) {
      changes.push_back(said("the module changed the locale: ", category, " ",
                             was->second, " -> ", name));
    }
  }
  if (after.thread_locale != before.thread_locale) {
    changes.push_back(
        after.thread_locale
            ? "the module gave the calling thread a locale of its own (uselocale)"
            : "the module put the calling thread back on the global locale");
  }
  if (after.cwd != before.cwd) {
    changes.push_back("the module changed the working directory: " + before.cwd + " -> " +
                      after.cwd);
  }
  if (after.umask != before.umask && before.umask >= 0 && after.umask >= 0) {
    char text[64];
    std::snprintf(text, sizeof text, "the module changed the umask: %03o -> %03o",
                  static_cast<unsigned>(before.umask),
                  static_cast<unsigned>(after.umask));
    changes.push_back(text);
  }
  compare_maps(before.environment, after.environment, "the environment variable",
               &changes, true);
  for (const auto& [signal, action] : after.signals) {
    const auto was = before.signals.find(signal);
    if (was != before.signals.end() && was->second != action) {
      changes.push_back("the module changed the action of " + signal_name(signal) + ": " +
                        was->second + " -> " + action);
    }
  }
  for (int signal : after.blocked) {
    if (std::find(before.blocked.begin(), before.blocked.end(), signal) ==
        before.blocked.end()) {
      changes.push_back("the module left signal " + signal_name(signal) + " blocked");
    }
  }
  for (int signal : before.blocked) {
    if (std::find(after.blocked.begin(), after.blocked.end(), signal) ==
        after.blocked.end()) {
      changes.push_back("the module left signal " + signal_name(signal) +
                        " unblocked (it was blocked)");
    }
  }
  for (const auto& [name, text] : after.timers) {
    if (before.timers.count(name) == 0) {
      changes.push_back(said("the module armed the timer ", name, ": ", text));
    }
  }
  for (const auto& [name, text] : before.timers) {
    if (after.timers.count(name) == 0) {
      changes.push_back("the module stopped the timer " + name);
    }
  }
  for (const auto& [id, text] : after.posix_timers) {
    if (before.posix_timers.count(id) == 0) {
      changes.push_back("the module created the POSIX timer " + std::to_string(id) +
                        " (" + text + ") and left it");
    }
  }
  for (const auto& [id, text] : before.posix_timers) {
    if (after.posix_timers.count(id) == 0) {
      changes.push_back("the module deleted the POSIX timer " + std::to_string(id));
    }
  }
  if (before.threads >= 0 && after.threads > before.threads) {
    changes.push_back("the module started " +
                      counted(after.threads - before.threads, "thread") + " (" +
                      std::to_string(before.threads) + " -> " +
                      std::to_string(after.threads) + " threads)");
  } else if (after.threads >= 0 && after.threads < before.threads) {
    changes.push_back("the module ended " +
                      counted(before.threads - after.threads, "thread") + " (" +
                      std::to_string(before.threads) + " -> " +
                      std::to_string(after.threads) + " threads)");
  }
  for (long child : after.children) {
    if (std::find(before.children.begin(), before.children.end(), child) ==
        before.children.end()) {
      changes.push_back("the module left a child process behind (process " +
                        std::to_string(child) + ")");
    }
  }
  for (const auto& [fd, target] : after.descriptors) {
    const auto was = before.descriptors.find(fd);
    if (was == before.descriptors.end()) {
      changes.push_back("the module opened " + target + " (descriptor " +
                        std::to_string(fd) + ")");
    } else if (was->second != target) {
      changes.push_back("the module pointed descriptor " + std::to_string(fd) + " at " +
                        target + " (it was " + was->second + ")");
    }
  }
  for (const auto& [fd, target] : before.descriptors) {
    if (after.descriptors.count(fd) == 0) {
      changes.push_back("the module closed descriptor " + std::to_string(fd) + " (" +
                        target + ")");
    }
  }
  if (after.signal_attempts > before.signal_attempts) {
    const std::uint64_t n = after.signal_attempts - before.signal_attempts;
    changes.push_back(signal_attempt(before.signal_attempts) +
                      (n > 1 ? " (" + std::to_string(n) + " attempts in all)" : ""));
  }
  if (before.handles >= 0 && after.handles > before.handles) {
    changes.push_back("the module left " +
                      counted(after.handles - before.handles, "handle") + " open (" +
                      std::to_string(before.handles) + " -> " +
                      std::to_string(after.handles) + " handles)");
  }
  return changes;
}

void restore_process_state(const ProcessState& s) {
  for (const Category& c : kCategories) {
    const auto name = s.locale.find(c.name);
    const char* now = std::setlocale(c.id, nullptr);
    if (name != s.locale.end() && name->second != "?" &&
        (now == nullptr || name->second != now)) {
      std::setlocale(c.id, name->second.c_str());
    }
  }
#if defined(_WIN32)
  wchar_t folder[4096];
  const DWORD n = GetCurrentDirectoryW(4096, folder);
  if (s.cwd != "?" &&
      (n == 0 || n >= 4096 || utf8(folder, static_cast<int>(n)) != s.cwd)) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, s.cwd.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.cwd.c_str(), -1, wide.data(), length);
    SetCurrentDirectoryW(wide.c_str());
  }
#else
  if (!s.thread_locale && uselocale(nullptr) != LC_GLOBAL_LOCALE) {
    uselocale(LC_GLOBAL_LOCALE);
  }
  std::vector<char> folder(PATH_MAX + 1);
  if (s.cwd != "?" &&
      (getcwd(folder.data(), folder.size()) == nullptr || s.cwd != folder.data())) {
    if (chdir(s.cwd.c_str()) != 0) {
      // Nothing more can be done: the next check's comparison starts from here.
    }
  }
  if (s.umask >= 0) {
    umask(static_cast<mode_t>(s.umask));
  }
  sigset_t mask;
  sigemptyset(&mask);
  for (int signal : s.blocked) {
    sigaddset(&mask, signal);
  }
  sigprocmask(SIG_SETMASK, &mask, nullptr);
#endif
}

std::string joined(const std::vector<std::string>& changes) {
  std::string text;
  for (const std::string& c : changes) {
    text += (text.empty() ? "" : "; ") + c;
  }
  return text;
}

}  // namespace check
