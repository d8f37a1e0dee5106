#!/usr/bin/python3
"""Serves a directory over FTP on 127.0.0.1 with an ephemeral port (pyftpdlib).

Prints "PORT <n>" once listening. Usage:
    ftp_server.py ROOT
Anonymous users may read ROOT.
"""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

root = sys.argv[1]
logging.basicConfig(level=logging.WARNING)
authorizer = DummyAuthorizer()
authorizer.add_anonymous(root, perm="elr")
handler = FTPHandler
handler.authorizer = authorizer
handler.banner = "Webling test server ready."
server = FTPServer(("127.0.0.1", 0), handler)
print("PORT", server.address[1], flush=True)
server.serve_forever(handle_exit=True)
