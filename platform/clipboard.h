// The clipboard, as text. Texts are 8-bit (CP1252), as programs hold them; the sdl2 backend
// converts to and from the desktop's UTF-8, the headless backend keeps the text in memory.
#pragma once
#include <string>

namespace qm::platform {

// Replaces the clipboard's content with `text`; false when the clipboard cannot be opened.
bool SetClipboardText(const std::string& text);
// The clipboard's text; false (and `text` left alone) when it holds none or cannot be opened.
bool GetClipboardText(std::string& text);

}  // namespace qm::platform
