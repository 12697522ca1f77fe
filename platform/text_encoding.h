// The system's texts are 8-bit CP1252; the desktop speaks UTF-8. These convert between them.
#pragma once
#include <string>
#include <string_view>

namespace qm::platform {

std::string Cp1252ToUtf8(std::string_view text);
// Characters CP1252 cannot hold, and bytes that are not valid UTF-8, become `replacement`.
std::string Utf8ToCp1252(std::string_view text, char replacement = '?');

}  // namespace qm::platform
