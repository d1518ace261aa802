#pragma once

#include <QColor>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <map>
#include <utility>

namespace quorvane {

// The program's small images, cut once from one strip of square pictures side by side, and the
// icons made of them, each made once.
class ImageStrip {
public:
    // The strip drawn by `xpm`, its `transparent` colour left out.
    ImageStrip(const char* const* xpm, int size, QColor transparent);

    // Cuts the strip; the images are there from then on.
    void load();
    const QList<QPixmap>& images() const { return m_images; }
    // The picture of an entry: `normal`, and `selected` while it is selected; none when either
    // index is not an image.
    QIcon icon(int normal, int selected);

private:
    const char* const* m_xpm;
    int m_size;
    QColor m_transparent;
    QList<QPixmap> m_images;
    std::map<std::pair<int, int>, QIcon> m_icons;
};

} // namespace quorvane
