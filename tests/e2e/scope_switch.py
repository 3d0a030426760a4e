#!/usr/bin/python3
# End to end over AT-SPI, as a screen reader sees the program: starts the real hushnote on a
# temporary home library with one live and one trashed note, presses the "废纸篓" scope entry by
# its accessible name, expects the note list to become the trash with only the trashed note in it,
# then quits through the menu and expects a clean exit.
import sys

import pyatspi

from atspi import Home, Program, press

home = Home()
try:
    home.add_note("0A0A0A0A-0000-4000-8000-00000000000A", "Weekly sync")
    home.add_note("0B0B0B0B-0000-4000-8000-00000000000B", "Old draft", deletedAt="2026-03-02T08:00:00Z")
    program = Program(sys.argv[1], home)
    try:
        program.wait_for("the live note listed", lambda n: n.name.startswith("Weekly sync"))
        press(program.button("废纸篓"))
        trash = program.wait_for("the note list as the trash",
                                 lambda n: n.getRole() == pyatspi.ROLE_LIST and n.name == "废纸篓")
        program.wait_for("the trashed note listed", lambda n: n.name.startswith("Old draft"))
        rows = [trash.getChildAtIndex(i).name for i in range(trash.childCount)]
        assert not any(name.startswith("Weekly sync") for name in rows), "the live note is still listed: %r" % rows
        program.quit()
    finally:
        program.kill()
finally:
    home.close()
print("ok: pressed 废纸篓 over AT-SPI; the list shows the trash and only the trash")
