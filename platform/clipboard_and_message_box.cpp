// Clipboard and message boxes: routed to the backend in use.
#include "platform/clipboard.h"
#include "platform/message_box.h"
#include "platform/window_system.h"

namespace qm::platform {

bool SetClipboardText(const std::string& text) { return ActiveWindowSystem().SetClipboardText(text); }
bool GetClipboardText(std::string& text) { return ActiveWindowSystem().GetClipboardText(text); }

void ShowMessageBox(const std::string& title, const std::string& text) {
  ActiveWindowSystem().ShowMessageBox(title, text);
}

}  // namespace qm::platform
