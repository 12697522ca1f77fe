// PRINT and PRINTC into the transcript, the typed characters of INKEY$, ENTRY$ and WAIT KEY, and
// INPUT's line editor fed by character messages between slices.
#include "runtime/print_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation_program.h"
#include "runtime/print_transcript.h"

namespace qm::test {
namespace {

platform::Message CharacterMessage(uint8_t c) {
  platform::Message message;
  message.id = platform::kMsgChar;
  message.wParam = c;
  return message;
}
platform::Message OtherMessage() {
  platform::Message message;
  message.id = platform::kMsgMouseMove;
  return message;
}

class PrintInputTest : public FoundationProgramTest {
 protected:
  // Runs the loaded program slice by slice; before slice n the characters of batch n arrive, all
  // between the same two slices. The first slice of a run executes no command, so INPUT starts
  // in the second.
  int32_t RunTyping(ImageBuilder& program, const std::vector<std::string>& batches) {
    if (program.ProgramEndCounters().programWrite == 0) program.EndProgram();
    EXPECT_TRUE(CreateQuillmoorBlocksFromParser(program));
    RunSubsystemSteps(&Subsystem::resetTables);
    ResetRunner();
    DisplayReadyFlag = 1;
    SyncOffSetting = 0;
    for (int slice = 0; slice < kMaxSlices; ++slice) {
      if (static_cast<std::size_t>(slice) < batches.size()) {
        for (char c : batches[static_cast<std::size_t>(slice)]) {
          NoteWindowMessage(CharacterMessage(static_cast<uint8_t>(c)));
        }
      }
      ExecuteSlice();
      if (PendingErrorCode != 0) return PendingErrorCode;
      if (!CommandRunsAt(ProgramCounter)) return 0;
    }
    return -1;
  }
};

TEST_F(PrintInputTest, PrintEndsATranscriptLineAndPrintcDoesNot) {
  ImageBuilder b;
  b.Command(kCmdPrintcS, {b.StringLiteral("a")});
  b.Command(kCmdPrintcL, {b.IntLiteral(5)});
  b.Command(kCmdPrintL, {b.IntLiteral(6)});
  b.Command(kCmdPrintF, {b.FloatLiteral(1000000.0f)});
  b.Command(kCmdPrint);
  b.Command(kCmdPrintS, {b.StringLiteral(std::string(300, 'x'))});
  ASSERT_EQ(Run(b), 0);
  EXPECT_EQ(TranscriptLines(), (std::vector<std::string>{"a56", "1e+006", "", std::string(255, 'x')}));
}

struct InputCase {
  const char* name;
  int32_t command;
  std::vector<std::string> typed;  // the characters arriving before each slice
  std::string text;                // INPUT S
  int32_t number;                  // INPUT L
  float real;                      // INPUT F
};

TEST_F(PrintInputTest, InputTakesEveryCharacterTypedSinceItStarted) {
  const InputCase cases[] = {
      {"several characters between two slices", kCmdInputS, {"", "", "ab", "c\r"}, "abc", 0, 0},
      {"backspace takes one back", kCmdInputS, {"", "", "ab\bc\r"}, "ac", 0, 0},
      {"backspace at the start does nothing", kCmdInputS, {"", "", "\b\bz\r"}, "z", 0, 0},
      {"letters are not digits", kCmdInputL, {"", "", "12x3\r"}, "", 123, 0},
      {"a lone minus", kCmdInputL, {"", "", "-\r"}, "", 0, 0},
      {"Enter alone", kCmdInputL, {"", "", "\r"}, "", 0, 0},
      {"a float", kCmdInputF, {"", "", "2.5\r"}, "", 0, 2.5f},
  };
  for (const InputCase& c : cases) {
    ImageBuilder b;
    const int32_t target = c.command == kCmdInputS   ? b.StringVariable()
                           : c.command == kCmdInputL ? b.IntVariable()
                                                     : b.FloatVariable();
    const int32_t after = b.IntVariable();
    b.Command(c.command, {target});
    b.Command(kOpAssignLL, {after, b.IntLiteral(1)});
    EXPECT_EQ(RunTyping(b, c.typed), 0) << c.name;
    EXPECT_EQ(Int(after), 1) << c.name;
    if (c.command == kCmdInputS) {
      EXPECT_EQ(Text(target), c.text) << c.name;
    } else if (c.command == kCmdInputL) {
      EXPECT_EQ(Int(target), c.number) << c.name;
    } else {
      EXPECT_EQ(Float(target), c.real) << c.name;
    }
    TearDown();
  }
}

TEST_F(PrintInputTest, TheLineKeepsAtMost255Characters) {
  ImageBuilder b;
  const int32_t target = b.StringVariable();
  b.Command(kCmdInputS, {target});
  ASSERT_EQ(RunTyping(b, {"", "", std::string(300, 'k') + "\r"}), 0);
  EXPECT_EQ(Text(target), std::string(255, 'k'));
}

TEST_F(PrintInputTest, InkeyKeepsTheLastCharacterAndEntryKeepsThemAll) {
  ResetPrintInputForRun();
  NoteWindowMessage(CharacterMessage('a'));
  NoteWindowMessage(CharacterMessage('b'));
  NoteWindowMessage(CharacterMessage('\b'));
  EXPECT_EQ(LastTypedCharacter(), 8);
  NoteWindowMessage(OtherMessage());
  EXPECT_EQ(LastTypedCharacter(), 0);
  NoteWindowMessage(CharacterMessage('c'));
  EXPECT_EQ(PrintInput.entryBuffer, "ab\bc");
  ResetPrintInputForRun();
  EXPECT_EQ(PrintInput.entryBuffer, "");
  // ENTRY$ has no length limit.
  for (int i = 0; i < 1000; ++i) NoteWindowMessage(CharacterMessage('e'));
  EXPECT_EQ(PrintInput.entryBuffer.size(), 1000u);
  ResetPrintInputForRun();
}

}  // namespace
}  // namespace qm::test
