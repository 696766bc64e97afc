#!/usr/bin/env python3
"""The road of a kit, end to end, as a user travels it under Xvfb with a window manager:

a host loads the built plug-in through VSTPluginMain and opens its editor in a window of its own;
two sounds are dragged from a GTK window onto the drop zone; a MIDI note plays the first; a click
on a key plays the second; the export button's dialog (zenity) is answered with a file name; all
slots are erased; the written kit is dragged back in and plays again.

Usage: editor_end_to_end.py --app PATH --plugin PATH [--screenshot PNG]
"""
import argparse
import math
import os
import struct
import subprocess
import sys
import tempfile
import time
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "gui"))
from xvfb_integration import Failure, Session, SYSTEM_PYTHON  # noqa: E402

DROP_ZONE = (127, 39)
EXPORT_BUTTON = (120, 88)
SLOT0_LABEL = (120, 169)
KEY_OF_SLOT1 = (378, 181)


def write_sound(path, frames, frequency, level):
    """A tone that fades out over its last 200 samples: an imported kit hands the first samples of
    a slot's neighbour region to it, and those must be quiet for the levels to tell slots apart."""
    def envelope(i):
        return min(1.0, (frames - 1 - i) / 200.0)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(44100)
        samples = (int(level * envelope(i) * 32767 * math.sin(2 * math.pi * frequency * i / 44100))
                   for i in range(frames))
        out.writeframes(b"".join(struct.pack("<h", s) for s in samples))


class Host:
    def __init__(self, session, app, plugin):
        self.session = session
        self.log_path = os.path.join(session.workdir, "host.log")
        self.process = subprocess.Popen([app, plugin, self.log_path], env=session.env, stdin=subprocess.PIPE,
                                        text=True)
        session.processes.append(self.process)
        session.log_path = self.log_path
        line = session.wait_log(lambda l: l.startswith("ready"), 30, "the host did not open the editor")
        fields = dict(item.split("=") for item in line.split()[1:])
        session.frame_window = int(fields["frame"])
        if session.frame_window == 0:
            raise Failure("the editor put no window into the host's")

    def tell(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def peak(self, command):
        before = len([l for l in self.session.log() if l.startswith("peak")])
        self.tell(command)
        self.session.wait(lambda: len([l for l in self.session.log() if l.startswith("peak")]) > before, 15,
                          "no answer to " + command)
        return float([l for l in self.session.log() if l.startswith("peak")][-1].split("value=")[1])


def click(session, point, keys=None):
    x, y = session.on_screen(point)
    session.xdotool("mousemove", x, y)
    time.sleep(0.15)
    if keys:
        session.xdotool("keydown", keys)
    session.xdotool("click", 1)
    if keys:
        session.xdotool("keyup", keys)
    time.sleep(0.3)


def drag_files(session, paths):
    source = session.spawn([SYSTEM_PYTHON, os.path.join(HERE, "..", "gui", "drag_source_gtk.py")] + paths,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = session.find_window("^TL drag source$")
    x, y = session.origin(window)
    session.drag((x + 80, y + 50), session.on_screen(DROP_ZONE))
    time.sleep(1.0)
    source.terminate()


def expect(condition, message):
    if not condition:
        raise Failure(message)


def road_of_a_kit(session, app, plugin, screenshot):
    session.start_twm()
    host = Host(session, app, plugin)
    expect(host.peak("render") == 0.0, "a fresh kit is not silent")

    sounds = os.path.join(session.workdir, "Sounds")
    os.makedirs(sounds)
    kick, snare = os.path.join(sounds, "kick.wav"), os.path.join(sounds, "snare.wav")
    write_sound(kick, 4000, 80, 0.5)
    write_sound(snare, 3000, 300, 0.25)
    drag_files(session, [kick, snare])
    expect(abs(host.peak("note 53") - 0.5) < 0.02, "note 53 does not play the dropped kick")
    expect(abs(host.peak("render") - 0.0) < 1e-6, "the kick did not end")

    click(session, KEY_OF_SLOT1)
    expect(abs(host.peak("render") - 0.25) < 0.02, "a click on the second key does not play the snare")

    if screenshot:
        session.run(["import", "-window", str(session.frame_window), screenshot], timeout=30)

    kit = os.path.join(session.workdir, "exports", "my kit.aif")
    os.makedirs(os.path.dirname(kit))
    click(session, EXPORT_BUTTON)
    dialog = session.find_window("^Export Kv7 Kit as..$", timeout=30)
    time.sleep(1.5)
    session.xdotool("windowfocus", "--sync", dialog)
    time.sleep(0.3)
    session.xdotool("key", "--clearmodifiers", "ctrl+a")
    session.xdotool("type", "--delay", "20", kit)
    time.sleep(0.3)
    session.xdotool("key", "--clearmodifiers", "Return")
    session.wait(lambda: os.path.exists(kit), 20, "the kit was not written")
    with open(kit, "rb") as written:
        expect(written.read(50)[46:50] == b"kv-7", "the written file is not a kit")

    click(session, SLOT0_LABEL, "shift+ctrl")
    expect(host.peak("note 53") == 0.0 and host.peak("note 54") == 0.0, "erasing all slots left sound")

    drag_files(session, [kit])
    first, second = host.peak("note 53"), host.peak("note 54")
    expect(abs(first - 0.5) < 0.02 and abs(second - 0.25) < 0.02,
           "after the import the kit's slots play at %.4f and %.4f, not 0.5 and 0.25" % (first, second))
    host.tell("quit")
    session.wait_log(lambda l: l == "closed", 15, "the host did not close")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True)
    parser.add_argument("--plugin", required=True)
    parser.add_argument("--screenshot")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="tl-e2e-") as workdir:
        session = Session(None, workdir)
        try:
            road_of_a_kit(session, os.path.abspath(args.app), os.path.abspath(args.plugin), args.screenshot)
        except Failure as failure:
            print("FAILED: %s" % failure, file=sys.stderr)
            return 1
        finally:
            session.close()
    print("the road of a kit: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
