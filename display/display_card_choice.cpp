// The display card choice and its two screens.
#include "display/display_card_choice.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

#include "display/device_3d.h"
#include "display/display_modes.h"
#include "display/display_setup.h"
#include "display/display_state.h"
#include "platform/clock.h"
#include "platform/display/display_backend.h"
#include "platform/display/display_device.h"
#include "platform/display/fonts.h"
#include "platform/display/text_context.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/window.h"

namespace qm {

DisplayCardChoice CardChoice;

namespace {

using platform::ColorRef;
using platform::Rect;

constexpr std::size_t kCardNameBuffer = 256;
constexpr std::size_t kDepthBuffer = 9;  // at most 8 characters
constexpr int32_t kDefaultDepth = 16;
constexpr uint32_t kReportPauseMs = 1000;
constexpr uint32_t kWaitPollMs = 10;

constexpr uint32_t kTitleColour = ColorRef(255, 192, 40);
constexpr uint32_t kWhite = ColorRef(255, 255, 255);
constexpr uint32_t kLastPromptColour = ColorRef(240, 150, 20);
constexpr uint32_t kYesColour = ColorRef(255, 255, 0);
constexpr uint32_t kNoColour = ColorRef(255, 0, 0);
constexpr uint32_t kDarkGray = ColorRef(64, 64, 64);

std::array<std::vector<CardScreenText>, 3> gLines;  // by screen

// BEST3DDEPTH as a depth displays can have: 16, 24 or 32; anything else is 16.
int32_t ReadBestDepth() {
  const std::string text =
      platform::ReadProfileString(WinIniPath(), kStateDataSection, "BEST3DDEPTH", "16", kDepthBuffer);
  const long depth = std::strtol(text.c_str(), nullptr, 10);
  return depth == 16 || depth == 24 || depth == 32 ? static_cast<int32_t>(depth) : kDefaultDepth;
}

// The name the primary driver goes by when nothing else is known.
std::string PrimaryCardName() {
  return CardChoice.primaryCardDescription.empty() ? std::string(kPrimaryDisplayDriver)
                                                   : CardChoice.primaryCardDescription;
}

// Pumps window messages until a typed character that `accepts` takes arrives, repainting the card
// screen when asked. 0 when none can come: a quit was requested (it is posted again for the loop
// that owns it), or the headless backend has no more input.
template <typename Accepts>
uint8_t WaitForCharacter(Accepts&& accepts) {
  for (;;) {
    platform::Message message;
    if (!platform::PeekMessage(message, true)) {
      if (platform::CurrentWindowBackend() == platform::WindowBackend::Headless) return 0;
      platform::SleepMs(kWaitPollMs);
      continue;
    }
    if (message.id == platform::kMsgQuit) {
      platform::PostQuitMessage(static_cast<int>(message.wParam));
      return 0;
    }
    if (message.id == platform::kMsgPaint) {
      DrawCardScreens();
      continue;
    }
    if (message.id == platform::kMsgChar) {
      const auto character = static_cast<uint8_t>(message.wParam & 0xFF);
      if (accepts(character)) return character;
      continue;
    }
    platform::TranslateMessage(message);
    platform::DispatchMessage(message);
  }
}

void ShowCardScreen(int32_t screen) {
  CardChoice.cardScreenShowing = 1;
  CardChoice.cardScreen = screen;
  platform::RestoreMainWindow();
  DrawCardScreens();
}

void HideCardScreens() {
  CardChoice.cardScreenShowing = 0;
  CardChoice.cardScreen = 0;
}

// The card list, until a digit from 1 to the card count chooses one. False when nobody answered.
bool AskForDisplayCard() {
  const int32_t count = CardChoice.displayCardCount;
  if (count == 0) {
    TheDisplay.currentCardName = PrimaryCardName();
    return true;
  }
  if (count == 1) {
    TheDisplay.currentCardName = CardChoice.displayCardList[0];
    return true;
  }
  ShowCardScreen(1);
  const uint8_t typed = WaitForCharacter([count](uint8_t c) { return c >= '1' && c < '1' + count; });
  HideCardScreens();
  if (typed == 0) {
    TheDisplay.currentCardName = PrimaryCardName();
    return false;
  }
  TheDisplay.currentCardName = CardChoice.displayCardList[static_cast<std::size_t>(typed - '1')];
  return true;
}

// The report, until any key is pressed (or nobody can press one).
void ShowCardCapabilities(const CardCapabilityReport& report) {
  const bool headless = platform::CurrentWindowBackend() == platform::WindowBackend::Headless;
  if (!headless) platform::SleepMs(kReportPauseMs);
  CardChoice.report = report;
  ShowCardScreen(2);
  if (!headless) platform::SleepMs(kReportPauseMs);
  WaitForCharacter([](uint8_t c) { return c >= 1 && c <= 127; });
  HideCardScreens();
}

// Draws the lines of one screen into `surface`, keeping them for the tests.
class CardScreenPainter {
 public:
  CardScreenPainter(platform::Surface& surface, const Rect& panel) : surface_(surface), panel_(panel) {
    platform::FontRequest request;
    request.face = "System";
    font_ = platform::Font::Create(request);
  }
  void Centred(int y, const std::string& text, uint32_t colour) {
    const int width = font_ != nullptr ? font_->TextWidth(text) : 0;
    At(panel_.left + (panel_.Width() - width) / 2, y, text, colour);
  }
  void At(int x, int y, const std::string& text, uint32_t colour) {
    gLines[static_cast<std::size_t>(CardChoice.cardScreen)].push_back({text, x, panel_.top + y, colour});
    platform::TextContext context;
    if (font_ == nullptr || platform::TextContext::Open(surface_, context) != platform::DisplayResult::Ok)
      return;
    context.SelectFont(font_.get());
    context.SetOpaque(false);
    context.SetTextColor(colour);
    context.TextOut(x, panel_.top + y, text);
  }

 private:
  platform::Surface& surface_;
  Rect panel_;
  std::unique_ptr<platform::Font> font_;
};

void DrawCardList(CardScreenPainter& paint) {
  paint.Centred(16, "MULTIPLE DISPLAY CARDS DETECTED", kTitleColour);
  const int count = CardChoice.displayCardCount;
  for (int i = 0; i < count; ++i) {
    paint.Centred(46 + 14 * i,
                  std::to_string(i + 1) + ". " + CardChoice.displayCardList[static_cast<std::size_t>(i)],
                  kWhite);
  }
  paint.Centred(68 + 14 * count, "PLEASE SELECT KEYS 1 to " + std::to_string(count), kTitleColour);
  paint.Centred(82 + 14 * count, "TO CHOOSE YOUR BEST CARD", kTitleColour);
  paint.Centred(96 + 14 * count, "(THIS WINDOW ONLY APPEARS ONCE)", kLastPromptColour);
}

void DrawCardReport(CardScreenPainter& paint, const Rect& panel) {
  const CardCapabilityReport& report = CardChoice.report;
  paint.Centred(16, TheDisplay.currentCardName, kTitleColour);
  const int32_t depth = report.videoMemory3D ? TheDisplay.best3DDepth : kDefaultDepth;
  struct Row {
    std::string label;
    int32_t yes;
  };
  const Row rows[] = {{"Supports 3D at 640x480x" + std::to_string(depth), report.videoMemory3D},
                      {"Supports Alphablending", report.alphaBlending},
                      {"Supports Texture Filtering", report.filtering},
                      {"Supports Fogging", report.fog}};
  int y = 46;
  for (const Row& row : rows) {
    paint.At(panel.left + 16, y, row.label, kWhite);
    paint.At(panel.right - 48, y, row.yes ? "Yes" : "No", row.yes ? kYesColour : kNoColour);
    y += 14;
  }
  const bool all = report.videoMemory3D && report.alphaBlending && report.filtering && report.fog;
  const char* first = all ? "YOUR 3D CARD SUPPORTS"
                          : (report.videoMemory3D ? "YOU MAY EXPERIENCE SOME" : "YOUR GRAPHICS CARD IS NOT");
  const char* second =
      all ? "ALL BUILT-IN FEATURES"
          : (report.videoMemory3D ? "LOSS IN VISUAL QUALITY" : "RECOMMENDED FOR HIGH-CONTENT 3D");
  paint.Centred(124, first, kTitleColour);
  paint.Centred(138, second, kTitleColour);
  paint.Centred(156, "PRESS ANY KEY", kLastPromptColour);
}

}  // namespace

const std::vector<CardScreenText>& CardScreenLines(int32_t screen) {
  return gLines[static_cast<std::size_t>(std::clamp(screen, 0, 2))];
}

bool CardNamesMatch(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string WinIniPath() {
  std::string folder = platform::WindowsFolder();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder + "WIN.INI";
}

void EnumerateDisplayCards() {
  CardChoice.displayCardCount = 0;
  for (const platform::DisplayDriverInfo& driver : platform::DisplayConfiguration().drivers) {
    if (CardChoice.displayCardCount < kMaxListedCards) {
      CardChoice.displayCardList[static_cast<std::size_t>(CardChoice.displayCardCount++)] =
          driver.description.substr(0, kCardNameBuffer - 1);
    }
    if (driver.guid.empty())
      CardChoice.primaryCardDescription = driver.description.substr(0, kCardNameBuffer - 1);
  }
}

bool ProbeDisplayCapabilities(CardCapabilityReport& report) {
  report = CardCapabilityReport{};
  SetFullScreenFlag(1);
  bool found = false;
  int32_t depth = kDefaultDepth;
  if (InitDirectX(false, true) != 0) {
    for (int32_t tried : {16, 24, 32}) {
      found = qm::SetDisplayMode(640, 480, tried) != 0 && CreateScreenAreas(640, 480, true) != 0 &&
              DeviceCaps.hardwareDeviceFlag == 1;
      if (found) {
        depth = tried;
        report.videoMemory3D = 1 - TheDisplay.systemMemoryModeFlag;
        break;
      }
      if (tried != 32 && InitDirectX(false, true) == 0) break;
    }
  }
  TheDisplay.best3DDepth = found ? depth : kDefaultDepth;
  report.alphaBlending = AlphaBlendingAvailable();
  report.filtering = FilteringAvailable();
  report.fog = FogAvailable();
  CloseDirectX(false);
  return found;
}

void ChooseBest3DCard() {
  for (std::vector<CardScreenText>& lines : gLines) lines.clear();
  const std::string ini = WinIniPath();
  TheDisplay.currentCardName =
      platform::ReadProfileString(ini, kStateDataSection, "BEST3DCARD", "", kCardNameBuffer);
  EnumerateDisplayCards();
  for (int32_t i = 0; i < CardChoice.displayCardCount; ++i) {
    if (CardNamesMatch(CardChoice.displayCardList[static_cast<std::size_t>(i)], TheDisplay.currentCardName)) {
      TheDisplay.best3DDepth = ReadBestDepth();
      return;
    }
  }
  if (!CardNamesMatch(TheDisplay.currentCardName, kAskForCard)) return;
  if (!AskForDisplayCard()) {
    TheDisplay.best3DDepth = kDefaultDepth;
    return;
  }
  platform::WriteProfileString(ini, kStateDataSection, "BEST3DCARD", TheDisplay.currentCardName);
  CardCapabilityReport report;
  ProbeDisplayCapabilities(report);
  ShowCardCapabilities(report);
  platform::WriteProfileString(ini, kStateDataSection, "BEST3DDEPTH", std::to_string(TheDisplay.best3DDepth));
}

void DrawCardScreens() {
  if (!CardChoice.cardScreenShowing || CardChoice.cardScreen < 1 || CardChoice.cardScreen > 2) return;
  gLines[static_cast<std::size_t>(CardChoice.cardScreen)].clear();
  const Rect client = platform::ActiveDisplayBackend().ClientArea();
  const int width = std::clamp(client.Width(), 1, platform::kMaxSurfaceSide);
  const int height = std::clamp(client.Height(), 1, platform::kMaxSurfaceSide);
  platform::SurfaceDesc desc;
  desc.width = width;
  desc.height = height;
  desc.format = platform::PixelFormat::X8R8G8B8;
  desc.caps = platform::kCapsOffscreenPlain | platform::kCapsSystemMemory;
  platform::Surface* window = nullptr;
  if (platform::Surface::Create(desc, window) != platform::DisplayResult::Ok) return;
  window->Fill(nullptr, 0);

  Rect panel{20, 30, width - 20, height - (CardChoice.cardScreen == 2 ? 24 : 40)};
  if (panel.Width() > 300) {
    panel.left += (panel.Width() - 300) / 2;
    panel.right = panel.left + 300;
    const int extra = panel.Height() - 200;
    panel.top += extra / 2;
    panel.bottom = panel.top + 200;
  }
  auto fill = [&](int inset, uint32_t colour) {
    Rect r{panel.left + inset, panel.top + inset, panel.right - inset, panel.bottom - inset};
    r = {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width), std::min(r.bottom, height)};
    if (!r.Empty()) window->Fill(&r, platform::ColorRefToPixel(window->Format(), colour));
  };
  fill(0, 0);
  fill(2, kDarkGray);
  fill(4, 0);
  CardScreenPainter paint(*window, panel);
  if (CardChoice.cardScreen == 1) DrawCardList(paint);
  if (CardChoice.cardScreen == 2) DrawCardReport(paint, panel);
  platform::ActiveDisplayBackend().Present(*window, {0, 0, width, height}, platform::GammaRamp::Identity());
  window->Release();
}

}  // namespace qm
