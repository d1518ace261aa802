#include "editor/ImageStrip.h"

#include <utility>

namespace quorvane {

namespace {

QList<QPixmap> cut(const QImage& image, int size) {
    QList<QPixmap> pictures;
    if (image.isNull())
        return pictures;
    const QPixmap strip = QPixmap::fromImage(image);
    for (int x = 0; x + size <= strip.width(); x += size)
        pictures.append(strip.copy(x, 0, size, size));
    return pictures;
}

} // namespace

ImageStrip::ImageStrip(QImage strip, int size, QImage largeStrip)
    : m_strip(std::move(strip)), m_size(size), m_largeStrip(std::move(largeStrip)) {}

void ImageStrip::load() {
    m_icons.clear();
    m_images = cut(m_strip, m_size);
    m_largeImages = cut(m_largeStrip, 2 * m_size);
}

QIcon ImageStrip::icon(int normal, int selected) {
    if (normal < 0 || normal >= m_images.size() || selected < 0 || selected >= m_images.size())
        return {};
    auto [it, added] = m_icons.try_emplace({normal, selected});
    if (added) {
        it->second.addPixmap(m_images[normal], QIcon::Normal);
        it->second.addPixmap(m_images[selected], QIcon::Selected);
        // QIcon picks, of the sizes it holds, the one nearest the device pixels it is drawn on.
        if (normal < m_largeImages.size() && selected < m_largeImages.size()) {
            it->second.addPixmap(m_largeImages[normal], QIcon::Normal);
            it->second.addPixmap(m_largeImages[selected], QIcon::Selected);
        }
    }
    return it->second;
}

} // namespace quorvane
