// Assignments have no statement name: "a = b + 1" and "grid(x, y) = 0" are recognised only when
// no statement and no user function matches, and are rewritten into the two internal statements
// of the command set, "=" for a variable and "@=" for an array element, whose parameters are the
// target (with the array's indices) and the value.
#pragma once
#include <string>

namespace qm {

// Rewrites an assignment text: "a = b + 1" becomes "= a , b + 1" and "grid(x, y) = 0" becomes
// "@= grid,x, y  , 0" (`arrayElement` set: the target names an array, not an element read).
// False, leaving the text as it was, when the text is no assignment: no "=", a target of more
// than one word, or nothing after the "=".
bool RewriteAssignment(std::string& text, bool& arrayElement);

}  // namespace qm
