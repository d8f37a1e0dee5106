#!/usr/bin/env python3
"""Serves a directory over HTTPS (HTTP/1.0 inside TLS) on 127.0.0.1 with an ephemeral port.

Prints "PORT <n>" once listening. With a relay mode, the port printed is that of a relay in
front of the server that treats the bytes from the server to the client as the mode says:
  --dribble        the first 64 KiB one byte at a time, the rest as they come
  --stall-after K  the first K bytes, then nothing more while the connection stays open
  --close-after K  the first K bytes, then both connections are closed
Every request is printed as "GET <path>"; /to?ADDRESS answers with a redirection there.
Usage: tls_server.py DIRECTORY CERT KEY [--dribble | --stall-after K | --close-after K]
"""
import functools
import http.server
import socket
import ssl
import sys
import threading
import time

directory, certfile, keyfile = sys.argv[1:4]
mode = sys.argv[4] if len(sys.argv) > 4 else ""
limit = int(sys.argv[5]) if len(sys.argv) > 5 else 0

context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(certfile, keyfile)


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        # Every request is reported; /to?ADDRESS redirects to the address.
        print("GET", self.path, flush=True)
        if self.path.startswith("/to?"):
            self.send_response(302)
            self.send_header("Location", self.path[4:])
            self.end_headers()
            return
        super().do_GET()


class TlsServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def finish_request(self, request, client_address):
        # The handshake runs in the connection's own thread, so that a client that
        # refuses the certificate or goes silent holds up nobody else.
        try:
            request = context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        pass


server = TlsServer(("127.0.0.1", 0), functools.partial(Handler, directory=directory))
threading.Thread(target=server.serve_forever, daemon=True).start()


def pipe(src, dst, to_client):
    sent = 0
    try:
        while True:
            data = src.recv(65536)
            if not data:
                break
            if to_client and mode == "--dribble":
                while data and sent < 65536:
                    dst.sendall(data[:1])
                    data = data[1:]
                    sent += 1
                    time.sleep(0.0005)
                if data:
                    dst.sendall(data)
            elif to_client and mode in ("--stall-after", "--close-after"):
                room = max(0, limit - sent)
                dst.sendall(data[:room])
                sent += min(room, len(data))
                if sent >= limit:
                    if mode == "--close-after":
                        break
                    threading.Event().wait()
            else:
                dst.sendall(data)
    except OSError:
        pass
    for s in (src, dst):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def relay(client):
    upstream = socket.create_connection(server.server_address)
    for s in (client, upstream):
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    threading.Thread(target=pipe, args=(client, upstream, False), daemon=True).start()
    threading.Thread(target=pipe, args=(upstream, client, True), daemon=True).start()


if not mode:
    print("PORT", server.server_address[1], flush=True)
    threading.Event().wait()

listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(16)
print("PORT", listener.getsockname()[1], flush=True)
while True:
    conn, _ = listener.accept()
    relay(conn)
