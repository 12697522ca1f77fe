// The parts of the engine tables that are not per record type: the growth failure report and the
// injected growth failures of the tests.
#include "display/engine_table.h"

#include "runtime/runtime_errors.h"

namespace qm {
namespace {

int gInjectedGrowthFailures = 0;

}  // namespace

void InjectTableGrowthFailures(int count) { gInjectedGrowthFailures = count > 0 ? count : 0; }

namespace engine_table_detail {

bool GrowthAllowed() {
  if (gInjectedGrowthFailures == 0) return true;
  --gInjectedGrowthFailures;
  return false;
}

void RaiseGrowthFailure() { RaiseRuntimeError(kErrorOutOfMemory); }

}  // namespace engine_table_detail
}  // namespace qm
