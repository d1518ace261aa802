#pragma once

#include "quorvane/Version.h"

#include <string_view>

namespace quorvane {

// What the core tells the user. The program shows these in a box captioned "Quorvane" with one OK
// button; the command line writes them to standard error; tests record them.
class Messages {
public:
    virtual ~Messages() = default;
    virtual void message(std::string_view text) = 0;
    // The extension has just been installed: the post-installation notice.
    virtual void installedNotice() = 0;
};

namespace messages {
inline constexpr std::string_view zeroMenuItems =
    "You cannot have zero menu-items. Then remove Quorvane altogether";
inline constexpr std::string_view cannotModify = "This item cannot be modified";
inline constexpr std::string_view installationFailed =
    "Installation probably failed. (See ReadMe.txt)";
inline constexpr std::string_view nothingHappened = "Nothing happened!";
inline constexpr std::string_view partialMenu =
    "The menu could not be loaded completely, so applying it now would throw away the part of "
    "the stored settings that is missing. Nothing was written.\nChoose one of the Preset Menus "
    "or load a menu file first.";
inline constexpr std::string_view installedHeading =
    "Quorvane v" QUORVANE_VERSION_TEXT " is installed";
} // namespace messages

} // namespace quorvane
