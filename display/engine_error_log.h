// The engine error log: display, 3D device, light and input set-up failures are reported as fixed
// English sentences through one logger. It keeps the last sentence for the text of the system
// error that ends the program, and with DEBUGMODE on writes each into section ERRORLOG of QM.LOG
// under "ENGINEERROR ON d/m/y AT h:m" of the current UTC time. Main thread only.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace qm {

// The last sentence keeps at most this many characters (its buffer holds them and a terminator).
inline constexpr std::size_t kEngineErrorTextLimit = 255;

// Keeps `sentence` as the last engine error and, with DEBUGMODE on, writes it to the log. Two
// errors in the same minute share one key: the later replaces the earlier in the file. A log that
// cannot be written is ignored.
void LogEngineError(std::string_view sentence);
// The last sentence logged, "" before the first.
const std::string& GetLastEngineError();
// Forgets the last sentence (tests).
void ClearLastEngineError();

}  // namespace qm
