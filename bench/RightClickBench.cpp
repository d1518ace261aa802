// What the plug-in adds to a right-click in the real file managers, with the plug-in and without
// it side by side on a virtual display of the benchmark's own: from a right-click on a file until
// the context menu is mapped, the time on the clock and the processor time of the file manager's
// main thread, where the file managers build their menus.
//
// Each file manager runs in sessions that take turns, one with the plug-in and one without, each
// on a session bus of its own. The only difference between the two is the plug-in: the file
// manager's extension folder is replaced, for the session alone, by a copy of its contents with or
// without the plug-in (a bind mount in a mount namespace of the session's own), so nothing on the
// system changes. The right-click is a synthetic button press sent through the XTEST extension;
// the menu is the first override-redirect window of a menu's size mapped after it. Where a probe
// preloaded into the sessions knows the call in which the plug-in builds its menu (Thunar,
// Dolphin), its processor time is given too.
#include "bench/Table.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what);
}

struct FileManager {
    std::string name;
    std::vector<std::string> command;
    // Where the file's icon is in the window the file manager opens, which has the same size in
    // every session.
    int x = 0, y = 0;
    fs::path plugin;
    // Empty where the file manager finds its plug-ins through QT_PLUGIN_PATH instead: each
    // session's copy is then that path, with the plug-in in `qtPluginFolder` below it.
    fs::path extensionFolder = {};
    std::string qtPluginFolder = {};
    // Where to click first, away from the file: a click on a file already selected would start
    // renaming it.
    std::optional<std::pair<int, int>> blank = {};
    // The call the probe times, in which the plug-in builds its part of the menu; empty where
    // the probe knows none.
    std::string menuCall = {};
};

struct Settings {
    int rounds = 4;
    int triesPerSession = 5;
    std::vector<std::string> only;
    std::optional<fs::path> pluginFolder;
    // A menu string to apply instead of the Default menu.
    std::optional<std::string> menu;
    // The virtual display's number, where the machine's users share out the numbers; the first
    // free one otherwise.
    std::optional<std::string> display;
};

// The plug-ins this build made, and the folders their file managers load extensions from.
std::vector<FileManager> fileManagers(const Settings& settings) {
    std::vector<FileManager> all;
#ifdef RIGHT_CLICK_NEMO_PLUGIN
    all.push_back({"Nemo",
                   {"nemo", "--no-desktop"},
                   237,
                   173,
                   RIGHT_CLICK_NEMO_PLUGIN,
                   RIGHT_CLICK_NEMO_FOLDER});
#endif
#ifdef RIGHT_CLICK_CAJA_PLUGIN
    all.push_back({"Caja",
                   {"caja", "--no-desktop"},
                   234,
                   121,
                   RIGHT_CLICK_CAJA_PLUGIN,
                   RIGHT_CLICK_CAJA_FOLDER});
#endif
#ifdef RIGHT_CLICK_NAUTILUS_PLUGIN
    all.push_back({"Nautilus",
                   {"nautilus", "--new-window"},
                   336,
                   125,
                   RIGHT_CLICK_NAUTILUS_PLUGIN,
                   RIGHT_CLICK_NAUTILUS_FOLDER});
#endif
#ifdef RIGHT_CLICK_THUNAR_PLUGIN
    all.push_back({.name = "Thunar",
                   .command = {"thunar"},
                   .x = 216,
                   .y = 144,
                   .plugin = RIGHT_CLICK_THUNAR_PLUGIN,
                   .extensionFolder = RIGHT_CLICK_THUNAR_FOLDER,
                   .menuCall = "the plug-in's menu provider call"});
#endif
#ifdef RIGHT_CLICK_DOLPHIN_PLUGIN
    // Its system folder may not exist at all; a plug-in path of the session's own needs none.
    all.push_back({.name = "Dolphin",
                   .command = {"dolphin"},
                   .x = 324,
                   .y = 187,
                   .plugin = RIGHT_CLICK_DOLPHIN_PLUGIN,
                   .qtPluginFolder = "kf5/kfileitemaction",
                   .blank = std::pair{450, 400},
                   .menuCall = "KFileItemActions::addActionsTo (all plug-ins)"});
#endif
    std::vector<FileManager> chosen;
    for (FileManager& fm : all) {
        std::string lower = fm.name;
        lower[0] = char(std::tolower(lower[0]));
        if (!settings.only.empty() &&
            std::find(settings.only.begin(), settings.only.end(), lower) == settings.only.end())
            continue;
        if (settings.pluginFolder)
            fm.plugin = *settings.pluginFolder / fm.qtPluginFolder / fm.plugin.filename();
        chosen.push_back(std::move(fm));
    }
    return chosen;
}

// The folder's extensions, without any build of this plug-in, and with this one when asked.
void fillExtensionFolder(const fs::path& copy, const FileManager& fm, bool withPlugin) {
    const fs::path into = copy / fm.qtPluginFolder;
    fs::create_directories(into);
    std::error_code ec;
    // Without a folder (Dolphin) the copy starts empty.
    for (const auto& entry : fs::directory_iterator(fm.extensionFolder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("libquorvane-"))
            continue;
        fs::copy_file(entry.path(), into / name, fs::copy_options::overwrite_existing);
    }
    if (withPlugin)
        fs::copy_file(fm.plugin, into / fm.plugin.filename(), fs::copy_options::overwrite_existing);
}

void writeFile(const char* file, const std::string& text) {
    std::ofstream(file) << text;
}

// In the child, before the file manager starts: its extension folder becomes `folder`, for this
// process and what it starts only. Outside root, a user namespace of its own allows the mount.
bool useExtensionFolder(const fs::path& folder, const fs::path& extensionFolder) {
    if (geteuid() != 0) {
        const uid_t uid = getuid();
        const gid_t gid = getgid();
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        writeFile("/proc/self/setgroups", "deny");
        writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
        writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    } else if (unshare(CLONE_NEWNS) != 0) {
        return false;
    }
    return mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount(folder.c_str(), extensionFolder.c_str(), nullptr, MS_BIND, nullptr) == 0;
}

// Where the probe writes the times of the session's menu calls, one line each.
fs::path callLog(const fs::path& folder) {
    return folder.string() + ".calls";
}

// What the calls written since `consumed` lines took together, in milliseconds.
double menuCallsSince(const fs::path& log, size_t& consumed) {
    std::ifstream in(log);
    std::string line;
    double nanoseconds = 0;
    for (size_t index = 0; std::getline(in, line); ++index)
        if (index >= consumed) {
            nanoseconds += std::atof(line.c_str());
            consumed = index + 1;
        }
    return nanoseconds / 1e6;
}

pid_t startSession(const FileManager& fm, const fs::path& folder, const fs::path& files,
                   const std::vector<std::string>& environment) {
    std::vector<std::string> command{"/usr/bin/dbus-run-session", "--"};
    command.insert(command.end(), fm.command.begin(), fm.command.end());
    command.push_back(files.string());
    std::vector<char*> argv;
    for (const std::string& part : command)
        argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> sessionEnvironment = environment;
    if (fm.extensionFolder.empty())
        sessionEnvironment.push_back("QT_PLUGIN_PATH=" + folder.string());
    sessionEnvironment.push_back("LD_PRELOAD=" RIGHT_CLICK_PROBE);
    sessionEnvironment.push_back("QUORVANE_MENU_CALL_LOG=" + callLog(folder).string());
    std::vector<char*> envp;
    for (const std::string& entry : sessionEnvironment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0)
        fail("fork failed");
    if (pid == 0) {
        // A process group of its own, so that the file manager and whatever its bus started end
        // together.
        setsid();
        const int nowhere = open("/dev/null", O_WRONLY);
        dup2(nowhere, STDOUT_FILENO);
        dup2(nowhere, STDERR_FILENO);
        for (int fd = 3; fd < 1024; ++fd)
            close(fd);
        if (!fm.extensionFolder.empty() && !useExtensionFolder(folder, fm.extensionFolder))
            _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

void endSession(pid_t pid) {
    kill(-pid, SIGTERM);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(-pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // What its bus started may still be on its way out.
    kill(-pid, SIGKILL);
}

// The display as the benchmark sees it: what is mapped on it, and the synthetic input.
class Screen {
public:
    explicit Screen(const std::string& display) {
        m_display = XOpenDisplay(display.c_str());
        if (!m_display)
            fail("cannot connect to " + display);
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(m_display, &event, &error, &major, &minor))
            fail("the display has no XTEST extension");
        m_root = DefaultRootWindow(m_display);
        XSelectInput(m_display, m_root, SubstructureNotifyMask);
        XSync(m_display, False);
    }
    ~Screen() { XCloseDisplay(m_display); }

    struct Mapped {
        Window window;
        Clock::time_point at;
        XWindowAttributes attributes;
    };

    // The next window mapped on the root that `wanted` accepts, or nothing after `wait`.
    template <typename Accept>
    std::optional<Mapped> nextMapped(Clock::duration wait, Accept wanted) {
        const Clock::time_point deadline = Clock::now() + wait;
        for (;;) {
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type != MapNotify || event.xmap.event != m_root)
                    continue;
                Mapped mapped{event.xmap.window, Clock::now(), {}};
                if (XGetWindowAttributes(m_display, mapped.window, &mapped.attributes) &&
                    wanted(event.xmap.override_redirect, mapped.attributes))
                    return mapped;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return std::nullopt;
            pollfd watch{ConnectionNumber(m_display), POLLIN, 0};
            poll(&watch, 1, int(left.count()));
        }
    }

    bool unmapped(Window window, Clock::duration wait) {
        const Clock::time_point deadline = Clock::now() + wait;
        while (Clock::now() < deadline) {
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                if ((event.type == UnmapNotify && event.xunmap.window == window) ||
                    (event.type == DestroyNotify && event.xdestroywindow.window == window))
                    return true;
            }
            pollfd watch{ConnectionNumber(m_display), POLLIN, 0};
            poll(&watch, 1, 20);
        }
        return false;
    }

    // Lets whatever happens on the display happen, for `time`, and forgets it.
    void settle(Clock::duration time) {
        const Clock::time_point end = Clock::now() + time;
        while (Clock::now() < end) {
            pollfd watch{ConnectionNumber(m_display), POLLIN, 0};
            poll(&watch, 1, 20);
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
            }
        }
    }

    void moveTo(int x, int y) {
        XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
        XSync(m_display, False);
    }
    Clock::time_point click(unsigned button) {
        const Clock::time_point at = Clock::now();
        XTestFakeButtonEvent(m_display, button, True, CurrentTime);
        XTestFakeButtonEvent(m_display, button, False, CurrentTime);
        XFlush(m_display);
        return at;
    }
    void press(KeySym key) {
        const KeyCode code = XKeysymToKeycode(m_display, key);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        XFlush(m_display);
    }

private:
    Display* m_display = nullptr;
    Window m_root = 0;
};

// A server the benchmark starts and stops, writing its display number on a pipe.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const std::optional<std::string>& number) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            fail("pipe failed");
        m_pid = fork();
        if (m_pid < 0)
            fail("fork failed");
        if (m_pid == 0) {
            const int nowhere = open("/dev/null", O_WRONLY);
            dup2(nowhere, STDOUT_FILENO);
            dup2(nowhere, STDERR_FILENO);
            close(pipeEnds[0]);
            const std::string fd = std::to_string(pipeEnds[1]);
            std::vector<std::string> command{"Xvfb",        "-screen",    "0",
                                             "1024x768x24", "-nolisten",  "tcp",
                                             "-noreset",    "-displayfd", fd};
            // Xvfb still writes the number on the pipe once it takes connections.
            if (number)
                command.insert(command.begin() + 1, ":" + *number);
            std::vector<char*> argv;
            for (std::string& part : command)
                argv.push_back(part.data());
            argv.push_back(nullptr);
            execv("/usr/bin/Xvfb", argv.data());
            _exit(127);
        }
        close(pipeEnds[1]);
        char c = 0;
        while (read(pipeEnds[0], &c, 1) == 1 && c != '\n')
            m_number += c;
        close(pipeEnds[0]);
        if (m_number.empty())
            fail("Xvfb did not start");
    }
    ~VirtualDisplay() {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    std::string name() const { return ":" + m_number; }

private:
    pid_t m_pid = -1;
    std::string m_number;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

bool onPath(const std::string& program) {
    for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/bin/"})
        if (access((std::string(folder) + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

// One session: the file manager started, its window found, the file selected, then right-clicks,
// each timed until the menu is mapped and then closed with Escape. The first right-click of a
// session loads and sets up what every later one reuses, and is not counted.
// The process of that name that the session started.
pid_t processInSession(pid_t session, const std::string& name) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // "pid (comm) state ppid pgrp session ..."; comm may hold spaces, so from its end.
        const auto open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        char state = 0;
        int parent = 0, group = 0, sessionId = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d %d %d", &state, &parent, &group,
                        &sessionId) == 4 &&
            sessionId == session && line.substr(open + 1, close - open - 1) == name)
            return std::atoi(line.c_str());
    }
    return -1;
}

// Nanoseconds the process's main thread has run, where the file managers build and show their
// menus: less swayed than the clock by what else the machine runs.
double mainThreadTime(pid_t pid) {
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/schedstat");
    double ran = 0;
    schedstat >> ran;
    return ran;
}

// Lets the file manager finish what the menu set off (its drawing, a popover's animation) before
// the next right-click: waits until its main thread has not run for a tenth of a second, two
// seconds at most.
void waitUntilIdle(Screen& screen, pid_t pid) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
    double ran = mainThreadTime(pid);
    int quiet = 0;
    while (quiet < 5 && Clock::now() < deadline) {
        screen.settle(std::chrono::milliseconds(20));
        const double now = mainThreadTime(pid);
        quiet = now == ran ? quiet + 1 : 0;
        ran = now;
    }
}

struct Try {
    double milliseconds = 0;
    double processorMilliseconds = 0;
    double menuCallMilliseconds = 0;
    // Shows that the plug-in's entry is there in the sessions with it, and only there.
    int menuHeight = 0;
};

std::vector<Try> session(Screen& screen, const FileManager& fm, const fs::path& folder,
                         const fs::path& files, const std::vector<std::string>& environment,
                         int tries) {
    fs::remove(callLog(folder));
    size_t callsRead = 0;
    const pid_t pid = startSession(fm, folder, files, environment);
    struct Ending {
        pid_t pid;
        ~Ending() { endSession(pid); }
    } ending{pid};
    std::optional<Screen::Mapped> window;
    for (int second = 0; !window && second < 60; ++second) {
        window =
            screen.nextMapped(std::chrono::seconds(1), [](bool overrideRedirect, const auto& a) {
                return !overrideRedirect && a.width >= 400;
            });
        // 126: the extension folder could not be replaced (no mount namespace for this user).
        if (int status = 0; !window && waitpid(pid, &status, WNOHANG) == pid)
            fail(fm.name + " ended at once (status " +
                 std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")");
    }
    if (!window)
        fail(fm.name + " showed no window");
    screen.settle(std::chrono::seconds(3));
    const pid_t process = processInSession(pid, fm.command[0]);
    if (process < 0)
        fail(fm.name + "'s process was not found");
    const int x = window->attributes.x + fm.x;
    const int y = window->attributes.y + fm.y;
    if (fm.blank) {
        screen.moveTo(window->attributes.x + fm.blank->first,
                      window->attributes.y + fm.blank->second);
        screen.click(1);
        screen.settle(std::chrono::milliseconds(500));
    }
    screen.moveTo(x, y);
    screen.click(1);
    screen.settle(std::chrono::milliseconds(500));
    std::vector<Try> times;
    for (int i = 0; i <= tries; ++i) {
        // Nautilus takes a right-click after a menu closed only once the pointer has moved.
        screen.settle(std::chrono::milliseconds(200));
        screen.moveTo(x + 1, y + 1);
        screen.settle(std::chrono::milliseconds(100));
        screen.moveTo(x, y);
        screen.settle(std::chrono::milliseconds(300));
        const double ranBefore = mainThreadTime(process);
        const Clock::time_point clicked = screen.click(3);
        // A tooltip is small; the menu holds a dozen entries.
        const auto menu =
            screen.nextMapped(std::chrono::seconds(10), [](bool overrideRedirect, const auto& a) {
                return overrideRedirect && a.height >= 150;
            });
        if (!menu)
            fail(fm.name + " showed no menu");
        const double ranAfter = mainThreadTime(process);
        waitUntilIdle(screen, process);
        const double menuCalls = menuCallsSince(callLog(folder), callsRead);
        if (i > 0)
            times.push_back({std::chrono::duration<double, std::milli>(menu->at - clicked).count(),
                             (ranAfter - ranBefore) / 1e6, menuCalls, menu->attributes.height});
        screen.press(XK_Escape);
        if (!screen.unmapped(menu->window, std::chrono::seconds(3)))
            fail(fm.name + "'s menu did not close on Escape");
    }
    return times;
}

// One file manager's sessions, with the plug-in and without, and its two rows.
void measureOne(Screen& screen, const FileManager& fm, const fs::path& scratch,
                const std::string& display, const Settings& settings) {
    using quorvane::bench::duration;
    using quorvane::bench::printRow;
    const std::string scenario = "Right-click to the shown menu in " + fm.name;
    // A home of its own for each file manager, where the Default menu is stored, as Quorvane
    // Setup's first start leaves it.
    const fs::path home = scratch / fm.command[0];
    for (const char* folder : {"config", "data", "cache", "state", "runtime", "files"})
        fs::create_directories(home / folder);
    fs::permissions(home / "runtime", fs::perms::owner_all);
    std::ofstream(home / "files" / "sample.txt") << "sample\n";
    // The program's icon where its install puts it in the icon theme, for the entry that asks
    // for it: a name the theme lacks would be looked for in vain at every right-click.
    fs::create_directories(home / "data" / "icons");
    fs::copy(QUORVANE_ICONS, home / "data" / "icons" / "hicolor",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const std::vector<std::string> environment{"PATH=/usr/bin:/bin",
                                               "HOME=" + home.string(),
                                               "XDG_CONFIG_HOME=" + (home / "config").string(),
                                               "XDG_DATA_HOME=" + (home / "data").string(),
                                               "XDG_CACHE_HOME=" + (home / "cache").string(),
                                               "XDG_STATE_HOME=" + (home / "state").string(),
                                               "XDG_RUNTIME_DIR=" + (home / "runtime").string(),
                                               "DISPLAY=" + display,
                                               "LANG=C.UTF-8",
                                               "GSK_RENDERER=cairo",
                                               "GTK_A11Y=none",
                                               "NO_AT_BRIDGE=1"};
    // First run stores the Default menu; another one is applied over it.
    const std::string ctl = "XDG_CONFIG_HOME='" + (home / "config").string() + "' HOME='" +
                            home.string() + "' " + QUORVANECTL;
    if (std::system((ctl + " preset Default >/dev/null 2>&1").c_str()) != 0 ||
        (settings.menu &&
         std::system((ctl + " apply '" + *settings.menu + "' >/dev/null 2>&1").c_str()) != 0))
        fail("quorvanectl could not store the menu");
    const fs::path without = scratch / (fm.command[0] + "-without");
    const fs::path with = scratch / (fm.command[0] + "-with");
    fillExtensionFolder(without, fm, false);
    fillExtensionFolder(with, fm, true);

    // The sessions take turns, each round starting with the other, so that a machine that
    // slows down or warms up weighs on both alike.
    std::vector<Try> withTries, withoutTries;
    for (int round = 0; round < settings.rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool withPlugin = (round + turn) % 2 == 0;
            const auto tries = session(screen, fm, withPlugin ? with : without, home / "files",
                                       environment, settings.triesPerSession);
            auto& into = withPlugin ? withTries : withoutTries;
            into.insert(into.end(), tries.begin(), tries.end());
        }
    }
    const auto medianOf = [](const std::vector<Try>& tries, double Try::*field) {
        std::vector<double> values;
        for (const Try& t : tries)
            values.push_back(t.*field * 1e6);
        return median(values);
    };
    const auto signedDuration = [](double nanoseconds) {
        return (nanoseconds < 0 ? "-" : "") + duration(std::abs(nanoseconds));
    };
    const double clockAdded =
        medianOf(withTries, &Try::milliseconds) - medianOf(withoutTries, &Try::milliseconds);
    const double processorAdded = medianOf(withTries, &Try::processorMilliseconds) -
                                  medianOf(withoutTries, &Try::processorMilliseconds);
    const auto height = [](const std::vector<Try>& tries) {
        std::vector<double> values;
        for (const Try& t : tries)
            values.push_back(t.menuHeight);
        return std::to_string(int(median(values))) + " px";
    };
    const double menuCallAdded = medianOf(withTries, &Try::menuCallMilliseconds) -
                                 medianOf(withoutTries, &Try::menuCallMilliseconds);
    // A probe that timed nothing in the sessions with the plug-in measured nothing at all.
    const bool menuCallSeen = std::any_of(withTries.begin(), withTries.end(),
                                          [](const Try& t) { return t.menuCallMilliseconds > 0; });
    const std::string menuBuilding =
        fm.menuCall.empty() ? ""
        : !menuCallSeen
            ? "; the probe saw no call of " + fm.menuCall
            : "; " + fm.menuCall + " " + duration(medianOf(withTries, &Try::menuCallMilliseconds)) +
                  " with it, " + duration(medianOf(withoutTries, &Try::menuCallMilliseconds)) +
                  " without: building the menu takes " + signedDuration(menuCallAdded) +
                  " of processor time";
    const std::string count = std::to_string(withTries.size()) + " tries in " +
                              std::to_string(settings.rounds) + " sessions";
    printRow(scenario + ", without the plug-in",
             duration(medianOf(withoutTries, &Try::milliseconds)),
             "processor " + duration(medianOf(withoutTries, &Try::processorMilliseconds)) + "; " +
                 count + ", taking turns with the sessions with it; menu " + height(withoutTries) +
                 " high",
             "");
    printRow(scenario + ", with the plug-in", duration(medianOf(withTries, &Try::milliseconds)),
             "processor " + duration(medianOf(withTries, &Try::processorMilliseconds)) +
                 "; the plug-in adds " + signedDuration(processorAdded) + " of processor time, " +
                 signedDuration(clockAdded) + " on the clock" + menuBuilding + "; " + count +
                 (settings.menu ? ", the menu given" : ", the Default menu") + "; menu " +
                 height(withTries) + " high",
             std::string("< 5 ms of processor time added: ") +
                 (processorAdded < 5e6 ? "met" : "MISSED") +
                 (fm.menuCall.empty() ? ""
                                      : std::string("; < 1 ms building the menu: ") +
                                            (!menuCallSeen         ? "not measured"
                                             : menuCallAdded < 1e6 ? "met"
                                                                   : "MISSED")));
}

int measure(const Settings& settings) {
    // The machine is shared: where it may, the benchmark and everything it starts (the display,
    // the file managers) run before anything else, so that other work weighs less on the figures.
    setpriority(PRIO_PROCESS, 0, -20);
    const std::vector<FileManager> managers = fileManagers(settings);
    const VirtualDisplay display(settings.display);
    Screen screen(display.name());

    const fs::path scratch =
        fs::temp_directory_path() / ("quorvane-right-click-" + std::to_string(getpid()));
    struct Scratch {
        fs::path folder;
        ~Scratch() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    } removing{scratch};

    using quorvane::bench::duration;
    using quorvane::bench::printRow;
    for (const FileManager& fm : managers) {
        const std::string scenario = "Right-click to the shown menu in " + fm.name;
        if (!onPath(fm.command[0])) {
            printRow(scenario, "-", fm.command[0] + " is not installed", "");
            continue;
        }
        // A file manager without any extension may lack the folder it would load them from.
        std::error_code ec;
        if (geteuid() == 0 && !fm.extensionFolder.empty())
            fs::create_directories(fm.extensionFolder, ec);
        if (!fm.extensionFolder.empty() && !fs::is_directory(fm.extensionFolder)) {
            printRow(scenario, "-", "no folder " + fm.extensionFolder.string(), "");
            continue;
        }
        try {
            measureOne(screen, fm, scratch, display.name(), settings);
        } catch (const std::exception& error) {
            printRow(scenario, "-", error.what(), "");
        }
    }
    return 0;
}

} // namespace

// right_click_bench [--rounds N] [--tries N] [--plugins FOLDER] [--display N]
//                   [nemo|caja|nautilus|thunar|dolphin...]
// --plugins takes the plug-ins from another build, such as the one before a change.
int main(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--rounds" && i + 1 < argc) {
            settings.rounds = std::atoi(argv[++i]);
        } else if (argument == "--tries" && i + 1 < argc) {
            settings.triesPerSession = std::atoi(argv[++i]);
        } else if (argument == "--menu" && i + 1 < argc) {
            settings.menu = argv[++i];
        } else if (argument == "--display" && i + 1 < argc) {
            settings.display = argv[++i];
        } else if (argument == "--plugins" && i + 1 < argc) {
            settings.pluginFolder = argv[++i];
        } else if (!argument.starts_with("-")) {
            settings.only.push_back(argument);
        } else {
            std::fprintf(stderr, "usage: right_click_bench [--rounds N] [--tries N] "
                                 "[--plugins FOLDER] [--display N] "
                                 "[nemo|caja|nautilus|thunar|dolphin...]\n");
            return 2;
        }
    }
    try {
        return measure(settings);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "right_click_bench: %s\n", error.what());
        return 1;
    }
}
