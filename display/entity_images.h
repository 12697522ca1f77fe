// The images display entities draw from and own: the saved backgrounds of sprites, the pointer
// and the overlay are image records whose surfaces the entity owns, and what an entity draws is
// an image record found by its index (pointer, overlay) or by the sprite's image number.
#pragma once
#include <cstdint>

#include "display/display_entity.h"
#include "display/image_record.h"

namespace qm {

// The image record `index` when it can be drawn from (taken, existing, with a surface); else
// null. Index 0 is the table's reserved record and never an image.
ImageRecord* DrawableImage(int32_t index);

// The image the entity draws now, or -1 for none. A sprite finds its picture through its image
// number every time, so an image that was deleted and whose record now serves another image is
// never shown in its place; an entity without a number (pointer, overlay) draws its `imageIndex`.
int32_t EntityImage(const DisplayEntity& entity);

// Gives image `index` a surface of at least `width` x `height` in the display's format (kept when
// it is large enough already), and sets its size and picture rectangle to `width` x `height`.
// False when no surface could be made (the image then has none).
bool SizeOwnedImage(int32_t index, int32_t width, int32_t height);

// Frees image `index` with its own surface (a borrowed one is left alone): 1, or 0 when `index`
// names no image in use. The same as DeleteImage (images.h).
int32_t DeleteOwnedImage(int32_t index);

}  // namespace qm
