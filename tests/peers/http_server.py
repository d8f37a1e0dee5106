#!/usr/bin/env python3
"""Serves a directory over HTTP/1.0 on 127.0.0.1 with an ephemeral port.

Prints "PORT <n>" once listening. Usage: http_server.py DIRECTORY
"""
import functools
import http.server
import sys

directory = sys.argv[1] if len(sys.argv) > 1 else "."
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=directory)
handler.log_message = lambda *args: None
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
print("PORT", server.server_address[1], flush=True)
server.serve_forever()
