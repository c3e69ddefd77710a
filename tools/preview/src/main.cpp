// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// pellasto-preview: loads the Pellasto module the way a renderer does and
// renders pictures of the frame it installs (see --help).

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tools/preview/src/declaration.h"
#include "tools/preview/src/module_calls.h"
#include "tools/preview/src/options.h"
#include "tools/preview/src/overlay.h"
#include "tools/preview/src/png_writer.h"
#include "tools/preview/src/render.h"
#include "tools/preview/src/scene.h"
#include "tools/preview/src/sheet.h"

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitDeclaration = 2;
constexpr int kExitModule = 3;
constexpr int kExitOutput = 4;

int fail(int status, const std::string& message) {
  std::fprintf(stderr, "pellasto-preview: %s\n", message.c_str());
  return status;
}

// A progress bar on standard error, redrawn in place.
class ProgressBar {
 public:
  ProgressBar(std::string label, bool enabled)
      : label_(std::move(label)), enabled_(enabled) {}
  void operator()(double done) const {
    if (!enabled_) {
      return;
    }
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(std::lround(done * kWidth));
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r%-30s [%s] %3d%%", label_.c_str(), bar.c_str(),
                 static_cast<int>(std::lround(done * 100)));
    if (done >= 1.0) {
      std::fputc('\n', stderr);
    }
    std::fflush(stderr);
  }

 private:
  std::string label_;
  bool enabled_;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace preview;
  const auto start = std::chrono::steady_clock::now();
  const ParseResult parsed =
      parse_options(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.ok()) {
    return fail(kExitUsage, parsed.error);
  }
  const Options& options = parsed.options;
  if (options.help) {
    std::fputs(usage_text().c_str(), stdout);
    return 0;
  }

  const std::string here = program_dir();
  const DeclarationResult declared = load_declaration_file(
      options.declaration.empty() ? here + "/Pellasto.mtlx" : options.declaration);
  if (!declared.ok()) {
    return fail(kExitDeclaration, declared.error);
  }

  const bool single = options.single_panel();
  const std::string out_path =
      !options.out.empty() ? options.out
                           : (single ? "pellasto-preview.png" : "contact-sheet.png");
  OutputFile output;
  std::string error;
  if (!output.open(out_path, &error)) {
    return fail(kExitOutput, error);
  }

  LoadResult loaded =
      load_module(options.module.empty() ? here + "/Pellasto.so" : options.module);
  if (loaded.status != LoadStatus::kLoaded) {
    return fail(kExitModule, loaded.error);
  }

  std::vector<Panel> panels;
  if (single) {
    FrameParams params = declared.defaults;
    params.mode = options.mode.value_or(params.mode);
    params.direction = options.direction.value_or(params.direction);
    params.position = options.position.value_or(params.position);
    params.rotation = options.rotation.value_or(params.rotation);
    panels.push_back({"pellasto preview", params});
  } else {
    panels = contact_sheet_panels(declared.defaults);
  }

  const Scene scene = default_scene();
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  RenderSettings settings;
  settings.width = options.width;
  settings.height = options.height;
  settings.threads = options.threads > 0 ? options.threads : (cores > 0 ? cores : 1);
  const bool tty = isatty(fileno(stderr)) != 0;

  std::vector<Surface> cells;
  long not_restored = 0;
  for (std::size_t i = 0; i < panels.size(); ++i) {
    const ProgressBar bar("panel " + std::to_string(i + 1) + "/" +
                              std::to_string(panels.size()) + ": " + panels[i].title,
                          tty);
    settings.progress = [&bar](double done) { bar(done); };
    const Picture picture = render(loaded.module, panels[i].params, scene, settings);
    not_restored += picture.frames_not_restored;
    const std::vector<FrameMark> marks =
        options.frame ? frame_marks(picture, scene) : std::vector<FrameMark>{};
    cells.push_back(labelled(picture.width, picture.height, tone_map(picture),
                             options.frame ? &marks : nullptr, panels[i].title,
                             describe(panels[i].params)));
  }
  unload_module(&loaded.module);
  if (not_restored != 0) {
    std::fprintf(stderr,
                 "pellasto-preview: warning: the module left %ld frames changed\n",
                 not_restored);
  }

  Surface sheet = single ? std::move(cells[0]) : compose(cells, options.frame);
  const bool committed = output.commit(sheet.get(), &error);
  const int sheet_width = cairo_image_surface_get_width(sheet.get());
  const int sheet_height = cairo_image_surface_get_height(sheet.get());
  sheet.reset();
  cells.clear();
  release_font_caches();
  if (!committed) {
    return fail(kExitOutput, error);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("wrote %s (%dx%d, %zu panel%s, %d threads, %.1f s)\n", out_path.c_str(),
              sheet_width, sheet_height, panels.size(), panels.size() == 1 ? "" : "s",
              settings.threads, seconds);
  for (std::size_t i = 0; i < panels.size(); ++i) {
    std::printf("  panel %zu: %s: %s\n", i + 1, panels[i].title.c_str(),
                describe(panels[i].params).c_str());
  }
  return 0;
}
