// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// How the entries behave when called the way a 32-bit x86 host calls them:
// cdecl, with the arguments pushed by the caller and popped by it again, and
// with a stack that hosts built by other compilers align only to 4 bytes.
// Only 32-bit x86 has these calls; other builds compile nothing here.

#if defined(__i386__)

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tests/support/shading.h"

namespace pellasto_test {
namespace {

using testing::_;

// One call made by call_through_thunk: what to call and how, and what the
// callee left behind.
struct ThunkCall {
  const void* entry;          // function to call
  std::uint32_t misalign;     // %esp mod 16 at the call instruction: 0, 4, 8, 12
  std::uint32_t argc;         // words in args, at most 4
  std::uint32_t args[4];      // pushed last to first, so args[0] is at 0(%esp)
  std::uint32_t eax;          // the callee's result
  std::uint32_t esp_at_call;  // %esp at the call instruction
  std::uint32_t esp_after;    // %esp right after the callee returned
  std::uint32_t kept[3];      // %ebx, %esi, %edi after the call
};
static_assert(offsetof(ThunkCall, args) == 12 && offsetof(ThunkCall, eax) == 28 &&
                  offsetof(ThunkCall, esp_at_call) == 32 &&
                  offsetof(ThunkCall, esp_after) == 36 && offsetof(ThunkCall, kept) == 40,
              "offsets used by call_through_thunk");
constexpr std::uint32_t kKept[3] = {0xb0b0b0b0u, 0x5e5e5e5eu, 0xd1d1d1d1u};

// Called by the tests on their own thread; `c` stays the test's. Moves %esp
// to `misalign` bytes past a 16-byte boundary, pushes the arguments, puts
// kKept into the callee-saved registers, calls `entry` and records %esp and
// those registers after it returns. Its own frame is rebuilt from %ebp, so a
// callee that pops its arguments is seen, not crashed into.
extern "C" __attribute__((naked, noinline)) void call_through_thunk(ThunkCall* /*c*/) {
  asm volatile(
      "push %ebp\n\t"
      "mov %esp, %ebp\n\t"
      "push %ebx\n\t"
      "push %esi\n\t"
      "push %edi\n\t"
      "mov 8(%ebp), %edx\n\t"
      "and $-16, %esp\n\t"
      "sub $64, %esp\n\t"
      "mov 8(%edx), %ecx\n\t"
      // Start (misalign + 4 * argc) mod 16 past the boundary, so that once
      // the arguments are pushed %esp is `misalign` past it.
      "lea (,%ecx,4), %eax\n\t"
      "add 4(%edx), %eax\n\t"
      "and $15, %eax\n\t"
      "add %eax, %esp\n\t"
      "1:\n\t"
      "test %ecx, %ecx\n\t"
      "jz 2f\n\t"
      "push 8(%edx,%ecx,4)\n\t"
      "dec %ecx\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "mov %esp, 32(%edx)\n\t"
      "mov (%edx), %eax\n\t"
      "mov $0xb0b0b0b0, %ebx\n\t"
      "mov $0x5e5e5e5e, %esi\n\t"
      "mov $0xd1d1d1d1, %edi\n\t"
      "call *%eax\n\t"
      "mov 8(%ebp), %ecx\n\t"
      "mov %eax, 28(%ecx)\n\t"
      "mov %esp, 36(%ecx)\n\t"
      "mov %ebx, 40(%ecx)\n\t"
      "mov %esi, 44(%ecx)\n\t"
      "mov %edi, 48(%ecx)\n\t"
      "lea -12(%ebp), %esp\n\t"
      "pop %edi\n\t"
      "pop %esi\n\t"
      "pop %ebx\n\t"
      "pop %ebp\n\t"
      "ret\n\t");
}

template <typename Pointer>
std::uint32_t word(Pointer p) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

template <typename Function>
ThunkCall call_with_stack(Function* entry, std::uint32_t misalign,
                          std::vector<std::uint32_t> args) {
  ThunkCall c{};
  c.entry = reinterpret_cast<const void*>(entry);
  c.misalign = misalign;
  c.argc = static_cast<std::uint32_t>(args.size());
  std::memcpy(c.args, args.data(), args.size() * sizeof(std::uint32_t));
  call_through_thunk(&c);
  return c;
}

// Whether the callee returned with the caller's stack and registers as a
// cdecl caller expects them, and was really called at the asked alignment.
testing::AssertionResult left_the_caller_as_it_was(const ThunkCall& c) {
  if (c.esp_at_call % 16 != c.misalign) {
    return testing::AssertionFailure() << "called with %esp at " << c.esp_at_call % 16
                                       << " mod 16, not " << c.misalign;
  }
  if (c.esp_after != c.esp_at_call) {
    return testing::AssertionFailure()
           << "popped " << static_cast<std::int32_t>(c.esp_after - c.esp_at_call)
           << " bytes of the caller's stack";
  }
  const char* names[3] = {"%ebx", "%esi", "%edi"};
  for (int i = 0; i < 3; ++i) {
    if (c.kept[i] != kKept[i]) {
      return testing::AssertionFailure() << names[i] << " not preserved";
    }
  }
  return testing::AssertionSuccess();
}

constexpr std::uint32_t kMisalignments[] = {0, 4, 8, 12};

// Stand-ins called through the thunk by the test below, on its thread: two
// that break the convention, to show that the check sees it, and one that
// keeps it. The pointer handed to them stays the test's.
extern "C" __attribute__((stdcall, noinline)) Boolean pops_its_arguments(Color* result,
                                                                         RenderState*,
                                                                         FrameParams*) {
  result->r = 1;
  return 1;
}
extern "C" __attribute__((naked, noinline)) void clobbers_esi() {
  asm volatile("xor %esi, %esi\n\tret\n\t");
}
extern "C" __attribute__((noinline)) Boolean plain_cdecl(Color* result, RenderState*,
                                                         FrameParams*) {
  result->r = 1;
  return 1;
}

TEST(CallingConvention, CheckSeesACalleeThatPopsItsArgumentsOrClobbersARegister) {
  Color result{};
  for (std::uint32_t m : kMisalignments) {
    SCOPED_TRACE(m);
    const std::vector<std::uint32_t> args = {word(&result), 0, 0};
    ThunkCall c = call_with_stack(&plain_cdecl, m, args);
    EXPECT_TRUE(left_the_caller_as_it_was(c));
    EXPECT_EQ(c.eax, 1u);

    c = call_with_stack(&pops_its_arguments, m, args);
    EXPECT_EQ(c.eax, 1u);
    const testing::AssertionResult popped = left_the_caller_as_it_was(c);
    EXPECT_FALSE(popped);
    EXPECT_STREQ(popped.message(), "popped 12 bytes of the caller's stack");

    c = call_with_stack(&clobbers_esi, m, {});
    const testing::AssertionResult clobbered = left_the_caller_as_it_was(c);
    EXPECT_STREQ(clobbered.message(), "%esi not preserved");
  }
}

TEST(CallingConvention, LifecycleEntriesAreCdeclAtEveryStackAlignment) {
  const hostside::PellastoModule& module = pellasto();
  for (std::uint32_t m : kMisalignments) {
    SCOPED_TRACE(m);
    ThunkCall c = call_with_stack(module.version, m, {});
    EXPECT_TRUE(left_the_caller_as_it_was(c));
    EXPECT_EQ(c.eax, 1u);

    Sample s;
    Boolean wanted = 1;
    c = call_with_stack(module.init, m, {word(&s.state), 0, word(&wanted)});
    EXPECT_TRUE(left_the_caller_as_it_was(c));
    EXPECT_EQ(wanted, 0);

    wanted = 1;
    const FrameParams before = s.params;
    c = call_with_stack(module.init, m, {word(&s.state), word(&s.params), word(&wanted)});
    EXPECT_TRUE(left_the_caller_as_it_was(c));
    EXPECT_EQ(wanted, 1);
    EXPECT_TRUE(same_bits(s.params, before));

    c = call_with_stack(module.exit, m, {word(&s.state), word(&s.params)});
    EXPECT_TRUE(left_the_caller_as_it_was(c));
    EXPECT_TRUE(same_bits(s.params, before));
  }
}

// Signalling NaNs (the quiet bit clear, as no x87 load would leave them),
// with a negative one and one whose payload is in the low bits only.
constexpr std::uint32_t kSignalling[] = {0x7f800001u, 0xffa00000u, 0x7fbfffffu,
                                         0xff800002u, 0x7f812345u, 0xffbedcbau};

void fill_bits(void* to, const std::uint32_t* bits, std::size_t words) {
  std::memcpy(to, bits, words * sizeof(std::uint32_t));
}

// Everything a shader call shows the host and leaves behind.
struct Trace {
  Boolean returned = 0;
  Color result{};
  Vector seen[2]{};                   // the derivative vectors while `input` was read
  Vector after[2]{};                  // and after the call
  std::vector<std::ptrdiff_t> reads;  // offsets of the parameters read
  std::vector<std::uint32_t> angles;  // bits of each angle handed to the host
};

class X86CallShading : public ShadingTest {
 protected:
  // A sample with every parameter connected: each read goes to the host,
  // which answers from `host_values` (its own block, at the same offset).
  void prepare(Sample& s, std::int32_t mode, float rotation) {
    s.connect_all();
    s.state.surface_point = {0.5f, -0.25f, 2.0f};
    s.state.surface_normal = {0.0f, 0.6f, 0.8f};
    fill_bits(s.derivatives, kSignalling, 6);
    fill_bits(&s.params.input, kSignalling + 2, 4);  // never read: connected
    host_values = FrameParams{};
    fill_bits(&host_values.input, kSignalling, 4);
    host_values.mode = mode;
    host_values.direction = {1.0f, 2.0f, 3.0f};
    host_values.position = {4.0f, -1.0f, 2.5f};
    host_values.rotation = rotation;
  }

  void record_into(Sample& s, Trace& t) {
    EXPECT_CALL(host, PhenEval(&s.state, _))
        .WillRepeatedly([&s, &t, this](RenderState* state, void* p) -> void* {
          const std::ptrdiff_t at =
              static_cast<char*>(p) - reinterpret_cast<char*>(&s.params);
          t.reads.push_back(at);
          if (at == offsetof(FrameParams, input)) {
            std::memcpy(t.seen, state->surface_derivatives, sizeof t.seen);
          }
          return reinterpret_cast<char*>(&host_values) + at;
        });
    EXPECT_CALL(host, MatrixRotateAxis)
        .WillRepeatedly([&t](Matrix* m, const Vector* axis, float angle) {
          std::uint32_t bits;
          std::memcpy(&bits, &angle, sizeof bits);
          t.angles.push_back(bits);
          return rotate_axis(m, axis, angle);
        });
    EXPECT_CALL(host, VectorTransform).WillRepeatedly(transform_direction);
  }

  static void finish(const Sample& s, Trace& t) {
    t.result = s.result;
    std::memcpy(t.after, s.derivatives, sizeof t.after);
  }

  static void expect_same(const Trace& a, const Trace& b) {
    EXPECT_EQ(a.returned, b.returned);
    EXPECT_TRUE(same_bits(a.result, b.result));
    EXPECT_TRUE(same_bits(a.seen, b.seen))
        << a.seen[0] << a.seen[1] << " vs " << b.seen[0] << b.seen[1];
    EXPECT_TRUE(same_bits(a.after, b.after));
    EXPECT_EQ(a.reads, b.reads);
    EXPECT_EQ(a.angles, b.angles);
  }

  FrameParams host_values{};
};

TEST_F(X86CallShading, EveryModeGivesTheSameBitsAtEveryStackAlignment) {
  struct Case {
    std::int32_t mode;
    float rotation;
  };
  const Case cases[] = {{0, 0.0f},  {1, 0.0f},   {1, 0.125f}, {2, 0.0f},
                        {2, -1.3f}, {7, 0.375f}, {0, 0.25f}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << k.mode << ", rotation " << k.rotation);
    // The reference: an ordinary call from this compiler's code.
    Trace reference;
    {
      Sample s;
      prepare(s, k.mode, k.rotation);
      record_into(s, reference);
      reference.returned = s.shade();
      finish(s, reference);
      testing::Mock::VerifyAndClearExpectations(&host);
    }
    EXPECT_EQ(reference.returned, 1);
    // The signalling NaNs of the host's input and of the saved vectors come
    // back with every bit, at every alignment.
    EXPECT_TRUE(same_bits(reference.result, host_values.input));
    {
      Vector host_vectors[2];
      fill_bits(host_vectors, kSignalling, 6);
      EXPECT_TRUE(same_bits(reference.after, host_vectors));
    }
    if (k.mode == 1 || k.mode == 2) {
      EXPECT_FALSE(same_bits(reference.seen, reference.after))
          << "no frame was installed";
    }

    for (std::uint32_t m : kMisalignments) {
      SCOPED_TRACE(testing::Message() << "%esp at " << m << " mod 16");
      Sample s;
      prepare(s, k.mode, k.rotation);
      Trace t;
      record_into(s, t);
      const ThunkCall c = call_with_stack(
          pellasto().shade, m, {word(&s.result), word(&s.state), word(&s.params)});
      t.returned = static_cast<Boolean>(c.eax);
      finish(s, t);
      testing::Mock::VerifyAndClearExpectations(&host);
      EXPECT_TRUE(left_the_caller_as_it_was(c));
      expect_same(t, reference);
    }
  }
}

TEST_F(X86CallShading, HandleIsSetAndUsedAtEveryStackAlignment) {
  for (std::uint32_t m : kMisalignments) {
    SCOPED_TRACE(m);
    ThunkCall c =
        call_with_stack(pellasto().set_module_handle, m, {word(host_b().handle)});
    EXPECT_TRUE(left_the_caller_as_it_was(c));
    EXPECT_EQ(c.eax, 0u);

    // Host B, with its own hooks, now answers; host A is not asked.
    testing::StrictMock<MockHost> other;
    HostHooks hooks = other.hooks();
    host_b().install(&hooks);
    Sample s;
    Color value{};
    fill_bits(&value, kSignalling, 4);
    s.connect(&s.params.input);
    EXPECT_CALL(other, PhenEval(&s.state, &s.params.input))
        .WillOnce(testing::Return(&value));
    c = call_with_stack(pellasto().shade, m,
                        {word(&s.result), word(&s.state), word(&s.params)});
    EXPECT_TRUE(left_the_caller_as_it_was(c));
    EXPECT_EQ(c.eax, 1u);
    EXPECT_TRUE(same_bits(s.result, value));
    testing::Mock::VerifyAndClearExpectations(&other);

    c = call_with_stack(pellasto().set_module_handle, m, {word(host_a().handle)});
    EXPECT_TRUE(left_the_caller_as_it_was(c));
  }
}

}  // namespace
}  // namespace pellasto_test

#endif  // defined(__i386__)
