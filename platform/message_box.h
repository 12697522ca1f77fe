// Message boxes for errors the user must see. The sdl2 backend shows a dialog; the headless
// backend writes "title: text" to stderr. The call returns when the user has closed the box.
#pragma once
#include <string>

namespace qm::platform {

// Title and text in CP1252.
void ShowMessageBox(const std::string& title, const std::string& text);

}  // namespace qm::platform
