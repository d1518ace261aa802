#pragma once

#include "gui/QtText.h"
#include "menu/CommaText.h"
#include "platform/Failure.h"

#include <QString>
#include <string>

namespace quorvane {

// A caption typed in the window, in the Windows-1252 bytes the settings hold. One the menu cannot
// carry is refused with the reason: an empty one leaves the extension an entry with nothing to
// show, and one with a line break could be stored but never saved to a menu file and loaded back.
inline std::string captionText(const QString& typed) {
    if (typed.isEmpty())
        throw Failure("A caption cannot be empty.");
    std::string caption = qtToAnsi(typed);
    if (holdsLineBreak(caption))
        throw Failure("A caption cannot hold a line break: a menu file keeps each caption on one "
                      "line.");
    return caption;
}

} // namespace quorvane
