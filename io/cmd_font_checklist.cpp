// PERFORM CHECKLIST FOR FONTS: the checklist lists the font families the system can draw with,
// each name once, at most 255 of them; the entries' values are left as they were.
#include <cstdint>
#include <string>
#include <vector>

#include "io/checklist.h"
#include "io/io_commands.h"
#include "platform/display/fonts.h"
#include "resources/command_ids.h"
#include "runtime/command_dispatch.h"

namespace qm {

void FillFontChecklist(const std::vector<std::string>& families) {
  constexpr int32_t kMaxFontNames = 255;
  Checklist.count = 0;
  Checklist.hasValues = 0;
  Checklist.hasStrings = 1;
  for (const std::string& family : families) {
    if (Checklist.count >= kMaxFontNames) break;
    bool listed = false;
    for (int32_t i = 0; i < Checklist.count && !listed; ++i)
      listed = Checklist.entries[static_cast<std::size_t>(i)].text == family;
    if (listed) continue;
    SetChecklistText(Checklist.count, family);
    ++Checklist.count;
  }
  Checklist.exists = Checklist.count > 0 ? 1 : 0;
}

namespace {

Pc CmdPerformChecklistForFonts(Pc at) {
  FillFontChecklist(platform::EnumFontFamilies());
  return at + 1;
}

constexpr CommandRegistration kFontChecklistCommands[] = {
    {kCmdPerformChecklistForFonts, "perform checklist for fonts", "0", CmdPerformChecklistForFonts},
};

}  // namespace

constinit const CommandFamily kFontChecklistFamily{kFontChecklistCommands, {}};

}  // namespace qm
