// The display subsystem's services to the run loop: so far the engine tables' part of a run's
// set-up and close, and the last engine error for the text of the system error that ends a run.
#pragma once
#include <string>

#include "runtime/frame_services.h"

namespace qm {

class DisplayCoreServices : public DisplayServices {
 public:
  // The first call creates the engine tables (the system's start-up); every call then empties them
  // for the run.
  void InitGameData() override;
  void FreeGameData() override;
  std::string LastEngineError() override;

  // The draw-request queue (draw_request_queue.h) and PRINT's text.
  void ProcessDrawRequests() override;
  int32_t QueuedDrawRequests() override;
  void QueuePrintText(std::string_view text, int32_t& x, int32_t& y, bool stayOnLine, bool opaque,
                      bool wrap) override;
  void QueueTextAt(std::string_view text, int32_t x, int32_t y) override;
  bool DrawingOnScreen() override;
};

// The one instance the display subsystem installs.
DisplayCoreServices& DisplayCore();

}  // namespace qm
