#include "extension/windows/ContextMenu.h"

#include "extension/Operations.h"
#include "extension/windows/WideText.h"
#include "extension/windows/WindowsHost.h"
#include "settings/StoredMenu.h"
#include "store/WindowsRegistry.h"

#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <windows.h>
// With WIN32_LEAN_AND_MEAN, windows.h leaves out the shell's declarations.
#include <shellapi.h>
#include <shlobj.h>

namespace quorvane::ext {

namespace {

// A caption as a menu shows it: "&" marks the next letter as the entry's key, so it is doubled to
// show as itself.
std::wstring menuText(std::string_view caption) {
    std::wstring text;
    for (const wchar_t c : ansiToWide(caption)) {
        if (c == L'&')
            text += L'&';
        text += c;
    }
    return text;
}

SelectedObject selectedObject(const std::wstring& name) {
    const std::filesystem::path path(name);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return {wideToUtf8(name), path,
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)};
}

// The selection a data object carries as a list of dropped files; nothing when it has none.
std::optional<std::vector<SelectedObject>> droppedFiles(IDataObject& data) {
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data.GetData(&format, &medium)))
        return std::nullopt;
    std::vector<SelectedObject> objects;
    if (const auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
            objects.push_back(selectedObject(name));
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return objects;
}

// What names an item kind in verbs, as quorvanectl names it.
std::string_view itemTag(Kind kind) {
    switch (kind) {
    case Kind::Extension:
        return "ext";
    case Kind::MoveTo:
        return "move";
    case Kind::CopyTo:
        return "copy";
    case Kind::RunOpen:
        return "run";
    case Kind::SendTo:
        return "send";
    default:
        return "item";
    }
}

// The folder quorvane-setup.exe is in. The installed DLL runs from the system folder, so where
// the INF installer recorded the program (App Paths, the user's own key first, as the shell looks)
// comes first, while the program is still there; then beside the DLL, where the build and an
// in-place regsvr32 leave it.
std::string setupFolder() {
    constexpr wchar_t appPath[] =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\quorvane-setup.exe";
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        std::wstring program(MAX_PATH + 2, L'\0');
        DWORD size = static_cast<DWORD>(program.size() * sizeof(wchar_t));
        if (RegGetValueW(root, appPath, nullptr, RRF_RT_REG_SZ, nullptr, program.data(), &size) !=
            ERROR_SUCCESS)
            continue;
        program.resize(std::wcslen(program.c_str()));
        if (program.size() >= 2 && program.front() == L'"' && program.back() == L'"')
            program = program.substr(1, program.size() - 2);
        const DWORD attributes = GetFileAttributesW(program.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return std::filesystem::path(program).parent_path().string();
    }
    return std::filesystem::path(thisModulePath()).parent_path().string();
}

template <typename Character>
HRESULT copyOut(const std::basic_string<Character>& text, Character* to, UINT size) {
    if (!to || size == 0)
        return E_INVALIDARG;
    const std::size_t length = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(to, text.data(), length * sizeof(Character));
    to[length] = 0;
    return S_OK;
}

} // namespace

STDMETHODIMP ContextMenu::QueryInterface(REFIID id, void** object) noexcept {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IShellExtInit))
        *object = static_cast<IShellExtInit*>(this);
    else if (IsEqualIID(id, IID_IContextMenu) || IsEqualIID(id, IID_IContextMenu2) ||
             IsEqualIID(id, IID_IContextMenu3))
        *object = static_cast<IContextMenu3*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ContextMenu::AddRef() noexcept {
    return ++m_references;
}

STDMETHODIMP_(ULONG) ContextMenu::Release() noexcept {
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

STDMETHODIMP ContextMenu::Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY) noexcept {
    try {
        Selection selection;
        if (data) {
            auto objects = droppedFiles(*data);
            if (!objects)
                return E_INVALIDARG;
            selection.objects = std::move(*objects);
        } else if (folder) {
            // A click on a folder's background names only the folder.
            std::array<wchar_t, MAX_PATH> path{};
            if (!SHGetPathFromIDListW(folder, path.data()))
                return E_INVALIDARG;
            selection.background = selectedObject(path.data());
        }
        if (selection.empty())
            return E_INVALIDARG;
        m_selection = std::move(selection);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP ContextMenu::QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId,
                                           UINT flags) noexcept {
    // A double-click asks only for the default entry, which the cascade never is.
    if (flags & CMF_DEFAULTONLY)
        return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    HMENU cascade = nullptr;
    try {
        // Read afresh at every right-click, without creating the key nor waiting for a writer.
        WindowsRegistry store(std::chrono::milliseconds(0), WindowsRegistry::Opening::ExistingOnly);
        m_menu = readExtensionMenu(store);
        m_commands.clear();
        cascade = CreatePopupMenu();
        if (!cascade)
            return E_OUTOFMEMORY;
        if (!m_menu.problem.empty())
            AppendMenuW(cascade, MF_STRING | MF_GRAYED, 0, menuText(m_menu.reason).c_str());
        else
            addEntries(cascade, firstId, lastId);
        const std::wstring caption = menuText(rootCaption);
        MENUITEMINFOW root{};
        root.cbSize = sizeof root;
        root.fMask = MIIM_SUBMENU | MIIM_STRING;
        root.hSubMenu = cascade;
        root.dwTypeData = const_cast<wchar_t*>(caption.c_str());
        if (!InsertMenuItemW(menu, index, TRUE, &root)) {
            DestroyMenu(cascade);
            return HRESULT_FROM_WIN32(GetLastError());
        }
        return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, m_commands.size());
    } catch (...) {
        if (cascade)
            DestroyMenu(cascade);
        m_commands.clear();
        return E_FAIL;
    }
}

// Depth first with a stack of its own: a menu file can nest submenus thousands deep, more than
// Explorer's stack would take in calls. A submenu joins its parent once it is complete, so that
// the entries after it follow it.
void ContextMenu::addEntries(HMENU cascade, UINT firstId, UINT lastId) {
    struct Level {
        const std::vector<ShownEntry>* entries;
        std::size_t next;
        HMENU menu;
    };
    std::vector<Level> levels{{&m_menu.menu.entries, 0, cascade}};
    std::array<int, 9> ordinals{};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.entries->size()) {
            const HMENU finished = level.menu;
            levels.pop_back();
            if (!levels.empty()) {
                const ShownEntry& submenu = (*levels.back().entries)[levels.back().next - 1];
                AppendMenuW(levels.back().menu, MF_POPUP, reinterpret_cast<UINT_PTR>(finished),
                            menuText(submenu.caption).c_str());
            }
            continue;
        }
        const ShownEntry& entry = (*level.entries)[level.next++];
        switch (entry.kind) {
        case Kind::Separator:
            AppendMenuW(level.menu, MF_SEPARATOR, 0, nullptr);
            break;
        case Kind::Submenu:
        case Kind::Root:
            levels.push_back({&entry.entries, 0, CreatePopupMenu()});
            break;
        default: {
            // The shell hands out so many identifiers; what does not fit is left out.
            const UINT id = firstId + static_cast<UINT>(m_commands.size());
            if (id > lastId)
                break;
            const std::string verb =
                entry.kind == Kind::Operation
                    ? std::string(operations()[entry.operation].valueName)
                    : std::string(itemTag(entry.kind)) +
                          std::to_string(++ordinals[static_cast<int>(entry.kind)]);
            m_commands.push_back({&entry, verb});
            AppendMenuW(level.menu, MF_STRING, id, menuText(entry.caption).c_str());
        }
        }
    }
}

const ContextMenu::Command* ContextMenu::commandOf(const CMINVOKECOMMANDINFO& info) const {
    if (IS_INTRESOURCE(info.lpVerb)) {
        const auto offset = LOWORD(reinterpret_cast<UINT_PTR>(info.lpVerb));
        return offset < m_commands.size() ? &m_commands[offset] : nullptr;
    }
    std::string verb = info.lpVerb;
    const auto& extended = reinterpret_cast<const CMINVOKECOMMANDINFOEX&>(info);
    if (info.cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info.fMask & CMIC_MASK_UNICODE) &&
        extended.lpVerbW)
        verb = wideToUtf8(extended.lpVerbW);
    for (const Command& command : m_commands)
        if (command.verb == verb)
            return &command;
    return nullptr;
}

STDMETHODIMP ContextMenu::InvokeCommand(CMINVOKECOMMANDINFO* info) noexcept {
    if (!info)
        return E_INVALIDARG;
    try {
        const Command* command = commandOf(*info);
        if (!command)
            return E_FAIL;
        // One host and one store serve every menu: work in the background reports through the
        // host, and the "Add" operations commit through the store, after this object is gone.
        static WindowsHost host;
        static WindowsRegistry store;
        activate(*command->entry, m_selection, host, store, Programs{setupFolder()});
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

std::string ContextMenu::helpText(const Command& command) const {
    const ShownEntry& entry = *command.entry;
    if (entry.kind == Kind::Operation)
        return std::string(operations()[entry.operation].description);
    if (hasTarget(entry.kind))
        return entry.target;
    return std::string(describe::extension);
}

STDMETHODIMP ContextMenu::GetCommandString(UINT_PTR offset, UINT type, UINT*, CHAR* name,
                                           UINT size) noexcept {
    if (offset >= m_commands.size())
        return E_INVALIDARG;
    try {
        const Command& command = m_commands[offset];
        switch (type) {
        case GCS_VALIDATEA:
        case GCS_VALIDATEW:
            return S_OK;
        case GCS_VERBA:
            return copyOut(command.verb, name, size);
        case GCS_VERBW:
            return copyOut(utf8ToWide(command.verb), reinterpret_cast<wchar_t*>(name), size);
        case GCS_HELPTEXTA:
            return copyOut(helpText(command), name, size);
        case GCS_HELPTEXTW:
            return copyOut(ansiToWide(helpText(command)), reinterpret_cast<wchar_t*>(name), size);
        default:
            return E_INVALIDARG;
        }
    } catch (...) {
        return E_FAIL;
    }
}

STDMETHODIMP ContextMenu::HandleMenuMsg(UINT, WPARAM, LPARAM) noexcept {
    return S_OK;
}

STDMETHODIMP ContextMenu::HandleMenuMsg2(UINT, WPARAM, LPARAM, LRESULT* result) noexcept {
    if (result)
        *result = 0;
    return S_OK;
}

} // namespace quorvane::ext
