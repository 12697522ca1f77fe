// Freeing a display entity with the background images it owns.
#include "display/display_entity.h"

#include "display/engine_tables.h"
#include "display/entity_images.h"
#include "display/images.h"

namespace qm {

int32_t DeleteDisplayEntity(int32_t index) {
  if (!DisplayEntityTable.Exists() || !DisplayEntityTable.IsTaken(index)) return 0;
  DisplayEntity& entity = DisplayEntityTable[index];
  for (int32_t& background : entity.backgroundImage) {
    if (background != -1) DeleteImage(background);
    background = -1;
  }
  entity.backgroundSave = 0;
  return DisplayEntityTable.Release(index);
}

}  // namespace qm
