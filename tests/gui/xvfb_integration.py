#!/usr/bin/env python3
"""Runs the embedding test app on a private Xvfb display and drives it as a user would.

Cases:
  gtk-drop       files dragged from a GTK 3 window onto a slot label, no window manager
  gtk-drop-twm   the same onto the drop zone, with twm reparenting the windows
  qt-drop        files dragged from a Qt 5 window onto a slot label
  clicks         Command-, Shift-Command-, Shift- and right-clicks on slot labels
  save-dialog    the export button opens zenity; a typed path arrives at the end
  save-cancel    the same, cancelled with Escape: no file arrives
  screenshot     the window on screen matches the offscreen drawing of the same frame
  screenshot-16bit  the same on a 16-bit screen, where the window cannot share the frame's pixels
  host-gone      the host destroys its window before closing the editor, which survives it

Usage: xvfb_integration.py --app PATH --case NAME
"""
import argparse
import os
import re
import select
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
# The drag sources need Debian's python3-gi and python3-pyqt5, which only Debian's interpreter has.
SYSTEM_PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable

# Where the app puts its controls (frame coordinates); rows follow the slot row rule.
SLOT_ROW_TOPS = [160, 180, 201, 222]
DROP_ZONE = (8 + 119, 11 + 28)
EXPORT_BUTTON = (330, 27)


def label_centre(slot):
    return (120, SLOT_ROW_TOPS[slot] + 9)


class Failure(Exception):
    pass


class Session:
    def __init__(self, app, workdir, depth=24):
        self.app = app
        self.workdir = workdir
        self.processes = []
        self.env = dict(os.environ)
        self.env.update({
            "GDK_BACKEND": "x11", "NO_AT_BRIDGE": "1", "QT_QPA_PLATFORM": "xcb", "QT_ACCESSIBILITY": "0",
            "XDG_RUNTIME_DIR": workdir, "HOME": workdir, "GTK_THEME": "Adwaita",
        })
        self.env.pop("WAYLAND_DISPLAY", None)
        self.start_xvfb(depth)
        self.log_path = os.path.join(workdir, "app.log")

    def start_xvfb(self, depth):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x%d" % depth,
                                 "-nolisten", "tcp"], pass_fds=(write_end,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.processes.append(xvfb)
        number = b""
        deadline = time.time() + 20
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.time()))
            if not ready:
                raise Failure("Xvfb did not start")
            chunk = os.read(read_end, 16)
            if not chunk:
                raise Failure("Xvfb ended at start")
            number += chunk
        os.close(read_end)
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def spawn(self, args, **kwargs):
        process = subprocess.Popen(args, env=self.env, stdin=subprocess.DEVNULL, **kwargs)
        self.processes.append(process)
        return process

    def run(self, args, timeout=20):
        return subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=timeout)

    def xdotool(self, *args):
        result = self.run(["xdotool"] + [str(a) for a in args])
        if result.returncode != 0:
            raise Failure("xdotool %s: %s" % (" ".join(map(str, args)), result.stderr.strip()))
        return result.stdout.strip()

    def start_twm(self):
        rc = os.path.join(self.workdir, "twmrc")
        with open(rc, "w") as out:
            out.write('RandomPlacement\nUsePPosition "on"\nNoGrabServer\n')
        self.spawn(["twm", "-f", rc], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # twm selects SubstructureRedirect on the root; the app started after it is reparented.
        self.wait(lambda: "SubstructureRedirect" in self.run(["xwininfo", "-root", "-all"]).stdout or True, 2)
        time.sleep(0.5)

    def start_app(self):
        self.app_process = self.spawn([self.app, "--log", self.log_path, "--seconds", "100"],
                                      stdout=subprocess.DEVNULL)
        line = self.wait_log(lambda l: l.startswith("ready"), 20, "the app did not start")
        fields = dict(item.split("=") for item in line.split()[1:])
        self.frame_window = int(fields["frame"])
        self.host_window = int(fields["host"])

    def log(self):
        try:
            with open(self.log_path) as log:
                return log.read().splitlines()
        except FileNotFoundError:
            return []

    def wait(self, predicate, timeout, message="timed out"):
        deadline = time.time() + timeout
        while time.time() < deadline:
            result = predicate()
            if result:
                return result
            time.sleep(0.05)
        raise Failure(message)

    def wait_log(self, predicate, timeout, message):
        def found():
            for line in self.log():
                if predicate(line):
                    return line
            return None
        return self.wait(found, timeout, message + "\n  app log: " + repr(self.log()))

    def origin(self, window):
        info = self.run(["xwininfo", "-id", str(window)]).stdout
        x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
        y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
        return x, y

    def on_screen(self, point):
        x, y = self.origin(self.frame_window)
        return x + point[0], y + point[1]

    def find_window(self, name, timeout=20):
        window = self.wait(lambda: self.run(["xdotool", "search", "--onlyvisible", "--name", name]).stdout.split(),
                           timeout, "no window named " + name)
        return int(window[-1])

    def drag(self, start, end):
        """Presses at start, moves there in small steps, as a hand would, and releases."""
        self.xdotool("mousemove", start[0], start[1])
        time.sleep(0.2)
        self.xdotool("mousedown", 1)
        steps = 30
        for i in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * i // steps
            y = start[1] + (end[1] - start[1]) * i // steps
            self.xdotool("mousemove", x, y)
            time.sleep(0.03)
        # A few wiggles over the target: every position is answered before the release.
        for dx in (1, 0, 1, 0):
            self.xdotool("mousemove", end[0] + dx, end[1])
            time.sleep(0.1)
        self.xdotool("mouseup", 1)

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


def dragged_files(workdir):
    folder = os.path.join(workdir, "My Kits #1")
    os.makedirs(folder, exist_ok=True)
    paths = [os.path.join(folder, "kick 01.wav"), os.path.join(folder, "snäre%20.aif")]
    for path in paths:
        open(path, "w").close()
    return paths


def drop_case(session, source_script, target, tag, with_wm):
    if with_wm:
        session.start_twm()
    session.start_app()
    paths = dragged_files(session.workdir)
    source = session.spawn([SYSTEM_PYTHON, os.path.join(HERE, source_script)] + paths,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    window = session.find_window("^TL drag source$")
    x, y = session.origin(window)
    session.drag((x + 80, y + 50), session.on_screen(target))
    expected = "drop tag=%d paths=%s" % (tag, "|".join(paths))
    session.wait_log(lambda l: l.startswith("drop"), 15, "no drop arrived")
    log = session.log()
    drops = [l for l in log if l.startswith("drop")]
    if drops != [expected]:
        raise Failure("expected %r, got %r" % (expected, drops))
    if "enter tag=%d count=2" % tag not in log:
        raise Failure("no enter before the drop: %r" % log)
    session.wait_log(lambda l: l == "leave tag=%d count=2" % tag, 5, "no leave after the drop")
    source.terminate()
    check_proxy_lifetime(session)


def xdnd_properties(session, window):
    # XdndAware holds a version number in an ATOM-typed property: show it as a number.
    output = session.run(["xprop", "-id", str(window), "-f", "XdndAware", "32c", "XdndAware", "XdndProxy"]).stdout
    return {name: value.strip() for name, value in re.findall(r"^(Xdnd\w+)\(\w+\)(?: =|:) (.*)$", output, re.M)}


def check_proxy_lifetime(session):
    """While open, the host's window points drags to the frame; closing the editor undoes it."""
    host = session.host_window
    expected = {"XdndAware": "5", "XdndProxy": "window id # %s" % hex(session.frame_window)}
    if xdnd_properties(session, host) != expected:
        raise Failure("host window properties %r, expected %r" % (xdnd_properties(session, host), expected))
    session.app_process.send_signal(signal.SIGUSR1)
    session.wait_log(lambda l: l == "editor closed", 10, "the editor did not close")
    if xdnd_properties(session, host):
        raise Failure("the host window keeps %r after closing" % xdnd_properties(session, host))


def clicks_case(session):
    session.start_app()
    def click(slot, keys, button=1):
        x, y = session.on_screen(label_centre(slot))
        session.xdotool("mousemove", x, y)
        time.sleep(0.1)
        if keys:
            session.xdotool("keydown", keys)
        session.xdotool("click", button)
        if keys:
            session.xdotool("keyup", keys)
        time.sleep(0.2)
    click(0, "ctrl")
    click(0, "shift+ctrl")
    click(0, None, button=3)
    click(1, "shift")
    click(0, "alt+shift")
    session.wait_log(lambda l: l == "value tag=52 value=1.0", 10, "the last click did not arrive")
    values = [l for l in session.log() if l.startswith("value")]
    expected = ["value tag=52 value=2.1", "value tag=52 value=3.1", "value tag=53 value=5.1",
                "value tag=52 value=1.0"]
    if values != expected:
        raise Failure("expected %r, got %r" % (expected, values))


def save_case(session, cancel):
    session.start_twm()
    session.start_app()
    x, y = session.on_screen(EXPORT_BUTTON)
    session.xdotool("mousemove", x, y)
    time.sleep(0.1)
    session.xdotool("click", 1)
    dialog = session.find_window("^Export Kv7 Kit as..$", timeout=30)
    # Let the file chooser finish building before typing into it.
    time.sleep(1.5)
    session.xdotool("windowfocus", "--sync", dialog)
    time.sleep(0.3)
    target = os.path.join(session.workdir, "exports", "kit one.aif")
    os.makedirs(os.path.dirname(target), exist_ok=True)
    if cancel:
        session.xdotool("key", "--clearmodifiers", "Escape")
        session.wait_log(lambda l: l.startswith("selector"), 20, "the dialog did not end")
        expected = "selector none"
    else:
        session.xdotool("key", "--clearmodifiers", "ctrl+a")
        session.xdotool("type", "--delay", "20", target)
        time.sleep(0.3)
        session.xdotool("key", "--clearmodifiers", "Return")
        session.wait_log(lambda l: l.startswith("selector"), 20, "the dialog did not end")
        expected = "selector file=" + target
    selector = [l for l in session.log() if l.startswith("selector")]
    if selector != [expected]:
        raise Failure("expected %r, got %r" % (expected, selector))


def screenshot_case(session, fuzz="2%"):
    offscreen = os.path.join(session.workdir, "offscreen.png")
    onscreen = os.path.join(session.workdir, "onscreen.png")
    result = session.run([session.app, "--offscreen-png", offscreen], timeout=60)
    if result.returncode != 0:
        raise Failure("offscreen drawing failed: " + result.stderr)
    session.start_app()

    def differing_pixels():
        session.run(["import", "-window", str(session.frame_window), onscreen])
        compare = session.run(["compare", "-metric", "AE", "-fuzz", fuzz, onscreen, offscreen, "null:"])
        try:
            return float(compare.stderr.split()[0])
        except (IndexError, ValueError):
            return None

    deadline = time.time() + 15
    differing = None
    while time.time() < deadline:
        differing = differing_pixels()
        if differing is not None and differing <= 20:
            return
        time.sleep(0.3)
    raise Failure("the window differs from the offscreen drawing in %s pixels" % differing)


def host_gone_case(session):
    session.start_app()
    session.app_process.send_signal(signal.SIGUSR2)
    session.wait_log(lambda l: l == "editor closed", 10, "the editor did not close")
    session.app_process.terminate()
    if session.app_process.wait(timeout=10) != 0:
        raise Failure("the app ended with %s" % session.app_process.returncode)
    if session.log()[-1] != "closed":
        raise Failure("the app did not finish: %r" % session.log())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True)
    parser.add_argument("--case", required=True)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="tl-xvfb-") as workdir:
        depth = 16 if args.case == "screenshot-16bit" else 24
        session = Session(os.path.abspath(args.app), workdir, depth)
        try:
            if args.case == "gtk-drop":
                drop_case(session, "drag_source_gtk.py", label_centre(1), 53, with_wm=False)
            elif args.case == "gtk-drop-twm":
                drop_case(session, "drag_source_gtk.py", DROP_ZONE, 198, with_wm=True)
            elif args.case == "qt-drop":
                drop_case(session, "drag_source_qt.py", label_centre(0), 52, with_wm=False)
            elif args.case == "clicks":
                clicks_case(session)
            elif args.case == "save-dialog":
                save_case(session, cancel=False)
            elif args.case == "save-cancel":
                save_case(session, cancel=True)
            elif args.case == "screenshot":
                screenshot_case(session)
            elif args.case == "screenshot-16bit":
                # Five or six bits a channel: each channel may be off by up to 8 of 255.
                screenshot_case(session, fuzz="4%")
            elif args.case == "host-gone":
                host_gone_case(session)
            else:
                raise Failure("unknown case " + args.case)
        except (Failure, subprocess.TimeoutExpired) as failure:
            print("FAILED %s: %s" % (args.case, failure))
            return 1
        finally:
            session.close()
    print("passed %s" % args.case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
