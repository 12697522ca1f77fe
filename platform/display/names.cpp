// Names of results and formats, for messages and test output.
#include "platform/display/display_result.h"
#include "platform/display/pixel_format.h"

namespace qm::platform {

const char* DisplayResultName(DisplayResult result) {
  static const char* const kNames[] = {"Ok",          "InvalidRect",     "InvalidParams", "InvalidCaps",
                                       "SurfaceLost", "WasStillDrawing", "SurfaceBusy",   "NotLocked",
                                       "Unsupported", "OutOfMemory",     "InvalidMode",   "NoExclusiveMode",
                                       "NotFound",    "Generic"};
  return kNames[static_cast<int>(result)];
}

const char* PixelFormatName(PixelFormat format) {
  static const char* const kNames[] = {"R5G6B5", "X1R5G5B5", "R8G8B8", "X8R8G8B8", "DXT1",
                                       "DXT2",   "DXT3",     "DXT4",   "DXT5"};
  return kNames[static_cast<int>(format)];
}

}  // namespace qm::platform
