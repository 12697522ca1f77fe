// SDL2 at run time. Nothing links SDL2: the sdl2 backend opens the library when a window is first
// asked for, so a headless run (tests, QUILLMOOR_HEADLESS=1, no display) never loads SDL2 or the
// display libraries it pulls in. SDL's headers still give the types, constants and each
// function's signature at compile time.
//
// Every SDL call goes through the one table below: add the function's name without its SDL_
// prefix to QM_SDL_FUNCTIONS, then call it as Sdl().Name(...). The table is resolved whole or not
// at all, so a loaded table has every entry. A direct SDL_Name(...) call does not link.
#pragma once
#include <SDL.h>

#include <string>

// The SDL functions the system calls, by name without the SDL_ prefix.
#define QM_SDL_FUNCTIONS(X) \
  X(GetError)               \
  X(SetHint)                \
  X(InitSubSystem)          \
  X(GetCurrentVideoDriver)  \
  X(QuitSubSystem)          \
  X(free)                   \
  X(CreateWindow)           \
  X(DestroyWindow)          \
  X(SetWindowTitle)         \
  X(ShowWindow)             \
  X(RestoreWindow)          \
  X(RaiseWindow)            \
  X(SetWindowPosition)      \
  X(SetWindowSize)          \
  X(GetWindowSize)          \
  X(GetWindowDisplayIndex)  \
  X(GetDesktopDisplayMode)  \
  X(ShowCursor)             \
  X(WarpMouseInWindow)      \
  X(StartTextInput)         \
  X(StopTextInput)          \
  X(PollEvent)              \
  X(SetClipboardText)       \
  X(HasClipboardText)       \
  X(GetClipboardText)       \
  X(ShowSimpleMessageBox)   \
  X(SetWindowFullscreen)    \
  X(GetWindowPosition)      \
  X(CaptureMouse)           \
  X(GetRenderer)            \
  X(CreateRenderer)         \
  X(GetRendererOutputSize)  \
  X(SetRenderDrawColor)     \
  X(RenderClear)            \
  X(RenderCopy)             \
  X(RenderPresent)          \
  X(CreateTexture)          \
  X(UpdateTexture)          \
  X(DestroyTexture)         \
  X(HideWindow)             \
  X(MinimizeWindow)         \
  X(MaximizeWindow)         \
  X(SetWindowBordered)      \
  X(SetWindowResizable)     \
  X(DestroyRenderer)

namespace qm::platform {

// The library the loader opens: the SDL2 runtime's soname, as Debian's libsdl2-2.0-0 installs it.
inline constexpr const char* kSdlLibraryName = "libSDL2-2.0.so.0";

// One pointer per function of QM_SDL_FUNCTIONS, typed from SDL's own declaration.
struct SdlFunctions {
#define QM_SDL_FUNCTION_POINTER(name) decltype(&::SDL_##name) name = nullptr;
  QM_SDL_FUNCTIONS(QM_SDL_FUNCTION_POINTER)
#undef QM_SDL_FUNCTION_POINTER
};

// Opens SDL2 and resolves the table, the first time it is called; later calls give the first
// outcome again. False when the library cannot be opened or lacks a function: `error` then says
// which, and the table stays empty. The library stays loaded for the rest of the process.
bool LoadSdl(std::string& error);
bool SdlLoaded();
// The table: only for use after LoadSdl succeeded.
const SdlFunctions& Sdl();

// Opens `library` and resolves every function of the table from it into `functions`. On failure
// the library is closed again, `functions` is left empty and `error` names what was missing.
bool LoadSdlFunctionsFrom(const char* library, SdlFunctions& functions, std::string& error);

}  // namespace qm::platform
