#include "menu/Catalog.h"

#include "platform/Failure.h"

namespace quorvane {

const std::array<Operation, operationCount>& operations() {
    static constexpr std::array<Operation, operationCount> table{{
        {OperationCode::ExploreFromHere, "ExploreFromHere", "Explore From Here",
         "Opens an explorer view rooted where you clicked."},
        {OperationCode::OpenContainer, "OpenContainer", "Open Container",
         "Opens a folder view of the selected object."},
        {OperationCode::NameToClipboard, "NameToClipboard", "Copy Name",
         "Copies the name of the object you right-clicked to the clipboard."},
        {OperationCode::TargetNameToClipboard, "TargetNameToClipboard", "Copy Target Name",
         "Copies the name of whatever the shortcut points at to the clipboard."},
        {OperationCode::ShowClipboard, "ShowClipboard", "Show Clipboard",
         "Shows what is currently in the clipboard."},
        {OperationCode::DosPrompt, "DOSPrompt", "DOS Prompt",
         "Opens a DOS prompt rooted where you clicked."},
        {OperationCode::AlternativePrompt, "AlternativePrompt", "Alternative Prompt",
         "Opens a prompt of your choice rooted where you clicked."},
        {OperationCode::TargetProperties, "TargetProperties", "Target Properties",
         "Shows the properties of what the shortcut points at."},
        {OperationCode::Configure, "Configure", "Configure",
         "Allows you to reconfigure the menu (runs this program)."},
        {OperationCode::CPrompt, "CPrompt", "C:\\ Prompt", "Opens a DOS prompt at C:\\"},
        {OperationCode::AppendToClipboard, "AppendToClipboard", "Append Name",
         "Appends the name of the object you right-clicked to the clipboard."},
        {OperationCode::AppendTargetToClipboard, "AppendTargetToClipboard", "Append Target Name",
         "Appends the name of what the shortcut points at to the clipboard."},
        {OperationCode::AddThisExt, "AddThisExt", "Add Current Ext",
         "Adds the selected object's extension to the current menu."},
        {OperationCode::AddThisMoveDir, "AddThisMoveDir", "Add Move Dir",
         "Adds the current path to the Move To items in the menu."},
        {OperationCode::AddThisCopyDir, "AddThisCopyDir", "Add Copy Dir",
         "Adds the current path to the Copy To items in the menu."},
        {OperationCode::AddThisFile, "AddThisFile", "Add Run/Open",
         "Adds the current file-name to the menu."},
        {OperationCode::Remove, "Remove", "Remove!!",
         "Removes the selected objects without a trace."},
        {OperationCode::Stamp, "Stamp", "Stamp",
         "Sets the date/time of the selected objects to the current date/time."},
        {OperationCode::AddThisSendTo, "AddThisSendTo", "Add Send To",
         "Adds the current file object to the Send To items in the menu."},
        {OperationCode::BrowseMove, "BrowseMove", "Browse Move...",
         "Opens a dialog box letting you specify the Move destination."},
        {OperationCode::BrowseCopy, "BrowseCopy", "Browse Copy...",
         "Opens a dialog box letting you specify the Copy destination."},
    }};
    static_assert(
        [] {
            for (std::size_t n = 0; n < table.size(); ++n)
                if (codeOf(table[n].code) != static_cast<std::int32_t>(n))
                    return false;
            return true;
        }(),
        "the catalogue lists the operations in code order");
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
