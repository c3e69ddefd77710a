#include "tools/preview/src/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace preview {

namespace {

constexpr int kMaxSide = 8192;

bool parse_float(const std::string& text, float* out) {
  if (text.empty() || text.front() == ' ') {
    return false;
  }
  char* end = nullptr;
  errno = 0;
  const float v = std::strtof(text.c_str(), &end);
  if (*end != '\0' || errno != 0 || !std::isfinite(v)) {
    return false;
  }
  *out = v;
  return true;
}

bool parse_int(const std::string& text, long low, long high, long* out) {
  if (text.empty() || text.front() == ' ') {
    return false;
  }
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || v < low || v > high) {
    return false;
  }
  *out = v;
  return true;
}

bool parse_vector(const std::string& text, Vector* out) {
  float c[3];
  std::size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const std::size_t comma = text.find(',', start);
    const bool last = i == 2;
    if (last != (comma == std::string::npos)) {
      return false;
    }
    const std::string part = text.substr(start, last ? std::string::npos : comma - start);
    if (!parse_float(part, &c[i])) {
      return false;
    }
    start = comma + 1;
  }
  *out = Vector{c[0], c[1], c[2]};
  return true;
}

bool parse_size(const std::string& text, int* width, int* height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) {
    return false;
  }
  long w = 0;
  long h = 0;
  if (!parse_int(text.substr(0, x), 16, kMaxSide, &w) ||
      !parse_int(text.substr(x + 1), 16, kMaxSide, &h)) {
    return false;
  }
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

}  // namespace

ParseResult parse_options(const std::vector<std::string>& args) {
  ParseResult result;
  Options& o = result.options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string flag = args[i];
    std::string value;
    bool has_value = false;
    const std::size_t eq = flag.find('=');
    if (flag.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = flag.substr(eq + 1);
      flag = flag.substr(0, eq);
      has_value = true;
    }
    if (flag == "--help" || flag == "-h") {
      o.help = true;
      continue;
    }
    static const char* const kWithValue[] = {
        "--mode",    "--direction", "--position", "--rotation",   "--size",
        "--threads", "--out",       "--module",   "--declaration"};
    bool known = false;
    for (const char* name : kWithValue) {
      known = known || flag == name;
    }
    if (!known) {
      result.error = "unknown option " + flag + " (see --help)";
      return result;
    }
    if (!has_value) {
      if (i + 1 >= args.size()) {
        result.error = flag + " needs a value (see --help)";
        return result;
      }
      value = args[++i];
    }
    const auto bad = [&](const char* expected) {
      result.error = flag;
      result.error += ": \"";
      result.error += value;
      result.error += "\" is not ";
      result.error += expected;
      return result;
    };
    if (flag == "--mode") {
      long mode = 0;
      if (!parse_int(value, INT32_MIN, INT32_MAX, &mode)) {
        return bad("an integer");
      }
      o.mode = static_cast<std::int32_t>(mode);
    } else if (flag == "--direction" || flag == "--position") {
      Vector v{};
      if (!parse_vector(value, &v)) {
        return bad("three numbers x,y,z");
      }
      (flag == "--direction" ? o.direction : o.position) = v;
    } else if (flag == "--rotation") {
      float turns = 0;
      if (!parse_float(value, &turns)) {
        return bad("a finite number of turns");
      }
      o.rotation = turns;
    } else if (flag == "--size") {
      if (!parse_size(value, &o.width, &o.height)) {
        return bad("WIDTHxHEIGHT with each side from 16 to 8192");
      }
    } else if (flag == "--threads") {
      long threads = 0;
      if (!parse_int(value, 1, 1024, &threads)) {
        return bad("a thread count from 1 to 1024");
      }
      o.threads = static_cast<int>(threads);
    } else if (value.empty()) {
      return bad("a path");
    } else if (flag == "--out") {
      o.out = value;
    } else if (flag == "--module") {
      o.module = value;
    } else {
      o.declaration = value;
    }
  }
  return result;
}

std::string usage_text() {
  return R"(usage: pellasto-preview [options]

Loads the Pellasto shader module the way a renderer does and renders a sphere
and a disc with an anisotropic highlight connected to the shader's input, so
the highlight shows the tangent frame the shader installs. With no shader
option it renders a contact sheet of five panels (contact-sheet.png); with any
of --mode, --direction, --position or --rotation it renders one panel
(pellasto-preview.png), the other parameters taking their declared defaults.

shader parameters:
  --mode N             0: keep the host's own frame; 1: tangent from
                       --direction; 2: tangent towards --position
  --direction X,Y,Z    direction used in mode 1 (world space, y up)
  --position X,Y,Z     point used in mode 2 (the disc's centre is 0,0,0)
  --rotation T         turn of the tangent about the normal, in turns
                       (0.25 = 90 degrees; whole turns change nothing)

rendering:
  --size WxH           size of one panel in pixels (default 400x300)
  --threads N          render threads (default: one per core)
  --out FILE           PNG to write; written whole or not at all
  --module PATH        shader module to load (default: the one built beside
                       this program)
  --declaration PATH   the shader's node definition (default: Pellasto.mtlx
                       beside this program)
  --help               this text

exit status: 0 done, 1 bad command line, 2 declaration does not match the
module, 3 module cannot be loaded or has the wrong version, 4 output cannot
be written.
)";
}

}  // namespace preview
