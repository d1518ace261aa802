#pragma once

#include <QProxyStyle>

namespace quorvane {

// The desktop's style, except that the pictures of the menu bar's overflow button are read when
// the button is first drawn. The menu bar asks for them as it is made, and reading them has Qt
// look through every image plug-in it has to identify the files, a cost every start would pay for
// a button that shows only when the window is too narrow for its menus.
class DeferredIconStyle final : public QProxyStyle {
    Q_OBJECT
public:
    // `key` names the style to wrap, as the style factory knows it.
    explicit DeferredIconStyle(const QString& key);

    QIcon standardIcon(StandardPixmap which, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace quorvane
