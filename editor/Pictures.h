#pragma once

#include <QImage>

namespace quorvane {

// The program's pictures, made from the XPM files in resources/ at build time
// (tools/PicturePixels.cpp) and compiled in as pixels: each is an image over constant data, made
// without reading a file, a resource or XPM text, and without Qt listing its image plug-ins.

// Nine 16x16 pictures side by side: submenu, submenu selected, operation, separator, extension
// item, Move To, Copy To, Run/Open, Send To. Where the file has olive, the picture is transparent.
QImage smallImages();
// The same nine at 32x32, for screens of two device pixels to the pixel or more.
QImage smallImages32();
// The program's icon, 64x64 (for a scale factor of 2 and above), 32x32 and 16x16.
QImage icon64();
QImage icon32();
QImage icon16();

} // namespace quorvane
