// The display subsystem's services to the run loop.
#include "display/display_services.h"

#include "display/engine_error_log.h"
#include "display/engine_tables.h"

namespace qm {

void DisplayCoreServices::InitGameData() {
  // Tables that cannot be created stay empty: every take then raises 101 and takes nothing.
  if (!DisplayEntityTable.Exists()) CreateEngineTables();
  qm::InitGameData();
}

void DisplayCoreServices::FreeGameData() { qm::FreeGameData(); }

std::string DisplayCoreServices::LastEngineError() { return GetLastEngineError(); }

}  // namespace qm
