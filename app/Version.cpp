#include "app/Version.h"

#include "quorvane/Version.h"

#include <QDate>

namespace quorvane {

QString versionLine(const QLocale& locale) {
    const QDate released(1996, 12, 19);
    return QStringLiteral("v" QUORVANE_VERSION_TEXT " (%1)")
        .arg(locale.toString(released, QLocale::ShortFormat));
}

} // namespace quorvane
