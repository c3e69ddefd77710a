// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/declaration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace preview {
namespace {

struct In {
  std::string name, type, value;
};

const std::vector<In> kGood = {{"input", "color4", "0.1, 0.2, 0.3, 1"},
                               {"mode", "integer", "2"},
                               {"direction", "vector3", "0, 1, 0"},
                               {"position", "vector3", "1.5, 0, -2"},
                               {"rotation", "float", "0.25"}};

std::string nodedef(const std::vector<In>& inputs,
                    const std::string& output_type = "color4",
                    const std::string& node = "Pellasto") {
  std::string xml = "<?xml version=\"1.0\"?>\n<materialx version=\"1.38\">\n";
  xml += "<nodedef name=\"ND_test\" node=\"" + node + "\">\n";
  for (const In& in : inputs) {
    xml += "<input name=\"" + in.name + "\" type=\"" + in.type + "\"";
    if (!in.value.empty()) {
      xml += " value=\"" + in.value + "\"";
    }
    xml += "/>\n";
  }
  xml +=
      "<output name=\"out\" type=\"" + output_type + "\"/>\n</nodedef>\n</materialx>\n";
  return xml;
}

TEST(Declaration, ShippedDeclarationMatchesTheModule) {
  const DeclarationResult r = load_declaration_file(PREVIEW_DECLARATION);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.defaults.mode, 1);
  EXPECT_EQ(r.defaults.direction.x, 1.0f);
  EXPECT_EQ(r.defaults.input.a, 1.0f);
  EXPECT_EQ(r.defaults.rotation, 0.0f);
}

TEST(Declaration, DefaultsLandAtTheirPositionsInTheBlock) {
  const DeclarationResult r = load_declaration_text(nodedef(kGood), "good");
  ASSERT_TRUE(r.ok()) << r.error;
  const FrameParams& p = r.defaults;
  EXPECT_EQ(p.input.r, 0.1f);
  EXPECT_EQ(p.input.g, 0.2f);
  EXPECT_EQ(p.input.b, 0.3f);
  EXPECT_EQ(p.input.a, 1.0f);
  EXPECT_EQ(p.mode, 2);
  EXPECT_EQ(p.direction.y, 1.0f);
  EXPECT_EQ(p.position.x, 1.5f);
  EXPECT_EQ(p.position.z, -2.0f);
  EXPECT_EQ(p.rotation, 0.25f);
}

TEST(Declaration, MissingDefaultsAreZero) {
  std::vector<In> inputs = kGood;
  for (In& in : inputs) {
    in.value.clear();
  }
  const DeclarationResult r = load_declaration_text(nodedef(inputs), "bare");
  ASSERT_TRUE(r.ok()) << r.error;
  const FrameParams& p = r.defaults;
  const float words[] = {p.input.r,     p.input.g,     p.input.b,     p.input.a,
                         p.direction.x, p.direction.y, p.direction.z, p.position.x,
                         p.position.y,  p.position.z,  p.rotation};
  for (float w : words) {
    EXPECT_EQ(w, 0.0f);
  }
  EXPECT_EQ(p.mode, 0);
}

// Each mismatch names the parameter and what the module expects there.
TEST(Declaration, MismatchesNameTheParameterAndTheExpectation) {
  struct Case {
    const char* what;
    std::vector<In> inputs;
    std::vector<std::string> mentions;
  };
  std::vector<Case> cases;
  {
    std::vector<In> v = kGood;
    v[1] = {"mode", "float", "1"};
    cases.push_back(
        {"wrong type", v, {"\"mode\"", "float", "expected integer at byte 16"}});
  }
  {
    std::vector<In> v = kGood;
    std::swap(v[1], v[2]);
    cases.push_back(
        {"out of order", v, {"\"direction\"", "expected \"mode\"", "byte 16"}});
  }
  {
    std::vector<In> v = kGood;
    v.pop_back();
    cases.push_back({"missing", v, {"\"rotation\"", "missing", "float at byte 44"}});
  }
  {
    std::vector<In> v = kGood;
    v.push_back({"gloss", "float", "1"});
    cases.push_back({"extra", v, {"\"gloss\"", "byte 48", "48-byte"}});
  }
  {
    std::vector<In> v = kGood;
    v[0] = {"input", "color3", ""};
    cases.push_back(
        {"short colour", v, {"\"input\"", "color3", "expected color4 at byte 0"}});
  }
  {
    std::vector<In> v = kGood;
    v[4] = {"rotation", "angle", ""};
    cases.push_back({"unknown type", v, {"\"rotation\"", "unknown type \"angle\""}});
  }
  {
    std::vector<In> v = kGood;
    v[2] = {"direction", "vector3", "1, 0"};
    cases.push_back(
        {"short default", v, {"\"direction\"", "\"1, 0\"", "expected 3 numbers"}});
  }
  {
    std::vector<In> v = kGood;
    v[1] = {"mode", "integer", "1.5"};
    cases.push_back({"fractional integer", v, {"\"mode\"", "1 integer"}});
  }
  for (const Case& c : cases) {
    const DeclarationResult r = load_declaration_text(nodedef(c.inputs), "decl.mtlx");
    ASSERT_FALSE(r.ok()) << c.what;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << c.what << ": " << r.error;
    EXPECT_EQ(r.error.rfind("decl.mtlx: ", 0), 0u) << c.what << ": " << r.error;
    for (const std::string& m : c.mentions) {
      EXPECT_NE(r.error.find(m), std::string::npos)
          << c.what << ": \"" << r.error << "\" lacks \"" << m << "\"";
    }
  }
}

TEST(Declaration, ResultMustBeOneColor4Output) {
  const DeclarationResult wrong = load_declaration_text(nodedef(kGood, "color3"), "d");
  ASSERT_FALSE(wrong.ok());
  EXPECT_NE(wrong.error.find("\"out\" is declared \"color3\", expected color4"),
            std::string::npos)
      << wrong.error;
  std::string none = nodedef(kGood);
  none.erase(none.find("<output"), none.find("</nodedef>") - none.find("<output"));
  const DeclarationResult missing = load_declaration_text(none, "d");
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.error.find("0 outputs"), std::string::npos) << missing.error;
}

TEST(Declaration, DocumentProblemsAreReportedOnOneLine) {
  const DeclarationResult other =
      load_declaration_text(nodedef(kGood, "color4", "Other"), "d");
  ASSERT_FALSE(other.ok());
  EXPECT_NE(other.error.find("no nodedef for node \"Pellasto\""), std::string::npos);

  const DeclarationResult broken = load_declaration_text("<materialx><nodedef>", "d");
  ASSERT_FALSE(broken.ok());
  EXPECT_NE(broken.error.find("line "), std::string::npos) << broken.error;
  EXPECT_EQ(broken.error.find('\n'), std::string::npos) << broken.error;

  const DeclarationResult absent = load_declaration_file("/nonexistent/Pellasto.mtlx");
  ASSERT_FALSE(absent.ok());
  EXPECT_NE(absent.error.find("cannot read"), std::string::npos) << absent.error;
}

}  // namespace
}  // namespace preview
