#!/usr/bin/env python3
"""What a screen reader is told about Quorvane Setup's windows, read through AT-SPI.

Starts the program for a new user on a virtual display of its own, with a private session bus and
a window manager, opens the main window, Properties, the directory chooser, About and Help with
the keys a user presses, and checks the roles, names and states the accessibility bus reports.

    accessibility_check.py PROGRAM          check, exit 0 when all is well, 1 on a fault
    accessibility_check.py PROGRAM --dump   also print each window's accessible tree

Exits with 77 (skipped) where Xvfb, openbox, xdotool, dbus-run-session or pyatspi is missing, or
the accessibility bus does not come up.
"""

import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
WAIT_SECONDS = 15

# The help file the test puts in place of the installed one, and its paragraphs as read.
HELP_PARAGRAPHS = ["What it is", "A heading, then a paragraph of several words.",
                   "A last line, centred."]
HELP_RTF = ("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
            "\\pard\\b\\fs28 " + HELP_PARAGRAPHS[0] + "\\par"
            "\\pard\\plain\\fs20 " + HELP_PARAGRAPHS[1] + "\\par"
            "\\pard\\qc\\i " + HELP_PARAGRAPHS[2] + "\\par}")


class Skip(Exception):
    pass


class Failure(Exception):
    pass


def wait_for(condition, what, seconds=WAIT_SECONDS):
    """Polls `condition` until it returns something true; fails after `seconds`."""
    deadline = time.monotonic() + seconds
    while True:
        try:
            result = condition()
        except Exception:  # an object can go away while it is read; ask again
            result = None
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(0.05)


class Session:
    """A virtual display, a window manager and the program on a fresh home folder."""

    def __init__(self, program, folder):
        self.program = program
        self.folder = folder
        self.processes = []
        self.env = dict(os.environ)

    def start_display(self):
        read_end, write_end = os.pipe()
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self.processes.append(server)
        os.close(write_end)
        # Xvfb writes the number, then a line end; the pipe stays open until both are read, as
        # Xvfb gives up when it cannot write the second.
        said = b""
        deadline = time.monotonic() + WAIT_SECONDS
        while not said.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 0.1)
            if ready:
                chunk = os.read(read_end, 32)
                if not chunk:
                    break
                said += chunk
        os.close(read_end)
        number = said.decode().strip() if said.endswith(b"\n") else ""
        if not number:
            raise Skip("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number

        config = os.path.join(self.folder, "rc.xml")
        with open(config, "w") as rc:
            rc.write('<?xml version="1.0"?>\n'
                     '<openbox_config xmlns="http://openbox.org/3.4/rc"/>\n')
        flag = os.path.join(self.folder, "wm-ready")
        log = os.path.join(self.folder, "openbox.log")
        with open(log, "w") as output:
            self.processes.append(subprocess.Popen(
                ["openbox", "--sm-disable", "--config-file", config, "--startup",
                 "touch " + flag], env=self.env, stdout=output, stderr=output))
        try:
            wait_for(lambda: os.path.exists(flag), "openbox")
        except Failure:
            with open(log) as output:
                raise Skip("openbox did not start on " + self.env["DISPLAY"] + ": " + output.read())

    def start_program(self):
        env = dict(self.env)
        for name in ("home", "config", "data", "cache", "runtime"):
            os.makedirs(os.path.join(self.folder, name), mode=0o700, exist_ok=True)
        env.update({
            "HOME": os.path.join(self.folder, "home"),
            "XDG_CONFIG_HOME": os.path.join(self.folder, "config"),
            "XDG_DATA_HOME": os.path.join(self.folder, "data"),
            "XDG_CACHE_HOME": os.path.join(self.folder, "cache"),
            "XDG_RUNTIME_DIR": os.path.join(self.folder, "runtime"),
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        })
        # Under the sanitizers, the X libraries below Qt read strings past their ends in ways the
        # strict check reports, and keep buffers until exit; the offscreen tests check the
        # program's own code, so here only its real faults may stop it.
        if env.get("ASAN_OPTIONS"):
            env["ASAN_OPTIONS"] += ":strict_string_checks=0:detect_leaks=0"
        # The chooser opens in the working directory: a home with one folder in it.
        os.makedirs(os.path.join(env["HOME"], "Archive"))
        self.errors = os.path.join(self.folder, "errors.txt")
        with open(self.errors, "w") as errors:
            self.program_process = subprocess.Popen(
                [self.program], env=env, cwd=env["HOME"], stdout=subprocess.DEVNULL,
                stderr=errors)
        self.processes.append(self.program_process)
        return self.program_process.pid

    def keys(self, *keys):
        """Presses `keys` in the window that has the focus, as a user's keyboard does."""
        subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], env=self.env, check=True,
                       timeout=WAIT_SECONDS)

    def activate(self, title):
        """Brings the program's window titled `title` to the front and gives it the focus."""
        subprocess.run(
            ["xdotool", "search", "--sync", "--onlyvisible", "--pid",
             str(self.program_process.pid), "--name", "^" + title + "$",
             "windowactivate", "--sync"],
            env=self.env, check=True, stdout=subprocess.DEVNULL, timeout=WAIT_SECONDS)

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


# --- What AT-SPI reports ---------------------------------------------------------------------

def states(node):
    import pyatspi
    names = set()
    state_set = node.getState()
    for state in state_set.getStates():
        names.add(pyatspi.stateToString(state))
    return names


def children(node):
    return [node.getChildAtIndex(i) for i in range(node.childCount)]


def walk(node, depth=0):
    yield node, depth
    for child in children(node):
        if child is not None:
            yield from walk(child, depth + 1)


def dump(window):
    for node, depth in walk(window):
        print("  " * depth + f"{node.getRoleName()} {node.name!r} "
              f"[{' '.join(sorted(states(node)))}]")
    sys.stdout.flush()


def top_level(app, title):
    for window in children(app):
        if window is not None and window.name == title and "showing" in states(window):
            return window
    return None


def cells(tree):
    return [node for node in children(tree) if node.getRoleName() in ("tree item", "table cell")]


def row_of(tree, name):
    return [cell.name for cell in cells(tree)].index(name)


def find_all(window, role):
    return [node for node, _ in walk(window) if node.getRoleName() == role]


# --- The checks ------------------------------------------------------------------------------

class Checks:
    def __init__(self):
        self.faults = []

    def expect(self, condition, fault):
        if not condition:
            self.faults.append(fault)

    def dialog(self, window, title):
        role = window.getRoleName()
        self.expect(role == "dialog", f'"{title}" has the role {role}, not dialog')

    def text_fields_named(self, window, title):
        for node, _ in walk(window):
            if node.getRoleName() in ("text", "entry", "password text") and \
                    "editable" in states(node) and not node.name.strip():
                self.faults.append(f'"{title}": a text field has no name')

    def lists_named(self, window, title):
        """A list is named by what it lists, not by a line of it. (A drop-down list is named by
        its current line on this desktop, and its own list by the drop-down list.)"""
        for node, _ in walk(window):
            role = node.getRoleName()
            if role not in ("tree", "tree table", "list", "table") or \
                    node.parent.getRoleName() == "combo box":
                continue
            lines = {line.name for line in cells(node)}
            self.expect(node.name.strip() and node.name not in lines,
                        f'"{title}": a {role} is named {node.name!r}')

    def one_help_text(self, window, paragraphs):
        """The help file is one text, as a whole, not a label per line."""
        texts = find_all(window, "text")
        labels = [node.name for node in find_all(window, "label")]
        self.expect(len(texts) == 1, f'"Quorvane help" shows {len(texts)} texts, not one')
        if texts:
            content = texts[0].queryText()
            text = content.getText(0, content.characterCount)
            self.expect("\n".join(paragraphs) in text,
                        f'"Quorvane help" reads {text!r}, not the help file\'s paragraphs')
        for line in paragraphs:
            self.expect(line not in labels, f'"Quorvane help": {line!r} is a label of its own')

    def headers(self, tree, title):
        for header in children(tree):
            if header.getRoleName() not in ("column header", "table column header"):
                continue
            name = header.name.strip()
            self.expect(name and not name.isdigit(),
                        f'"{title}": a column header is announced as {header.name!r}')

    def leaves(self, tree, title):
        for node in children(tree):
            if node.getRoleName() not in ("tree item", "table cell"):
                continue
            node_states = states(node)
            self.expect("expanded" not in node_states or "expandable" in node_states,
                        f'"{title}": the leaf {node.name!r} is announced as expanded')


def run(program, folder, dumping):
    def show(title, window):
        if dumping:
            print("== " + title)
            dump(window)

    session = Session(program, folder)
    try:
        session.start_display()
        os.environ["DISPLAY"] = session.env["DISPLAY"]
        try:
            import pyatspi
        except ImportError as e:
            raise Skip(f"pyatspi cannot be loaded: {e}")
        try:
            desktop = pyatspi.Registry.getDesktop(0)
            desktop.childCount
        except Exception as e:
            raise Skip(f"AT-SPI did not start: {e}")

        pid = session.start_program()

        def application():
            # The list of programs is cached and kept up by events that nothing here waits
            # for; it is read afresh each time.
            desktop.clear_cache()
            for app in children(desktop):
                if app is not None and app.get_process_id() == pid:
                    return app
            return None

        try:
            app = wait_for(application, "the program on the accessibility bus")
        except Failure:
            if session.program_process.poll() is not None:
                with open(session.errors) as errors:
                    raise Failure("the program ended: " + errors.read())
            with open(session.errors) as errors:
                raise Skip("the program never appeared on the accessibility bus: " +
                           errors.read())
        checks = Checks()

        # A new user's first start shows the notice above the main window. Once closed it may
        # linger on the bus, so the main window's taking the focus is what tells it went.
        notice = wait_for(lambda: top_level(app, "Stop for a while"), "the first-start notice")
        show("Stop for a while", notice)
        checks.dialog(notice, "Stop for a while")
        session.activate("Stop for a while")
        session.keys("Escape")
        main = wait_for(lambda: top_level(app, "Quorvane Setup"), "the main window")
        session.activate("Quorvane Setup")
        wait_for(lambda: "active" in states(main), "the main window to take the focus")

        tree = wait_for(lambda: next((t for t in find_all(main, "tree") + find_all(main, "tree table")
                                      if t.name == "Menu"), None), "the menu tree")
        show("Quorvane Setup", main)
        checks.headers(tree, "Menu")
        checks.leaves(tree, "Menu")
        checks.lists_named(main, "Quorvane Setup")
        # Every entry open: '*' on the root opens all below it.
        session.keys("Home", "asterisk")
        wait_for(lambda: len(cells(tree)) > 30, "every entry of the menu to show")
        show("Quorvane Setup, every entry open", tree)
        checks.leaves(tree, "Menu, every entry open")
        # A submenu whose entries were taken out holds none: it is no more an open one.
        for entry in ("Copy Name", "Append Name"):
            session.keys("Home", *["Down"] * row_of(tree, entry), "Delete")
            wait_for(lambda: entry not in [cell.name for cell in cells(tree)], entry + " to go")
        checks.leaves(tree, "Menu, a submenu emptied")

        session.keys("alt+r")
        properties = wait_for(lambda: top_level(app, "Properties"), "Properties")
        show("Properties", properties)
        checks.dialog(properties, "Properties")
        checks.text_fields_named(properties, "Properties")
        session.keys("Escape")
        wait_for(lambda: "active" in states(main), "Properties to close")

        # Enter on a Move To item opens the chooser, captioned with the item.
        session.keys("Home", *["Down"] * row_of(tree, "Drive A:"), "Return")
        chooser = wait_for(lambda: top_level(app, "Drive A:"), "the directory chooser")
        show("Drive A:", chooser)
        checks.dialog(chooser, "the directory chooser")
        checks.lists_named(chooser, "the directory chooser")
        checks.text_fields_named(chooser, "the directory chooser")
        for folders in find_all(chooser, "tree") + find_all(chooser, "tree table"):
            checks.headers(folders, "the directory chooser")
            checks.leaves(folders, "the directory chooser")
        session.keys("Escape")
        wait_for(lambda: "active" in states(main), "the directory chooser to close")

        session.keys("alt+h", "a")
        about = wait_for(lambda: top_level(app, "About Quorvane"), "About")
        show("About Quorvane", about)
        checks.dialog(about, "About Quorvane")
        session.keys("Escape")
        wait_for(lambda: "active" in states(main), "About to close")

        help_file = os.path.join(folder, "data", "quorvane", "ShellExt", "Quorvane.rtf")
        with open(help_file, "w") as rtf:
            rtf.write(HELP_RTF)
        session.keys("F1")
        help_window = wait_for(lambda: top_level(app, "Quorvane help"), "Help")
        show("Quorvane help", help_window)
        checks.dialog(help_window, "Quorvane help")
        checks.one_help_text(help_window, HELP_PARAGRAPHS)
        session.keys("Escape")
        wait_for(lambda: "active" in states(main), "Help to close")
        return checks.faults
    finally:
        session.stop()


def main():
    arguments = [a for a in sys.argv[1:] if not a.startswith("--")]
    if len(arguments) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    program = os.path.abspath(arguments[0])
    show = "--dump" in sys.argv
    inside = [a[len("--inside-bus="):] for a in sys.argv if a.startswith("--inside-bus=")]
    try:
        if not inside:
            for tool in ("Xvfb", "openbox", "xdotool", "dbus-run-session"):
                if not shutil.which(tool):
                    raise Skip(f"{tool} is not installed")
            try:
                import pyatspi  # noqa: F401  (only whether it is there)
            except ImportError as e:
                raise Skip(f"pyatspi cannot be loaded: {e}")
            # A private session bus, and a runtime folder of this run's own where the bus puts
            # the accessibility bus it starts: without one, that lies in the home folder, where
            # every run at the same time would replace the others'.
            folder = tempfile.mkdtemp(prefix="quorvane-a11y-")
            try:
                runtime = os.path.join(folder, "runtime")
                os.makedirs(runtime, mode=0o700)
                env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
                return subprocess.run(["dbus-run-session", "--", sys.executable,
                                       os.path.abspath(sys.argv[0]), *sys.argv[1:],
                                       "--inside-bus=" + folder], env=env).returncode
            finally:
                shutil.rmtree(folder, ignore_errors=True)
        faults = run(program, inside[0], show)
    except Skip as why:
        print(f"SKIPPED: {why}")
        return SKIPPED
    except Failure as why:
        print(f"FAILED: {why}")
        return 1
    for fault in faults:
        print(f"FAULT: {fault}")
    if faults:
        return 1
    print("Every window checked is announced as it should be.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
