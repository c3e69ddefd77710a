// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Creates a POSIX timer when it is loaded (timer_create), armed to send
// SIGUSR2 in 100 s, and never deletes it.
#include <signal.h>
#include <time.h>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void create_timer() {
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGUSR2;
  timer_t timer{};
  if (timer_create(CLOCK_MONOTONIC, &event, &timer) == 0) {
    itimerspec when{};
    when.it_value.tv_sec = 100;
    timer_settime(timer, 0, &when, nullptr);
  }
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
