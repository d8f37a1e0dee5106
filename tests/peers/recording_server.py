#!/usr/bin/env python3
"""An HTTP server for the retrieval tests that records every request's exact bytes and
answers according to the path. Prints "PORT <n>" once listening, then "REQ <hex>" for
every request it has read in full.

Paths: /page.html /redirect /loop /headerless /split /slow /notype /keepalive /empty
/download.zip /long-header /d/bare-redirect /image.gif?n=N
/to?ADDRESS (redirected there) /slow4 (four seconds) Hostile ones: /silent (never answers) /drip (a byte every 1.5 s) /endless (a byte every
0.2 s for ever) /short-body (less than its Content-Length, held open) /big?n=N (N bytes)
/picture (a GIF under a name without extension)
"""
import socket
import sys
import threading
import time

# A 1 x 1 GIF.
GIF = bytes([0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
             0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3B])
PAGE = b"<html><head><title>Recorded</title></head><body>Hello there</body></html>"


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return data
        data += chunk
    head, _, rest = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n"):
        if line.lower().startswith(b"content-length:"):
            length = int(line.split(b":", 1)[1])
    # The POST body is followed by a CRLF of its own.
    want = length + 2 if length else 0
    while len(rest) < want:
        chunk = conn.recv(65536)
        if not chunk:
            break
        rest += chunk
    return head + b"\r\n\r\n" + rest


def answer(conn, path):
    ok = b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n"
    if path.startswith("/to?"):
        conn.sendall(b"HTTP/1.0 302 Found\r\nLocation: " + path[4:].encode() + b"\r\n\r\n")
    elif path == "/page.html" or path.startswith("/page.html?") or path.endswith("/page.html"):
        conn.sendall(ok + b"\r\n" + PAGE)
    elif path == "/redirect":
        conn.sendall(b"HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:%d/page.html\r\n"
                     b"Content-Type: text/html\r\n\r\n<html>moved</html>" % PORT)
    elif path == "/d/bare-redirect":
        # Only a relative Location: no type, no body.
        conn.sendall(b"HTTP/1.0 302 Found\r\nLocation: ../page.html\r\n\r\n")
    elif path == "/loop":
        conn.sendall(b"HTTP/1.0 302 Found\r\nLocation: /loop\r\nContent-Type: text/html\r\n\r\n<html>loop body</html>")
    elif path == "/headerless":
        conn.sendall(b"<html>no header at all</html>")
    elif path == "/split":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Ty")
        time.sleep(0.2)
        conn.sendall(b"pe: text/html\r\n\r")
        time.sleep(0.2)
        conn.sendall(b"\n" + PAGE)
    elif path == "/slow":
        conn.sendall(ok + b"\r\n")
        for i in range(5):
            time.sleep(0.1)
            conn.sendall(b"<p>part %d</p>\n" % i)
    elif path == "/notype":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type:text/html\r\n\r\n" + PAGE)
    elif path == "/keepalive":
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: %d\r\n"
                     b"Connection: keep-alive\r\n\r\n" % len(PAGE) + PAGE)
        time.sleep(30)  # never closes on its own
    elif path == "/empty":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n")
    elif path == "/download.zip":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\n\r\nPK-zip-bytes")
    elif path == "/long-header":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nX-Padding: " + b"p" * 6000 +
                     b"\r\n\r\n" + PAGE)
    elif path == "/slow4":
        # Long enough for a person to click elsewhere before the page arrives.
        conn.sendall(ok + b"\r\n")
        time.sleep(4)
        conn.sendall(b"<html><title>Slow</title>arrived</html>")
    elif path == "/silent":
        time.sleep(60)
    elif path == "/drip":
        conn.sendall(ok + b"\r\n<html>dr")
        for c in b"ipping":
            time.sleep(1.5)
            conn.sendall(bytes([c]))
    elif path == "/endless":
        conn.sendall(ok + b"\r\n<html>")
        while True:
            time.sleep(0.2)
            conn.sendall(b"x")
    elif path == "/short-body":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1000\r\n\r\n<html>short")
        time.sleep(60)
    elif path.startswith("/big?n="):
        n = int(path.split("=", 1)[1])
        conn.sendall(ok + b"\r\n")
        chunk = b"<p>" + b"b" * 1020 + b"</p>"
        while n > 0:
            conn.sendall(chunk[:n])
            n -= len(chunk)
    elif path == "/picture":
        conn.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\n\r\n" + GIF)
    elif path.startswith("/echo-post"):
        conn.sendall(ok + b"\r\n<html>posted</html>")
    else:
        conn.sendall(b"HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n<html>not found</html>")


def serve(conn):
    try:
        req = read_request(conn)
        sys.stdout.write("REQ " + req.hex() + "\n")
        sys.stdout.flush()
        line = req.split(b"\r\n", 1)[0].decode("latin-1")
        parts = line.split(" ")
        path = parts[1] if len(parts) > 1 else "/"
        if path.startswith("http://"):
            path = "/" + path.split("/", 3)[3]
        answer(conn, path)
    except OSError:
        pass
    finally:
        conn.close()


listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", 0))
listener.listen(32)
PORT = listener.getsockname()[1]
print("PORT", PORT, flush=True)
while True:
    c, _ = listener.accept()
    threading.Thread(target=serve, args=(c,), daemon=True).start()
