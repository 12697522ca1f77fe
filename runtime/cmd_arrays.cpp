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
#include "runtime/command_fusion.h"
#include "runtime/foundation_commands.h"
#include "runtime/integer_operators.h"
#include "runtime/interpreter.h"
#include "runtime/number_rules.h"
#include "runtime/program_image.h"
#include "runtime/runtime_errors.h"
#include "runtime/value_text.h"

namespace qm {
namespace {

// The array operand: its table index when the word names a variable the command can work on
// (Integer: an integer or float array, whose 32-bit elements the shared handlers copy alike;
// Float: a float array; String: a string array), else -1 (a word the compiler never writes; the
// command then acts as on an array never dimensioned).
int32_t NextArrayIndex(Operands& in, ArrayElementKind expected) {
  const int32_t index = ArrayIndexOf(in.Plain());
  if (index < 0 || index >= kArrayTableEntries) return -1;
  const ArrayElementKind kind = ArrayKindOf(index);
  const bool accepted =
      expected == ArrayElementKind::Integer ? kind != ArrayElementKind::String : kind == expected;
  return accepted ? index : -1;
}

template <int dimensions>
std::array<int32_t, dimensions> NextSubscripts(Operands& in) {
  std::array<int32_t, dimensions> subscripts;
  for (int32_t& subscript : subscripts) subscript = in.Int();
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
Pc DimArray(Pc at, ArrayElementKind kind) {
  Operands in(at);
  const int32_t index = NextArrayIndex(in, kind);
  const std::array<int32_t, dimensions> bounds = NextSubscripts<dimensions>(in);
  ArrayEntry* entry = ProgramArrays.Find(index);
  if (entry == nullptr) return in.Next();
  ProgramArrays.Free(index);
  const int64_t count = ElementCountOf<dimensions>(bounds, entry->header);
  void* storage =
      count > 0 ? std::calloc(static_cast<size_t>(count), ElementSizeOf(ArrayKindOf(index))) : nullptr;
  if (storage == nullptr) {
    RaiseRuntimeError(kErrorArrayNotCreated);
    return in.Next();
  }
  ProgramArrays.Attach(*entry, storage, static_cast<int32_t>(count));
  return in.Next();
}

Pc CmdDimLL(Pc at) { return DimArray<1>(at, ArrayElementKind::Integer); }
Pc CmdDimLLL(Pc at) { return DimArray<2>(at, ArrayElementKind::Integer); }
Pc CmdDimLLLL(Pc at) { return DimArray<3>(at, ArrayElementKind::Integer); }
Pc CmdDimLLLLL(Pc at) { return DimArray<4>(at, ArrayElementKind::Integer); }
Pc CmdDimLLLLLL(Pc at) { return DimArray<5>(at, ArrayElementKind::Integer); }
Pc CmdDimSL(Pc at) { return DimArray<1>(at, ArrayElementKind::String); }
Pc CmdDimSLL(Pc at) { return DimArray<2>(at, ArrayElementKind::String); }
Pc CmdDimSLLL(Pc at) { return DimArray<3>(at, ArrayElementKind::String); }
Pc CmdDimSLLLL(Pc at) { return DimArray<4>(at, ArrayElementKind::String); }
Pc CmdDimSLLLLL(Pc at) { return DimArray<5>(at, ArrayElementKind::String); }

Pc CmdUndimL(Pc at) {
  Operands in(at);
  ProgramArrays.Free(NextArrayIndex(in, ArrayElementKind::Integer));
  return in.Next();
}
Pc CmdUndimS(Pc at) {
  Operands in(at);
  ProgramArrays.Free(NextArrayIndex(in, ArrayElementKind::String));
  return in.Next();
}

// ---- Element store ----

// The element's slot for the subscripts that follow, or nullptr (after raising 102 when the
// array exists but the offset is outside it). Reads the subscripts in every case.
template <int dimensions, typename Element>
Element* NextElementSlot(Operands& in, int32_t index) {
  const std::array<int32_t, dimensions> subscripts = NextSubscripts<dimensions>(in);
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
Pc StoreNumber(Pc at) {
  Operands in(at);
  const int32_t index = NextArrayIndex(in, ArrayElementKind::Integer);
  int32_t* slot = NextElementSlot<dimensions, int32_t>(in, index);
  const int32_t value = in.Numeric().i;
  if (slot != nullptr) *slot = value;
  return in.Next();
}

// An integer value into a float array: the nearest single.
template <int dimensions>
Pc StoreIntegerAsFloat(Pc at) {
  Operands in(at);
  const int32_t index = NextArrayIndex(in, ArrayElementKind::Float);
  float* slot = NextElementSlot<dimensions, float>(in, index);
  const int32_t value = in.Int();
  if (slot != nullptr) *slot = NearestSingle(value);
  return in.Next();
}

template <int dimensions>
Pc StoreText(Pc at) {
  Operands in(at);
  const int32_t index = NextArrayIndex(in, ArrayElementKind::String);
  char** slot = NextElementSlot<dimensions, char*>(in, index);
  const char* value = CellText(in.String());
  if (slot == nullptr) return in.Next();
  char* copy = NewText(value);
  FreeText(*slot);
  *slot = copy;
  return in.Next();
}

Pc OpArraySetLLL(Pc at) { return StoreNumber<1>(at); }
Pc OpArraySetLLLL(Pc at) { return StoreNumber<2>(at); }
Pc OpArraySetLLLLL(Pc at) { return StoreNumber<3>(at); }
Pc OpArraySetLLLLLL(Pc at) { return StoreNumber<4>(at); }
Pc OpArraySetLLLLLLL(Pc at) { return StoreNumber<5>(at); }
Pc OpArraySetFLL(Pc at) { return StoreIntegerAsFloat<1>(at); }
Pc OpArraySetFLLL(Pc at) { return StoreIntegerAsFloat<2>(at); }
Pc OpArraySetFLLLL(Pc at) { return StoreIntegerAsFloat<3>(at); }
Pc OpArraySetFLLLLL(Pc at) { return StoreIntegerAsFloat<4>(at); }
Pc OpArraySetFLLLLLL(Pc at) { return StoreIntegerAsFloat<5>(at); }
Pc OpArraySetSLS(Pc at) { return StoreText<1>(at); }
Pc OpArraySetSLLS(Pc at) { return StoreText<2>(at); }
Pc OpArraySetSLLLS(Pc at) { return StoreText<3>(at); }
Pc OpArraySetSLLLLS(Pc at) { return StoreText<4>(at); }
Pc OpArraySetSLLLLLS(Pc at) { return StoreText<5>(at); }

// ---- Element fetch ----

// A fetch records the element's slot for its result temporary, so that READ can write the
// element; a fetch that finds no element forgets any earlier slot of that temporary.
template <int dimensions>
Pc FetchNumber(Pc at) {
  Operands in(at);
  const int32_t resultWord = in.Plain();
  CellKind kind;
  ValueCell* result = OperandCell(resultWord, kind);
  const int32_t index = NextArrayIndex(in, ArrayElementKind::Integer);
  const bool dimensioned = ProgramArrays.IsDimensioned(index);
  int32_t* slot = NextElementSlot<dimensions, int32_t>(in, index);
  ProgramArrays.ElementAddresses().Record(resultWord, slot);
  if (result == nullptr || kind == CellKind::String) return in.Next();
  if (slot != nullptr) {
    result->i = *slot;
  } else if (!dimensioned) {
    result->i = 0;
  }
  return in.Next();
}

template <int dimensions>
Pc FetchText(Pc at) {
  Operands in(at);
  const int32_t resultWord = in.Plain();
  CellKind kind;
  ValueCell* result = OperandCell(resultWord, kind);
  const int32_t index = NextArrayIndex(in, ArrayElementKind::String);
  char** slot = NextElementSlot<dimensions, char*>(in, index);
  ProgramArrays.ElementAddresses().Record(resultWord, slot);
  if (result == nullptr || kind != CellKind::String) return in.Next();
  StoreStringResult(*result, slot != nullptr && *slot != nullptr ? *slot : "");
  return in.Next();
}

Pc OpArrayGetLLL(Pc at) { return FetchNumber<1>(at); }
Pc OpArrayGetLLLL(Pc at) { return FetchNumber<2>(at); }
Pc OpArrayGetLLLLL(Pc at) { return FetchNumber<3>(at); }
Pc OpArrayGetLLLLLL(Pc at) { return FetchNumber<4>(at); }
Pc OpArrayGetLLLLLLL(Pc at) { return FetchNumber<5>(at); }
Pc OpArrayGetFFLLLLL(Pc at) { return FetchNumber<5>(at); }
Pc OpArrayGetSSL(Pc at) { return FetchText<1>(at); }
Pc OpArrayGetSSLL(Pc at) { return FetchText<2>(at); }
Pc OpArrayGetSSLLL(Pc at) { return FetchText<3>(at); }
Pc OpArrayGetSSLLLL(Pc at) { return FetchText<4>(at); }
Pc OpArrayGetSSLLLLL(Pc at) { return FetchText<5>(at); }

// ---- Fast paths chosen at load ----

// One-subscript integer and float elements, whose array operand names an array variable: the
// operand word plans the array's table entry, and the element is reached with one unsigned
// compare of the subscript against the live element count. A subscript outside the array, or an
// array not dimensioned (a live count of 0), takes the general handler with its errors.

// The table entry of the array operand at `at`, or nullptr when the word names no integer or
// float array.
const ArrayEntry* NumericArrayOperand(Pc at) {
  const int32_t index = ArrayIndexOf(WordAt(at));
  if (index < 0 || index >= kFirstStringArrayEntry) return nullptr;
  return ProgramArrays.Find(index);
}

Pc StoreElementFast(Pc at) {
  const ArrayEntry& array = *static_cast<const ArrayEntry*>(at[1].plan);
  const uint32_t offset = static_cast<uint32_t>(at[2].cell->i);
  if (offset < array.liveCount) [[likely]] {
    static_cast<int32_t*>(array.storage)[offset] = at[3].cell->i;
    return at + 4;
  }
  return OpArraySetLLL(at);
}

Pc FetchElementFast(Pc at) {
  const ArrayEntry& array = *static_cast<const ArrayEntry*>(at[2].plan);
  const uint32_t offset = static_cast<uint32_t>(at[3].cell->i);
  if (offset < array.liveCount) [[likely]] {
    at[1].cell->i = static_cast<const int32_t*>(array.storage)[offset];
    return at + 4;
  }
  return OpArrayGetLLL(at);
}

CommandHandler ChooseStore(DecodedWord* at) {
  const ArrayEntry* array = NumericArrayOperand(at + 1);
  if (array == nullptr) return &OpArraySetLLL;
  at[1].plan = array;
  return &StoreElementFast;
}

// The temporaries a READ-like command of the program names (their fetches must record the
// element), worked out once per loaded piece and set of registrations.
bool ReadsTemporary(int32_t word) {
  static uint64_t builtFor = 0;
  static std::array<bool, ElementAddressTable::kEntries> read{};
  const uint64_t key =
      (static_cast<uint64_t>(ProgramImage.transferGeneration) << 32) | CommandRegistrationGeneration();
  if (builtFor != key) {
    builtFor = key;
    read.fill(false);
    const int32_t end = ProgramImage.transferToCounters.programWrite;
    for (int32_t at = 0; at < end; ++at) {
      if (!IsElementAddressReader(ProgramImage.wordHandlers[static_cast<size_t>(at)])) continue;
      // Any of its operands may be the target (a file READ names its file first).
      const char* signature = RegisteredOperands(ProgramImage.programBlock[at]).signature;
      const int32_t operands = signature != nullptr ? static_cast<int32_t>(std::strlen(signature)) : 0;
      for (int32_t k = 1; k <= operands && at + k < end; ++k) {
        const uint32_t temporary = static_cast<uint32_t>(ProgramImage.programBlock[at + k] - kIntTemporaries);
        if (temporary < read.size()) read[temporary] = true;
      }
    }
  }
  const uint32_t temporary = static_cast<uint32_t>(word - kIntTemporaries);
  return temporary < read.size() && read[temporary];
}

CommandHandler ChooseFetch(DecodedWord* at) {
  const ArrayEntry* array = NumericArrayOperand(at + 2);
  if (array == nullptr || ReadsTemporary(WordAt(at + 1))) return &OpArrayGetLLL;
  at[2].plan = array;
  return &FetchElementFast;
}

constexpr CommandVariant kArrayVariants[] = {{OpArraySetLLL, ChooseStore}, {OpArrayGetLLL, ChooseFetch}};

// An operation into a temporary, then the store of that temporary into an element; a fetch, then
// the add and assignment that take the element in (s = s + a(i)).
constexpr CommandFusion kArrayFusions[] = {
    Fusion<OpAddLLL, StoreElementFast>(),
    Fusion<OpSubLLL, StoreElementFast>(),
    Fusion<OpMulLLL, StoreElementFast>(),
    FusionBeforePair<FetchElementFast, OpAddThenAssign>(),
};

// ---- Run life cycle ----

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

struct ChosenHandler {
  CommandHandler handler;
};
constexpr ChosenHandler kChosenElementHandlers[] = {{StoreElementFast}, {FetchElementFast}};
constexpr auto kArrayThreading =
    JoinedForms(ThreadedForms<kArrayCommands>(), ThreadedForms<kChosenElementHandlers>());

}  // namespace

constinit const CommandFamily kArrayFamily{
    kArrayCommands, kArrayFusions, kArrayVariants, {}, kArrayThreading};

void FreeAllArrays() { ProgramArrays.FreeAll(); }

}  // namespace qm
