// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// A shading sample whose records each lie between guard bytes in one buffer,
// every byte of it (padding, reserved fields, guards, derivative entries past
// the first two) holding a pattern drawn from a seed, so that any byte a
// module writes where it should not shows: a field it must leave alone, a
// write past the end of a record, or derivative vectors not put back bit for
// bit. Its evaluation of a connected `input` (hooks() with this sample as the
// context) notes the frame in force and whether anything else had changed
// by then.
#ifndef PELLASTO_HOSTSIDE_GUARDED_SAMPLE_H
#define PELLASTO_HOSTSIDE_GUARDED_SAMPLE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hostside/forwarding_module.h"
#include "shader/pellasto.h"

namespace hostside {

class GuardedSample {
 public:
  static constexpr int kDerivatives = 4;  // the host's array: D[0], D[1] and two more

  // Normal (0, 0, 1) at the origin, mode 0, nothing connected (offset 0);
  // everything else from `seed`, the derivative vectors included.
  explicit GuardedSample(std::uint32_t seed);
  GuardedSample(const GuardedSample&) = delete;
  GuardedSample& operator=(const GuardedSample&) = delete;

  RenderState* state() { return at<RenderState>(state_at_); }
  ShaderRecord* shader() { return at<ShaderRecord>(shader_at_); }
  FrameParams* params() { return at<FrameParams>(params_at_); }
  Vector* derivatives() { return at<Vector>(derivatives_at_); }
  Color* result() { return at<Color>(result_at_); }

  // Gives the parameters connection words (after the block) and marks
  // `parameter` (a field of params()) connected.
  void connect(const void* parameter);
  void connect_all();

  // The host functions of this sample: connected parameters evaluated in
  // place, real rotations; the context is this sample.
  HostHooks hooks();

  // Takes the bytes as the host hands them over now.
  void hand_over();
  // What differs from the bytes handed over, outside the result: the first
  // such byte named by its record and position ("render state byte 12 was
  // 0x5a, now 0x00"; "D[0].y byte 3 ..."; "2 bytes past the end of the
  // shader record ..."), or empty.
  std::string changes() const { return first_change(false); }

  // Shades once: hand_over(), `entry`, and what changed (changed_after()).
  Boolean shade(PellastoShaderFn entry);
  const std::string& changed_after() const { return changed_after_; }
  // What had changed outside D[0], D[1] and the result when `input` was read.
  const std::string& changed_during_input() const { return changed_during_input_; }
  // The result's guard bytes aside, was the result written with the input's
  // value bit for bit?
  bool result_is_input() const;

  Vector seen[2]{};  // D[0], D[1] when `input` was read
  int input_evaluations = 0;

 private:
  template <typename T>
  T* at(std::size_t offset) {
    return reinterpret_cast<T*>(bytes() + offset);
  }
  unsigned char* bytes() { return storage_.data() + base_; }
  const unsigned char* bytes() const { return storage_.data() + base_; }
  std::string first_change(bool skip_frame) const;
  static void* evaluate(void* context, RenderState* state, void* parameter);

  std::vector<unsigned char> storage_;      // the records, with room to align them
  std::vector<unsigned char> handed_over_;  // their bytes when the call began
  std::size_t base_ = 0;                    // where the 64-byte aligned part starts
  std::size_t state_at_ = 0, shader_at_ = 0, params_at_ = 0, derivatives_at_ = 0,
              result_at_ = 0, size_ = 0;
  std::string changed_after_, changed_during_input_;
};

}  // namespace hostside

#endif  // PELLASTO_HOSTSIDE_GUARDED_SAMPLE_H
