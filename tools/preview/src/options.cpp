// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/preview/src/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <memory>

namespace preview {

namespace {

constexpr int kMaxSide = 8192;

const char kDescription[] =
    "Loads the Pellasto shader module the way a renderer does and renders a sphere\n"
    "and a disc with an anisotropic highlight connected to the shader's input.\n"
    "The highlight stretches along D[1] = t, the tangent the shader installs; the\n"
    "implied grooves run along D[0] = N x t. Short strokes over each picture show\n"
    "both where they were recorded. With no shader option it renders a contact\n"
    "sheet of five panels (contact-sheet.png); with any of --mode, --direction,\n"
    "--position or --rotation it renders one panel (pellasto-preview.png), the\n"
    "other parameters taking their declared defaults.";

const char kFooter[] =
    "--mode: 0 keeps the host's own frame, 1 takes the tangent from --direction,\n"
    "2 from the way towards --position. Without --mode, --direction alone means\n"
    "mode 1 and --position alone mode 2; otherwise the declared default applies.\n"
    "Vectors are in world space, y up, the disc's centre at 0,0,0. A rotation of\n"
    "0.25 turns the tangent 90 degrees about the normal, right-handed. Each flag\n"
    "may be given once.\n"
    "\n"
    "exit status: 0 done, 1 bad command line, 2 declaration does not match the\n"
    "module, 3 module cannot be loaded or has the wrong version, 4 output cannot\n"
    "be written.";

// Shows each option's value as its type name alone ("-s,--size WxH"), without
// the validators and repeat marks CLI11 would append.
class Formatter : public CLI::Formatter {
 public:
  std::string make_option_opts(const CLI::Option* option) const override {
    return option->get_type_name().empty() ? "" : " " + option->get_type_name();
  }
};

// Adds an option that may be given once: a second occurrence is refused as
// soon as it is parsed, whatever the spelling. `names` ends with the long name.
template <typename T, typename Set>
CLI::Option* once(CLI::App* app, const std::string& names, const std::string& help,
                  Set set) {
  auto given = std::make_shared<bool>(false);
  const std::string flag = names.substr(names.rfind(',') + 1);
  CLI::Option* option = app->add_option_function<T>(
      names,
      [given, set, flag](const T& value) {
        if (*given) {
          throw CLI::ArgumentMismatch(flag + " is given more than once; give it once");
        }
        *given = true;
        set(value);
      },
      help);
  // CLI11 would take "--flag=" as the type's default value.
  option->check(CLI::Validator(
      [](const std::string& text) {
        return text.empty() ? std::string("expected a value, not nothing")
                            : std::string();
      },
      ""));
  return option->trigger_on_parse();
}

// A validator whose description stays out of the --help text.
CLI::Validator quiet(CLI::Validator validator) {
  validator.description("");
  return validator;
}

Vector to_vector(const std::string& flag, const std::vector<float>& c) {
  if (c.size() != 3 ||
      !std::all_of(c.begin(), c.end(), [](float v) { return std::isfinite(v); })) {
    throw CLI::ValidationError(flag, "expected three finite numbers X,Y,Z");
  }
  return Vector{c[0], c[1], c[2]};
}

std::string one_line(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

// The flags, writing into `o` as they are parsed.
void add_flags(CLI::App* app_pointer, Options* options) {
  CLI::App& app = *app_pointer;
  Options& o = *options;
  app.set_help_flag();  // --help is an ordinary flag: main prints the text
  app.formatter(std::make_shared<Formatter>());
  app.get_formatter()->column_width(24);
  app.footer(kFooter);

  app.add_flag_function(
      "-h,--help",
      [&o](std::int64_t count) {
        if (count > 1) {
          throw CLI::ArgumentMismatch("--help is given more than once; give it once");
        }
        o.help = true;
      },
      "this text");
  once<std::int32_t>(&app, "-m,--mode",
                     "0 host frame, 1 --direction, 2 --position (below)",
                     [&o](std::int32_t v) { o.mode = v; })
      ->type_name("N");
  once<std::vector<float>>(
      &app, "-d,--direction", "the direction of mode 1",
      [&o](const std::vector<float>& v) { o.direction = to_vector("--direction", v); })
      ->delimiter(',')
      ->type_name("X,Y,Z");
  once<std::vector<float>>(
      &app, "-p,--position", "the point of mode 2",
      [&o](const std::vector<float>& v) { o.position = to_vector("--position", v); })
      ->delimiter(',')
      ->type_name("X,Y,Z");
  once<float>(&app, "-r,--rotation", "turn of the tangent about the normal, in turns",
              [&o](float v) {
                if (!std::isfinite(v)) {
                  throw CLI::ValidationError("--rotation", "expected a finite number");
                }
                o.rotation = v;
              })
      ->type_name("T");
  once<std::string>(&app, "-f,--frame",
                    "draw D[1] and D[0] over the pictures (default on)",
                    [&o](const std::string& v) { o.frame = v == "on"; })
      ->check(quiet(CLI::IsMember({"on", "off"})))
      ->type_name("on|off");
  once<std::vector<int>>(
      &app, "-s,--size", "one panel, 16 to 8192 a side (default 400x300)",
      [&o](const std::vector<int>& v) {
        if (v.size() != 2) {
          throw CLI::ValidationError("--size", "expected WIDTHxHEIGHT");
        }
        o.width = v[0];
        o.height = v[1];
      })
      ->delimiter('x')
      ->check(quiet(CLI::Range(16, kMaxSide)))
      ->type_name("WxH");
  once<int>(&app, "-j,--threads", "render threads, 1 to 1024 (default one per core)",
            [&o](int v) { o.threads = v; })
      ->check(quiet(CLI::Range(1, 1024)))
      ->type_name("N");
  const auto path = [](std::string* target) {
    return [target](const std::string& v) { *target = v; };
  };
  once<std::string>(&app, "-o,--out", "the PNG, written whole or not at all",
                    path(&o.out))
      ->type_name("FILE");
  once<std::string>(&app, "--module", "module to load (default Pellasto.so beside this)",
                    path(&o.module))
      ->type_name("PATH");
  once<std::string>(&app, "--declaration",
                    "node definition (default Pellasto.mtlx beside)",
                    path(&o.declaration))
      ->type_name("PATH");
}

}  // namespace

ParseResult parse_options(const std::vector<std::string>& args) {
  ParseResult result;
  Options& o = result.options;
  CLI::App app(kDescription, "pellasto-preview");
  add_flags(&app, &o);
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    result.error = one_line(e.what()) + " (see --help)";
    return result;
  }
  if (!o.mode && o.direction && o.position) {
    result.error =
        "--direction and --position together need --mode to choose (see --help)";
  } else if (!o.mode && o.direction) {
    o.mode = 1;
  } else if (!o.mode && o.position) {
    o.mode = 2;
  }
  return result;
}

std::string usage_text() {
  Options ignored;
  CLI::App app(kDescription, "pellasto-preview");
  add_flags(&app, &ignored);
  return app.help();
}

}  // namespace preview
