// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/worker.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "hostside/module.h"
#include "tools/check/src/alloc_count.h"
#include "tools/check/src/call_watch.h"
#include "tools/check/src/capture.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/fp_state.h"
#include "tools/check/src/process_checks.h"
#include "tools/check/src/process_state.h"
#include "tools/check/src/runner.h"
#include "tools/check/src/signal_guard.h"
#include "tools/check/src/text.h"

namespace check {

namespace {

// The channel to the supervisor: a copy of the standard output taken before
// descriptors 1 and 2 are handed to the capture.
int g_channel = -1;

// The channel is gone, closed by the module (or the supervisor is): nothing
// this worker does can be told any more. An exit status of its own could be
// the module's too (a module may end the process with any), so the worker
// stays until the supervisor, which sees the channel closed while the worker
// lives on, ends it; or, where the supervisor is gone, for a while only.
[[noreturn]] void without_channel() {
#if defined(_WIN32)
  Sleep(static_cast<DWORD>(kChannelLostSeconds * 1000));
#else
  const pid_t supervisor = getppid();
  for (int waited = 0; waited < kChannelLostSeconds * 20 && getppid() == supervisor;
       ++waited) {
    usleep(50000);
  }
#endif
  _exit(kChannelLost);
}

void send(const Event& event) {
  const std::string text = encode(event) + "\n";
  std::size_t done = 0;
  while (done < text.size()) {
#if defined(_WIN32)
    const int n =
        _write(g_channel, text.data() + done, static_cast<unsigned>(text.size() - done));
#else
    const ssize_t n = write(g_channel, text.data() + done, text.size() - done);
#endif
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      without_channel();
    }
    done += static_cast<std::size_t>(n);
  }
}

[[noreturn]] void end_worker(int status = 0) {
  // The module's own exit handlers are not this check's business, and a
  // hostile one could hang: the process ends here.
#if defined(_WIN32)
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
#endif
  _exit(status);
}

// The result of the check that unloaded the module: sent once the process's
// exit handlers, the module's among them, have run.
Event g_unload_result;
bool g_unload_finished = false;

// `status`: what exit() was given, where the C library tells it.
void send_last_lines(int status) {
  if (!g_unload_finished) {
    end_worker(status);  // the module ended the process in a check, with its status
  }
  send(g_unload_result);
  send(Event::done());
#if defined(PELLASTO_CHECK_ASAN)
  // The leak check that would come next is not the module's.
  end_worker();
#endif
  // The process ends as a host's does: the destructors of a module that kept
  // itself loaded run now; the supervisor reads the exit status.
}

#if defined(_WIN32)
// A crash ends the process with the exception's code, at once: no dialog,
// no debugger, so the supervisor can name it.
LONG WINAPI end_with_exception(EXCEPTION_POINTERS* e) {
  TerminateProcess(GetCurrentProcess(), e->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}
#endif

}  // namespace

int worker_main(const WorkerRequest& request) {
#if defined(_WIN32)
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(end_with_exception);
  g_channel = _dup(1);
  _setmode(g_channel, _O_BINARY);
#else
  g_channel = dup(1);
  fcntl(g_channel, F_SETFD, FD_CLOEXEC);
  // Before any thread starts, and before the module can: what it signals
  // stays within the worker (where the system can filter its calls).
  guard_signals();
#endif
  static OutputCapture capture;  // before the module loads: it may write then
  const bool capturing = capture.start();
  // Registered before the module can register any: it runs after theirs.
#if defined(__GLIBC__)
  on_exit([](int status, void*) { send_last_lines(status); }, nullptr);
#else
  std::atexit([] { send_last_lines(0); });
#endif
  leave_out_the_system();
  ProcessWatch& watch = process_watch();
  watch.before_load = process_state_now();
  Context context;
  context.threads = request.threads;
  context.seed = request.seed;
  context.repeat = request.repeat;
  context.fuzz_seconds = request.fuzz_seconds;
  context.before_load = fp_control_now();

  std::string loader;
  void* handle = hostside::open_module(request.module, &loader);
  if (handle == nullptr) {
    send(Event::unloadable(loader));
    end_worker();
  }
  static hostside::PellastoModule module{};
  std::string missing;
  hostside::bind_pellasto(handle, &module, &missing);
  module.handle = handle;
  if (module.shade == nullptr) {
    send(Event::no_shader());
    end_worker();
  }
  static CapturedOutput at_load;
  if (capturing) {
    at_load = capture.take();
  }
  send(Event::loaded());
  context.output = capturing ? &capture : nullptr;
  context.load_output = capturing ? &at_load : nullptr;
  if (module.set_module_handle != nullptr) {
    module.set_module_handle(hostside::program_module());
  }
  // Loading ends here: what the module did so far is the load's.
  watch.after_load = process_state_after(watch.before_load);
  restore_process_state(watch.before_load);
  watch.handle = handle;
  static hostside::PellastoModule watched = watch_calls(module);
  context.module = &watched;
  const std::vector<Check>& checks = catalogue();
  for (int index : request.checks) {
    if (index < 0 || index >= static_cast<int>(checks.size())) {
      continue;
    }
    const Check& check = checks[static_cast<std::size_t>(index)];
    send(Event::begin(index));
    const bool unloading = is_unload_check(check);
    if (unloading) {
      send(Event::unloading());
    }
    const Result r = run_check(check, context);
    const Event line = Event::finished(index, r);
    if (unloading && watch.unloaded) {
      // The process ends as a host's does, running the exit handlers the
      // module left; a crash there is a crash while unloading.
      g_unload_result = line;
      g_unload_finished = true;
      std::exit(0);
    }
    send(line);
  }
  send(Event::done());
  end_worker();
}

}  // namespace check
