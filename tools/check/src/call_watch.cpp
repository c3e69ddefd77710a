// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/call_watch.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace check {

namespace {

hostside::PellastoModule g_real{};

thread_local int t_depth = 0;  // calls of the module under way on this thread

// Marks a call of the module on this thread while it lasts.
class InModule {
 public:
  InModule() : counting_(count_allocations(true)) { ++t_depth; }
  ~InModule() {
    --t_depth;
    count_allocations(counting_);
  }
  InModule(const InModule&) = delete;
  InModule& operator=(const InModule&) = delete;

 private:
  bool counting_;
};

Boolean watched_shade(Color* result, RenderState* state, FrameParams* params) {
  const InModule in;
  return g_real.shade(result, state, params);
}

int watched_version() {
  const InModule in;
  return g_real.version();
}

void watched_init(RenderState* state, FrameParams* params, Boolean* wanted) {
  const InModule in;
  g_real.init(state, params, wanted);
}

void watched_exit(RenderState* state, FrameParams* params) {
  const InModule in;
  g_real.exit(state, params);
}

int watched_set_module_handle(void* handle) {
  const InModule in;
  return g_real.set_module_handle(handle);
}

std::mutex g_stray_mutex;
int g_stray = 0;
std::string g_first_stray;

// A host call: noted when its thread is in no call of the module, and its
// own allocations not counted.
class InHost {
 public:
  explicit InHost(const char* name) : counting_(count_allocations(false)) {
    if (t_depth == 0) {
      const std::lock_guard<std::mutex> lock(g_stray_mutex);
      if (g_stray++ == 0) {
        g_first_stray = name;
      }
    }
  }
  ~InHost() { count_allocations(counting_); }
  InHost(const InHost&) = delete;
  InHost& operator=(const InHost&) = delete;

 private:
  bool counting_;
};

const HostHooks& inner(void* context) { return *static_cast<const HostHooks*>(context); }

void* guarded_phen_eval(void* context, RenderState* state, void* parameter) {
  const InHost in("mi_phen_eval");
  return inner(context).phen_eval(inner(context).context, state, parameter);
}

Boolean guarded_matrix_rotate_axis(void* context, Matrix* m, const Vector* axis,
                                   float angle) {
  const InHost in("mi_matrix_rotate_axis");
  return inner(context).matrix_rotate_axis(inner(context).context, m, axis, angle);
}

void guarded_vector_transform(void* context, Vector* out, const Vector* in,
                              const Matrix* m) {
  const InHost host("mi_vector_transform");
  inner(context).vector_transform(inner(context).context, out, in, m);
}

}  // namespace

hostside::PellastoModule watch_calls(const hostside::PellastoModule& module) {
  g_real = module;
  hostside::PellastoModule w = module;
  w.shade = module.shade != nullptr ? watched_shade : nullptr;
  w.version = module.version != nullptr ? watched_version : nullptr;
  w.init = module.init != nullptr ? watched_init : nullptr;
  w.exit = module.exit != nullptr ? watched_exit : nullptr;
  w.set_module_handle =
      module.set_module_handle != nullptr ? watched_set_module_handle : nullptr;
  return w;
}

const HostHooks* guard_host_hooks(const HostHooks* hooks) {
  if (hooks == nullptr) {
    return nullptr;
  }
  // One guard for each set of hooks, kept as long as the process.
  static std::mutex mutex;
  static std::map<const HostHooks*, std::unique_ptr<HostHooks>> guards;
  const bool counting = count_allocations(false);
  const std::lock_guard<std::mutex> lock(mutex);
  std::unique_ptr<HostHooks>& g = guards[hooks];
  if (!g) {
    g = std::make_unique<HostHooks>(HostHooks{
        const_cast<HostHooks*>(hooks),  // NOLINT: handed back as const
        hooks->phen_eval != nullptr ? guarded_phen_eval : nullptr,
        hooks->matrix_rotate_axis != nullptr ? guarded_matrix_rotate_axis : nullptr,
        hooks->vector_transform != nullptr ? guarded_vector_transform : nullptr});
  }
  count_allocations(counting);
  return g.get();
}

std::string take_stray_host_calls() {
  const std::lock_guard<std::mutex> lock(g_stray_mutex);
  if (g_stray == 0) {
    return "";
  }
  std::string text =
      "the module called the host from a thread that was not in one of its calls (" +
      std::to_string(g_stray) + (g_stray == 1 ? " call" : " calls") + ", the first " +
      g_first_stray + ")";
  g_stray = 0;
  return text;
}

Allocations module_allocations() { return allocations(); }

}  // namespace check
