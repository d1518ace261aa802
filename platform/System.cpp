#include "platform/System.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvane {

PlatformFamily platformFamily() { return PlatformFamily::Other; }

char pathSeparator() { return '/'; }

std::string programDirectory() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return "./";
    const std::string path(buffer, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

namespace {

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return entry->pw_dir;
    return ".";
}

// "/data/" and "/data" name the same folder; only the second gives clean joins. "/" becomes
// empty, so that joining still gives "/quorvane".
std::string withoutTrailingSlashes(std::string path) {
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

bool isCommandBlank(char c) { return c == ' ' || c == '\t'; }

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string systemDirectory() {
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        data = xdg;
    else
        data = withoutTrailingSlashes(homeDirectory()) + "/.local/share";
    return withoutTrailingSlashes(data) + "/quorvane";
}

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::size_t p = 0;
    // The program name: no escapes, quotes only group.
    while (p < line.size() && isCommandBlank(line[p]))
        ++p;
    if (p == line.size())
        return args;
    std::string program;
    if (line[p] == '"') {
        const std::size_t close = line.find('"', p + 1);
        program = line.substr(p + 1, close == std::string_view::npos ? std::string_view::npos
                                                                      : close - p - 1);
        p = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        while (p < line.size() && !isCommandBlank(line[p]))
            program += line[p++];
    }
    args.push_back(std::move(program));

    std::string current;
    bool started = false;
    bool inQuotes = false;
    std::size_t backslashes = 0;
    for (; p < line.size(); ++p) {
        const char c = line[p];
        if (c == '\\') {
            ++backslashes;
            started = true;
            continue;
        }
        if (c == '"') {
            current.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                current += '"';
            } else if (inQuotes && p + 1 < line.size() && line[p + 1] == '"') {
                current += '"'; // a doubled quote inside quotes stands for one quote
                ++p;
            } else {
                inQuotes = !inQuotes;
            }
            backslashes = 0;
            started = true;
            continue;
        }
        current.append(backslashes, '\\');
        backslashes = 0;
        if (isCommandBlank(c) && !inQuotes) {
            if (started)
                args.push_back(std::move(current));
            current.clear();
            started = false;
            continue;
        }
        current += c;
        started = true;
    }
    current.append(backslashes, '\\');
    if (started)
        args.push_back(std::move(current));
    return args;
}

std::string findProgram(std::string_view name, const std::string& programDir) {
    if (name.empty())
        return {};
    const std::string given(name);
    if (given.find('/') != std::string::npos)
        return isExecutableFile(given) ? given : std::string();
    std::vector<std::string> directories{programDir, "./"};
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest(path);
        while (true) {
            const auto colon = rest.find(':');
            std::string dir(rest.substr(0, colon));
            if (dir.empty())
                dir = ".";
            directories.push_back(dir + "/");
            if (colon == std::string_view::npos)
                break;
            rest.remove_prefix(colon + 1);
        }
    }
    for (const auto& dir : directories) {
        const std::string candidate = dir + given;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

int RunCommand(std::string_view commandLine, int /*showState*/) {
    const auto args = splitCommandLine(commandLine);
    if (args.empty())
        return ENOENT;
    const std::string program = findProgram(args.front(), programDirectory());
    if (program.empty())
        return ENOENT;

    // Everything the children need is prepared before forking: between fork and exec only
    // async-signal-safe calls are allowed.
    std::vector<char*> argv;
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return errno;

    // Started through an intermediate child that exits at once, so the program is adopted by init
    // and never lingers as a zombie of ours; a failed exec reports its errno through the pipe,
    // whose write end a successful exec closes.
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        return error;
    }
    if (child == 0) {
        close(report[0]);
        const pid_t grandchild = fork();
        if (grandchild < 0) {
            const int error = errno;
            (void)!write(report[1], &error, sizeof error);
            _exit(1);
        }
        if (grandchild == 0) {
            setsid();
            execv(program.c_str(), argv.data());
            const int error = errno;
            (void)!write(report[1], &error, sizeof error);
            _exit(127);
        }
        _exit(0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

} // namespace quorvane
