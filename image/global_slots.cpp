#include "image/global_slots.h"

namespace image {

GlobalSlots Globals;

}  // namespace image
