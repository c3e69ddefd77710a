// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/declaration.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <vector>

namespace preview {

namespace {

// A value type the declaration may name, with the bytes it takes in a
// parameter block (every type is 4-byte aligned, so the block has no gaps).
struct TypeInfo {
  const char* name;
  int components;
  bool integer;
};

constexpr TypeInfo kTypes[] = {
    {"float", 1, false},   {"integer", 1, true},  {"boolean", 1, true},
    {"vector2", 2, false}, {"vector3", 3, false}, {"vector4", 4, false},
    {"color3", 3, false},  {"color4", 4, false},
};

const TypeInfo* find_type(const std::string& name) {
  for (const TypeInfo& type : kTypes) {
    if (name == type.name) {
      return &type;
    }
  }
  return nullptr;
}

int size_of(const TypeInfo& type) { return 4 * type.components; }

// The module's parameter block, parameter by parameter.
struct Expected {
  const char* name;
  const char* type;
  int offset;
};

constexpr Expected kBlock[] = {
    {"input", "color4", static_cast<int>(offsetof(FrameParams, input))},
    {"mode", "integer", static_cast<int>(offsetof(FrameParams, mode))},
    {"direction", "vector3", static_cast<int>(offsetof(FrameParams, direction))},
    {"position", "vector3", static_cast<int>(offsetof(FrameParams, position))},
    {"rotation", "float", static_cast<int>(offsetof(FrameParams, rotation))},
};
constexpr int kBlockSize = static_cast<int>(sizeof(FrameParams));
constexpr const char* kNodeName = "Pellasto";
constexpr const char* kResultType = "color4";

struct Input {
  std::string name;
  std::string type;
  std::string value;  // empty: zero
  bool has_value = false;
  int offset = 0;
};

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

std::string attribute(xmlNode* node, const char* name, bool* present = nullptr) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  if (present != nullptr) {
    *present = value != nullptr;
  }
  if (value == nullptr) {
    return std::string();
  }
  std::string text(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

bool is_element(xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE &&
         std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// The first nodedef anywhere in the document whose node is `kNodeName`.
xmlNode* find_nodedef(xmlNode* node) {
  for (; node != nullptr; node = node->next) {
    if (is_element(node, "nodedef") && attribute(node, "node") == kNodeName) {
      return node;
    }
    if (xmlNode* found = find_nodedef(node->children)) {
      return found;
    }
  }
  return nullptr;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// Parses "a, b, c" into exactly `count` numbers (integers when `integer`).
bool parse_numbers(const std::string& text, int count, bool integer, float* out,
                   std::int32_t* int_out) {
  const char* p = text.c_str();
  for (int i = 0; i < count; ++i) {
    while (*p == ' ' || *p == '\t') {
      ++p;
    }
    char* end = nullptr;
    errno = 0;
    if (integer) {
      const long v = std::strtol(p, &end, 10);
      if (end == p || errno != 0 || v < INT32_MIN || v > INT32_MAX) {
        return false;
      }
      int_out[i] = static_cast<std::int32_t>(v);
    } else {
      const float v = std::strtof(p, &end);
      if (end == p || errno != 0) {
        return false;
      }
      out[i] = v;
    }
    p = end;
    while (*p == ' ' || *p == '\t') {
      ++p;
    }
    if (i + 1 < count) {
      if (*p != ',') {
        return false;
      }
      ++p;
    }
  }
  return *p == '\0';
}

class Checker {
 public:
  explicit Checker(std::string source) : source_(std::move(source)) {}

  DeclarationResult check(xmlDoc* doc) {
    DeclarationResult result;
    xmlNode* nodedef = find_nodedef(xmlDocGetRootElement(doc));
    if (nodedef == nullptr) {
      return fail("no nodedef for node " + quoted(kNodeName));
    }
    std::vector<Input> inputs;
    int outputs = 0;
    for (xmlNode* child = nodedef->children; child != nullptr; child = child->next) {
      if (is_element(child, "input")) {
        Input input;
        input.name = attribute(child, "name");
        input.type = attribute(child, "type");
        input.value = attribute(child, "value", &input.has_value);
        if (input.name.empty()) {
          return fail("input #" + std::to_string(inputs.size() + 1) + " has no name");
        }
        inputs.push_back(input);
      } else if (is_element(child, "output")) {
        ++outputs;
        const std::string name = attribute(child, "name");
        const std::string type = attribute(child, "type");
        if (type != kResultType) {
          return fail("output " + quoted(name) + " is declared " + quoted(type) +
                      ", expected " + kResultType + " (the shader's result)");
        }
      }
    }
    if (outputs != 1) {
      return fail("the nodedef declares " + std::to_string(outputs) +
                  " outputs, expected one " + kResultType + " output");
    }
    std::string error = lay_out(&inputs);
    if (error.empty()) {
      error = fill_defaults(inputs, &result.defaults);
    }
    if (!error.empty()) {
      return fail(error);
    }
    return result;
  }

  DeclarationResult fail(const std::string& what) const {
    DeclarationResult result;
    result.error = source_ + ": " + what;
    return result;
  }

 private:
  // Places the inputs one after another in declaration order and compares
  // each with the module's parameter at that position.
  static std::string lay_out(std::vector<Input>* inputs) {
    constexpr int kExpected = static_cast<int>(sizeof kBlock / sizeof kBlock[0]);
    int offset = 0;
    for (std::size_t i = 0; i < inputs->size(); ++i) {
      Input& input = (*inputs)[i];
      const TypeInfo* type = find_type(input.type);
      if (type == nullptr) {
        return "input " + quoted(input.name) + " has unknown type " + quoted(input.type);
      }
      input.offset = offset;
      if (static_cast<int>(i) >= kExpected) {
        return "input " + quoted(input.name) + " would sit at byte " +
               std::to_string(offset) + ", past the end of the module's " +
               std::to_string(kBlockSize) + "-byte parameter block";
      }
      const Expected& want = kBlock[i];
      if (input.name != want.name) {
        return "input #" + std::to_string(i + 1) + " is " + quoted(input.name) +
               ", expected " + quoted(want.name) + " (" + want.type + " at byte " +
               std::to_string(want.offset) + ")";
      }
      if (input.type != want.type || offset != want.offset) {
        return "input " + quoted(input.name) + " is declared " + input.type +
               " at byte " + std::to_string(offset) + ", expected " + want.type +
               " at byte " + std::to_string(want.offset);
      }
      offset += size_of(*type);
    }
    if (static_cast<int>(inputs->size()) < kExpected) {
      const Expected& want = kBlock[inputs->size()];
      return "input " + quoted(want.name) + " is missing, expected " + want.type +
             " at byte " + std::to_string(want.offset);
    }
    return std::string();
  }

  static std::string fill_defaults(const std::vector<Input>& inputs, FrameParams* block) {
    for (const Input& input : inputs) {
      const TypeInfo& type = *find_type(input.type);
      float floats[4] = {0, 0, 0, 0};
      std::int32_t ints[4] = {0, 0, 0, 0};
      if (input.has_value &&
          !parse_numbers(input.value, type.components, type.integer, floats, ints)) {
        return "input " + quoted(input.name) + " has default " + quoted(input.value) +
               ", expected " + std::to_string(type.components) +
               (type.integer ? " integer" : " number") +
               (type.components == 1 ? "" : "s separated by commas");
      }
      const void* bytes = type.integer ? static_cast<const void*>(ints) : floats;
      std::memcpy(reinterpret_cast<unsigned char*>(block) + input.offset, bytes,
                  static_cast<std::size_t>(size_of(type)));
    }
    return std::string();
  }

  std::string source_;
};

// libxml2's last error as one line.
std::string xml_error_line() {
  const xmlError* error = xmlGetLastError();
  if (error == nullptr || error->message == nullptr) {
    return "not well-formed XML";
  }
  std::string message = error->message;
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
    message.pop_back();
  }
  return "line " + std::to_string(error->line) + ": " + message;
}

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

}  // namespace

DeclarationResult load_declaration_text(const std::string& xml,
                                        const std::string& source) {
  Checker checker(source);
  xmlResetLastError();
  DocPtr doc(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), source.c_str(),
                           nullptr, kParseOptions));
  if (!doc) {
    return checker.fail(xml_error_line());
  }
  return checker.check(doc.get());
}

DeclarationResult load_declaration_file(const std::string& path) {
  Checker checker(path);
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return checker.fail(std::string("cannot read: ") + std::strerror(errno));
  }
  std::string text;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, n);
  }
  std::fclose(file);
  return load_declaration_text(text, path);
}

}  // namespace preview
