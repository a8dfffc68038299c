#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Proxies that fail a check in each of the ways a public proxy does.

Usage: bad_proxy.py MODE:HOST:PORT [MODE:HOST:PORT ...]
Modes: nomarker (200 without the marker), silent (accepts, never answers),
trickle (one byte a second, forever), redirects (redirects to itself without end),
noconnect (passes the check page but refuses CONNECT).
Prints "ready" once every port listens; ends on SIGTERM.
"""
import socket
import sys
import threading
import time

MARKER_PAGE = b"<html><body>Quorvane Test OK</body></html>"


def read_head(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            return None
        data += chunk
    return data.split(b"\r\n", 1)[0].decode("latin-1")


def answer(conn, status, body=b"", extra=b""):
    conn.sendall(b"HTTP/1.0 " + status + b"\r\nContent-Length: " + str(len(body)).encode() +
                 b"\r\n" + extra + b"\r\n" + body)


def serve(conn, mode):
    try:
        line = read_head(conn)
        if line is None:
            return
        method, target = (line.split(" ") + ["", ""])[:2]
        if mode == "nomarker":
            answer(conn, b"200 OK", b"<html><body>some other page</body></html>")
        elif mode == "silent":
            time.sleep(120)
        elif mode == "trickle":
            conn.sendall(b"HTTP/1.0 200 OK\r\n\r\n")
            for _ in range(120):
                conn.sendall(b"x")
                time.sleep(1)
        elif mode == "redirects":
            answer(conn, b"302 Found", extra=b"Location: " + target.encode() + b"?again\r\n")
        elif mode == "noconnect":
            if method == "CONNECT":
                answer(conn, b"403 Forbidden", b"no tunnels here")
            else:
                answer(conn, b"200 OK", MARKER_PAGE)
    except OSError:
        pass
    finally:
        conn.close()


def listen(host, mode, port):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((host, port))
    server.listen(16)

    def accept_loop():
        while True:
            conn, _ = server.accept()
            threading.Thread(target=serve, args=(conn, mode), daemon=True).start()

    threading.Thread(target=accept_loop, daemon=True).start()


def main():
    for spec in sys.argv[1:]:
        mode, host, port = spec.split(":")
        listen(host, mode, int(port))
    print("ready", flush=True)
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
