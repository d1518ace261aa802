#include "platform/System.h"

#include <algorithm>
#include <cstdlib>
#include <vector>
#include <windows.h>
// With WIN32_LEAN_AND_MEAN, windows.h leaves out the shell's declarations.
#include <shellapi.h>

namespace quorvane {

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words)
        return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        const std::u8string utf8 = std::filesystem::path(words[i]).u8string();
        arguments.emplace_back(utf8.begin(), utf8.end());
    }
    LocalFree(words);
    return arguments;
}

namespace {

HANDLE handleOf(StandardStream stream) {
    return GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

} // namespace

bool isConsole(StandardStream stream) {
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode);
}

bool writeConsole(StandardStream stream, std::string_view utf8) {
    const std::u8string bytes(utf8.begin(), utf8.end());
    const std::wstring wide = std::filesystem::path(bytes).wstring();
    const HANDLE console = handleOf(stream);
    for (std::size_t written = 0; written < wide.size();) {
        DWORD count = 0;
        if (!WriteConsoleW(console, wide.data() + written,
                           static_cast<DWORD>(std::min<std::size_t>(wide.size() - written, 8192)),
                           &count, nullptr) ||
            count == 0)
            return false;
        written += count;
    }
    return true;
}

bool hostIsWindows() {
    return true;
}

PlatformFamily platformFamily() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    // Deprecated for version numbers, which it may understate; the platform id it still reports
    // truly, and that is all the installer's choice needs.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL known = GetVersionExA(&version);
#pragma GCC diagnostic pop
    return known && version.dwPlatformId == VER_PLATFORM_WIN32_NT ? PlatformFamily::WindowsNT
                                                                  : PlatformFamily::Other;
}

char pathSeparator() {
    return '\\';
}

void fillClosedStandardDescriptors() {}

std::string programDirectory() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return ".\\";
        if (length < buffer.size()) {
            const std::string path(buffer.data(), length);
            // Up to and including the last backslash or colon ("C:prog.exe" has no backslash).
            return path.substr(0, path.find_last_of("\\:") + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string homeDirectory() {
    if (const char* profile = std::getenv("USERPROFILE"); profile && *profile)
        return profile;
    const char* drive = std::getenv("HOMEDRIVE");
    const char* path = std::getenv("HOMEPATH");
    if (drive && path && *path)
        return std::string(drive) + path;
    return ".";
}

std::string systemDirectory() {
    char buffer[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return "C:\\Windows\\System32";
    return std::string(buffer, length);
}

namespace {

bool hasDirectory(std::string_view name) {
    return name.find_first_of("\\/:") != std::string_view::npos;
}

bool isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isAbsolute(std::string_view dir) {
    return (dir.size() >= 3 && dir[1] == ':' && (dir[2] == '\\' || dir[2] == '/')) ||
           dir.starts_with("\\\\");
}

std::string withoutTrailingSeparators(std::string dir) {
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    return dir;
}

std::string joined(const std::string& dir, const std::string& name) {
    return dir.ends_with('\\') || dir.ends_with('/') ? dir + name : dir + '\\' + name;
}

} // namespace

std::string findProgram(std::string_view name, const std::string& programDir) {
    if (name.empty())
        return {};
    std::string given(name);
    if (hasDirectory(given))
        return isFile(given) ? given : std::string();
    // As CreateProcess does, a name without an extension means the ".exe".
    const std::size_t dot = given.rfind('.');
    if (dot == std::string::npos)
        given += ".exe";
    std::vector<std::string> directories{systemDirectory()};
    if (isAbsolute(programDir))
        directories.push_back(withoutTrailingSeparators(programDir));
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest(path);
        while (true) {
            const auto semicolon = rest.find(';');
            const std::string_view dir = rest.substr(0, semicolon);
            if (isAbsolute(dir))
                directories.push_back(withoutTrailingSeparators(std::string(dir)));
            if (semicolon == std::string_view::npos)
                break;
            rest.remove_prefix(semicolon + 1);
        }
    }
    for (const auto& dir : directories) {
        const std::string candidate = joined(dir, given);
        if (isFile(candidate))
            return candidate;
    }
    return {};
}

int runCommand(std::string_view commandLine, int showState) {
    // CreateProcess itself would look in the program's own folder and the current folder before
    // the system folder, where a stray rundll32.exe would stand in for the system's. A bare name
    // is therefore found here and put in the command line with its full path; a name with a
    // folder goes to CreateProcess as it is, so that its own error comes back.
    std::string line(commandLine);
    const CommandLine command = splitProgramName(commandLine);
    if (!hasDirectory(command.program)) {
        const std::string program = findProgram(command.program, programDirectory());
        if (program.empty())
            return ERROR_FILE_NOT_FOUND;
        line = '"' + program + '"';
        if (!command.arguments.empty())
            line += ' ' + command.arguments;
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
    startup.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION process{};
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::vector<char> writable(line.begin(), line.end());
    writable.push_back('\0');
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &process))
        return static_cast<int>(GetLastError());
    WaitForInputIdle(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

} // namespace quorvane
