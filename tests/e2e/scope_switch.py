#!/usr/bin/python3
# End to end over AT-SPI, as a screen reader sees the program: starts the real hushnote on a
# temporary home library with one live and one trashed note, finds the "废纸篓" scope entry by its
# accessible name, presses it, and expects the note list to become the trash and show its note.
# Run by run_atspi.sh inside Xvfb with its own accessibility bus.
import json, os, subprocess, sys, tempfile, time
import pyatspi

program = sys.argv[1]
home = tempfile.mkdtemp(prefix="hushnote-e2e-")
library = os.path.join(home, "data", "Hushnote", "Library", "recordings")
for note_id, title, trashed in [("0A0A0A0A-0000-4000-8000-00000000000A", "Weekly sync", False),
                                ("0B0B0B0B-0000-4000-8000-00000000000B", "Old draft", True)]:
    os.makedirs(os.path.join(library, note_id))
    record = {"id": note_id, "title": title, "duration": 30.0, "createdAt": "2026-03-01T08:00:00Z",
              "segments": [], "summary": "", "storedAudioName": "audio.m4a"}
    if trashed:
        record["deletedAt"] = "2026-03-02T08:00:00Z"
    with open(os.path.join(library, note_id, "record.json"), "w") as f:
        json.dump(record, f)
env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, "data"),
           XDG_CONFIG_HOME=os.path.join(home, "config"), QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
           QT_QPA_PLATFORM="xcb")
app = subprocess.Popen([program], env=env)


def walk(node, depth=0):
    if node is None or depth > 60:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def find(predicate, limit=60):
    # The guard only ends a hung run; nothing here is timed.
    for _ in range(limit * 4):
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.name in ("hushnote", "Hushnote"):
                for node in walk(application):
                    if predicate(node):
                        return node
        time.sleep(0.25)
    return None


try:
    trash = find(lambda n: n.name == "废纸篓" and n.getRole() == pyatspi.ROLE_PUSH_BUTTON)
    assert trash is not None, "no button named 废纸篓"
    trash.queryAction().doAction(0)
    listed = find(lambda n: n.getRole() == pyatspi.ROLE_LIST and n.name == "废纸篓")
    assert listed is not None, "the note list did not become the trash"
    row = find(lambda n: n.name == "Old draft")
    assert row is not None, "the trashed note is not listed"
    print("ok: pressed 废纸篓 over AT-SPI; the list shows the trash")
finally:
    app.terminate()
    app.wait(timeout=30)
