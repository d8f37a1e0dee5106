#!/usr/bin/python3
"""Serves a directory over FTP on 127.0.0.1 with an ephemeral port (pyftpdlib).

Prints "PORT <n>" once listening. Usage:
    ftp_server.py ROOT [USER PASSWORD]
Anonymous users may read ROOT; the named user, when given, may read it with a password.
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
if len(sys.argv) > 3:
    authorizer.add_user(sys.argv[2], sys.argv[3], root, perm="elr")
handler = FTPHandler
handler.authorizer = authorizer
handler.banner = "Webling test server ready."
handler.auth_failed_timeout = 0.1  # a wrong password is answered at once
server = FTPServer(("127.0.0.1", 0), handler)
print("PORT", server.address[1], flush=True)
server.serve_forever(handle_exit=True)
