// The six number maps, process-wide.
#include "display/number_maps.h"

namespace qm {

namespace {

// The entries of the six maps: zeroed data, whose pages are only taken as numbers are set.
int32_t gEntries[6][kNumberMapEntries];

}  // namespace

NumberMap SpriteNumberMap(1, 65535, gEntries[0]);
NumberMap ImageNumberMap(1, 65535, gEntries[1]);
NumberMap ObjectNumberMap(1, 65535, gEntries[2]);
NumberMap MatrixNumberMap(1, 65535, gEntries[3]);
NumberMap MeshNumberMap(1, 65534, gEntries[4]);
NumberMap LightNumberMap(0, 65535, gEntries[5]);

void ClearNumberMaps() {
  for (NumberMap* map : {&SpriteNumberMap, &ImageNumberMap, &ObjectNumberMap, &MatrixNumberMap,
                         &MeshNumberMap, &LightNumberMap})
    map->Clear();
}

}  // namespace qm
