#!/usr/bin/python3
# End to end over AT-SPI: the real program records from a private sound server of this test (the
# program reaches it through libpulse's own PULSE_SERVER). A tone plays into the server's speakers;
# the record button's popover chooses "系统声音" and starts; the system meter moves and the
# elapsed time grows; "停止录音" saves the note, which is then the selected note of the list.
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

from atspi import Home, Program, press, showing

if not shutil.which("pulseaudio") or not shutil.which("paplay"):
    print("skipped: pulseaudio and paplay are not installed (scripts/setup installs them)")
    sys.exit(77)


class SoundServer:
    """A PulseAudio daemon of this test's own with the null sink "speakers" as the default output."""

    def __init__(self):
        self._folder = tempfile.TemporaryDirectory(prefix="hushnote-pulse-")
        runtime = os.path.join(self._folder.name, "runtime")
        os.makedirs(runtime, mode=0o700)
        socket = os.path.join(runtime, "native")
        script = os.path.join(self._folder.name, "server.pa")
        with open(script, "w") as f:
            f.write("load-module module-native-protocol-unix auth-anonymous=1 socket=%s\n"
                    "load-module module-null-sink sink_name=speakers\n"
                    "load-module module-null-sink sink_name=room\n"
                    "set-default-sink speakers\n"
                    "set-default-source room.monitor\n" % socket)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=runtime, HOME=self._folder.name, PULSE_SERVER="unix:" + socket)
        self.daemon = subprocess.Popen(["pulseaudio", "-n", "-F", script, "--daemonize=no", "--exit-idle-time=-1",
                                        "--use-pid-file=no", "--disable-shm=yes", "--log-level=error"],
                                       env=dict(self.env, DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent"))
        print("waiting for the sound server", flush=True)
        while subprocess.run(["pactl", "info"], env=self.env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL).returncode != 0:
            assert self.daemon.poll() is None, "pulseaudio exited at start"
            time.sleep(0.1)
        tone = os.path.join(self._folder.name, "tone.wav")
        subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=120",
                        "-ar", "48000", tone], check=True)
        self.player = subprocess.Popen(["paplay", "-d", "speakers", tone], env=self.env)

    def close(self):
        for process in (self.player, self.daemon):
            process.terminate()
            process.wait()
        self._folder.cleanup()


def seconds(label):
    """00:07 -> 7, from the status line "录音中 00:07"."""
    minutes, secs = label.split(" ")[-1].split(":")[-2:]
    return int(minutes) * 60 + int(secs)


server = SoundServer()
home = Home()
try:
    # libpulse's own setting, for the program started below: it records from this server.
    os.environ["PULSE_SERVER"] = server.env["PULSE_SERVER"]
    program = Program(sys.argv[1], home)
    try:
        press(program.button("录音"))
        press(program.button("系统声音"))
        press(program.button("开始录音"))
        status = program.wait_for("the recording's status line",
                                  lambda n: n.name.startswith("录音中 ") and showing(n))
        program.wait_for("the system meter to move",
                         lambda n: n.getRole() == pyatspi.ROLE_PROGRESS_BAR and n.name == "系统声音"
                         and showing(n) and n.description not in ("", "0%"))
        assert not any(n.getRole() == pyatspi.ROLE_PROGRESS_BAR and n.name == "麦克风" and showing(n)
                       for n in program.nodes()), "a microphone meter shows for a system recording"
        program.wait_for("two seconds recorded",
                         lambda n: n.name.startswith("录音中 ") and showing(n) and seconds(n.name) >= 2)
        press(program.button("停止录音"))
        note = program.wait_for("the new note selected in the list",
                                lambda n: n.getRole() == pyatspi.ROLE_LIST_ITEM and n.name.startswith("录音 20")
                                and n.getState().contains(pyatspi.STATE_SELECTED))
        program.wait_for("the recording bar gone",
                         lambda n: not any(m.name.startswith(("录音中", "正在保存录音")) and showing(m)
                                           for m in program.nodes()))
        recordings = os.path.join(home.library, "recordings")
        notes = os.listdir(recordings)
        assert len(notes) == 1, notes
        with open(os.path.join(recordings, notes[0], "record.json")) as f:
            record = json.load(f)
        assert record["status"] == "ready" and record["duration"] >= 2, record
        assert record["title"] == note.name, (record["title"], note.name)
        program.quit()
    finally:
        program.kill()
finally:
    home.close()
    server.close()
print("ok: recorded the system's sound from the window, and the new note is selected")
