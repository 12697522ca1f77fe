// What the runtime asks of the compiler without linking it: the full system's compiler record
// provides these; the stand-alone runtime has none, and the runtime error report then takes its
// stand-alone form.
#pragma once
#include <cstdint>
#include <string>

namespace qm {

class CompilerServices {
 public:
  virtual ~CompilerServices() = default;
  // False when no compiler is present (the defaults below).
  virtual bool Present() { return false; }
  // The name of the command with this id; false when the command-set database has none.
  virtual bool CommandName(int32_t /*id*/, std::string& /*name*/) { return false; }
  // The signature letter ('l', 'f', 's', ...) of operand `position` (1 = the first operand after
  // the id) of the command with this id; 0 when it has none there.
  virtual char SignatureLetter(int32_t /*id*/, int32_t /*position*/) { return 0; }
};

// The compiler services in use (the do-nothing default unless a subsystem provides them).
CompilerServices& Compiler();

}  // namespace qm
