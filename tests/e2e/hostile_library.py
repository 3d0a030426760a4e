#!/usr/bin/python3
# End to end over AT-SPI: a library whose note title, speaker, project name and summary hold HTML
# and Markdown that would load images from a web server on this machine. The window must show
# every one of them as the literal characters (a screen reader reads "<b>") and must never
# contact the server, while the list, the project, the transcript and the minutes are all shown.
import http.server
import sys
import threading

import pyatspi

from atspi import Home, Program, press, showing

requests = []


class Server(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        requests.append(self.path)
        self.send_response(200)
        self.send_header("Content-Type", "image/png")
        self.end_headers()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Server)
threading.Thread(target=server.serve_forever, daemon=True).start()
origin = "http://127.0.0.1:%d" % server.server_address[1]


def text_of(node):
    """What a screen reader reads of a node: its text, else its name."""
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount) or node.name
    except NotImplementedError:
        return node.name


def image(name):
    return '<img src="%s/%s.png">' % (origin, name)


project_id = "0C0C0C0C-0000-4000-8000-00000000000C"
title = image("title") + "<b>Bold</b> title"
speaker = image("speaker") + "<b>Ann</b>"
project = image("project") + "<i>Team</i>"
summary = "![x](%s/summary-md.png)\n\n%s**kept**\n\n[y]: %s/reference.png\n\n![z][y] <%s/autolink>" % (
    origin, image("summary-html"), origin, origin)

home = Home()
try:
    home.set_projects([(project_id, project)])
    home.add_note("0A0A0A0A-0000-4000-8000-00000000000A", title, folderId=project_id, summary=summary,
                  segments=[{"id": "s1", "start": 0, "end": 5, "text": image("segment") + "said", "speaker": speaker}])
    program = Program(sys.argv[1], home)
    try:
        row = program.wait_for("the row with the literal title", lambda n: n.name.startswith(title) and n.getRole() == pyatspi.ROLE_LIST_ITEM
                         and showing(n))
        program.wait_for("the project entry with its literal name", lambda n: n.name == project and showing(n))
        press(row)
        program.wait_for("the transcript's speaker as written", lambda n: speaker in n.name and showing(n))
        press(program.wait_for("the 纪要 tab", lambda n: n.name == "纪要" and n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                               and showing(n)))
        # The images' markup is part of what is read out: it was not taken as markup.
        for literal in ("![x](%s/summary-md.png)" % origin, image("summary-html"), "![z][y]"):
            program.wait_for("the minutes reading %r" % literal, lambda n: literal in text_of(n) and showing(n))
        program.quit()
    finally:
        program.kill()
finally:
    home.close()
    server.shutdown()
assert not requests, "the window asked the server for %r" % requests
print("ok: every hostile text shown literally; no request reached the server")
