// Stands in for a program the system or the extension starts, in end-to-end runs under Wine
// (rundll32.exe, explorer.exe, a prompt, quorvane-setup.exe, a Run/Open item's program): writes
// the command line it was started with and, on a second line, the folder it was started in, as
// UTF-8, to "command-line.txt" beside itself; a program started again while that file is there
// writes "command-line-2.txt", then "-3", and so on, so that a test can read exactly what
// CreateProcess handed over each time.

#include <cstdio>
#include <filesystem>
#include <string>
#include <windows.h>

namespace {

std::string utf8(const std::wstring& wide) {
    const std::u8string text = std::filesystem::path(wide).u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

int main() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    const std::wstring folder = path.substr(0, path.rfind(L'\\') + 1);
    std::wstring current(MAX_PATH, L'\0');
    current.resize(GetCurrentDirectoryW(MAX_PATH, current.data()));
    const std::string record = utf8(GetCommandLineW()) + "\n" + utf8(current) + "\n";
    // Written under a name of its own first, so that a reader never sees half of it.
    const std::wstring partial = folder + L"command-line." + std::to_wstring(GetCurrentProcessId());
    FILE* file = _wfopen(partial.c_str(), L"wb");
    if (!file)
        return 1;
    std::fputs(record.c_str(), file);
    std::fclose(file);
    // Without MOVEFILE_REPLACE_EXISTING a name that is taken is refused: the next one is tried.
    for (int number = 1; number < 100; ++number) {
        const std::wstring done = folder + L"command-line" +
                                  (number > 1 ? L"-" + std::to_wstring(number) : L"") + L".txt";
        if (MoveFileExW(partial.c_str(), done.c_str(), 0))
            return 0;
    }
    DeleteFileW(partial.c_str());
    return 1;
}
