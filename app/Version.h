#pragma once

#include <QLocale>
#include <QString>

namespace quorvane {

// The line the help and about windows show under the product name: the version and its release
// date, the date written the way the user writes short dates.
QString versionLine(const QLocale& locale = QLocale());

} // namespace quorvane
