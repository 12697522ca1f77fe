// Arrays: DIM and UNDIM, element store ("@=") and element fetch ("@["), one to five dimensions.
//   DIM    [array][bound1]...[boundn]
//   UNDIM  [array]
//   store  [array][s1]...[sn][value]
//   fetch  [result][array][s1]...[sn]
// The element of subscripts s1..sn sits at s1 + extent1 * (s2 + extent2 * (...)), the first
// subscript varying fastest, and only that combined offset is checked against the element
// count. A store into an array never dimensioned is ignored and a fetch from it reads 0 or "".
#include <array>
#include <cstdlib>
#include <cstring>

#include "resources/command_ids.h"
#include "runtime/arrays.h"
#include "runtime/command_dispatch.h"
#include "runtime/foundation_commands.h"
#include "runtime/interpreter.h"
#include "runtime/number_rules.h"
#include "runtime/run_hooks.h"
#include "runtime/runtime_errors.h"
#include "runtime/value_text.h"

namespace qm {
namespace {

// The array operand: its table index when the word names a variable the command can work on
// (Integer: an integer or float array, whose 32-bit elements the shared handlers copy alike;
// Float: a float array; String: a string array), else -1 (a word the compiler never writes; the
// command then acts as on an array never dimensioned).
int32_t NextArrayIndex(ArrayElementKind expected) {
  const int32_t index = ArrayIndexOf(NextPlainWord());
  if (index < 0 || index >= kArrayTableEntries) return -1;
  const ArrayElementKind kind = ArrayKindOf(index);
  const bool accepted =
      expected == ArrayElementKind::Integer ? kind != ArrayElementKind::String : kind == expected;
  return accepted ? index : -1;
}

template <int dimensions>
std::array<int32_t, dimensions> NextSubscripts() {
  std::array<int32_t, dimensions> subscripts;
  for (int32_t& subscript : subscripts) subscript = NextIntCell();
  return subscripts;
}

// The element offset of the subscripts, or -1 when it lies outside the storage. Computed in 64
// bits from the last subscript inwards; once the running value passes 2^32 no later step can
// bring it back into range (every extent is at least 1), so it is refused at once.
template <int dimensions>
int64_t ElementOffset(const ArrayEntry& entry, const std::array<int32_t, dimensions>& subscripts) {
  constexpr int64_t kHopeless = INT64_C(1) << 32;
  int64_t offset = subscripts[dimensions - 1];
  for (int k = dimensions - 2; k >= 0; --k) {
    offset = subscripts[k] + static_cast<int64_t>(entry.header.extent[k]) * offset;
    if (offset > kHopeless || offset < -kHopeless) return -1;
  }
  return offset >= 0 && offset < entry.header.elementCount ? offset : -1;
}

// ---- DIM and UNDIM ----

// The element count of the bounds, or -1 when an extent (bound + 1) is below 1 or the storage
// would pass the size limit.
template <int dimensions>
int64_t ElementCountOf(const std::array<int32_t, dimensions>& bounds, ArrayHeader& header) {
  int64_t count = 1;
  for (int k = 0; k < dimensions; ++k) {
    const int64_t extent = static_cast<int64_t>(bounds[k]) + 1;
    if (extent < 1) return -1;
    count *= extent;
    if (count * static_cast<int64_t>(sizeof(int32_t)) > kMaxArrayBytes) return -1;
    if (dimensions > 1) header.extent[k] = static_cast<int32_t>(extent);
  }
  return count;
}

// Any earlier storage is freed first (DIM never keeps contents). Bounds that give no elements or
// too many raise 101 and leave the array not dimensioned.
template <int dimensions>
void DimArray(ArrayElementKind kind) {
  const int32_t index = NextArrayIndex(kind);
  const std::array<int32_t, dimensions> bounds = NextSubscripts<dimensions>();
  ArrayEntry* entry = ProgramArrays.Find(index);
  if (entry == nullptr) return;
  ProgramArrays.Free(index);
  const int64_t count = ElementCountOf<dimensions>(bounds, entry->header);
  void* storage =
      count > 0 ? std::calloc(static_cast<size_t>(count), ElementSizeOf(ArrayKindOf(index))) : nullptr;
  if (storage == nullptr) {
    RaiseRuntimeError(kErrorArrayNotCreated);
    return;
  }
  entry->header.elementCount = static_cast<int32_t>(count);
  entry->storage = storage;
}

void CmdDimLL() { DimArray<1>(ArrayElementKind::Integer); }
void CmdDimLLL() { DimArray<2>(ArrayElementKind::Integer); }
void CmdDimLLLL() { DimArray<3>(ArrayElementKind::Integer); }
void CmdDimLLLLL() { DimArray<4>(ArrayElementKind::Integer); }
void CmdDimLLLLLL() { DimArray<5>(ArrayElementKind::Integer); }
void CmdDimSL() { DimArray<1>(ArrayElementKind::String); }
void CmdDimSLL() { DimArray<2>(ArrayElementKind::String); }
void CmdDimSLLL() { DimArray<3>(ArrayElementKind::String); }
void CmdDimSLLLL() { DimArray<4>(ArrayElementKind::String); }
void CmdDimSLLLLL() { DimArray<5>(ArrayElementKind::String); }

void CmdUndimL() { ProgramArrays.Free(NextArrayIndex(ArrayElementKind::Integer)); }
void CmdUndimS() { ProgramArrays.Free(NextArrayIndex(ArrayElementKind::String)); }

// ---- Element store ----

// The element's slot for the subscripts that follow, or nullptr (after raising 102 when the
// array exists but the offset is outside it). Reads the subscripts in every case.
template <int dimensions, typename Element>
Element* NextElementSlot(int32_t index) {
  const std::array<int32_t, dimensions> subscripts = NextSubscripts<dimensions>();
  const ArrayEntry* entry = ProgramArrays.Find(index);
  if (entry == nullptr || !entry->IsDimensioned()) return nullptr;
  const int64_t offset = ElementOffset<dimensions>(*entry, subscripts);
  if (offset < 0) {
    RaiseRuntimeError(kErrorArrayIndexOutOfBounds);
    return nullptr;
  }
  return static_cast<Element*>(entry->storage) + offset;
}

// Integer into an integer array, float into a float array: the 32 bits as they are.
template <int dimensions>
void StoreNumber() {
  const int32_t index = NextArrayIndex(ArrayElementKind::Integer);
  int32_t* slot = NextElementSlot<dimensions, int32_t>(index);
  const int32_t value = NextNumericCell().i;
  if (slot != nullptr) *slot = value;
}

// An integer value into a float array: the nearest single.
template <int dimensions>
void StoreIntegerAsFloat() {
  const int32_t index = NextArrayIndex(ArrayElementKind::Float);
  float* slot = NextElementSlot<dimensions, float>(index);
  const int32_t value = NextIntCell();
  if (slot != nullptr) *slot = NearestSingle(value);
}

template <int dimensions>
void StoreText() {
  const int32_t index = NextArrayIndex(ArrayElementKind::String);
  char** slot = NextElementSlot<dimensions, char*>(index);
  const char* value = CellText(NextStringCell());
  if (slot == nullptr) return;
  char* copy = NewText(value);
  FreeText(*slot);
  *slot = copy;
}

void OpArraySetLLL() { StoreNumber<1>(); }
void OpArraySetLLLL() { StoreNumber<2>(); }
void OpArraySetLLLLL() { StoreNumber<3>(); }
void OpArraySetLLLLLL() { StoreNumber<4>(); }
void OpArraySetLLLLLLL() { StoreNumber<5>(); }
void OpArraySetFLL() { StoreIntegerAsFloat<1>(); }
void OpArraySetFLLL() { StoreIntegerAsFloat<2>(); }
void OpArraySetFLLLL() { StoreIntegerAsFloat<3>(); }
void OpArraySetFLLLLL() { StoreIntegerAsFloat<4>(); }
void OpArraySetFLLLLLL() { StoreIntegerAsFloat<5>(); }
void OpArraySetSLS() { StoreText<1>(); }
void OpArraySetSLLS() { StoreText<2>(); }
void OpArraySetSLLLS() { StoreText<3>(); }
void OpArraySetSLLLLS() { StoreText<4>(); }
void OpArraySetSLLLLLS() { StoreText<5>(); }

// ---- Element fetch ----

// A fetch records the element's slot for its result temporary, so that READ can write the
// element; a fetch that finds no element forgets any earlier slot of that temporary.
template <int dimensions>
void FetchNumber() {
  const int32_t resultWord = NextPlainWord();
  CellKind kind;
  ValueCell* result = OperandCell(resultWord, kind);
  const int32_t index = NextArrayIndex(ArrayElementKind::Integer);
  const bool dimensioned = ProgramArrays.IsDimensioned(index);
  int32_t* slot = NextElementSlot<dimensions, int32_t>(index);
  ProgramArrays.ElementAddresses().Record(resultWord, slot);
  if (result == nullptr || kind == CellKind::String) return;
  if (slot != nullptr) {
    result->i = *slot;
  } else if (!dimensioned) {
    result->i = 0;
  }
}

template <int dimensions>
void FetchText() {
  const int32_t resultWord = NextPlainWord();
  CellKind kind;
  ValueCell* result = OperandCell(resultWord, kind);
  const int32_t index = NextArrayIndex(ArrayElementKind::String);
  char** slot = NextElementSlot<dimensions, char*>(index);
  ProgramArrays.ElementAddresses().Record(resultWord, slot);
  if (result == nullptr || kind != CellKind::String) return;
  StoreStringResult(*result, slot != nullptr && *slot != nullptr ? *slot : "");
}

void OpArrayGetLLL() { FetchNumber<1>(); }
void OpArrayGetLLLL() { FetchNumber<2>(); }
void OpArrayGetLLLLL() { FetchNumber<3>(); }
void OpArrayGetLLLLLL() { FetchNumber<4>(); }
void OpArrayGetLLLLLLL() { FetchNumber<5>(); }
void OpArrayGetFFLLLLL() { FetchNumber<5>(); }
void OpArrayGetSSL() { FetchText<1>(); }
void OpArrayGetSSLL() { FetchText<2>(); }
void OpArrayGetSSLLL() { FetchText<3>(); }
void OpArrayGetSSLLLL() { FetchText<4>(); }
void OpArrayGetSSLLLLL() { FetchText<5>(); }

// ---- Run life cycle ----

void FreeAllArrays() { ProgramArrays.FreeAll(); }

constexpr CommandRegistration kArrayCommands[] = {
    {kCmdDimLL, "dim", "LL", CmdDimLL},
    {kCmdDimLLL, "dim", "LLL", CmdDimLLL},
    {kCmdDimLLLL, "dim", "LLLL", CmdDimLLLL},
    {kCmdDimLLLLL, "dim", "LLLLL", CmdDimLLLLL},
    {kCmdDimLLLLLL, "dim", "LLLLLL", CmdDimLLLLLL},
    {kCmdUndimL, "undim", "L", CmdUndimL},
    {kCmdDimFL, "dim", "FL", CmdDimLL},
    {kCmdDimFLL, "dim", "FLL", CmdDimLLL},
    {kCmdDimFLLL, "dim", "FLLL", CmdDimLLLL},
    {kCmdDimFLLLL, "dim", "FLLLL", CmdDimLLLLL},
    {kCmdDimFLLLLL, "dim", "FLLLLL", CmdDimLLLLLL},
    {kCmdUndimF, "undim", "F", CmdUndimL},
    {kCmdDimSL, "dim", "SL", CmdDimSL},
    {kCmdDimSLL, "dim", "SLL", CmdDimSLL},
    {kCmdDimSLLL, "dim", "SLLL", CmdDimSLLL},
    {kCmdDimSLLLL, "dim", "SLLLL", CmdDimSLLLL},
    {kCmdDimSLLLLL, "dim", "SLLLLL", CmdDimSLLLLL},
    {kCmdUndimS, "undim", "S", CmdUndimS},
    {kOpArraySetLLL, "@=", "LLL", OpArraySetLLL},
    {kOpArraySetLLLL, "@=", "LLLL", OpArraySetLLLL},
    {kOpArraySetLLLLL, "@=", "LLLLL", OpArraySetLLLLL},
    {kOpArraySetLLLLLL, "@=", "LLLLLL", OpArraySetLLLLLL},
    {kOpArraySetLLLLLLL, "@=", "LLLLLLL", OpArraySetLLLLLLL},
    {kOpArraySetFLF, "@=", "FLF", OpArraySetLLL},
    {kOpArraySetFLLF, "@=", "FLLF", OpArraySetLLLL},
    {kOpArraySetFLLLF, "@=", "FLLLF", OpArraySetLLLLL},
    {kOpArraySetFLLLLF, "@=", "FLLLLF", OpArraySetLLLLLL},
    {kOpArraySetFLLLLLF, "@=", "FLLLLLF", OpArraySetLLLLLLL},
    {kOpArraySetSLS, "@=", "SLS", OpArraySetSLS},
    {kOpArraySetSLLS, "@=", "SLLS", OpArraySetSLLS},
    {kOpArraySetSLLLS, "@=", "SLLLS", OpArraySetSLLLS},
    {kOpArraySetSLLLLS, "@=", "SLLLLS", OpArraySetSLLLLS},
    {kOpArraySetSLLLLLS, "@=", "SLLLLLS", OpArraySetSLLLLLS},
    {kOpArraySetFLL, "@=", "FLL", OpArraySetFLL},
    {kOpArraySetFLLL, "@=", "FLLL", OpArraySetFLLL},
    {kOpArraySetFLLLL, "@=", "FLLLL", OpArraySetFLLLL},
    {kOpArraySetFLLLLL, "@=", "FLLLLL", OpArraySetFLLLLL},
    {kOpArraySetFLLLLLL, "@=", "FLLLLLL", OpArraySetFLLLLLL},
    {kOpArrayGetLLL, "@[", "LLL", OpArrayGetLLL},
    {kOpArrayGetLLLL, "@[", "LLLL", OpArrayGetLLLL},
    {kOpArrayGetLLLLL, "@[", "LLLLL", OpArrayGetLLLLL},
    {kOpArrayGetLLLLLL, "@[", "LLLLLL", OpArrayGetLLLLLL},
    {kOpArrayGetLLLLLLL, "@[", "LLLLLLL", OpArrayGetLLLLLLL},
    {kOpArrayGetFFL, "@[", "FFL", OpArrayGetLLL},
    {kOpArrayGetFFLL, "@[", "FFLL", OpArrayGetLLLL},
    {kOpArrayGetFFLLL, "@[", "FFLLL", OpArrayGetLLLLL},
    {kOpArrayGetFFLLLL, "@[", "FFLLLL", OpArrayGetLLLLLL},
    {kOpArrayGetFFLLLLL, "@[", "FFLLLLL", OpArrayGetFFLLLLL},
    {kOpArrayGetSSL, "@[", "SSL", OpArrayGetSSL},
    {kOpArrayGetSSLL, "@[", "SSLL", OpArrayGetSSLL},
    {kOpArrayGetSSLLL, "@[", "SSLLL", OpArrayGetSSLLL},
    {kOpArrayGetSSLLLL, "@[", "SSLLLL", OpArrayGetSSLLLL},
    {kOpArrayGetSSLLLLL, "@[", "SSLLLLL", OpArrayGetSSLLLLL},
};

}  // namespace

void RegisterArrayCommands() {
  RegisterCommands(kArrayCommands);
  AddRunHook(RunHook::ResetSystemTables, FreeAllArrays);
  AddRunHook(RunHook::FreeRuntimeData, FreeAllArrays);
}

}  // namespace qm
