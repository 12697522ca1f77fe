// The choice of display card and of the depth 3D displays use, remembered machine-wide in WIN.INI
// (section "QuillmoorStateData", keys BEST3DCARD and BEST3DDEPTH, in the Windows folder). When
// BEST3DCARD holds "**ask**" the user is asked once: the cards are listed in the main window until
// a digit chooses one (with one card there is nothing to choose), the card is probed, a report of
// what it can do is shown until a key is pressed, and both keys are written.
//
// The waits never block where nobody can answer: with no card listed the primary is used without
// a question; a wait also ends on a quit request and, on the headless backend, once the scripted
// input has run out. An unanswered list leaves the primary in use and the keys unwritten, so the
// question comes again next time.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

inline constexpr int32_t kMaxListedCards = 5;
inline constexpr const char* kAskForCard = "**ask**";
inline constexpr const char* kStateDataSection = "QuillmoorStateData";

// What the probe of a card found.
struct CardCapabilityReport {
  int32_t videoMemory3D = 0, alphaBlending = 0, filtering = 0, fog = 0;
};

struct DisplayCardChoice {
  std::array<std::string, kMaxListedCards> displayCardList;
  int32_t displayCardCount = 0;
  std::string primaryCardDescription;
  uint8_t cardScreenShowing = 0;
  int32_t cardScreen = 0;  // 1 the card list, 2 the capability report
  CardCapabilityReport report;
};
extern DisplayCardChoice CardChoice;

// One line the card screens drew: its text, where (window pixels) and in which colour (0x00BBGGRR).
struct CardScreenText {
  std::string text;
  int x = 0, y = 0;
  uint32_t colour = 0;
};
// The lines card screen `screen` (1 or 2) drew the last time it was painted; each choice starts
// with none (tests).
const std::vector<CardScreenText>& CardScreenLines(int32_t screen);

// Card names (driver descriptions) are the same card whatever the case of their letters, wherever
// they are compared.
bool CardNamesMatch(const std::string& a, const std::string& b);

// The path of WIN.INI in the Windows folder.
std::string WinIniPath();

// Fills CurrentCardName and the best 3D depth; may ask the user.
void ChooseBest3DCard();
// The first five drivers' descriptions in order, and the primary driver's.
void EnumerateDisplayCards();
// Builds a display of 640 x 480 at 16, 24 and 32 bits on the current card until one has a
// hardware 3D device: true for the first that does (its depth kept). Without one the depth is 16.
// The report gets the video-memory flag and the last device's capabilities. No display is left.
bool ProbeDisplayCapabilities(CardCapabilityReport& report);
// Paints the card screen that is showing into the main window.
void DrawCardScreens();

}  // namespace qm
