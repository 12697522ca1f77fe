// The runtime command line: a 640 x 144 panel that slides up from the bottom of the screen over a
// stopped program. It shows why the program stopped, the pending error with its source line, the
// lines typed so far with the compiler's answers, and a one-line editor after the prompt "CLI>".
// Enter compiles the typed line onto the end of the program, in the scope of the user function
// that was executing, and runs it with the panel left open; ESC continues a program that has not
// ended; F12 or the close button end the run.
//
// The command line works only while a compiler is attached for the run (the Parser that compiled
// the program): a run that nobody can type into (headless, no scripted keys) leaves it detached
// and ends at the program's stop, as the stand-alone runtime does.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/cli/cli_panel.h"
#include "runtime/cli/cli_state.h"
#include "runtime/command_line_overlay.h"

namespace qm {

class Parser;

class RuntimeCli final : public CommandLineOverlay {
 public:
  // The run loop's calls (command_line_overlay.h).
  void Open() override;
  void Close() override;
  void RebuildPanel() override;
  void PlacePanel(int displayWidth, int displayHeight) override;
  bool FullyOpen() override;
  void ShowError(RuntimeErrorCode code, bool warning, const std::string& text, int sourceLine) override;
  CliResult Frame() override;
  void CliWindowProc(const platform::Message& message) override;
  bool Live() override { return parser_ != nullptr; }
  bool CloseRequested() override { return state_.closeRequest != 0; }

  // The compiler of the run's program; nullptr detaches (the run then ends at its stop).
  void Attach(Parser* parser) { parser_ = parser; }
  Parser* Attached() const { return parser_; }

  // Enter's action: compiles the edit line and, when it compiled, loads it to run at the next
  // frame; otherwise the compiler's text becomes the next row.
  void SubmitCliLine();
  // The pending error's row: where it was raised (the program or the typed line) decides its
  // form and the compiler's ErrorOrigin.
  void PrintRuntimeErrorInCli(const std::string& message, int sourceLine);
  // (Re)makes the panel's pictures and the close button's place for the current display.
  void CreateCliPanelImages();

  const CliState& State() const { return state_; }
  // Open, written out, and waiting for keys: no commit, typed line or error to show pending, and
  // the last frame asked the run loop for nothing.
  bool WaitsForKeys() const;
  CliPanel& Panel() { return panel_; }

 private:
  CliResult FrameResult();
  void OpenCli();
  void CloseCli();
  void Slide();
  void Drag();
  void UpdateText();
  void UpdateCloseButton();
  void StartText();
  void NewRow();
  void DrawAllRows();
  void DrawRow(int32_t y, const std::string& text, bool padded);
  void DrawCursorMark();
  void MoveCursor();
  void Recall();
  void ScrollForward(int32_t width);
  void ScrollBackward(int32_t width);
  void KeyDown(int virtualKey);
  void Character(uint8_t c);
  void SetRow(int32_t row, const std::string& text);
  // ESC or F12 pressed now or since the last frame (a quick tap between two frames counts).
  bool KeyPressed(int virtualKey);

  CliState state_;
  CliPanel panel_;
  Parser* parser_ = nullptr;
  bool open_ = false;
  bool textStarted_ = false;
  CliResult lastResult_ = CliResult::Stay;
  bool escapeDown_ = false, f12Down_ = false;  // their key-down messages since the last frame
  // Keys that arrived before the text started, replayed once it has.
  std::vector<platform::Message> earlyKeys_;
};

// The command line the whole system installs.
extern RuntimeCli gRuntimeCli;
RuntimeCli& TheRuntimeCli();

// Attaches `parser` for the life of the object (the run), detaching again at its end.
class CommandLineAttachment {
 public:
  explicit CommandLineAttachment(Parser* parser) { TheRuntimeCli().Attach(parser); }
  ~CommandLineAttachment() { TheRuntimeCli().Attach(nullptr); }
  CommandLineAttachment(const CommandLineAttachment&) = delete;
  CommandLineAttachment& operator=(const CommandLineAttachment&) = delete;
};

}  // namespace qm
