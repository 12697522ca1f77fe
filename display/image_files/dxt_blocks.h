// DXT (S3 texture compression) blocks: decoding the colours of DXT1-5 surfaces and encoding RGB
// pixels as DXT blocks. Alpha is not kept: the display's formats have none.
#pragma once
#include <vector>

#include "platform/display/surface.h"

namespace qm {

// The colours of a compressed surface's level, rows from the top.
std::vector<platform::Rgb> DecodeDxtSurface(const platform::Surface& level);
// Encodes the RGB surface `source` (of the same size) into the compressed surface `level`.
void EncodeDxtSurface(const platform::Surface& source, platform::Surface& level);

}  // namespace qm
