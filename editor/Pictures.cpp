#include "editor/Pictures.h"

// XPM files are C arrays.
#include "resources/SmallImages.xpm"
#include "resources/quorvane16.xpm"
#include "resources/quorvane32.xpm"

namespace quorvane {

const char* const* smallImagesXpm() {
    return SmallImages;
}

const char* const* icon32Xpm() {
    return quorvane32;
}

const char* const* icon16Xpm() {
    return quorvane16;
}

} // namespace quorvane
