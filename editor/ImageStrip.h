#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <map>
#include <utility>

namespace quorvane {

// The program's small images, cut once from one strip of square pictures side by side, and the
// icons made of them, each made once.
class ImageStrip {
public:
    // The pictures of `strip`, each `size` pixels square.
    ImageStrip(QImage strip, int size);

    // Cuts the strip; the images are there from then on.
    void load();
    const QList<QPixmap>& images() const { return m_images; }
    // The picture of an entry: `normal`, and `selected` while it is selected; none when either
    // index is not an image.
    QIcon icon(int normal, int selected);

private:
    QImage m_strip;
    int m_size;
    QList<QPixmap> m_images;
    std::map<std::pair<int, int>, QIcon> m_icons;
};

} // namespace quorvane
