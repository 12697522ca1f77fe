// The six number maps, process-wide.
#include "display/number_maps.h"

namespace qm {

NumberMap SpriteNumberMap(1, 65535);
NumberMap ImageNumberMap(1, 65535);
NumberMap ObjectNumberMap(1, 65535);
NumberMap MatrixNumberMap(1, 65535);
NumberMap MeshNumberMap(1, 65534);
NumberMap LightNumberMap(0, 65535);

void ClearNumberMaps() {
  for (NumberMap* map : {&SpriteNumberMap, &ImageNumberMap, &ObjectNumberMap, &MatrixNumberMap,
                         &MeshNumberMap, &LightNumberMap})
    map->Clear();
}

}  // namespace qm
