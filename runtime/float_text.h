// Floats shown as text (STR$, PRINT, INPUT's echo): the "%g" form with six significant digits and
// an exponent of a sign and at least three digits, so one million reads "1e+006" and 0.00001
// reads "1e-005", as programs written for this system expect. Infinities read "inf" and "-inf",
// and every not-a-number reads "nan".
#pragma once
#include <string>

namespace qm {

std::string FormatFloatG(double value);

}  // namespace qm
