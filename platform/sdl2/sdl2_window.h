// The SDL window behind the main window, for the parts of the system that draw into it.
#pragma once
#include <SDL.h>

namespace qm::platform {

// The main window's SDL window; nullptr when the sdl2 backend is not in use or no window exists.
SDL_Window* Sdl2MainWindow();

// A point in the window mapped to the pixel of the presented picture under it (the picture may be
// scaled and centred in the window). Unchanged until a picture has been presented.
void MapSdl2WindowPointToPicture(int& x, int& y);
// The other way: the window point at the centre of a pixel of the presented picture.
void MapPictureToSdl2WindowPoint(int& x, int& y);

// The window is about to be destroyed: the presenter lets go of its renderer and texture, so a
// later window (which may get the same address) starts with its own.
void ReleaseSdl2Presenter();

}  // namespace qm::platform
