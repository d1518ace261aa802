#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane {

// What an entry of the menu is; every structural decision switches on this, never on the code.
enum class Kind : std::uint8_t {
    Root = 0,
    Submenu = 1,
    Operation = 2,
    Separator = 3,
    Extension = 4,
    MoveTo = 5,
    CopyTo = 6,
    RunOpen = 7,
    SendTo = 8,
};

// Codes of the non-operation entries, as they stand in a menu string.
namespace code {
inline constexpr std::int32_t separator = -1;
inline constexpr std::int32_t endOfSubmenu = -2; // also the code of the "New SubMenu" entry
inline constexpr std::int32_t submenu = -3;      // a submenu read from a menu string
inline constexpr std::int32_t root = -4;
inline constexpr std::int32_t extension = -5;
inline constexpr std::int32_t moveTo = -6;
inline constexpr std::int32_t copyTo = -7;
inline constexpr std::int32_t runOpen = -8;
inline constexpr std::int32_t sendTo = -9;
} // namespace code

// The record behind every tree node and list entry. Records are shared by reference: a node
// points at its record and never owns it (see RecordPool).
class TAssoc {
public:
    TAssoc(std::int32_t code, std::string descriptionOrTarget, Kind kind, std::int32_t imageIndex,
           std::int32_t selectedImageIndex)
        : code(code), descriptionOrTarget(std::move(descriptionOrTarget)), kind(kind),
          imageIndex(imageIndex), selectedImageIndex(selectedImageIndex) {}

    std::int32_t code;
    // The entry's description; for the kinds that hasTarget() names (Move To, Copy To, Run/Open
    // and Send To) the item's target instead, once it has one (an unset item still describes
    // itself). One field, because the list's "Description" column shows either.
    std::string descriptionOrTarget;
    Kind kind;
    std::int32_t imageIndex;
    std::int32_t selectedImageIndex;
};

inline constexpr int operationCount = 21;

// The operations by the code a menu string holds them under, each named after the value that
// stores its caption. The catalogue is indexed by them and the extension carries them out by them.
enum class OperationCode : std::int32_t {
    ExploreFromHere = 0,
    OpenContainer = 1,
    NameToClipboard = 2,
    TargetNameToClipboard = 3,
    ShowClipboard = 4,
    DosPrompt = 5,
    AlternativePrompt = 6,
    TargetProperties = 7,
    Configure = 8,
    CPrompt = 9,
    AppendToClipboard = 10,
    AppendTargetToClipboard = 11,
    AddThisExt = 12,
    AddThisMoveDir = 13,
    AddThisCopyDir = 14,
    AddThisFile = 15,
    Remove = 16,
    Stamp = 17,
    AddThisSendTo = 18,
    BrowseMove = 19,
    BrowseCopy = 20,
};
static_assert(static_cast<int>(OperationCode::BrowseCopy) + 1 == operationCount);

constexpr std::int32_t codeOf(OperationCode operation) {
    return static_cast<std::int32_t>(operation);
}

struct Operation {
    OperationCode code;
    std::string_view valueName;      // settings value holding the caption; the stored name
    std::string_view defaultCaption; // written on first run
    std::string_view description;
};

// The 21 operations, indexed by code.
const std::array<Operation, operationCount>& operations();

// Description of operation n. The table has one slot more than there are operations: index 21
// holds "LASTONE", which no operation uses.
std::string_view operationDescription(int n);

// Value name of the caption that is given a default on first run but is no operation. "CFLF" is
// how it is stored, not a slip to correct.
inline constexpr std::string_view toggleCrLfValueName = "ToggleCFLF";
inline constexpr std::string_view toggleCrLfDefaultCaption = "Toggle CR/LF";

namespace describe {
inline constexpr std::string_view root = "This is the root of the Quorvane-menu";
inline constexpr std::string_view newSubmenu = "This is a Submenu Item";
inline constexpr std::string_view loadedSubmenu = "This is a submenu-item";
inline constexpr std::string_view separator = "This is a Menu Separator";
inline constexpr std::string_view extension = "This is a File Extension Item";
inline constexpr std::string_view moveTo = "This is an unset Move To Item";
inline constexpr std::string_view copyTo = "This is an unset Copy To Item";
inline constexpr std::string_view runOpen = "This is an unset Run/Open Item";
inline constexpr std::string_view sendTo = "This is an unset Send To Item";
} // namespace describe

inline constexpr std::string_view rootCaption = "Quorvane";
inline constexpr std::string_view separatorCaption = "<separator>";

// The kinds the list of available entries offers before the operations, in list order.
struct KindEntry {
    Kind kind;
    std::string_view caption;
};
inline constexpr std::array<KindEntry, 7> kindEntries{{
    {Kind::Submenu, "New SubMenu"},
    {Kind::Separator, separatorCaption},
    {Kind::Extension, "Extension Item"},
    {Kind::MoveTo, "MoveTo Item"},
    {Kind::CopyTo, "CopyTo Item"},
    {Kind::RunOpen, "Run/Open Item"},
    {Kind::SendTo, "Send To Item"},
}};

// The kinds of item the user makes and the settings keep in the nine item lists (in the order of
// value::itemLists): the code a menu string gives each, and which lists hold its captions and
// its targets (-1: it has none).
struct ItemKind {
    Kind kind;
    std::int32_t code;
    int captionsList;
    int targetsList;
};
inline constexpr std::array<ItemKind, 5> itemKinds{{
    {Kind::Extension, code::extension, 0, -1},
    {Kind::MoveTo, code::moveTo, 1, 5},
    {Kind::CopyTo, code::copyTo, 2, 6},
    {Kind::RunOpen, code::runOpen, 3, 7},
    {Kind::SendTo, code::sendTo, 4, 8},
}};

// The item kind `kind` is, or nullptr for the root, submenus, operations and separators.
constexpr const ItemKind* itemKind(Kind kind) {
    for (const ItemKind& item : itemKinds)
        if (item.kind == kind)
            return &item;
    return nullptr;
}

// The item kind a menu string's `code` stands for, or nullptr.
constexpr const ItemKind* itemKindOfCode(std::int32_t code) {
    for (const ItemKind& item : itemKinds)
        if (item.code == code)
            return &item;
    return nullptr;
}

// Only the root and submenus can have entries below them.
constexpr bool holdsEntries(Kind kind) {
    return kind == Kind::Root || kind == Kind::Submenu;
}

// Move To, Copy To, Run/Open and Send To items carry their target in their own record.
constexpr bool hasTarget(Kind kind) {
    const ItemKind* item = itemKind(kind);
    return item && item->targetsList >= 0;
}

} // namespace quorvane
