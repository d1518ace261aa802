#pragma once

#include "extension/ExtensionMenu.h"
#include "extension/Selection.h"
#include "extension/windows/ShellExtension.h"

#include <atomic>
#include <shlobj.h>
#include <string>
#include <vector>

namespace quorvane::ext {

// The object Explorer makes for a right-click: it learns the selection (IShellExtInit), adds the
// "Quorvane" cascade to the shell's menu as the settings hold it at that moment, and answers for
// the cascade's entries (IContextMenu3). Nothing leaves it as an exception: COM has no way to
// carry one, and an exception in Explorer ends Explorer.
class ContextMenu final : public IShellExtInit, public IContextMenu3 {
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID id, void** object) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data,
                            HKEY programKey) noexcept override;

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId,
                                  UINT flags) noexcept override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) noexcept override;
    STDMETHODIMP GetCommandString(UINT_PTR offset, UINT type, UINT* reserved, CHAR* name,
                                  UINT size) noexcept override;
    // IContextMenu2 and IContextMenu3: the entries draw nothing of their own yet.
    STDMETHODIMP HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;
    STDMETHODIMP HandleMenuMsg2(UINT message, WPARAM wParam, LPARAM lParam,
                                LRESULT* result) noexcept override;

private:
    ~ContextMenu() = default;

    // A command of the cascade: what it stands for, and the verb that names it.
    struct Command {
        const ShownEntry* entry;
        std::string verb;
    };

    void addEntries(HMENU cascade, UINT firstId, UINT lastId);
    // The command `info` names by offset or by verb, or nullptr.
    const Command* commandOf(const CMINVOKECOMMANDINFO& info) const;
    std::string helpText(const Command& command) const;

    CountedObject m_counted;
    std::atomic<ULONG> m_references{1};
    Selection m_selection;
    // The menu as read by the last QueryContextMenu; the commands point into it.
    ExtensionMenu m_menu;
    std::vector<Command> m_commands;
};

} // namespace quorvane::ext
