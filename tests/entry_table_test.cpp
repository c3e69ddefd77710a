// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Binding the host functions by name: where they are looked up, how often,
// what is printed when they cannot be found, and what the shader does then.

#include <cstdint>
#include <cstring>
#include <string>

#include "tests/support/shading.h"

namespace pellasto_test {
namespace {

using hostside::failed_lookup_pattern;
using hostside::kHostFunctions;
using testing::_;
using testing::Return;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

class EntryTable : public ShadingTest {
 protected:
  Color host_input{1, 2, 3, 4};

  // A sample that calls every host function once: connected input, turn.
  void shade_calling_every_function(Sample& s) {
    s.params.mode = 1;
    s.params.direction = {1, 0, 0};
    s.params.rotation = 0.5f;
    s.connect(&s.params.input);
    ASSERT_EQ(s.shade(), 1);
  }
};

TEST_F(EntryTable, CallsReachTheModuleLastNamed) {
  testing::StrictMock<MockHost> other;
  HostHooks other_hooks = other.hooks();
  host_b().install(&other_hooks);
  Sample s;
  s.connect(&s.params.input);

  EXPECT_CALL(host, PhenEval(&s.state, &s.params.input)).WillOnce(Return(&host_input));
  EXPECT_EQ(s.shade(), 1);
  testing::Mock::VerifyAndClearExpectations(&host);

  ASSERT_EQ(pellasto().set_module_handle(host_b().handle), 0);
  EXPECT_CALL(other, PhenEval(&s.state, &s.params.input))
      .Times(2)
      .WillRepeatedly(Return(&host_input));
  EXPECT_EQ(s.shade(), 1);
  EXPECT_EQ(s.shade(), 1);
  testing::Mock::VerifyAndClearExpectations(&other);

  ASSERT_EQ(pellasto().set_module_handle(host_a().handle), 0);
  EXPECT_CALL(host, PhenEval(&s.state, &s.params.input)).WillOnce(Return(&host_input));
  EXPECT_EQ(s.shade(), 1);
  host_b().install(nullptr);
}

TEST_F(EntryTable, EachFunctionIsLookedUpOncePerHandle) {
  if (host_a().lookups("mi_phen_eval") < 0) {
    GTEST_SKIP() << "this platform's loader gives no way to count lookups";
  }
  testing::NiceMock<MockHost> quiet;
  ON_CALL(quiet, PhenEval).WillByDefault(Return(&host_input));
  ON_CALL(quiet, MatrixRotateAxis).WillByDefault(rotate_axis);
  ON_CALL(quiet, VectorTransform).WillByDefault(transform_direction);
  HostHooks hooks = quiet.hooks();
  host_a().install(&hooks);
  host_b().install(&hooks);

  auto counts = [](const HostModule& module) {
    std::vector<int> n;
    for (const char* name : kHostFunctions) n.push_back(module.lookups(name));
    return n;
  };
  auto plus_one = [](std::vector<int> n) {
    for (int& v : n) ++v;
    return n;
  };

  ASSERT_EQ(pellasto().set_module_handle(host_a().handle), 0);
  const std::vector<int> a0 = counts(host_a()), b0 = counts(host_b());
  for (int i = 0; i < 1000; ++i) {
    Sample s;
    shade_calling_every_function(s);
  }
  EXPECT_EQ(counts(host_a()), plus_one(a0));
  EXPECT_EQ(counts(host_b()), b0);

  // A new handle forgets every address: each function is looked up in it.
  ASSERT_EQ(pellasto().set_module_handle(host_b().handle), 0);
  for (int i = 0; i < 1000; ++i) {
    Sample s;
    shade_calling_every_function(s);
  }
  EXPECT_EQ(counts(host_a()), plus_one(a0));
  EXPECT_EQ(counts(host_b()), plus_one(b0));

  // Naming the same module again forgets the addresses too.
  ASSERT_EQ(pellasto().set_module_handle(host_b().handle), 0);
  Sample s;
  shade_calling_every_function(s);
  EXPECT_EQ(counts(host_b()), plus_one(plus_one(b0)));
  host_b().install(nullptr);
}

TEST_F(EntryTable, WithoutAHandleEveryCallSaysSoAndFallsBackToTheStoredValue) {
  ASSERT_EQ(pellasto().set_module_handle(nullptr), 0);
  Sample s;
  s.params.input = {9, 8, 7, 6};
  s.connect(&s.params.input);

  CaptureStdout();
  CaptureStderr();
  EXPECT_EQ(s.shade(), 1);
  EXPECT_EQ(s.shade(), 1);  // nothing is remembered about a failure
  const std::string err = GetCapturedStderr();
  EXPECT_EQ(GetCapturedStdout(), "");

  const std::string once =
#if defined(_WIN32)
      // Windows looks a null handle up in the program, which exports nothing.
      "DYNLOAD: dl_handle null\n" + failed_lookup_pattern("mi_phen_eval", nullptr);
#else
      "DYNLOAD: dl_handle null\n"
      "dlsym failed on \"mi_phen_eval\" \\(handle: 00000000 error: 126\\)\n";
#endif
  EXPECT_TRUE(hostside::matches_whole(err, once + once)) << err;
  EXPECT_TRUE(same_bits(s.result, s.params.input));
}

TEST_F(EntryTable, MissingFunctionsAreReportedOnEveryCallAndLeaveTheFrameUnturned) {
  // This host exports mi_phen_eval but neither rotation function: the turn
  // falls back to the identity, so the installed tangent is the unturned one.
  HostHooks hooks = host.hooks();
  host_without_rotation().install(&hooks);
  void* const handle = host_without_rotation().handle;
  ASSERT_EQ(pellasto().set_module_handle(handle), 0);

  Sample s;
  s.params.mode = 1;
  s.params.direction = {0, 1, 0};
  s.params.rotation = 0.25f;
  Vector seen[2];
  observe_input(s, &host_input, seen);

  CaptureStdout();
  CaptureStderr();
  EXPECT_EQ(s.shade(), 1);
  const std::string err = GetCapturedStderr();
  EXPECT_EQ(GetCapturedStdout(), "");

  EXPECT_EQ(seen[1], (Vector{0, 1, 0}));
  EXPECT_EQ(seen[0], (Vector{-1, 0, 0}));
  EXPECT_TRUE(same_bits(s.result, host_input));
  const std::string pattern = failed_lookup_pattern("mi_matrix_rotate_axis", handle) +
                              failed_lookup_pattern("mi_vector_transform", handle);
  EXPECT_TRUE(hostside::matches_whole(err, pattern)) << err;
#if !defined(_WIN32)
  EXPECT_NE(err.find("error: 127)"), std::string::npos) << err;
#endif

  // The next call looks the missing functions up, and reports them, again.
  observe_input(s, &host_input, seen);
  CaptureStderr();
  EXPECT_EQ(s.shade(), 1);
  EXPECT_TRUE(hostside::matches_whole(GetCapturedStderr(), pattern));
  host_without_rotation().install(nullptr);
}

TEST_F(EntryTable, HostWithOnlyOneOfTheTurningFunctionsInstallsTheUnturnedFrame) {
  // The identity, as the module fills the matrix when the host cannot.
  const Matrix identity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
  const Vector unturned{0.6f, 0.8f, 0};
  const Vector unturned_cross{-0.8f, 0.6f, 0};  // (0, 0, 1) x unturned
  const float quarter = static_cast<float>(0.25 * 6.283185307179586);

  struct Partial {
    const char* name;
    const HostModule& module;
    const char* missing;
  };
  for (const Partial& p :
       {Partial{"transform only", host_with_transform_only(), "mi_matrix_rotate_axis"},
        Partial{"rotation only", host_with_rotation_only(), "mi_vector_transform"}}) {
    SCOPED_TRACE(p.name);
    HostHooks hooks = host.hooks();
    p.module.install(&hooks);
    ASSERT_EQ(pellasto().set_module_handle(p.module.handle), 0);
    const std::string pattern = failed_lookup_pattern(p.missing, p.module.handle);
    // Nothing is remembered about a failed lookup: each call reports it again.
    for (int call = 0; call < 2; ++call) {
      SCOPED_TRACE(call);
      Sample s;
      s.params.mode = 1;
      s.params.direction = {3, 4, 0};
      s.params.rotation = 0.25f;
      Vector seen[2];
      observe_input(s, &host_input, seen);
      if (p.module.handle == host_with_rotation_only().handle) {
        // The host fills a real rotation, which nothing then applies.
        EXPECT_CALL(host, MatrixRotateAxis(_, &s.state.surface_normal, quarter))
            .WillOnce(rotate_axis);
      } else {
        // The host is handed the identity, whatever the stack held before.
        EXPECT_CALL(host, VectorTransform)
            .WillOnce([&](Vector* out, const Vector* in, const Matrix* m) {
              EXPECT_TRUE(same_bits(*m, identity));
              EXPECT_EQ(out, in);
              transform_direction(out, in, m);
            });
      }
      CaptureStdout();
      CaptureStderr();
      EXPECT_EQ(s.shade(), 1);
      const std::string err = GetCapturedStderr();
      EXPECT_EQ(GetCapturedStdout(), "");
      EXPECT_TRUE(hostside::matches_whole(err, pattern)) << err;
      EXPECT_TRUE(same_bits(seen[1], unturned)) << seen[1];
      EXPECT_TRUE(same_bits(seen[0], unturned_cross)) << seen[0];
      EXPECT_TRUE(same_bits(s.result, host_input));
      testing::Mock::VerifyAndClearExpectations(&host);
    }
    p.module.install(nullptr);
  }
}

TEST_F(EntryTable, HostWithoutAnyFunctionStillShadesFromStoredValues) {
  void* const handle = host_without_exports().handle;
  ASSERT_EQ(pellasto().set_module_handle(handle), 0);
  Sample s;
  const Vector host_vectors[2] = {s.derivatives[0], s.derivatives[1]};
  s.params.mode = 1;
  s.params.direction = {1, 0, 0};
  s.params.rotation = 0.25f;
  s.connect_all();

  CaptureStdout();
  CaptureStderr();
  EXPECT_EQ(s.shade(), 1);
  const std::string err = GetCapturedStderr();
  EXPECT_EQ(GetCapturedStdout(), "");

  // Parameter reads and host calls in their order, each failing.
  std::string expected_names;
  for (const char* name :
       {"mi_phen_eval", "mi_phen_eval", "mi_phen_eval", "mi_matrix_rotate_axis",
        "mi_vector_transform", "mi_phen_eval"}) {
    expected_names += failed_lookup_pattern(name, handle);
  }
  EXPECT_TRUE(hostside::matches_whole(err, expected_names)) << err;
  EXPECT_TRUE(same_bits(s.result, s.params.input));
  EXPECT_TRUE(same_bits(s.derivatives, host_vectors));
}

TEST_F(EntryTable, HandleIsShownInFullWithAtLeastEightLowerCaseDigits) {
  void* const handle = host_without_exports().handle;
  ASSERT_EQ(pellasto().set_module_handle(handle), 0);
  Sample s;
  s.connect(&s.params.input);
  CaptureStderr();
  EXPECT_EQ(s.shade(), 1);
  const std::string err = GetCapturedStderr();
  ASSERT_TRUE(hostside::matches_whole(err, "[\\s\\S]*handle: [0-9a-f]{8,} [\\s\\S]*"))
      << err;
  const std::size_t digits = err.find("handle: ") + std::strlen("handle: ");
  EXPECT_EQ(std::stoull(err.substr(digits), nullptr, 16),
            static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
}

TEST_F(EntryTable, ModuleExportsNoHostFunctionOfItsOwn) {
  // Were the module to export a function under a host function's name, a
  // host handing over the module's own handle would bind the module to itself.
  for (const char* name : kHostFunctions) {
    EXPECT_EQ(find_export(pellasto().handle, name), nullptr) << name;
  }
  ASSERT_EQ(pellasto().set_module_handle(pellasto().handle), 0);
  Sample s;
  s.connect(&s.params.input);
  CaptureStderr();
  EXPECT_EQ(s.shade(), 1);
  EXPECT_NE(GetCapturedStderr().find("dlsym failed on \"mi_phen_eval\""),
            std::string::npos);
}

}  // namespace
}  // namespace pellasto_test
