// Built into a copy of the module linked against the compiler's runtime DLLs,
// to show that the import check notices them.
#include <string>

std::string pellasto_describe(int version) {
  return "Pellasto " + std::to_string(version);
}
