// Start-up and memory of the editor against the floor a bare Qt window sets, measured side by
// side on a virtual display of the benchmark's own.
//
// A run starts at fork and ends when the program's top-level window is mapped and has been drawn
// into for the first time: the X server's damage report for that window says so, without the
// program's help. The program is then killed, and the kernel's peak resident set of the process
// is its memory. Each figure is the median of its runs.
#include "bench/Table.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <poll.h>
#include <set>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int rounds = 101;
constexpr int warmUpRounds = 3;
constexpr auto runTimeout = std::chrono::seconds(20);

struct Sample {
    double milliseconds = 0;
    double residentKiB = 0;
    // The program's own processor time until it was shown: less swayed by what else the machine
    // runs than the time on the clock.
    double processorMilliseconds = 0;
};

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

// A child process with exactly the given environment.
pid_t spawn(const std::vector<std::string>& command, const std::vector<std::string>& environment,
            int keepOpen = -1) {
    std::vector<char*> argv;
    for (const std::string& part : command)
        argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0)
        fail("fork failed");
    if (pid == 0) {
        // The table is the benchmark's output alone; what the programs and servers say, the
        // set-up's notice and the bus's complaints included, goes nowhere.
        const int nowhere = open("/dev/null", O_WRONLY);
        dup2(nowhere, STDOUT_FILENO);
        dup2(nowhere, STDERR_FILENO);
        // Only what the child is meant to see stays open; the display connection does not.
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != keepOpen)
                close(fd);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

// A server the benchmark starts and stops; it writes the address to reach it on a pipe, ended by
// a newline.
class Server {
public:
    Server(std::vector<std::string> command, const std::string& addressOption) {
        if (!fs::exists(command[0]))
            fail(command[0] + " is missing: make bench-deps installs it");
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            fail("pipe failed");
        // "--option=FD" or "-option FD"
        if (addressOption.back() == '=')
            command.push_back(addressOption + std::to_string(pipeEnds[1]));
        else
            command.insert(command.end(), {addressOption, std::to_string(pipeEnds[1])});
        m_pid = spawn(command, {"PATH=/usr/bin:/bin"}, pipeEnds[1]);
        close(pipeEnds[1]);
        char c = 0;
        while (read(pipeEnds[0], &c, 1) == 1 && c != '\n')
            m_address += c;
        close(pipeEnds[0]);
        if (m_address.empty())
            fail(command[0] + " did not start");
    }
    ~Server() {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    const std::string& address() const { return m_address; }

private:
    pid_t m_pid = -1;
    std::string m_address;
};

// Watches the display for a new top-level window that is mapped and drawn into.
class WindowWatcher {
public:
    explicit WindowWatcher(const std::string& display) {
        m_connection = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(m_connection))
            fail("cannot connect to " + display);
        const xcb_query_extension_reply_t* damage =
            xcb_get_extension_data(m_connection, &xcb_damage_id);
        if (!damage || !damage->present)
            fail("the display has no DAMAGE extension");
        m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(m_connection,
                                            xcb_damage_query_version(m_connection, 1, 1), nullptr));
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~WindowWatcher() { xcb_disconnect(m_connection); }

    Sample run(const std::vector<std::string>& command,
               const std::vector<std::string>& environment) {
        m_mapped.clear();
        m_damages.clear();
        const Clock::time_point start = Clock::now();
        const pid_t pid = spawn(command, environment);
        std::optional<Clock::time_point> shown;
        while (!shown) {
            if (Clock::now() - start > runTimeout) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
                fail(command[0] + " showed no window in time");
            }
            if (int status = 0; waitpid(pid, &status, WNOHANG) == pid)
                fail(command[0] + " ended before it showed a window");
            pollfd watch{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            poll(&watch, 1, 50);
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                if (handle(*event))
                    shown = Clock::now();
                free(event);
            }
            if (xcb_connection_has_error(m_connection))
                fail("the display connection broke");
        }
        kill(pid, SIGKILL);
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) != pid)
            fail("wait4 failed");
        for (const auto& [window, damage] : m_damages)
            xcb_damage_destroy(m_connection, damage);
        xcb_flush(m_connection);
        // Whatever the killed program's windows still report is of no interest to the next run.
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            free(event);
        return {std::chrono::duration<double, std::milli>(*shown - start).count(),
                double(usage.ru_maxrss),
                (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                    (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3};
    }

private:
    // True once a mapped top-level window has been drawn into.
    bool handle(const xcb_generic_event_t& event) {
        const int type = event.response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            // Watched from its creation, so that no drawing can come before the watch.
            const auto& created = reinterpret_cast<const xcb_create_notify_event_t&>(event);
            const xcb_damage_damage_t damage = xcb_generate_id(m_connection);
            xcb_damage_create(m_connection, damage, created.window,
                              XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            xcb_flush(m_connection);
            m_damages[created.window] = damage;
        } else if (type == XCB_MAP_NOTIFY) {
            m_mapped.insert(reinterpret_cast<const xcb_map_notify_event_t&>(event).window);
        } else if (type == m_damageEvent) {
            const auto& notice = reinterpret_cast<const xcb_damage_notify_event_t&>(event);
            if (m_mapped.count(notice.drawable))
                return true;
            // Not a shown window yet: ask to hear of its next drawing again.
            xcb_damage_subtract(m_connection, notice.damage, XCB_NONE, XCB_NONE);
            xcb_flush(m_connection);
        }
        return false;
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    int m_damageEvent = 0;
    std::set<xcb_window_t> m_mapped;
    std::map<xcb_window_t, xcb_damage_damage_t> m_damages;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string ratioText(double ratio) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", ratio);
    return text;
}

std::string mebibytes(double kibibytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", kibibytes / 1024);
    return text;
}

std::string verdict(const char* limit, bool met) {
    return std::string("ratio <= ") + limit + (met ? ": met" : ": MISSED");
}

int measure(const std::string& editorProgram) {
    // The programs start as on a desktop: on a display of their own and with a session bus, which
    // Qt asks about a global menu bar. Without a bus, the first question would start one.
    const Server xvfb(
        {"/usr/bin/Xvfb", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"},
        "-displayfd");
    const std::string display = ":" + xvfb.address();
    const Server bus({"/usr/bin/dbus-daemon", "--session", "--nofork"}, "--print-address=");
    WindowWatcher watcher(display);

    // A home of the benchmark's own where the extension is installed and the Default menu stored
    // before the first run, so that every run is an ordinary start.
    const fs::path home =
        fs::temp_directory_path() / ("quorvane-startup-" + std::to_string(getpid()));
    struct Scratch {
        fs::path folder;
        ~Scratch() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } scratch{home};
    for (const char* folder : {"config", "data", "cache", "state", "runtime"})
        fs::create_directories(home / folder);
    fs::permissions(home / "runtime", fs::perms::owner_all);
    const std::vector<std::string> environment{"PATH=/usr/bin:/bin",
                                               "HOME=" + home.string(),
                                               "XDG_CONFIG_HOME=" + (home / "config").string(),
                                               "XDG_DATA_HOME=" + (home / "data").string(),
                                               "XDG_CACHE_HOME=" + (home / "cache").string(),
                                               "XDG_STATE_HOME=" + (home / "state").string(),
                                               "XDG_RUNTIME_DIR=" + (home / "runtime").string(),
                                               "DISPLAY=" + display,
                                               "DBUS_SESSION_BUS_ADDRESS=" + bus.address(),
                                               "QT_QPA_PLATFORM=xcb",
                                               "LANG=C.UTF-8"};
    const pid_t setUp = spawn({QUORVANECTL, "show"}, environment);
    if (int status = 0;
        waitpid(setUp, &status, 0) != setUp || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("quorvanectl could not set up the settings");

    // The windows take turns, each round starting with another of them, so that a machine that
    // slows down or warms up weighs on all alike. The floors take the size the editor's window
    // has, as the editor shows it.
    struct Program {
        std::string name;
        std::vector<std::string> command;
        std::vector<Sample> runs;
    };
    std::vector<Program> programs{
        {"quorvane-setup with the Default menu", {editorProgram}, {}},
        {"bare Qt window, empty tree view with its header",
         {BARE_WINDOW, "--header", "578", "353"},
         {}},
        {"bare Qt window, empty tree view without text", {BARE_WINDOW, "578", "353"}, {}}};
    for (int round = 0; round < warmUpRounds + rounds; ++round)
        for (size_t i = 0; i < programs.size(); ++i) {
            Program& program = programs[(round + i) % programs.size()];
            const Sample sample = watcher.run(program.command, environment);
            if (round >= warmUpRounds)
                program.runs.push_back(sample);
        }

    const auto medianOf = [](const Program& program, double Sample::*field) {
        std::vector<double> values;
        for (const Sample& s : program.runs)
            values.push_back(s.*field);
        return median(values);
    };
    using quorvane::bench::duration;
    using quorvane::bench::printRow;
    const Program& editor = programs[0];
    const Program& floor = programs[1];
    const Program& textless = programs[2];
    const std::string runs = std::to_string(rounds) + " runs, taking turns";
    const auto ratio = [&](const Program& program, double Sample::*field) {
        return medianOf(editor, field) / medianOf(program, field);
    };

    const auto processor = [&](const Program& program) {
        return "; processor " + duration(medianOf(program, &Sample::processorMilliseconds) * 1e6);
    };
    printRow("Start-up to the shown window, " + floor.name,
             duration(medianOf(floor, &Sample::milliseconds) * 1e6), runs + processor(floor));
    printRow("Start-up to the shown window, " + textless.name,
             duration(medianOf(textless, &Sample::milliseconds) * 1e6),
             runs + processor(textless) + "; loads no font");
    const double timeRatio = ratio(floor, &Sample::milliseconds);
    printRow("Start-up to the shown window, " + editor.name,
             duration(medianOf(editor, &Sample::milliseconds) * 1e6),
             "ratio " + ratioText(timeRatio) + " to the window with a header, " +
                 ratioText(ratio(textless, &Sample::milliseconds)) + " to the one without text" +
                 processor(editor) + " (ratio " +
                 ratioText(ratio(floor, &Sample::processorMilliseconds)) + ")",
             verdict("1.15", timeRatio <= 1.15));

    printRow("Peak resident memory, " + floor.name,
             mebibytes(medianOf(floor, &Sample::residentKiB)), runs);
    printRow("Peak resident memory, " + textless.name,
             mebibytes(medianOf(textless, &Sample::residentKiB)), runs);
    const double memoryRatio = ratio(floor, &Sample::residentKiB);
    printRow("Peak resident memory, " + editor.name,
             mebibytes(medianOf(editor, &Sample::residentKiB)),
             "ratio " + ratioText(memoryRatio) + " to the window with a header, " +
                 ratioText(ratio(textless, &Sample::residentKiB)) + " to the one without text",
             verdict("1.10", memoryRatio <= 1.10));
    return 0;
}

} // namespace

// --heading prints the table's heading first; --editor PATH measures another build of the
// program, such as the one before a change.
int main(int argc, char** argv) {
    std::string editor = QUORVANE_SETUP;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--heading") == 0) {
            quorvane::bench::printHeading();
        } else if (std::strcmp(argv[i], "--editor") == 0 && i + 1 < argc) {
            editor = argv[++i];
        } else {
            std::fprintf(stderr, "usage: startup_bench [--heading] [--editor PATH]\n");
            return 2;
        }
    }
    try {
        return measure(editor);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "startup_bench: %s\n", error.what());
        return 1;
    }
}
