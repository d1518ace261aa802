#pragma once

namespace quorvane {

// The program's pictures, compiled in as XPM arrays. Made from an array, an image goes straight to
// Qt's own XPM reader; read from a file or a resource, it would first have Qt list every image
// plug-in it has, a cost each start would pay for three small pictures.

// Nine 16x16 pictures side by side: submenu, submenu selected, operation, separator, extension
// item, Move To, Copy To, Run/Open, Send To. Olive is transparent.
const char* const* smallImagesXpm();
// The program's icon, 32x32 and 16x16.
const char* const* icon32Xpm();
const char* const* icon16Xpm();

} // namespace quorvane
