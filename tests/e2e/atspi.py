# What the end-to-end scripts share: a throwaway home with a library written as files, the real
# program started on it, and the accessibility tree as a screen reader sees it. Nothing here is
# timed: a wait ends when what it waits for appears or the program exits; a hung run is ended by
# the test runner's own limit, and the step being waited for is printed first so its log says
# where it hung.
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

CONTROL = 1 << int(pyatspi.MODIFIER_CONTROL)
LIBRARY = os.path.join("data", "Hushnote", "Library")


class Home:
    """A temporary home folder holding a library; removed when the run ends."""

    def __init__(self):
        self._folder = tempfile.TemporaryDirectory(prefix="hushnote-e2e-")
        self.path = self._folder.name
        self.library = os.path.join(self.path, LIBRARY)
        os.makedirs(os.path.join(self.library, "recordings"))

    def add_note(self, note_id, title, **fields):
        folder = os.path.join(self.library, "recordings", note_id)
        os.makedirs(folder)
        record = {"id": note_id, "title": title, "duration": 30.0, "createdAt": "2026-03-01T08:00:00Z",
                  "segments": [], "summary": "", "storedAudioName": "audio.m4a"}
        record.update(fields)
        with open(os.path.join(folder, "record.json"), "w") as f:
            json.dump(record, f, ensure_ascii=False)

    def set_projects(self, projects):
        with open(os.path.join(self.library, "projects.json"), "w") as f:
            json.dump([{"id": i, "name": n} for i, n in projects], f, ensure_ascii=False)

    def close(self):
        self._folder.cleanup()


def walk(node, depth=0):
    if node is None or depth > 60:
        return
    yield node
    try:
        count = node.childCount
    except Exception:
        return
    for i in range(count):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1)


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


class Program:
    """The real program on a home; quit() ends it the way a person does and checks it exited cleanly."""

    def __init__(self, executable, home):
        env = dict(os.environ, HOME=home.path, XDG_DATA_HOME=os.path.join(home.path, "data"),
                   XDG_CONFIG_HOME=os.path.join(home.path, "config"), QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_QPA_PLATFORM="xcb", PULSE_SERVER=os.environ.get("PULSE_SERVER", "unix:/nonexistent/no-sound"))
        self.process = subprocess.Popen([executable], env=env)

    def applications(self):
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.name in ("hushnote", "Hushnote"):
                yield application

    def nodes(self):
        for application in self.applications():
            yield from walk(application)

    def wait_for(self, what, predicate):
        """The first node for which predicate holds, once there is one."""
        print("waiting for " + what, flush=True)
        while True:
            if self.process.poll() is not None:
                raise AssertionError("the program exited with %d while waiting for %s" % (self.process.returncode, what))
            for node in self.nodes():
                try:
                    if predicate(node):
                        return node
                except Exception:
                    pass
            time.sleep(0.2)

    def button(self, name):
        return self.wait_for("button %r" % name,
                             lambda n: n.name == name and n.getRole() == pyatspi.ROLE_PUSH_BUTTON and showing(n))

    def quit(self):
        """Quits with Ctrl+Q, as a person does, and expects exit status 0 (a sanitizer report makes it
        non-zero)."""
        self.focus()
        self.keys_until("the program to exit", quit_keys, lambda: self.process.poll() is not None)
        status = self.process.wait()
        assert status == 0, "the program exited with status %d" % status

    def focus(self):
        """Keys go to the window with the keyboard focus: a click on the window's heading gives it."""
        heading = self.wait_for("the window's heading", lambda n: n.getRole() == pyatspi.ROLE_HEADING and showing(n))
        click(heading)
        self.wait_for("the window active", lambda n: n.getRole() in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW)
                      and n.getState().contains(pyatspi.STATE_ACTIVE))

    def keys_until(self, what, send, done):
        """Sends keys until done() holds. A synthesised key can be lost on a busy machine, as a
        person's can: after half a minute without effect (not a limit: the runner's limit ends a
        run that hangs) the window is focused again, the keys sent again and where it stands is
        printed."""
        print("waiting for " + what, flush=True)
        while True:
            send()
            deadline = time.monotonic() + 30
            while time.monotonic() < deadline:
                if done():
                    return
                time.sleep(0.2)
            self.describe("no sign of %s half a minute after the keys" % what)
            if self.process.poll() is None:
                self.focus()

    def describe(self, why):
        """Prints what the window shows and where each of the program's threads is."""
        print(why + "; showing:", flush=True)
        for node in self.nodes():
            try:
                if showing(node) and node.name:
                    print("  %s %r" % (node.getRoleName(), node.name), flush=True)
            except Exception:
                pass
        if shutil.which("gdb"):
            subprocess.run(["gdb", "-p", str(self.process.pid), "-batch", "-ex", "thread apply all bt 25"],
                           stdin=subprocess.DEVNULL, stderr=subprocess.STDOUT)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def quit_keys():
    print("pressing Ctrl+Q", flush=True)
    pyatspi.Registry.generateKeyboardEvent(CONTROL, None, pyatspi.KEY_LOCKMODIFIERS)
    pyatspi.Registry.generateKeyboardEvent(ord("q"), None, pyatspi.KEY_SYM)
    pyatspi.Registry.generateKeyboardEvent(CONTROL, None, pyatspi.KEY_UNLOCKMODIFIERS)


def escape():
    pyatspi.Registry.generateKeyboardEvent(0xff1b, None, pyatspi.KEY_SYM)


def press(node, action_names=("press", "Press", "click", "Toggle", "toggle")):
    actions = node.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i) in action_names:
            actions.doAction(i)
            return
    actions.doAction(0)


def click(node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(extents.x + extents.width // 2, extents.y + extents.height // 2, "b1c")
