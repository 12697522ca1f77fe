#include "display/video_library.h"

#include <dlfcn.h>
#include <libavutil/version.h>
#include <libswscale/version.h>

#include "platform/shared_library.h"

namespace qm {
namespace {

// The run-time names of the libraries the headers belong to, so a machine with only the run-time
// packages (no development links) opens the same versions the code was built against.
#define QM_SONAME(base, major) "lib" base ".so." AV_STRINGIFY(major)
constexpr const char* kAvutil = QM_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR);
constexpr const char* kAvcodec = QM_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR);
constexpr const char* kAvformat = QM_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR);
constexpr const char* kSwscale = QM_SONAME("swscale", LIBSWSCALE_VERSION_MAJOR);
#undef QM_SONAME

struct LoadOutcome {
  bool tried = false;
  bool loaded = false;
  std::string error;
};

VideoFunctions gVideo;
LoadOutcome gOutcome;

struct Libraries {
  platform::LibraryHandle avutil, avcodec, avformat, swscale;
};

bool OpenLibrary(const char* name, platform::LibraryHandle& library, std::string& error) {
  library = {dlopen(name, RTLD_NOW | RTLD_LOCAL), name};
  if (library.handle != nullptr) return true;
  const char* text = dlerror();
  error =
      std::string("the video library ") + name + " could not be opened: " + (text ? text : "unknown error");
  return false;
}

bool LoadAll(std::string& error) {
  Libraries libraries;
  if (!OpenLibrary(kAvutil, libraries.avutil, error) || !OpenLibrary(kAvcodec, libraries.avcodec, error) ||
      !OpenLibrary(kAvformat, libraries.avformat, error) || !OpenLibrary(kSwscale, libraries.swscale, error))
    return false;
  VideoFunctions functions;
#define QM_VIDEO_RESOLVE(library, name) \
  if (!platform::ResolveLibraryFunction(libraries.library, #name, functions.name, error)) return false;
  QM_VIDEO_FUNCTIONS(QM_VIDEO_RESOLVE)
#undef QM_VIDEO_RESOLVE
  // The libraries stay open for the rest of the process: decoders keep pointers into them.
  gVideo = functions;
  return true;
}

}  // namespace

const VideoFunctions* LoadVideoFunctions(std::string* why) {
  if (!gOutcome.tried) {
    gOutcome.tried = true;
    gOutcome.loaded = LoadAll(gOutcome.error);
  }
  if (!gOutcome.loaded && why != nullptr) *why = gOutcome.error;
  return gOutcome.loaded ? &gVideo : nullptr;
}

const VideoFunctions& Video() { return gVideo; }

}  // namespace qm
