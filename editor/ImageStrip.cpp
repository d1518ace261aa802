#include "editor/ImageStrip.h"

#include <utility>

namespace quorvane {

ImageStrip::ImageStrip(QImage strip, int size) : m_strip(std::move(strip)), m_size(size) {}

void ImageStrip::load() {
    const QPixmap strip = QPixmap::fromImage(m_strip);
    m_images.clear();
    m_icons.clear();
    for (int x = 0; x + m_size <= strip.width(); x += m_size)
        m_images.append(strip.copy(x, 0, m_size, m_size));
}

QIcon ImageStrip::icon(int normal, int selected) {
    if (normal < 0 || normal >= m_images.size() || selected < 0 || selected >= m_images.size())
        return {};
    auto [it, added] = m_icons.try_emplace({normal, selected});
    if (added) {
        it->second.addPixmap(m_images[normal], QIcon::Normal);
        it->second.addPixmap(m_images[selected], QIcon::Selected);
    }
    return it->second;
}

} // namespace quorvane
