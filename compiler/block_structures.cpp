// Block structures and jump patching.
#include "compiler/block_structures.h"

namespace qm {

namespace {

bool IsOpener(int32_t keyword) {
  return keyword == kBlockIf || keyword == kBlockDo || keyword == kBlockFor || keyword == kBlockWhile ||
         keyword == kBlockRepeat;
}

bool IsLoopKind(int32_t keyword) { return keyword != kBlockIf; }

// Where the keyword's jump operand lands and the word after its command.
struct CommandWords {
  int32_t jumpWord;      // W + 1 + n: after the id and the parameters
  int32_t nextPosition;  // W + the command's word count (W for a marker keyword)
};

CommandWords WordsOf(const Parser& parser, const BlockKeyword& keyword, int32_t parameterCount) {
  const int32_t start = parser.WordCount();
  const int32_t commandWords = keyword.marker ? 0 : 1 + parameterCount + 1;
  return CommandWords{start + 1 + parameterCount, start + commandWords};
}

BlockRecord& Innermost(Parser& parser) {
  return parser.blockStack[static_cast<std::size_t>(parser.counters.blockDepth)];
}

bool OpenBlock(Parser& parser, int32_t keyword, const BlockKeyword& row, CommandWords words,
               int32_t& refusal) {
  CompileCounters& counters = parser.counters;
  if (counters.blockDepth + 1 > kMaxBlockDepth) {
    refusal = kMsgBlocksTooDeep;
    return false;
  }
  ++counters.blockDepth;
  ++counters.openBlocks;
  if (parser.blockStack.size() <= static_cast<std::size_t>(counters.blockDepth)) {
    parser.blockStack.resize(static_cast<std::size_t>(counters.blockDepth) + 1);
  }
  BlockRecord& record = Innermost(parser);
  record = BlockRecord{};
  record.kind = keyword;
  record.serial = counters.openBlocks;
  record.openerJumpWord = words.jumpWord;
  // FOR and WHILE loop back to their own test; DO and REPEAT to the first word of the body.
  const bool testsAtTop = keyword == kBlockFor || keyword == kBlockWhile;
  record.start = testsAtTop ? parser.statementStartWord : words.nextPosition;
  record.expectedCloser = row.closedBy;
  record.marker = row.marker;
  return true;
}

bool AddElse(Parser& parser, CommandWords words) {
  if (parser.counters.blockDepth < 1) return false;
  BlockRecord& record = Innermost(parser);
  if (record.kind != kBlockIf || record.elseJumpWord >= 0) return false;
  record.elseJumpWord = words.jumpWord;
  record.elsePosition = words.nextPosition;
  return true;
}

bool AddExit(Parser& parser, CommandWords words, int32_t& refusal) {
  for (int32_t depth = parser.counters.blockDepth; depth >= 1; --depth) {
    BlockRecord& record = parser.blockStack[static_cast<std::size_t>(depth)];
    if (!IsLoopKind(record.kind)) continue;
    if (record.AddExitJump(words.jumpWord)) return true;
    refusal = kMsgTooManyExits;
    return false;
  }
  return false;
}

// Closes the innermost block; gives the jump value of the closing command.
bool CloseBlock(Parser& parser, int32_t keyword, CommandWords words, int32_t& jumpValue) {
  if (parser.counters.blockDepth < 1) return false;
  BlockRecord& record = Innermost(parser);
  if (record.expectedCloser != keyword) return false;
  record.closerJumpWord = words.jumpWord;
  record.closerPosition = words.nextPosition;
  const int32_t after = WordAddressOperand(words.nextPosition);
  if (record.kind == kBlockIf) {
    if (record.elseJumpWord < 0) {
      parser.PatchWord(record.openerJumpWord, after);
    } else {
      parser.PatchWord(record.openerJumpWord, WordAddressOperand(record.elsePosition));
      parser.PatchWord(record.elseJumpWord, after);
    }
  } else {
    if (!record.marker) parser.PatchWord(record.openerJumpWord, after);
    for (const int32_t exitWord : record.exitJumpWords) parser.PatchWord(exitWord, after);
  }
  // The closing command's own jump word is emitted with this value right after.
  jumpValue = WordAddressOperand(record.start);
  --parser.counters.blockDepth;
  --parser.counters.openBlocks;
  return true;
}

}  // namespace

bool HandleBlockStructure(CompileContext& context, int32_t commandId, OperandList& operands,
                          int32_t parameterCount, bool& marker) {
  marker = false;
  Parser& parser = context.parser;
  const int32_t keyword = FindBlockKeywordByCommandId(context.Database(), commandId);
  if (keyword < 0) return true;
  const BlockKeyword& row = context.Database().blockKeywords[static_cast<std::size_t>(keyword)];
  const CommandWords words = WordsOf(parser, row, parameterCount);

  int32_t jumpValue = 0;
  bool accepted = true;
  // The two limits have messages of their own; any other refusal is a command out of place.
  int32_t refusal = kMsgBlockStructure;
  if (IsOpener(keyword)) {
    accepted = OpenBlock(parser, keyword, row, words, refusal);
  } else if (keyword == kBlockElse) {
    accepted = AddElse(parser, words);
  } else if (keyword == kBlockExit) {
    accepted = AddExit(parser, words, refusal);
  } else if (row.closesBlock) {
    accepted = CloseBlock(parser, keyword, words, jumpValue);
  }
  if (accepted && keyword != kBlockEndif) accepted = operands.Append(kTypeJump, jumpValue);
  if (!accepted) {
    SetCompilerError(parser, refusal);
    return false;
  }
  marker = row.marker;
  return true;
}

}  // namespace qm
