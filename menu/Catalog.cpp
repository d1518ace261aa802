#include "menu/Catalog.h"

#include "platform/Failure.h"

namespace quorvane {

const std::array<Operation, operationCount>& operations() {
    static constexpr std::array<Operation, operationCount> table{{
        {"ExploreFromHere", "Explore From Here",
         "Opens an explorer view rooted where you clicked."},
        {"OpenContainer", "Open Container", "Opens a folder view of the selected object."},
        {"NameToClipboard", "Copy Name",
         "Copies the name of the object you right-clicked to the clipboard."},
        {"TargetNameToClipboard", "Copy Target Name",
         "Copies the name of whatever the shortcut points at to the clipboard."},
        {"ShowClipboard", "Show Clipboard", "Shows what is currently in the clipboard."},
        {"DOSPrompt", "DOS Prompt", "Opens a DOS prompt rooted where you clicked."},
        {"AlternativePrompt", "Alternative Prompt",
         "Opens a prompt of your choice rooted where you clicked."},
        {"TargetProperties", "Target Properties",
         "Shows the properties of what the shortcut points at."},
        {"Configure", "Configure", "Allows you to reconfigure the menu (runs this program)."},
        {"CPrompt", "C:\\ Prompt", "Opens a DOS prompt at C:\\"},
        {"AppendToClipboard", "Append Name",
         "Appends the name of the object you right-clicked to the clipboard."},
        {"AppendTargetToClipboard", "Append Target Name",
         "Appends the name of what the shortcut points at to the clipboard."},
        {"AddThisExt", "Add Current Ext",
         "Adds the selected object's extension to the current menu."},
        {"AddThisMoveDir", "Add Move Dir",
         "Adds the current path to the Move To items in the menu."},
        {"AddThisCopyDir", "Add Copy Dir",
         "Adds the current path to the Copy To items in the menu."},
        {"AddThisFile", "Add Run/Open", "Adds the current file-name to the menu."},
        {"Remove", "Remove!!", "Removes the selected objects without a trace."},
        {"Stamp", "Stamp", "Sets the date/time of the selected objects to the current date/time."},
        {"AddThisSendTo", "Add Send To",
         "Adds the current file object to the Send To items in the menu."},
        {"BrowseMove", "Browse Move...",
         "Opens a dialog box letting you specify the Move destination."},
        {"BrowseCopy", "Browse Copy...",
         "Opens a dialog box letting you specify the Copy destination."},
    }};
    return table;
}

std::string_view operationDescription(int n) {
    if (n == operationCount)
        return "LASTONE";
    if (n < 0 || n > operationCount)
        throw Failure(std::string(messages::listIndexOutOfBounds));
    return operations()[static_cast<std::size_t>(n)].description;
}

} // namespace quorvane
