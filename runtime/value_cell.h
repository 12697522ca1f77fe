// ValueCell: one cell of the program's data block. It holds an integer, a single-precision float
// or a pointer to a zero-terminated text that the cell owns. On 64-bit Linux a cell is 8 bytes;
// numeric array elements stay 4 bytes (array files and memory blocks expose them).
#pragma once
#include <cstdint>

namespace qm {

union ValueCell {
  int32_t i;
  float f;
  char* s;
};
static_assert(sizeof(ValueCell) == 8, "a ValueCell is one integer, float or text pointer");

}  // namespace qm
