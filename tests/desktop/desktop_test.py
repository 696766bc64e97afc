#!/usr/bin/env python3
"""The plug-in on a desktop of its own (tests/support/desktop.sh), driven as a user drives it, in
kv7_editor_host_app (loaded through VSTPluginMain) or in the standalone host. Cases: drops (the
window's pixels, GTK and Qt drags), road (drop, play, export through zenity, erase with
Shift-Control, drop the kit back; needs twm), scaled (the window at scale 2, told by
TEMBRO_LAXIS_SCALE or by Xft.dpi; needs a 1600x1600 screen), standalone (live on JACK, either face).
Usage: desktop_test.py --case NAME --build BUILD_DIR [--face vst|lv2] [--fuzz PERCENT] [--screenshot PNG]
                       [--scale-from variable|xrdb]"""
import argparse
import ctypes
import ctypes.util
import math
import os
import re
import signal
import struct
import subprocess
import sys
import tempfile
import time
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
# GTK and Qt for Python come with Debian's own interpreter.
SYSTEM_PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
DROP_ZONE, EXPORT_BUTTON, KEYBOARD = (127, 39), (120, 88), (277, 148, 420, 722)
LABELS, KEYS = [(120, 169), (120, 189)], [(317, 171), (378, 181)]  # slots 0 and 1
DIALOG, MESSAGE_OK = "^Export Kv7 Kit as..$", (233, 327)


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


def wait(predicate, timeout, message=None):
    """What predicate answers once it answers something; after timeout, a failure, or None without a message."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        result = predicate()
        if result:
            return result
        time.sleep(0.05)
    expect(message is None, message)


def run(*args, timeout=30):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, timeout=timeout)


def xdotool(*args):
    result = run("xdotool", *args)
    expect(result.returncode == 0, "xdotool %s: %s" % (" ".join(map(str, args)), result.stderr.strip()))
    return result.stdout.strip()


def origin(window):
    info = run("xwininfo", "-id", window).stdout
    return tuple(int(re.search(r"Absolute upper-left %s:\s+(-?\d+)" % axis, info).group(1)) for axis in "XY")


def visible(name):
    return run("xdotool", "search", "--onlyvisible", "--name", name).stdout.split()


def write_sound(path, frames, level, frequency=300):
    """A tone fading out over its last 200 samples, so that a slot's neighbours stay quiet in it."""
    with wave.open(path, "wb") as out:
        out.setnchannels(1), out.setsampwidth(2), out.setframerate(44100)
        out.writeframes(b"".join(struct.pack("<h", int(level * min(1.0, (frames - 1 - i) / 200.0) * 32767 *
                                                        math.sin(2 * math.pi * frequency * i / 44100))) for i in range(frames)))
    return path


PROCESSES = []  # all end with the case


def spawn(args, **kwargs):
    PROCESSES.append(subprocess.Popen(args, stdin=kwargs.pop("stdin", subprocess.DEVNULL), **kwargs))
    return PROCESSES[-1]


class Desktop:
    def __init__(self, window=0):
        self.window = window

    def at(self, point):
        x, y = origin(self.window)
        return x + point[0], y + point[1]

    def click(self, point, keys=None, button=1):
        xdotool("mousemove", *self.at(point))
        time.sleep(0.15)
        xdotool(*(["keydown", keys] if keys else []), "click", button, *(["keyup", keys] if keys else []))
        time.sleep(0.3)

    def drag(self, paths, target, toolkit="gtk"):
        """Drags paths from a GTK or Qt window onto target, moving in small steps as a hand would."""
        source = spawn([SYSTEM_PYTHON, os.path.join(HERE, "drag_source.py"), toolkit] + paths,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        x, y = origin(int(wait(lambda: visible("^TL drag source$"), 20, "no drag source")[-1]))
        (x, y), end = (x + 80, y + 50), self.at(target)
        xdotool("mousemove", x, y, "sleep", 0.2, "mousedown", 1)
        for i in range(1, 31):
            xdotool("mousemove", x + (end[0] - x) * i // 30, y + (end[1] - y) * i // 30, "sleep", 0.03)
        for dx in (1, 0, 1, 0):  # every position is answered before the release
            xdotool("mousemove", end[0] + dx, end[1], "sleep", 0.1)
        xdotool("mouseup", 1, "sleep", 1)
        source.terminate()
        wait(lambda: not visible("^TL drag source$"), 10, "the drag source stayed")  # gone before the next drag looks for one


class Host(Desktop):
    """kv7_editor_host_app with the built plug-in; it logs "ready ... frame=ID" and "peak P" answers."""

    def __init__(self, work, build):
        Desktop.__init__(self)
        self.log_path = os.path.join(work, "host.log")
        self.process = spawn([os.path.join(build, "tests/desktop/kv7_editor_host_app"),
                                   os.path.join(build, "source/Tembro-laxis.so"), self.log_path], stdin=subprocess.PIPE, text=True)
        ready = wait(lambda: [l for l in self.log() if l.startswith("ready")], 30, "the host did not open the editor")[0]
        self.window = int(re.search(r"frame=(\d+)", ready).group(1))
        expect(self.window, "the editor put no window into the host's")

    def log(self):
        return open(self.log_path).read().splitlines() if os.path.exists(self.log_path) else []

    def tell(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def expect_peaks(self, expected, what):
        peaks = []
        for command, _ in expected:
            before = len(self.log())
            self.tell(command)
            peaks.append(float(wait(lambda: [l for l in self.log()[before:] if l.startswith("peak")], 15, command)[0].split()[1]))
        expect(all(abs(p - level) < 0.02 for p, (_, level) in zip(peaks, expected)),
               "%s: peaks %s, expected %s" % (what, peaks, [level for _, level in expected]))


def drops(work, args):
    """The keyboard on screen is the window picture, whatever the screen's depth; then GTK and Qt
    drags fill slots from the label they are dropped on."""
    host = Host(work, args.build)
    left, top, right, bottom = KEYBOARD
    region, shot, picture = "%dx%d+%d+%d" % (right - left, bottom - top, left, top), os.path.join(work, "shot.png"), os.path.join(work, "picture.png")
    run("convert", os.path.join(HERE, "../gui/goldens/window_picture_128.png"), "-crop", region, "+repage", picture)

    for _ in range(30):  # the window may still be drawing
        run("import", "-window", host.window, shot)
        run("convert", shot, "-crop", region, "+repage", shot)
        count = run("compare", "-metric", "AE", "-fuzz", args.fuzz, shot, picture, "null:").stderr.split()
        differing = float(count[0]) if count and re.match(r"^[\d.]+$", count[0]) else math.inf
        if differing <= 20:
            break
        time.sleep(0.3)
    expect(differing <= 20, "the keyboard on screen differs from the picture in %s pixels" % differing)
    sounds = [write_sound(os.path.join(work, name), 3000, level)
              for name, level in (("kick 01.wav", 0.5), ("snäre%20.wav", 0.25), ("hat.wav", 0.125))]
    host.drag(sounds[:2], LABELS[1], "gtk")
    host.drag(sounds[2:], LABELS[0], "qt")
    host.expect_peaks([("note 53", 0.125), ("note 54", 0.5), ("note 55", 0.25), ("note 56", 0)], "after the drops")


def road(work, args):
    host = Host(work, args.build)
    host.drag([write_sound(os.path.join(work, "kick.wav"), 4000, 0.5, 80), write_sound(os.path.join(work, "snare.wav"), 3000, 0.25)],
              DROP_ZONE)
    host.expect_peaks([("note 53", 0.5), ("render", 0)], "the dropped kick")
    host.click(KEYS[1])
    host.expect_peaks([("render", 0.25)], "a click on the second key")
    host.click(KEYS[1], button=3)
    host.expect_peaks([("render", 0)], "a right-click, which plays nothing")
    kit = os.path.join(work, "exports", "my kit.aif")
    os.makedirs(os.path.dirname(kit))
    # Cancelled once, then saved. A key may first close the chooser's completion popup, so it goes
    # again until the dialog closes; on a busy machine the first keys of a path may arrive before
    # the chooser is built, and such a save is tried again.
    for answer in (None, kit, kit, kit):
        host.click(EXPORT_BUTTON)
        dialog = wait(lambda: visible(DIALOG), 30, "no save dialog")[-1]
        xdotool("sleep", 1.5, "windowfocus", "--sync", dialog, "sleep", 0.3)
        if answer:
            xdotool("key", "--clearmodifiers", "ctrl+a", "type", "--delay", "20", answer)
        for _ in range(5):
            xdotool("sleep", 0.3, "key", "--clearmodifiers", "Return" if answer else "Escape")
            if wait(lambda: not visible(DIALOG), 4):
                break
        expect(not visible(DIALOG), "the dialog stayed")
        wait(lambda: os.path.exists(kit), 10 if answer else 0.5)  # the export ends after the dialog
        expect(os.listdir(os.path.dirname(kit)) in ([], [os.path.basename(kit)] if answer else []), "exports: %s" % os.listdir(os.path.dirname(kit)))
        if os.path.exists(kit):
            break
        host.click(MESSAGE_OK)  # a path that lost its first keys may have failed to export
    with open(kit, "rb") as written:
        expect(written.read(50)[46:50] == b"kv-7", "the written file is not a kit")
    host.click(LABELS[0], "shift+ctrl")
    host.expect_peaks([("note 53", 0), ("note 54", 0)], "after erasing every slot")
    host.drag([kit], DROP_ZONE)
    host.expect_peaks([("note 53", 0.5), ("note 54", 0.25)], "the kit dropped back in")
    if args.screenshot:
        run("import", "-window", host.window, args.screenshot)
    host.tell("quit")
    wait(lambda: "closed" in host.log(), 15, "the host did not close")


def scaled(work, args):
    """TEMBRO_LAXIS_SCALE=2, or Xft.dpi 192 loaded with xrdb, makes the host's window 880 x 1512;
    a GTK drag onto the first slot row and a click on the second key, at twice their points in the
    layout, load and play those slots."""
    if args.scale_from == "xrdb":
        # Xvfb resets, forgetting the resources, when its last client leaves: this one stays.
        x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
        x.XOpenDisplay.restype = ctypes.c_void_p
        expect(x.XOpenDisplay(None), "no display")
        loaded = subprocess.run(["xrdb", "-merge"], input="Xft.dpi: 192\n", capture_output=True, text=True, timeout=10)
        expect(loaded.returncode == 0, "xrdb: " + loaded.stderr)
    else:
        os.environ["TEMBRO_LAXIS_SCALE"] = "2"
    host = Host(work, args.build)
    info = run("xwininfo", "-id", host.window).stdout
    expect("Width: 880\n" in info and "Height: 1512\n" in info, "the window: " + info)
    twice = lambda point: (2 * point[0], 2 * point[1])  # noqa: E731
    host.drag([write_sound(os.path.join(work, "kick.wav"), 4000, 0.5, 80), write_sound(os.path.join(work, "snare.wav"), 3000, 0.25)],
              twice(LABELS[0]))
    host.expect_peaks([("note 53", 0.5), ("note 54", 0.25), ("note 55", 0)], "the drop on the first row")
    host.click(twice(KEYS[1]))
    host.expect_peaks([("render", 0.25)], "a click on the second key")
    if args.screenshot:
        os.makedirs(os.path.dirname(args.screenshot), exist_ok=True)
        run("import", "-window", host.window, args.screenshot)


def close_window(window):
    """Asks a window to close as a window manager does: a WM_DELETE_WINDOW client message."""
    x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
    x.XOpenDisplay.restype, x.XInternAtom.restype = ctypes.c_void_p, ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x.XOpenDisplay(None)
    # XClientMessageEvent: type, serial, send_event, display, window, message_type, format, data.
    event = (ctypes.c_long * 24)(33, 0, 0, 0, window, x.XInternAtom(display, b"WM_PROTOCOLS", 0), 32,
                                 x.XInternAtom(display, b"WM_DELETE_WINDOW", 0), 0)
    expect(x.XSendEvent(display, window, 0, 0, ctypes.byref(event)), "cannot send the close request")
    x.XCloseDisplay(display)


def standalone(work, args):
    """tembro-laxis on JACK: a dropped sound plays on the sequencer's notes, keys are taken, and a
    close request or Ctrl-C ends it cleanly. With --face lv2 it hosts the LV2 face, whose window
    takes the drop the same way and whose kit comes back from its state folder in the next run."""
    program = os.path.join(args.build, "tools/standalone/tembro-laxis")
    if args.face == "lv2":
        plugin = os.path.join(args.build, "lv2/Tembro-laxis.lv2/")
        face = ["--lv2", "--lv2-bundle", plugin, "--state", os.path.join(work, "state")]
    else:
        plugin = os.path.join(args.build, "source/Tembro-laxis.so")
        face = ["--plugin", plugin]
    desktop, log_path = Desktop(), os.path.join(work, "standalone.log")
    log = lambda: open(log_path).read()  # noqa: E731
    # Note 53 and note 64 every half second.
    spawn(["jack_midiseq", "seq", "24000", "0", "53", "2400", "12000", "64", "2400"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait(lambda: "seq:out" in run("jack_lsp").stdout, 10, "no sequencer")

    def start(*more):
        app = spawn([program] + face + list(more), stdout=open(log_path, "w"), stderr=subprocess.STDOUT)
        wait(lambda: "window: open" in log(), 15, "no window")
        desktop.window = re.search(r"window: open, (\d+) x (\d+) \(X window (0x[0-9a-f]+)\)", log()).group(3)
        return app

    def expect_slot_0_plays():
        # The sound fills slot 0: note 53 plays it every 24000 samples, note 64 finds slot 11 empty.
        # Without real-time scheduling a note may come some blocks late: each gap must only be nearer
        # one note period than half or two.
        recorded = os.path.join(work, "recorded.wav")
        run("jack_rec", "-f", recorded, "-d", "3", "-b", "16", "Tembro-laxis:outport 0", "Tembro-laxis:outport 1")
        frames = (lambda f: f.readframes(f.getnframes()))(wave.open(recorded))
        onsets, quiet = [], 0  # a burst the recording starts in is no onset
        for i, x in enumerate(struct.unpack("<%dh" % (len(frames) // 2), frames)[0::2]):
            onsets += [i] if abs(x) > 3000 and quiet >= 1000 else []
            quiet = 0 if abs(x) > 3000 else quiet + 1
        gaps = [b - a for a, b in zip(onsets, onsets[1:])]
        expect(len(gaps) >= 3 and all(18000 < g < 36000 for g in gaps), "the recorded bursts are %s apart" % gaps)

    app = start("--audio-api", "jack")
    connections = run("jack_lsp", "-c").stdout
    for pattern in (r'plug-in: "Tembro-laxis" by "Brennwick", 2 inputs, 2 outputs \(%s\)' % re.escape(plugin),
                    r"audio: Jack, device 0 \"system\", 48000 Hz, 256 frames per block", r"MIDI input: jack: seq:out"):
        expect(re.search(pattern, log()), "the log lacks " + pattern)
    expect(re.search(r"Tembro-laxis:outport 0\n\s+system:playback_1", connections) and re.search(r"seq:out\n\s+Tembro-laxis", connections),
           "not connected:\n" + connections)
    width, height = re.search(r"window: open, (\d+) x (\d+)", log()).groups()
    info = run("xwininfo", "-id", desktop.window).stdout
    expect('"Tembro-laxis"' in info and "IsViewable" in info and "Width: %s\n" % width in info and "Height: %s\n" % height in info,
           "the window: " + info)
    xdotool("key", "--window", desktop.window, "z", "q", "2", "u")
    desktop.drag([write_sound(os.path.join(work, "click.wav"), 4410, 0.5, 1000)], DROP_ZONE)
    if args.screenshot:
        run("import", "-window", "root", args.screenshot)
    expect_slot_0_plays()
    close_window(int(desktop.window, 16))
    expect(app.wait(timeout=10) == 0 and "window closed: stopping" in log(), "the close request")
    if args.face == "lv2":
        expect("kit: changed" in log() and "state: the kit is saved" in log(), "no change seen, or no state saved: " + log())
        app = start("--audio-api", "jack")
        expect_slot_0_plays()
    else:
        app = start("--no-audio")
    app.send_signal(signal.SIGINT)
    expect(app.wait(timeout=10) == 0, "Ctrl-C: " + log())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--case", required=True, choices=["drops", "road", "scaled", "standalone"])
    parser.add_argument("--build", required=True)
    parser.add_argument("--fuzz", default="2%")
    parser.add_argument("--screenshot")
    parser.add_argument("--face", default="vst", choices=["vst", "lv2"])
    parser.add_argument("--scale-from", default="variable", choices=["variable", "xrdb"])
    args = parser.parse_args()
    os.environ.update({"GDK_BACKEND": "x11", "NO_AT_BRIDGE": "1", "QT_QPA_PLATFORM": "xcb", "QT_ACCESSIBILITY": "0", "GTK_THEME": "Adwaita"})
    with tempfile.TemporaryDirectory(prefix="kv7-desktop-") as work:
        os.environ.update({"XDG_RUNTIME_DIR": work, "HOME": work})
        try:
            globals()[args.case](work, args)
        except (Failure, subprocess.TimeoutExpired) as failure:
            print("FAILED %s: %s" % (args.case, failure))
            return 1
        finally:
            for process in reversed(PROCESSES):
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
    print("passed " + args.case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
