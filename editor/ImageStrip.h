#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <map>
#include <utility>

namespace quorvane {

// The program's small images, cut once from one strip of square pictures side by side, and the
// icons made of them, each made once. A second strip of the same pictures at twice the size gives
// the icons what a screen of two device pixels to the pixel or more draws, instead of each
// pixel doubled.
class ImageStrip {
public:
    // The pictures of `strip`, each `size` pixels square; those of `largeStrip`, when given, are
    // `2 * size` pixels square.
    ImageStrip(QImage strip, int size, QImage largeStrip = {});

    // Cuts the strip; the images are there from then on.
    void load();
    const QList<QPixmap>& images() const { return m_images; }
    const QList<QPixmap>& largeImages() const { return m_largeImages; }
    // The picture of an entry: `normal`, and `selected` while it is selected; none when either
    // index is not an image.
    QIcon icon(int normal, int selected);

private:
    QImage m_strip;
    int m_size;
    QImage m_largeStrip;
    QList<QPixmap> m_images;
    QList<QPixmap> m_largeImages;
    std::map<std::pair<int, int>, QIcon> m_icons;
};

} // namespace quorvane
