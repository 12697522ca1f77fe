// The compiler's record.
#include "compiler/compiler_subsystem.h"

#include "compiler/command_database.h"
#include "runtime/compiler_services.h"

namespace qm {
namespace {

// Answers from a command-set database of its own, built on the first question (the runtime asks
// only when it reports something).
class CommandNaming : public CompilerServices {
 public:
  bool Present() override { return true; }
  bool CommandName(int32_t id, std::string& name) override {
    const ParserDatabase* database = Database();
    if (database == nullptr) return false;
    std::string found;
    if (FindCommandNameById(*database, id, found) < database->StatementCount()) {
      name = found;
      return true;
    }
    for (const ValueCommandEntry& entry : database->valueCommands) {
      if (entry.id != id) continue;
      name = entry.name;
      return true;
    }
    return false;
  }
  char SignatureLetter(int32_t id, int32_t position) override {
    const ParserDatabase* database = Database();
    if (database == nullptr || position < 1) return 0;
    std::string name;
    const int32_t index = FindCommandNameById(*database, id, name);
    return GetCommandSignatureLetter(*database, index, position - 1);
  }

 private:
  const ParserDatabase* Database() {
    if (!built_) {
      built_ = true;
      usable_ = static_cast<bool>(CreateParserDatabase(database_));
    }
    return usable_ ? &database_ : nullptr;
  }

  ParserDatabase database_;
  bool built_ = false;
  bool usable_ = false;
};

CommandNaming gNaming;

constexpr Subsystem CompilerSubsystem() {
  Subsystem compiler;
  compiler.name = "compiler";
  compiler.services.compiler = &gNaming;
  return compiler;
}

}  // namespace

constinit const Subsystem kCompilerSubsystem = CompilerSubsystem();

}  // namespace qm
