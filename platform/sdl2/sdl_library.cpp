// Opening SDL2 with dlopen and resolving the function table of sdl_library.h.
#include "platform/sdl2/sdl_library.h"

#include <dlfcn.h>

#include "platform/shared_library.h"

namespace qm::platform {
namespace {

struct LoadOutcome {
  bool tried = false;
  bool loaded = false;
  std::string error;
};

SdlFunctions gSdl;
LoadOutcome gOutcome;

std::string LastLoaderError() {
  const char* text = dlerror();
  return text ? text : "unknown error";
}

}  // namespace

bool LoadSdlFunctionsFrom(const char* library, SdlFunctions& functions, std::string& error) {
  void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    error = LastLoaderError();
    return false;
  }
  SdlFunctions resolved;
  bool complete = true;
  const LibraryHandle sdl{handle, "SDL2"};
#define QM_SDL_RESOLVE(name) \
  complete = complete && ResolveLibraryFunction(sdl, "SDL_" #name, resolved.name, error);
  QM_SDL_FUNCTIONS(QM_SDL_RESOLVE)
#undef QM_SDL_RESOLVE
  if (!complete) {
    dlclose(handle);
    return false;
  }
  functions = resolved;
  return true;
}

bool LoadSdl(std::string& error) {
  if (!gOutcome.tried) {
    gOutcome.tried = true;
    gOutcome.loaded = LoadSdlFunctionsFrom(kSdlLibraryName, gSdl, gOutcome.error);
  }
  error = gOutcome.error;
  return gOutcome.loaded;
}

bool SdlLoaded() { return gOutcome.loaded; }

const SdlFunctions& Sdl() { return gSdl; }

}  // namespace qm::platform
