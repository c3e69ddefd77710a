// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/catalogue.h"

#include "tools/check/src/process_checks.h"

namespace check {

const std::vector<Check>& catalogue() {
  static const std::vector<Check> checks = [] {
    std::vector<Check> c;
    add_export_checks(&c);
    add_lifecycle_checks(&c);
    add_binding_checks(&c);
    add_frame_checks(&c);
    add_frame_rule_checks(&c);
    add_restore_checks(&c);
    add_record_checks(&c);
    add_parameter_checks(&c);
    add_message_checks(&c);
    add_output_checks(&c);
    add_fp_checks(&c);
    add_thread_checks(&c);
    add_time_checks(&c);
    add_process_checks(&c);
    return c;
  }();
  return checks;
}

}  // namespace check
