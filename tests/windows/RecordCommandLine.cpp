// Stands in for the system's rundll32.exe in end-to-end runs under Wine: writes the command line
// it was started with to "command-line.txt" beside itself, so that a test can read exactly what
// CreateProcessA handed over.

#include <cstdio>
#include <string>
#include <windows.h>

int main() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.rfind('\\') + 1);
    // Written under another name first, so that a reader never sees half of it.
    const std::string partial = folder + "command-line.part";
    const std::string done = folder + "command-line.txt";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return 1;
    std::fputs(GetCommandLineA(), file);
    std::fclose(file);
    return MoveFileExA(partial.c_str(), done.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
