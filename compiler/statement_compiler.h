// The statement compiler: compiles one statement text into program words. It records label
// definitions and FUNCTION headers, has the statement identified, compiles each parameter through
// the expression compiler, converts numbers between integer and float where no entry of the
// statement takes them as they are, chooses the entry whose signature fits the parameter types,
// stores DATA items, hands block commands to the block structures and emits the command. A text
// that names no statement is a user-function call or an assignment. The rest of the line after a
// separator is compiled after it.
#pragma once
#include <memory>
#include <string_view>

#include "compiler/compile_context.h"

namespace qm {

// Compiles a statement text and the rest of its line. False with the message in errorMessage.
bool CompileStatementText(CompileContext& context, std::string_view text);

// The compile passes of the real compiler, for Parser::SetCompilerPasses.
class StatementCompiler final : public CompilerPasses {
 public:
  int32_t PrescanFunctions(Parser& parser, int32_t includeStartLine) override;
  bool CompileStatement(Parser& parser, std::string_view text) override;
  bool ResolveLabels(Parser& parser) override;
  bool CheckArraysDeclared(Parser& parser) override;

 private:
  const CommandLookup& LookupFor(const ParserDatabase& database);
  CommandLookup lookup_;
};

std::shared_ptr<CompilerPasses> MakeStatementCompiler();

}  // namespace qm
