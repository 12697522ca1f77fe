// The display subsystem's services to the run loop.
#include "display/display_services.h"

#include "display/draw_request_queue.h"
#include "display/engine_error_log.h"
#include "display/engine_tables.h"
#include "display/mouse_pointer.h"
#include "display/text_state.h"

namespace qm {

void DisplayCoreServices::InitGameData() {
  // Tables that cannot be created stay empty: every take then raises 101 and takes nothing.
  if (!DisplayEntityTable.Exists()) CreateEngineTables();
  qm::InitGameData();
  ForgetMousePointer();  // its records went with the tables
}

void DisplayCoreServices::FreeGameData() { qm::FreeGameData(); }

std::string DisplayCoreServices::LastEngineError() { return GetLastEngineError(); }

void DisplayCoreServices::ProcessDrawRequests() { qm::ProcessDrawRequests(); }

int32_t DisplayCoreServices::QueuedDrawRequests() {
  return DrawRequestQueue.Exists() ? DrawRequestQueue.UsedCount() : 0;
}

// The text is measured in the print font: the cursor moves past it, to the next line unless it
// stays on the line, and to the next line once it reaches the display's width when it wraps.
void DisplayCoreServices::QueuePrintText(std::string_view text, int32_t& x, int32_t& y, bool stayOnLine,
                                         bool opaque, bool wrap) {
  QueueTextRequest(kDrawPrintText, x, y, text, static_cast<int8_t>(opaque ? 1 : 0));
  const TextSize size = MeasureText(PrintFont(), text);
  if (stayOnLine) {
    x += size.width;
  } else {
    x = 0;
    y += size.height;
  }
  if (wrap && x >= DisplayWidth()) {
    x = 0;
    y += size.height;
  }
}

void DisplayCoreServices::QueueTextAt(std::string_view text, int32_t x, int32_t y) {
  QueueTextRequest(kDrawEraseText, x, y, text);
}

bool DisplayCoreServices::DrawingOnScreen() { return QueueCurrentBitmap.number == 0; }

}  // namespace qm
