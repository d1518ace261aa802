// Does with Quorvane.dll what Explorer does on a right-click, through the same COM interfaces, and
// prints what it got, so that the end-to-end runs under Wine (whose own explorer never loads
// context-menu handlers) and a smoke test on Windows can compare it with quorvanectl:
//
//   quorvane_shell_harness menu DLL PATH...               the cascade for the selected objects
//   quorvane_shell_harness menu DLL --background FOLDER   the cascade for a folder's background
//   quorvane_shell_harness invoke DLL VERB [--answer no] PATH...
//                                                        chooses the entry VERB names
//   quorvane_shell_harness shortcut LINK TARGET           makes a shortcut (.lnk) to TARGET
//
// The cascade is printed as "quorvanectl show" prints the stored menu. While a choice is carried
// out, each message box the DLL shows is printed ("box: " and its text) and answered as a user
// would: Yes (or No, with --answer no) where it asks, OK where it tells. After it, the
// clipboard's text is printed, as Unicode and as ANSI text, with line ends shown as \r \n.
// Every step that does not answer as Explorer expects ends the run with status 1 and says which.

#include "menu/Catalog.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>
#include <windows.h>
// With WIN32_LEAN_AND_MEAN, windows.h leaves out COM's and the shell's declarations.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

// {DE3126B8-746B-43C5-A6D9-DDBC86ACD1D3}
constexpr CLSID extensionClassId = {
    0xde3126b8, 0x746b, 0x43c5, {0xa6, 0xd9, 0xdd, 0xbc, 0x86, 0xac, 0xd1, 0xd3}};
constexpr UINT firstId = 100;
constexpr UINT lastId = 0x7fff;

struct Failed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string hex(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(result));
    return text;
}

void check(HRESULT result, const std::string& what) {
    if (FAILED(result))
        throw Failed(what + " failed with " + hex(result));
}

std::string narrow(std::wstring_view wide, UINT codePage = CP_ACP) {
    if (wide.empty())
        return {};
    const int length = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                        length, nullptr, nullptr);
    return text;
}

// The selection as Explorer hands it over: the shell's own data object for the objects, which
// all lie in one folder.
IDataObject* selectionOf(const std::vector<std::wstring>& paths) {
    std::vector<PIDLIST_ABSOLUTE> objects;
    for (const std::wstring& path : paths) {
        PIDLIST_ABSOLUTE object = nullptr;
        check(SHParseDisplayName(path.c_str(), nullptr, &object, 0, nullptr),
              "SHParseDisplayName(" + narrow(path) + ")");
        objects.push_back(object);
    }
    const PIDLIST_ABSOLUTE folder = ILClone(objects.front());
    ILRemoveLastID(folder);
    std::vector<PCUITEMID_CHILD> children;
    for (const PIDLIST_ABSOLUTE object : objects)
        children.push_back(ILFindLastID(object));
    IDataObject* data = nullptr;
    const HRESULT made = CIDLData_CreateFromIDArray(
        folder, static_cast<UINT>(children.size()),
        reinterpret_cast<PCUIDLIST_RELATIVE_ARRAY>(children.data()), &data);
    for (const PIDLIST_ABSOLUTE object : objects)
        ILFree(object);
    ILFree(folder);
    check(made, "CIDLData_CreateFromIDArray");
    return data;
}

struct Extension {
    HMODULE module = nullptr;
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;
};

Extension load(const std::wstring& path) {
    Extension extension;
    extension.module = LoadLibraryW(path.c_str());
    if (!extension.module)
        throw Failed("LoadLibraryW(" + narrow(path) + ") failed with error " +
                     std::to_string(GetLastError()));
    extension.getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(
        reinterpret_cast<void*>(GetProcAddress(extension.module, "DllGetClassObject")));
    extension.canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(extension.module, "DllCanUnloadNow")));
    if (!extension.getClassObject || !extension.canUnloadNow)
        throw Failed("the DLL does not export DllGetClassObject and DllCanUnloadNow");
    return extension;
}

// The context menu as Explorer makes it: the class object, an instance, its Initialize with the
// selection.
IContextMenu3* contextMenu(const Extension& extension, const std::vector<std::wstring>& paths,
                           const std::optional<std::wstring>& background) {
    IClassFactory* factory = nullptr;
    check(extension.getClassObject(extensionClassId, IID_IClassFactory,
                                   reinterpret_cast<void**>(&factory)),
          "DllGetClassObject");
    IShellExtInit* init = nullptr;
    const HRESULT created =
        factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init));
    factory->Release();
    check(created, "IClassFactory::CreateInstance");
    HRESULT initialized = S_OK;
    if (background) {
        PIDLIST_ABSOLUTE folder = nullptr;
        check(SHParseDisplayName(background->c_str(), nullptr, &folder, 0, nullptr),
              "SHParseDisplayName(" + narrow(*background) + ")");
        initialized = init->Initialize(folder, nullptr, nullptr);
        CoTaskMemFree(folder);
    } else {
        IDataObject* data = selectionOf(paths);
        initialized = init->Initialize(nullptr, data, nullptr);
        data->Release();
    }
    IContextMenu3* menu = nullptr;
    const HRESULT asked = init->QueryInterface(IID_IContextMenu3, reinterpret_cast<void**>(&menu));
    init->Release();
    check(initialized, "IShellExtInit::Initialize");
    check(asked, "QueryInterface(IContextMenu3)");
    return menu;
}

std::wstring commandString(IContextMenu3& menu, UINT offset, UINT type) {
    std::wstring text(1024, L'\0');
    check(menu.GetCommandString(offset, type, nullptr, reinterpret_cast<CHAR*>(text.data()),
                                static_cast<UINT>(text.size())),
          "GetCommandString(" + std::to_string(offset) + ")");
    text.resize(std::wcslen(text.c_str()));
    return text;
}

// A menu entry's text as typed: "&&" shows an "&", a single "&" marks the entry's key.
std::wstring caption(std::wstring_view text) {
    std::wstring plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

// What quorvanectl calls a command's kind, from the verb that names it.
std::string tagOf(const std::string& verb) {
    for (int code = 0; code < quorvane::operationCount; ++code)
        if (verb == quorvane::operations()[code].valueName)
            return "op " + std::to_string(code);
    return verb.substr(0, verb.find_first_of("0123456789"));
}

class MenuPrinter {
public:
    explicit MenuPrinter(IContextMenu3& menu) : m_menu(menu) {}

    void print(HMENU menu, int depth) {
        const int count = GetMenuItemCount(menu);
        for (int i = 0; i < count; ++i) {
            std::wstring text(512, L'\0');
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_ID | MIIM_STRING | MIIM_STATE;
            item.dwTypeData = text.data();
            item.cch = static_cast<UINT>(text.size());
            if (!GetMenuItemInfoW(menu, i, TRUE, &item))
                throw Failed("GetMenuItemInfoW failed on entry " + std::to_string(i));
            text.resize(item.cch);
            const std::string indent(2 * depth, ' ');
            const std::string shown = narrow(caption(text));
            if (item.fType & MFT_SEPARATOR) {
                std::printf("%s[separator] <separator>\n", indent.c_str());
            } else if (item.hSubMenu) {
                std::printf("%s[submenu] %s\n", indent.c_str(), shown.c_str());
                print(item.hSubMenu, depth + 1);
            } else if (item.fState & MFS_DISABLED) {
                std::printf("%s[disabled] %s\n", indent.c_str(), shown.c_str());
            } else {
                if (item.wID < firstId || item.wID > lastId)
                    throw Failed("entry " + shown + " has the identifier " +
                                 std::to_string(item.wID) + ", outside the range given");
                const UINT offset = item.wID - firstId;
                m_highest = std::max(m_highest, offset + 1);
                const std::string tag = tagOf(narrow(commandString(m_menu, offset, GCS_VERBW)));
                std::string line = indent + '[' + tag + "] " + shown;
                if (tag == "move" || tag == "copy" || tag == "run" || tag == "send")
                    line += " -> " + narrow(commandString(m_menu, offset, GCS_HELPTEXTW));
                std::printf("%s\n", line.c_str());
            }
        }
    }
    UINT highest() const { return m_highest; }

private:
    IContextMenu3& m_menu;
    UINT m_highest = 0;
};

void showMenu(const Extension& extension, const std::vector<std::wstring>& paths,
              const std::optional<std::wstring>& background) {
    IContextMenu3* menu = contextMenu(extension, paths, background);
    if (extension.canUnloadNow() != S_FALSE)
        throw Failed("DllCanUnloadNow allows unloading while an object of the DLL lives");
    // The shell's own entries stand around the place it offers.
    const HMENU shell = CreatePopupMenu();
    AppendMenuW(shell, MF_STRING, 1, L"Open");
    AppendMenuW(shell, MF_STRING, 2, L"Properties");
    const HRESULT added = menu->QueryContextMenu(shell, 1, firstId, lastId, CMF_NORMAL);
    check(added, "QueryContextMenu");
    if (GetMenuItemCount(shell) != 3 || !GetSubMenu(shell, 1))
        throw Failed("QueryContextMenu did not add one cascade at the place offered");
    std::wstring rootText(64, L'\0');
    MENUITEMINFOW root{};
    root.cbSize = sizeof root;
    root.fMask = MIIM_SUBMENU | MIIM_STRING;
    root.dwTypeData = rootText.data();
    root.cch = static_cast<UINT>(rootText.size());
    GetMenuItemInfoW(shell, 1, TRUE, &root);
    rootText.resize(root.cch);
    std::printf("[root] %s\n", narrow(caption(rootText)).c_str());
    MenuPrinter printer(*menu);
    printer.print(root.hSubMenu, 1);
    if (static_cast<UINT>(HRESULT_CODE(added)) != printer.highest())
        throw Failed("QueryContextMenu counted " + std::to_string(HRESULT_CODE(added)) +
                     " identifiers, the cascade uses " + std::to_string(printer.highest()));
    DestroyMenu(shell);
    menu->Release();
    if (extension.canUnloadNow() != S_OK)
        throw Failed("DllCanUnloadNow refuses unloading after every object was released");
}

std::string visibleLineEnds(const std::string& text) {
    std::string shown;
    for (const char c : text)
        shown += c == '\r'   ? std::string("\\r")
                 : c == '\n' ? std::string("\\n")
                             : std::string(1, c);
    return shown;
}

// Answers the message boxes of this process as a user would, printing each one's text, until it
// is stopped: the DLL's questions and messages come as message boxes, on the thread that chose
// the entry or on one working in the background.
class BoxAnswerer {
public:
    explicit BoxAnswerer(bool yes)
        : m_yes(yes), m_thread(CreateThread(nullptr, 0, watch, this, 0, nullptr)) {
        if (!m_thread)
            throw Failed("no thread to answer message boxes on");
    }
    ~BoxAnswerer() {
        m_stop = true;
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

private:
    static DWORD WINAPI watch(void* self) {
        static_cast<BoxAnswerer*>(self)->watchBoxes();
        return 0;
    }

    void watchBoxes() {
        while (!m_stop) {
            // A closed box's handle may come back for another one.
            std::erase_if(m_answered, [](HWND window) { return !IsWindow(window); });
            EnumWindows(answerWindow, reinterpret_cast<LPARAM>(this));
            Sleep(20);
        }
    }

    static BOOL CALLBACK answerWindow(HWND window, LPARAM self) {
        reinterpret_cast<BoxAnswerer*>(self)->answer(window);
        return TRUE;
    }

    // A box's text is in its static controls (its icon is one without text).
    static BOOL CALLBACK collectText(HWND child, LPARAM collected) {
        wchar_t childClass[16] = {};
        GetClassNameW(child, childClass, 16);
        std::wstring line(GetWindowTextLengthW(child) + 1, L'\0');
        line.resize(GetWindowTextW(child, line.data(), static_cast<int>(line.size())));
        if (_wcsicmp(childClass, L"Static") == 0 && !line.empty())
            *reinterpret_cast<std::wstring*>(collected) += line;
        return TRUE;
    }

    void answer(HWND window) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (process != GetCurrentProcessId() || std::wcscmp(className, L"#32770") != 0 ||
            !IsWindowVisible(window) || !m_answered.insert(window).second)
            return;
        std::wstring text;
        EnumChildWindows(window, collectText, reinterpret_cast<LPARAM>(&text));
        std::printf("box: %s\n", visibleLineEnds(narrow(text, CP_UTF8)).c_str());
        std::fflush(stdout);
        const int button = GetDlgItem(window, IDYES) ? (m_yes ? IDYES : IDNO) : IDOK;
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }

    const bool m_yes;
    std::atomic<bool> m_stop{false};
    std::set<HWND> m_answered;
    HANDLE m_thread;
};

// Chooses an entry as Explorer does on a click, releases the menu, then waits for the work the
// choice started in the background, which keeps the DLL from being unloaded until it is done.
void invoke(const Extension& extension, const std::string& verb, bool answerYes,
            const std::vector<std::wstring>& paths) {
    const BoxAnswerer answerer(answerYes);
    IContextMenu3* menu = contextMenu(extension, paths, std::nullopt);
    const HMENU shell = CreatePopupMenu();
    const HRESULT added = menu->QueryContextMenu(shell, 0, firstId, lastId, CMF_NORMAL);
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = verb.c_str();
    info.nShow = SW_SHOWNORMAL;
    const HRESULT invoked = SUCCEEDED(added) ? menu->InvokeCommand(&info) : added;
    DestroyMenu(shell);
    menu->Release();
    check(invoked, "InvokeCommand(" + verb + ")");
    // Far beyond what moving two small files takes, even under load.
    for (int waited = 0; extension.canUnloadNow() != S_OK; waited += 10) {
        if (waited >= 30000)
            throw Failed("DllCanUnloadNow still refuses unloading 30 s after " + verb);
        Sleep(10);
    }
    if (!OpenClipboard(nullptr))
        throw Failed("the clipboard cannot be opened");
    std::string unicode = "(none)";
    std::string ansi = "(none)";
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        unicode = narrow(static_cast<const wchar_t*>(GlobalLock(data)), CP_UTF8);
        GlobalUnlock(data);
    }
    if (const HANDLE data = GetClipboardData(CF_TEXT)) {
        ansi = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    std::printf("clipboard: %s\nclipboard (ANSI): %s\n", visibleLineEnds(unicode).c_str(),
                visibleLineEnds(ansi).c_str());
}

// A shortcut as the shell makes one.
void makeShortcut(const std::wstring& shortcut, const std::wstring& target) {
    IShellLinkW* link = nullptr;
    check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                           reinterpret_cast<void**>(&link)),
          "CoCreateInstance(CLSID_ShellLink)");
    IPersistFile* file = nullptr;
    HRESULT made = link->SetPath(target.c_str());
    if (SUCCEEDED(made))
        made = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(made)) {
        made = file->Save(shortcut.c_str(), TRUE);
        file->Release();
    }
    link->Release();
    check(made, "saving the shortcut " + narrow(shortcut));
}

int run(const std::vector<std::wstring>& arguments) {
    if (arguments.size() == 4 && arguments[1] == L"shortcut") {
        makeShortcut(arguments[2], arguments[3]);
        return 0;
    }
    if (arguments.size() >= 5 && arguments[1] == L"invoke") {
        auto first = arguments.begin() + 4;
        const bool answerNo =
            arguments.size() >= 7 && arguments[4] == L"--answer" && arguments[5] == L"no";
        if (answerNo)
            first += 2;
        invoke(load(arguments[2]), narrow(arguments[3]), !answerNo,
               std::vector<std::wstring>(first, arguments.end()));
        return 0;
    }
    if (arguments.size() < 4 || arguments[1] != L"menu")
        throw Failed("usage: quorvane_shell_harness menu DLL (PATH... | --background FOLDER)\n"
                     "       quorvane_shell_harness invoke DLL VERB [--answer no] PATH...\n"
                     "       quorvane_shell_harness shortcut LINK TARGET");
    const Extension extension = load(arguments[2]);
    std::vector<std::wstring> paths(arguments.begin() + 3, arguments.end());
    std::optional<std::wstring> background;
    if (paths.size() == 2 && paths[0] == L"--background") {
        background = paths[1];
        paths.clear();
    }
    showMenu(extension, paths, background);
    return 0;
}

} // namespace

int main() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::vector<std::wstring> arguments(words, words + count);
    LocalFree(words);
    if (FAILED(OleInitialize(nullptr))) {
        std::fputs("OleInitialize failed\n", stderr);
        return 1;
    }
    int status = 1;
    try {
        status = run(arguments);
    } catch (const std::exception& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", failure.what());
    }
    OleUninitialize();
    return status;
}
