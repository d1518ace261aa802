#include "platform/System.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quorvane {

bool hostIsWindows() {
    return false;
}

PlatformFamily platformFamily() {
    return PlatformFamily::Other;
}

char pathSeparator() {
    return '/';
}

void fillClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is this one, as those below it are open by now.
        const int opened = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (opened >= 0 && opened != fd)
            ::close(opened);
    }
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

bool isConsole(StandardStream) {
    return false;
}

bool writeConsole(StandardStream, std::string_view) {
    return false;
}

std::string programDirectory() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return "./";
    const std::string path(buffer, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return entry->pw_dir;
    return ".";
}

namespace {

// "/data/" and "/data" name the same folder; only the second gives clean joins. "/" becomes
// empty, so that joining still gives "/quorvane".
std::string withoutTrailingSlashes(std::string path) {
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
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

std::string findProgram(std::string_view name, const std::string& programDir) {
    if (name.empty())
        return {};
    const std::string given(name);
    if (given.find('/') != std::string::npos)
        return isExecutableFile(given) ? given : std::string();
    // An empty or relative entry would mean the current folder, or a folder below it.
    std::vector<std::string> directories;
    if (programDir.starts_with('/'))
        directories.push_back(withoutTrailingSlashes(programDir));
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest(path);
        while (true) {
            const auto colon = rest.find(':');
            const std::string_view dir = rest.substr(0, colon);
            if (dir.starts_with('/'))
                directories.push_back(withoutTrailingSlashes(std::string(dir)));
            if (colon == std::string_view::npos)
                break;
            rest.remove_prefix(colon + 1);
        }
    }
    for (const auto& dir : directories) {
        const std::string candidate = dir + '/' + given;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

int runCommand(std::string_view commandLine, int /*showState*/) {
    CommandLine command = splitProgramName(commandLine);
    const std::string program = findProgram(command.program, programDirectory());
    if (program.empty())
        return ENOENT;

    // Everything the children need is prepared before forking: between fork and exec only
    // async-signal-safe calls are allowed.
    std::vector<char*> argv{command.program.data()};
    if (!command.arguments.empty())
        argv.push_back(command.arguments.data());
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
