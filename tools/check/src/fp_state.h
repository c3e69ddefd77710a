// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The floating-point control state a renderer's own arithmetic depends on:
// the rounding mode, on x86 the MXCSR control bits (flush-to-zero,
// denormals-are-zero, rounding, exception masks) and the x87 control word,
// on aarch64 the FPCR (flush-to-zero, rounding, exception traps).
// Status flags are left out: honest arithmetic raises them.
#ifndef PELLASTO_CHECK_FP_STATE_H
#define PELLASTO_CHECK_FP_STATE_H

#include <cstdint>
#include <string>

namespace check {

struct FpControl {
  int rounding = 0;         // fegetround()
  std::uint32_t mxcsr = 0;  // MXCSR without its status flags (x86)
  std::uint16_t x87 = 0;    // x87 control word (x86)
  std::uint64_t fpcr = 0;   // FPCR (aarch64)
};

// The calling thread's control state now.
FpControl fp_control_now();

// Puts the calling thread's control state back to `control`.
void set_fp_control(const FpControl& control);

// What differs from `before` in `after`, in words ("flush-to-zero set,
// rounding towards zero"); empty when nothing does.
std::string fp_control_change(const FpControl& before, const FpControl& after);

}  // namespace check

#endif  // PELLASTO_CHECK_FP_STATE_H
