// Function tables of system libraries opened with dlopen at their first use. A library linked into
// the executable is loaded, with everything it pulls in, at every start of the system; opened on
// first use it costs nothing to a program that never needs it.
//
// A table is a struct of function pointers, one per function used, declared with
// QM_LIBRARY_TABLE, which also writes the resolver that fills it:
//   #define QM_PNG_FUNCTIONS(X) X(png_sig_cmp) X(png_read_info)
//   QM_LIBRARY_TABLE(PngFunctions, QM_PNG_FUNCTIONS)
//   LibraryTable<PngFunctions> gPngLibrary("libpng16.so.16", PngFunctions::Resolve);
#pragma once
#include <mutex>
#include <string>

namespace qm::platform {

// An opened library and its run-time name (for messages).
struct LibraryHandle {
  void* handle = nullptr;
  const char* name = "";
};

// The address of `symbol` in `library`; null with `error` set ("NAME lacks SYMBOL") when it has none.
void* FindLibrarySymbol(const LibraryHandle& library, const char* symbol, std::string& error);

template <typename Pointer>
bool ResolveLibraryFunction(const LibraryHandle& library, const char* symbol, Pointer& entry,
                            std::string& error) {
  void* address = FindLibrarySymbol(library, symbol, error);
  if (address == nullptr) return false;
  entry = reinterpret_cast<Pointer>(address);
  return true;
}

#define QM_LIBRARY_ENTRY(name) decltype(&::name) name = nullptr;
#define QM_LIBRARY_RESOLVE(name) \
  if (!::qm::platform::ResolveLibraryFunction(library, #name, table.name, error)) return false;
// `Table`: one function pointer per function FUNCTIONS lists, and `Table::Resolve`, which fills
// them from an opened library (false, with the reason, at the first function it lacks).
#define QM_LIBRARY_TABLE(Table, FUNCTIONS)                                                                \
  struct Table {                                                                                          \
    FUNCTIONS(QM_LIBRARY_ENTRY)                                                                           \
    static bool Resolve(const ::qm::platform::LibraryHandle& library, Table& table, std::string& error) { \
      FUNCTIONS(QM_LIBRARY_RESOLVE)                                                                       \
      return true;                                                                                        \
    }                                                                                                     \
  };

// Opens `name` and fills `table` through `resolve`. The outcome of the first call is kept: later
// calls, from any thread, give the same answer without trying again. A library that opened stays
// open for the rest of the process (objects made by it keep pointers into it); one that lacks a
// function is closed.
template <typename Table>
class LibraryTable {
 public:
  using Resolver = bool (*)(const LibraryHandle& library, Table& table, std::string& error);
  LibraryTable(const char* name, Resolver resolve) : name_(name), resolve_(resolve) {}

  // The table, or null with the reason in `why` ("the library NAME could not be opened: ...").
  const Table* Load(std::string* why = nullptr) {
    std::call_once(tried_, [this] { loaded_ = Open(); });
    if (!loaded_ && why != nullptr) *why = error_;
    return loaded_ ? &table_ : nullptr;
  }
  // The loaded table; only valid once Load succeeded.
  const Table& Functions() const { return table_; }

 private:
  bool Open();

  const char* name_;
  Resolver resolve_;
  Table table_;
  std::once_flag tried_;
  bool loaded_ = false;
  std::string error_;
};

// Opens `name`; a handle of null with `error` set when it cannot be opened.
LibraryHandle OpenLibrary(const char* name, std::string& error);
void CloseLibrary(const LibraryHandle& library);

template <typename Table>
bool LibraryTable<Table>::Open() {
  LibraryHandle library = OpenLibrary(name_, error_);
  if (library.handle == nullptr) return false;
  Table resolved;
  if (!resolve_(library, resolved, error_)) {
    CloseLibrary(library);
    return false;
  }
  table_ = resolved;
  return true;
}

}  // namespace qm::platform
