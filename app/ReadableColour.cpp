#include "app/ReadableColour.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QEvent>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

double linear(std::uint8_t component) {
    const double c = component / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// A background counts as dark when white text on it reads better than black text.
bool isDark(Rgb background) {
    return contrastRatio(background, {255, 255, 255}) > contrastRatio(background, {0, 0, 0});
}

struct Hsl {
    double hue = 0;        // degrees
    double saturation = 0; // 0 to 1
    double lightness = 0;  // 0 to 1
};

Hsl toHsl(Rgb colour) {
    const double r = colour.red / 255.0, g = colour.green / 255.0, b = colour.blue / 255.0;
    const double high = std::max({r, g, b}), low = std::min({r, g, b});
    Hsl hsl;
    hsl.lightness = (high + low) / 2;
    const double range = high - low;
    if (range == 0)
        return hsl;
    hsl.saturation = range / (1 - std::abs(2 * hsl.lightness - 1));
    if (high == r)
        hsl.hue = 60 * std::fmod((g - b) / range + 6, 6);
    else if (high == g)
        hsl.hue = 60 * ((b - r) / range + 2);
    else
        hsl.hue = 60 * ((r - g) / range + 4);
    return hsl;
}

Rgb toRgb(const Hsl& hsl) {
    const double chroma = (1 - std::abs(2 * hsl.lightness - 1)) * hsl.saturation;
    const double h = hsl.hue / 60;
    const double x = chroma * (1 - std::abs(std::fmod(h, 2) - 1));
    double r = 0, g = 0, b = 0;
    if (h < 1)
        r = chroma, g = x;
    else if (h < 2)
        r = x, g = chroma;
    else if (h < 3)
        g = chroma, b = x;
    else if (h < 4)
        g = x, b = chroma;
    else if (h < 5)
        r = x, b = chroma;
    else
        r = chroma, b = x;
    const double m = hsl.lightness - chroma / 2;
    const auto component = [m](double c) {
        return static_cast<std::uint8_t>(std::clamp(std::lround((c + m) * 255), 0L, 255L));
    };
    return {component(r), component(g), component(b)};
}

// What shows behind a widget: its own background when it paints one, otherwise the nearest
// parent's that does, and at last its window's.
QColor backgroundBehind(const QWidget& widget) {
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(&widget))
        return area->viewport()->palette().color(area->viewport()->backgroundRole());
    const QWidget* painter = &widget;
    while (!painter->isWindow() && !painter->autoFillBackground() && painter->parentWidget())
        painter = painter->parentWidget();
    return painter->palette().color(painter->backgroundRole());
}

} // namespace

double relativeLuminance(Rgb colour) {
    return 0.2126 * linear(colour.red) + 0.7152 * linear(colour.green) +
           0.0722 * linear(colour.blue);
}

double contrastRatio(Rgb first, Rgb second) {
    const double a = relativeLuminance(first), b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Rgb readableOn(Rgb wanted, Rgb background) {
    if (!isDark(background) || contrastRatio(wanted, background) >= readableContrast)
        return wanted;
    // Lighter tones of the same hue, in small steps, up to white, which always reads on a
    // background this dark.
    Hsl hsl = toHsl(wanted);
    for (int step = static_cast<int>(std::ceil(hsl.lightness * 100)); step <= 100; ++step) {
        hsl.lightness = step / 100.0;
        const Rgb lighter = toRgb(hsl);
        if (contrastRatio(lighter, background) >= readableContrast)
            return lighter;
    }
    return {255, 255, 255};
}

QColor readableOn(const QColor& wanted, const QColor& background) {
    const QColor w = wanted.toRgb(), b = background.toRgb();
    const Rgb chosen =
        readableOn(Rgb{std::uint8_t(w.red()), std::uint8_t(w.green()), std::uint8_t(w.blue())},
                   Rgb{std::uint8_t(b.red()), std::uint8_t(b.green()), std::uint8_t(b.blue())});
    return QColor(chosen.red, chosen.green, chosen.blue, w.alpha());
}

namespace {

void applyReadableColours(QWidget& window) {
    static const QRegularExpression designed(
        QStringLiteral(R"(^\s*color:\s*rgb\((\d+),\s*(\d+),\s*(\d+)\);?\s*$)"));
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets.prepend(&window);
    for (QWidget* widget : widgets) {
        const QRegularExpressionMatch match = designed.match(widget->styleSheet());
        if (!match.hasMatch())
            continue;
        // The colour as designed is kept on the widget, so that a later palette starts from it.
        QVariant designedColour = widget->property("designedTextColour");
        if (!designedColour.isValid()) {
            designedColour = QColor(match.captured(1).toInt(), match.captured(2).toInt(),
                                    match.captured(3).toInt());
            widget->setProperty("designedTextColour", designedColour);
        }
        const QColor shown = readableOn(designedColour.value<QColor>(), backgroundBehind(*widget));
        const QString sheet = QStringLiteral("color: rgb(%1, %2, %3);")
                                  .arg(shown.red())
                                  .arg(shown.green())
                                  .arg(shown.blue());
        if (sheet != widget->styleSheet())
            widget->setStyleSheet(sheet);
    }
}

// Chooses the colours again when the window is shown and when the desktop's palette changes.
class PaletteWatch : public QObject {
public:
    explicit PaletteWatch(QWidget& window) : QObject(&window), m_window(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_window)
            return false;
        if (event->type() == QEvent::Show) {
            applyReadableColours(m_window);
        } else if (event->type() == QEvent::PaletteChange ||
                   event->type() == QEvent::ApplicationPaletteChange) {
            // After the change has reached every widget of the window.
            QTimer::singleShot(0, this, [this] { applyReadableColours(m_window); });
        }
        return false;
    }

private:
    QWidget& m_window;
};

} // namespace

void makeTextReadable(QWidget& window) {
    applyReadableColours(window);
    const QString watchName = QStringLiteral("readableColourWatch");
    if (window.findChild<QObject*>(watchName, Qt::FindDirectChildrenOnly))
        return;
    auto* watch = new PaletteWatch(window);
    watch->setObjectName(watchName);
    window.installEventFilter(watch);
}

} // namespace quorvane
