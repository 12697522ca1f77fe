// The run's life-cycle steps added by command families.
#include "runtime/run_hooks.h"

#include <algorithm>
#include <array>
#include <vector>

namespace qm {
namespace {

constexpr int kHookPoints = 4;
std::array<std::vector<RunHookStep>, kHookPoints> gSteps;

std::vector<RunHookStep>& StepsOf(RunHook point) { return gSteps[static_cast<int>(point)]; }

}  // namespace

void AddRunHook(RunHook point, RunHookStep step) {
  std::vector<RunHookStep>& steps = StepsOf(point);
  if (step == nullptr || std::find(steps.begin(), steps.end(), step) != steps.end()) return;
  steps.push_back(step);
}

void RunHooks(RunHook point) {
  for (RunHookStep step : StepsOf(point)) step();
}

void ClearRunHooks() {
  for (std::vector<RunHookStep>& steps : gSteps) steps.clear();
}

}  // namespace qm
