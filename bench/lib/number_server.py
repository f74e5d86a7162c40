#!/usr/bin/env python3
"""A web server on 127.0.0.1 that holds a numbered series without files.

    number_server.py LAST WIDTH

Answers GET and HEAD for /img_N.jpg: 200 with a few bytes when N is written
WIDTH digits wide (0 or 1: unpadded) and 1 <= N <= LAST, else 404. Prints its
port on the first line of standard output; stop it with SIGTERM.
"""
import http.server
import re
import sys

LAST = int(sys.argv[1])
WIDTH = int(sys.argv[2])
NAME = re.compile(r"^/img_(\d+)\.jpg$")


class Series(http.server.BaseHTTPRequestHandler):
    def exists(self):
        m = NAME.match(self.path)
        if not m:
            return False
        digits = m.group(1)
        n = int(digits)
        written = str(n).zfill(WIDTH) if WIDTH > 1 else str(n)
        return digits == written and 1 <= n <= LAST

    def answer(self, body):
        found = self.exists()
        self.send_response(200 if found else 404)
        self.send_header("Content-Type", "image/jpeg" if found else "text/html")
        self.send_header("Content-Length", "4")
        self.end_headers()
        if body:
            self.wfile.write(b"jpeg")

    def do_HEAD(self):
        self.answer(False)

    def do_GET(self):
        self.answer(True)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Series)
print(server.server_address[1], flush=True)
server.serve_forever()
