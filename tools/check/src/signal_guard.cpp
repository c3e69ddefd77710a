// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/signal_guard.h"

#include <atomic>
#include <string>

#if defined(__linux__) &&                                                 \
    (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__)) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define PELLASTO_CHECK_SIGNAL_GUARD 1
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <vector>

#include "tools/check/src/text.h"
#endif

namespace check {

#if defined(PELLASTO_CHECK_SIGNAL_GUARD)

namespace {

// What the filter says of a call it stops (the data of its SIGSYS).
enum Stopped : unsigned {
  kEveryProcess = 1,
  kOtherGroup = 2,
  kChecker = 3,
  kForeignCall = 4,
};

#if defined(__x86_64__)
constexpr std::uint32_t kArch = AUDIT_ARCH_X86_64;
#elif defined(__i386__)
constexpr std::uint32_t kArch = AUDIT_ARCH_I386;
#else
constexpr std::uint32_t kArch = AUDIT_ARCH_AARCH64;
#endif

struct Attempt {
  unsigned what;
  long call;
  long args[3];
};
constexpr std::uint64_t kKept = 16;
Attempt g_attempts[kKept];
std::atomic<std::uint64_t> g_count{0};

// The three first arguments of the stopped call, and where its result goes.
void on_sigsys(int, siginfo_t* info, void* context) {
  auto* uc = static_cast<ucontext_t*>(context);
  const std::uint64_t n = g_count.load(std::memory_order_relaxed);
  Attempt& a = g_attempts[n < kKept ? n : kKept - 1];
  a.what = static_cast<unsigned>(info->si_errno);
  a.call = info->si_syscall;
#if defined(__x86_64__)
  a.args[0] = static_cast<long>(uc->uc_mcontext.gregs[REG_RDI]);
  a.args[1] = static_cast<long>(uc->uc_mcontext.gregs[REG_RSI]);
  a.args[2] = static_cast<long>(uc->uc_mcontext.gregs[REG_RDX]);
  uc->uc_mcontext.gregs[REG_RAX] = -EPERM;
#elif defined(__i386__)
  a.args[0] = static_cast<long>(uc->uc_mcontext.gregs[REG_EBX]);
  a.args[1] = static_cast<long>(uc->uc_mcontext.gregs[REG_ECX]);
  a.args[2] = static_cast<long>(uc->uc_mcontext.gregs[REG_EDX]);
  uc->uc_mcontext.gregs[REG_EAX] = -EPERM;
#else
  for (int i = 0; i < 3; ++i) {
    a.args[i] = static_cast<long>(uc->uc_mcontext.regs[i]);
  }
  uc->uc_mcontext.regs[0] = static_cast<unsigned long long>(-EPERM);
#endif
  g_count.store(n + 1, std::memory_order_release);
}

// A filter program with jumps to labels, resolved as the labels are placed.
class Program {
 public:
  using Label = int;
  Label label() {
    places_.push_back(-1);
    return static_cast<Label>(places_.size() - 1);
  }
  void place(Label l) { places_[static_cast<std::size_t>(l)] = size(); }
  void load(std::uint32_t offset) { add(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offset)); }
  void ret(std::uint32_t value) { add(BPF_STMT(BPF_RET | BPF_K, value)); }
  // To `yes` if the condition holds of the loaded word, else to `no` (-1:
  // the next instruction).
  void jump(std::uint16_t test, std::uint32_t value, Label yes, Label no = -1) {
    add(BPF_JUMP(BPF_JMP | test | BPF_K, value, 0, 0));
    jumps_.push_back({size() - 1, yes, no});
  }
  std::vector<sock_filter> resolved() {
    for (const Jump& j : jumps_) {
      sock_filter& f = code_[static_cast<std::size_t>(j.at)];
      f.jt = offset(j.at, j.yes);
      f.jf = offset(j.at, j.no);
    }
    return code_;
  }

 private:
  struct Jump {
    int at;
    Label yes, no;
  };
  int size() const { return static_cast<int>(code_.size()); }
  void add(sock_filter f) { code_.push_back(f); }
  std::uint8_t offset(int at, Label l) const {
    return l < 0
               ? 0
               : static_cast<std::uint8_t>(places_[static_cast<std::size_t>(l)] - at - 1);
  }
  std::vector<sock_filter> code_;
  std::vector<int> places_;
  std::vector<Jump> jumps_;
};

constexpr std::uint32_t kAllow = SECCOMP_RET_ALLOW;
constexpr std::uint32_t stop(Stopped what) { return SECCOMP_RET_TRAP | what; }
constexpr std::uint32_t kCallAt = offsetof(seccomp_data, nr);
constexpr std::uint32_t kArchAt = offsetof(seccomp_data, arch);
// The low word of the first argument: a process id is an int, whatever the
// register held above it.
constexpr std::uint32_t kFirstAt = offsetof(seccomp_data, args);

std::vector<sock_filter> filter(pid_t checker, pid_t group) {
  Program p;
  const Program::Label foreign = p.label(), to_pid = p.label(), to_thread = p.label(),
                       every = p.label(), other_group = p.label(), to_checker = p.label(),
                       allow = p.label();
  p.load(kArchAt);
  p.jump(BPF_JEQ, kArch, -1, foreign);
  p.load(kCallAt);
#if defined(__x86_64__)
  p.jump(BPF_JGE, 0x40000000U, foreign);  // the x32 calls
#endif
  p.jump(BPF_JEQ, __NR_kill, to_pid);
  p.jump(BPF_JEQ, __NR_tkill, to_thread);
  p.jump(BPF_JEQ, __NR_tgkill, to_thread);
  p.jump(BPF_JEQ, __NR_rt_sigqueueinfo, to_thread);
  p.jump(BPF_JEQ, __NR_rt_tgsigqueueinfo, to_thread);
  p.ret(kAllow);
  p.place(to_pid);
  p.load(kFirstAt);
  p.jump(BPF_JEQ, 0xFFFFFFFFU, every);
  p.jump(BPF_JGE, 0x80000000U, -1, to_thread);  // a group: the worker's own only
  p.jump(BPF_JEQ, static_cast<std::uint32_t>(-group), allow, other_group);
  p.place(to_thread);  // a process or thread: pellasto-check is out of reach
  p.load(kFirstAt);
  p.jump(BPF_JEQ, static_cast<std::uint32_t>(checker), to_checker, allow);
  p.place(every);
  p.ret(stop(kEveryProcess));
  p.place(other_group);
  p.ret(stop(kOtherGroup));
  p.place(to_checker);
  p.ret(stop(kChecker));
  p.place(foreign);
  p.ret(stop(kForeignCall));
  p.place(allow);
  p.ret(kAllow);
  return p.resolved();
}

std::string call_name(long call) {
  switch (call) {
    case __NR_kill:
      return "kill";
    case __NR_tkill:
      return "tkill";
    case __NR_tgkill:
      return "tgkill";
    case __NR_rt_sigqueueinfo:
      return "rt_sigqueueinfo";
    case __NR_rt_tgsigqueueinfo:
      return "rt_tgsigqueueinfo";
    default:
      return "system call " + std::to_string(call);
  }
}

}  // namespace

bool guard_signals() {
  struct sigaction handler {};
  handler.sa_sigaction = on_sigsys;
  handler.sa_flags = SA_SIGINFO;
  sigemptyset(&handler.sa_mask);
  if (sigaction(SIGSYS, &handler, nullptr) != 0) {
    return false;
  }
  std::vector<sock_filter> code = filter(getppid(), getpgrp());
  sock_fprog program{static_cast<unsigned short>(code.size()), code.data()};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
    return false;
  }
  // Every thread of the process, or, where the kernel cannot, this one and
  // those it starts.
  if (syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC,
              &program) != 0 &&
      prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program, 0, 0) != 0) {
    return false;
  }
  // Signal 0 tests whether a signal could be sent, and sends nothing: the
  // guard, on, stops it.
  const bool on = kill(-1, 0) != 0 && errno == EPERM && signal_attempts() == 1;
  g_count.store(0);
  return on;
}

std::uint64_t signal_attempts() { return g_count.load(std::memory_order_acquire); }

std::string signal_attempt(std::uint64_t number) {
  const Attempt& a = g_attempts[number < kKept ? number : kKept - 1];
  if (a.what == kForeignCall) {
    return "the module made a system call of another architecture (number " +
           std::to_string(a.call) + "), which pellasto-check does not let through";
  }
  const std::string name = call_name(a.call);
  const bool two_ids = a.call == __NR_tgkill || a.call == __NR_rt_tgsigqueueinfo;
  const std::string call =
      name + "(" + std::to_string(static_cast<int>(a.args[0])) + ", " +
      (two_ids ? std::to_string(static_cast<int>(a.args[1])) + ", " : "") +
      signal_name(static_cast<int>(a.args[two_ids ? 2 : 1])) + ")";
  const char* whom = a.what == kEveryProcess ? "every process"
                     : a.what == kOtherGroup ? "another process group"
                                             : "pellasto-check itself";
  return std::string("the module tried to signal ") + whom + " (" + call + ")";
}

#else

bool guard_signals() { return false; }
std::uint64_t signal_attempts() { return 0; }
std::string signal_attempt(std::uint64_t) { return ""; }

#endif

}  // namespace check
