#pragma once

#include <array>
#include <string_view>

// The names of the stored values, as the extension and every earlier version read and write
// them: the stored format, spelled as stored, however terse or odd.
namespace quorvane::value {

inline constexpr std::string_view installMark = "v"; // stored name: the installation mark
inline constexpr std::string_view itemsAvailable = "ItemsAvailable";
inline constexpr std::string_view theMenu = "TheMenu";
// Stored name; only the extension gives it a meaning, this program writes its default.
inline constexpr std::string_view displayRef = "DisplayRef";
// Stored names: the main window's left, top, width and height.
inline constexpr std::string_view windowLeft = "MWnL";
inline constexpr std::string_view windowTop = "MWnT";
inline constexpr std::string_view windowWidth = "MWnW";
inline constexpr std::string_view windowHeight = "MWnH";
// How the window was arranged inside, beside its placement: the tree's share of the room beside
// the list in thousandths, and whether it was maximized.
inline constexpr std::string_view windowTreeShare = "MWnS";
inline constexpr std::string_view windowMaximized = "MWnM";
// The widths the user gave the list's two columns, and the directory chooser's size.
inline constexpr std::string_view listOperationWidth = "MWnO";
inline constexpr std::string_view listDescriptionWidth = "MWnD";
inline constexpr std::string_view chooserWidth = "DirW";
inline constexpr std::string_view chooserHeight = "DirH";
inline constexpr std::string_view dosPromptFile = "DOSPromptFile";
inline constexpr std::string_view altPromptFile = "AltPromptFile";
inline constexpr std::string_view altPromptStart = "AltPromptStart";
inline constexpr std::string_view cPromptFile = "CPromptFile";
inline constexpr std::string_view stampOptions = "StampOptions";
inline constexpr std::string_view copyCrLf = "CopyCRLF";
inline constexpr std::string_view appendCrLf = "AppendCRLF";
inline constexpr std::string_view addPrePath = "AddPrePath";
inline constexpr std::string_view addFileExt = "AddFileExt";

inline constexpr std::string_view extItems = "ExtItems";
inline constexpr std::string_view moveItems = "MoveItems";
inline constexpr std::string_view copyItems = "CopyItems";
inline constexpr std::string_view fileItems = "FileItems";
inline constexpr std::string_view sendItems = "SendItems";
inline constexpr std::string_view moveDirItems = "MoveDirItems";
inline constexpr std::string_view copyDirItems = "CopyDirItems";
inline constexpr std::string_view fileDirItems = "FileDirItems";
inline constexpr std::string_view sendDirItems = "SendDirItems";

// The nine item lists in the order they are read, written and given defaults.
inline constexpr std::array<std::string_view, 9> itemLists{
    extItems,     moveItems,    copyItems,    fileItems,    sendItems,
    moveDirItems, copyDirItems, fileDirItems, sendDirItems,
};

// The values the program reads as integers, booleans among them: a menu file gives them as "i:"
// lines.
inline constexpr std::array<std::string_view, 11> integerValues{
    installMark,  displayRef, windowLeft, windowTop,  windowWidth, windowHeight,
    stampOptions, copyCrLf,   appendCrLf, addPrePath, addFileExt,
};

// The values besides the operation captions (menu/Catalog.h) and the item lists that the program
// reads as text: a menu file gives them as "s:" lines.
inline constexpr std::array<std::string_view, 6> textValues{
    itemsAvailable, theMenu, dosPromptFile, altPromptFile, altPromptStart, cPromptFile,
};

} // namespace quorvane::value

// Default item lists and options, written on first start; they are stored texts, typing slips
// (the missing colon of "Drive A", "db-click") included.
namespace quorvane::defaults {

inline constexpr std::string_view extItems = R"("exe","txt","doc")";
inline constexpr std::string_view moveItems = R"("Drive A:","db-click to set directory")";
inline constexpr std::string_view moveDirItems = R"(a:\,"Unset Move Item")";
inline constexpr std::string_view copyItems = R"("Drive A","db-click to set directory")";
inline constexpr std::string_view copyDirItems = R"(a:\,"Unset Copy Item")";
inline constexpr std::string_view fileItems = R"("Drive A:","db-click to set new file")";
inline constexpr std::string_view fileDirItems = R"(a:\,"Unset Run/Open Item")";
inline constexpr std::string_view sendItems = R"("Send Item")";
inline constexpr std::string_view sendDirItems = R"("SendDIR")";
inline constexpr std::string_view altPromptStart = R"(c:\4dos\4dos.com)";

} // namespace quorvane::defaults
