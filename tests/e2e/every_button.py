#!/usr/bin/python3
# End to end over AT-SPI: every push button (tabs included) that the window shows over a note is
# pressed through its accessible action, as a screen reader or switch device would, and each one
# must change something a person can perceive: the tree of what the window shows, its texts or
# states, or a new window or sheet. A disabled button must say why in its description. After each
# press, Escape closes what it opened and the window is back where it was before the next one.
# "设置" opens a second window, which without a window manager covers the main one and keeps the
# keyboard; the settings tests drive that window.
import os
import subprocess
import sys

import pyatspi

from atspi import Home, Program, click, escape, press, showing

NOTE = "0A0A0A0A-0000-4000-8000-00000000000A"
STATES = (pyatspi.STATE_ENABLED, pyatspi.STATE_CHECKED, pyatspi.STATE_SELECTED, pyatspi.STATE_PRESSED,
          pyatspi.STATE_EXPANDED)
# Buttons that change the view rather than open something, in an order where each one changes it
# and the last of each group leads back: the tabs (the transcript shows first), then the scope
# entries (all notes show first).
VIEWS = ("纪要", "逐字稿", "置顶", "废纸篓", "全部笔记")


def signature(program):
    """What a person perceives: every showing node's role, name, description and states."""
    seen = []
    for node in program.nodes():
        try:
            if not showing(node):
                continue
            states = node.getState()
            seen.append((node.getRoleName(), node.name, node.description,
                         tuple(states.contains(s) for s in STATES)))
        except Exception:
            pass
    return seen


def buttons(program):
    names = []
    for node in program.nodes():
        try:
            if node.getRole() == pyatspi.ROLE_PUSH_BUTTON and showing(node) and node.name not in names:
                names.append(node.name)
        except Exception:
            pass
    return names


home = Home()
try:
    home.add_note(NOTE, "Weekly sync", summary="# Minutes\n\nDecided to ship.",
                  segments=[{"id": "s1", "start": 0, "end": 2, "text": "hello there", "speaker": "Ann"},
                            {"id": "s2", "start": 2, "end": 4, "text": "general kenobi", "speaker": "Ben"}])
    home.add_note("0B0B0B0B-0000-4000-8000-00000000000B", "Old draft", deletedAt="2026-03-02T08:00:00Z")
    subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=4",
                    "-c:a", "aac", os.path.join(home.library, "recordings", NOTE, "audio.m4a")], check=True)
    program = Program(sys.argv[1], home)
    try:
        program.wait_for("the note's transcript", lambda n: n.name == "hello there" and showing(n))
        click(program.wait_for("the window's heading", lambda n: n.getRole() == pyatspi.ROLE_HEADING and showing(n)))
        baseline = buttons(program)
        order = [name for name in baseline if name not in VIEWS + ("设置",)] + [name for name in VIEWS if name in baseline]
        print("buttons: %r" % order, flush=True)
        for name in order:
            button = program.button(name)
            if not button.getState().contains(pyatspi.STATE_ENABLED):
                assert button.description, "%r is disabled and does not say why" % name
                continue
            before = signature(program)
            press(button)
            program.wait_for("something to change after pressing %r" % name, lambda n: signature(program) != before)
            if name in VIEWS:
                continue
            # Back where it was: every button of the window showing again and nothing more.
            program.keys_until("the window back after %r" % name, escape,
                               lambda: set(buttons(program)) - {name} == set(baseline) - {name})
        program.quit()
    finally:
        program.kill()
finally:
    home.close()
print("ok: every button answered its accessible action")
