// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/fp_state.h"

#include <cfenv>
#include <cstdio>

namespace check {

namespace {

#if defined(__i386__) || defined(__x86_64__)
constexpr std::uint32_t kMxcsrFlags = 0x3f;  // IE DE ZE OE UE PE: status, not control

std::uint32_t read_mxcsr() {
  std::uint32_t value = 0;
  __asm__ volatile("stmxcsr %0" : "=m"(value));
  return value;
}

std::uint16_t read_x87() {
  std::uint16_t value = 0;
  __asm__ volatile("fnstcw %0" : "=m"(value));
  return value;
}
#endif

#if defined(__aarch64__)
std::uint64_t read_fpcr() {
  std::uint64_t value = 0;
  __asm__ volatile("mrs %0, fpcr" : "=r"(value));
  return value;
}
#endif

const char* rounding_name(int mode) {
  switch (mode) {
    case FE_TONEAREST:
      return "to nearest";
    case FE_DOWNWARD:
      return "downward";
    case FE_UPWARD:
      return "upward";
    case FE_TOWARDZERO:
      return "towards zero";
    default:
      return "unknown";
  }
}

std::string hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

void note(std::string* said, const std::string& what) {
  *said += (said->empty() ? "" : ", ") + what;
}

}  // namespace

FpControl fp_control_now() {
  FpControl c;
  c.rounding = std::fegetround();
#if defined(__i386__) || defined(__x86_64__)
  c.mxcsr = read_mxcsr() & ~kMxcsrFlags;
  c.x87 = read_x87();
#endif
#if defined(__aarch64__)
  c.fpcr = read_fpcr();
#endif
  return c;
}

void set_fp_control(const FpControl& control) {
  std::fesetround(control.rounding);
#if defined(__i386__) || defined(__x86_64__)
  std::uint32_t mxcsr = (read_mxcsr() & kMxcsrFlags) | control.mxcsr;
  __asm__ volatile("ldmxcsr %0" : : "m"(mxcsr));
  std::uint16_t x87 = control.x87;
  __asm__ volatile("fldcw %0" : : "m"(x87));
#endif
#if defined(__aarch64__)
  // The rounding bits of the FPCR are fesetround's, below.
  __asm__ volatile("msr fpcr, %0" : : "r"(control.fpcr));
  std::fesetround(control.rounding);
#endif
}

std::string fp_control_change(const FpControl& before, const FpControl& after) {
  std::string said;
  if (before.rounding != after.rounding) {
    note(&said, std::string("rounding ") + rounding_name(before.rounding) + " -> " +
                    rounding_name(after.rounding));
  }
#if defined(__i386__) || defined(__x86_64__)
  const std::uint32_t mxcsr = before.mxcsr ^ after.mxcsr;
  if ((mxcsr & 0x8000u) != 0) {
    note(&said, std::string("flush-to-zero ") +
                    ((after.mxcsr & 0x8000u) != 0 ? "set" : "cleared"));
  }
  if ((mxcsr & 0x0040u) != 0) {
    note(&said, std::string("denormals-are-zero ") +
                    ((after.mxcsr & 0x0040u) != 0 ? "set" : "cleared"));
  }
  if ((mxcsr & ~0x8040u) != 0) {
    note(&said, "MXCSR " + hex(before.mxcsr) + " -> " + hex(after.mxcsr));
  }
  if (before.x87 != after.x87) {
    note(&said, "x87 control word " + hex(before.x87) + " -> " + hex(after.x87));
  }
#endif
#if defined(__aarch64__)
  constexpr std::uint64_t kFlushToZero = std::uint64_t{1} << 24;  // FZ
  constexpr std::uint64_t kRoundingBits = std::uint64_t{3}
                                          << 22;  // RMode: the rounding, named above
  const std::uint64_t fpcr = (before.fpcr ^ after.fpcr) & ~kRoundingBits;
  if ((fpcr & kFlushToZero) != 0) {
    note(&said, std::string("flush-to-zero ") +
                    ((after.fpcr & kFlushToZero) != 0 ? "set" : "cleared"));
  }
  if ((fpcr & ~kFlushToZero) != 0) {
    note(&said, "FPCR " + hex(before.fpcr) + " -> " + hex(after.fpcr));
  }
#endif
  return said;
}

}  // namespace check
