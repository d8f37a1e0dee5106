#!/usr/bin/env python3
"""Serves a directory over HTTP/1.0 on 127.0.0.1 with an ephemeral port.

Prints "PORT <n>" once listening; with --log, then "<METHOD> <path>" for every request.
Usage: http_server.py DIRECTORY [--log]
"""
import functools
import http.server
import sys

directory = sys.argv[1] if len(sys.argv) > 1 else "."
log = "--log" in sys.argv[2:]


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def log_request(self, code="-", size="-"):
        if log:
            print(self.command, self.path, flush=True)


server = http.server.ThreadingHTTPServer(
    ("127.0.0.1", 0), functools.partial(Handler, directory=directory))
print("PORT", server.server_address[1], flush=True)
server.serve_forever()
