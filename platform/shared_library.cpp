// Opening system libraries with dlopen and finding their functions.
#include "platform/shared_library.h"

#include <dlfcn.h>

namespace qm::platform {

LibraryHandle OpenLibrary(const char* name, std::string& error) {
  LibraryHandle library{dlopen(name, RTLD_NOW | RTLD_LOCAL), name};
  if (library.handle == nullptr) {
    const char* reason = dlerror();
    error =
        std::string("the library ") + name + " could not be opened: " + (reason ? reason : "unknown error");
  }
  return library;
}

void CloseLibrary(const LibraryHandle& library) {
  if (library.handle != nullptr) dlclose(library.handle);
}

void* FindLibrarySymbol(const LibraryHandle& library, const char* symbol, std::string& error) {
  void* address = dlsym(library.handle, symbol);
  if (address == nullptr) error = std::string(library.name) + " lacks " + symbol;
  return address;
}

}  // namespace qm::platform
