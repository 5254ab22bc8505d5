#!/usr/bin/python3
"""Reads the desktop program's windows as a screen reader does, through
AT-SPI, and checks that every text a sighted user reads and every button
they press carries its words in the accessibility tree: the four
information lines, the toolbar's buttons, the status bar, and the progress
window's status and percentage.

Usage: app_accessibility_test.py FENNIMAR FENNIMAR_CLI
Runs inside an X display and a D-Bus session of its own (the test's command
wraps it in run_gui_test.sh and dbus-run-session); it starts the
accessibility bus, its registry and the program, and ends each of them.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

try:
    import pyatspi
except ImportError:
    print("python3-pyatspi is not installed: the accessibility test is skipped")
    sys.exit(77)

START_WAIT = 30  # seconds for the program to appear in the tree
failures = []


def check(what, expected, actual):
    if expected != actual:
        failures.append("%s: expected %r, got %r" % (what, expected, actual))


def start(argv, env=None):
    return subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def stop(process):
    process.terminate()
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=5)


def find_application(name):
    deadline = time.monotonic() + START_WAIT
    while time.monotonic() < deadline:
        # The program counts once its first window is in the tree.
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name and app.childCount > 0:
                return app
        time.sleep(0.2)
    return None


def walk(node, depth=0):
    """Every accessible under `node` as (role, name), depth first."""
    found = [(node.getRoleName(), node.name)]
    for child in node if depth < 40 else []:
        if child is not None:
            found.extend(walk(child, depth + 1))
    return found


def named(tree, role):
    return [name for r, name in tree if r == role]


def wait_for(app, wanted, seconds=10):
    """The tree once it holds (role, name) `wanted`, or the last one read."""
    deadline = time.monotonic() + seconds
    while True:
        # The tree is read anew each time: its names are what the program
        # shows now, not what it showed at an earlier look.
        app.clearCache()
        tree = walk(app)
        if wanted in tree or time.monotonic() >= deadline:
            return tree
        time.sleep(0.2)


def check_main_window(app, work):
    # The lines change after the start: the new texts reach the tree.
    tree = wait_for(app, ("label", " File size: 5000"))
    check("information lines", [" Working directory:", " File size: 5000",
                                " Selected File: " + os.path.join(work, "REPORT.TXT"), " "],
          named(tree, "label")[:4])
    buttons = named(tree, "push button")
    for name in ("Select File For Split/Merge", "Split selected file", "Merge selected file",
                 "Change default setings", "Display Help", "About Dialog"):
        check("toolbar button %r" % name, 1, buttons.count(name))
    # The lock key's pane fills the status bar's text. The window looks at
    # the keys when it is idle after an event: the pointer crossing it makes
    # one, whichever window has the keyboard.
    subprocess.run(["xdotool", "key", "Caps_Lock"], timeout=10, check=False)
    for step in range(20):
        subprocess.run(["xdotool", "mousemove", str(150 + step % 2 * 20), "200"], timeout=10,
                       check=False)
        tree = wait_for(app, ("status bar", "CAP"), seconds=0.5)
        if ("status bar", "CAP") in tree:
            break
    check("status bar", ["CAP"], named(tree, "status bar"))


def check_progress_window(app, work):
    # The merge stops at the missing last part and asks for it, with the
    # progress window showing how far it came.
    wait_for(app, ("label", "Directory for merge file"))
    subprocess.run(["xdotool", "key", "Return"], timeout=10, check=False)
    status = " Merging 3 files to create: " + os.path.join(work, "BIG.DAT")
    wait_for(app, ("label", "Please insert disk with:"))
    window = [child for child in app if child is not None and
              child.name == "Processing Please Wait"]
    check("progress window", 1, len(window))
    if window:
        labels = named(walk(window[0]), "label")
        check("progress status", status, labels[0] if labels else None)
        check("percentage shown", True, len(labels) > 1 and labels[1].isdigit())


def run_program(program, argument, work, scenario):
    env = dict(os.environ, GTK_MODULES="gail:atk-bridge", HOME=work,
               XDG_CONFIG_HOME=os.path.join(work, "cfg"))
    env.pop("NO_AT_BRIDGE", None)
    process = start([program, argument], env)
    try:
        app = find_application(os.path.basename(program))
        if app is None:
            failures.append("%s: the program never appeared in the tree" % scenario.__name__)
            return
        scenario(app, work)
    finally:
        stop(process)


def make_part_set(cli, work):
    """A set of three parts of which the last is missing."""
    source = os.path.join(work, "BIG.DAT")
    with open(source, "wb") as f:
        f.write(os.urandom(300000))
    subprocess.run([cli, "split", source, "-s", "100k", "-d", work, "-y"], timeout=60,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True)
    os.remove(source)
    os.remove(os.path.join(work, "BIG.Z02"))
    return os.path.join(work, "BIG.Z00")


def main():
    program, cli = (os.path.abspath(path) for path in sys.argv[1:3])
    work = tempfile.mkdtemp(prefix="fennimar-a11y-")
    source = os.path.join(work, "REPORT.TXT")
    with open(source, "wb") as f:
        f.write(b"x" * 5000)
    parts = os.path.join(work, "parts")
    os.mkdir(parts)
    helpers = [start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])]
    try:
        time.sleep(0.5)
        helpers.append(start(["/usr/libexec/at-spi2-registryd", "--use-gnome-session"]))
        # A file given on the command line is taken as dropped: a file to
        # split fills the lines and the toolbar, a part starts a merge.
        run_program(program, source, work, check_main_window)
        run_program(program, make_part_set(cli, parts), parts, check_progress_window)
    finally:
        for helper in reversed(helpers):
            stop(helper)
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("FAIL: " + failure)
    print("accessibility: %d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
