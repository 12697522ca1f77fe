// The engine error log.
#include "display/engine_error_log.h"

#include "platform/clock.h"
#include "runtime/diagnostics.h"
#include "runtime/settings.h"

namespace qm {
namespace {

std::string gLastEngineError;

}  // namespace

void LogEngineError(std::string_view sentence) {
  gLastEngineError.assign(sentence.substr(0, kEngineErrorTextLimit));
  if (!DebugModeFlag()) return;
  WriteErrorLogEntry(FormatErrorLogKey(kEngineErrorKind, platform::SystemClock().UtcNow()), gLastEngineError);
}

const std::string& GetLastEngineError() { return gLastEngineError; }

void ClearLastEngineError() { gLastEngineError.clear(); }

}  // namespace qm
