# SPDX-License-Identifier: GPL-3.0-or-later
"""Origin server for the reliability suite (Python standard library only).

Serves, on 127.0.0.1 with a port of the kernel's choice (printed on stdout):
  GET  /small         1024 bytes with Content-Length; keep-alive when asked (tunnels)
  GET  /big?n=N       N bytes with Content-Length, streamed
  POST /echo          the request body back; strict framing: a negative,
                      non-numeric or conflicting Content-Length gets 400
  GET  /cut           announces 100000 bytes, sends 5000, closes
  GET  /silent        reads the request and never answers
  GET  /garbage       binary bytes without a header block, then closes
  GET  /stats         (direct, not proxied) open connections and garbage answers sent,
                      as "open=N garbage=M"
"""
import asyncio
import os
import sys

SMALL = bytes((i * 7 + 3) % 251 for i in range(1024))
open_connections = 0
garbage_sent = 0


def pattern(n):
    block = bytes(range(256)) * 256
    full, rest = divmod(n, len(block))
    return block * full + block[:rest]


async def read_head(reader):
    head = await reader.readuntil(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    method, target, version = (lines[0].split(" ") + ["", "", ""])[:3]
    headers = []
    for line in lines[1:]:
        if ":" in line:
            name, value = line.split(":", 1)
            headers.append((name.strip().lower(), value.strip()))
    return method, target, version, headers


def framing(headers):
    """The body length, or None when the framing is invalid."""
    values = [v for n, v in headers if n == "content-length"]
    if not values:
        return 0
    if len(set(values)) != 1 or not values[0].isdigit():
        return None
    return int(values[0])


def reply(status, body, keep_alive=False, extra=""):
    head = "HTTP/1.1 %s\r\nContent-Type: application/octet-stream\r\nContent-Length: %d\r\n%s%s\r\n" % (
        status, len(body), "Connection: keep-alive\r\n" if keep_alive else "Connection: close\r\n", extra)
    return head.encode() + body


async def serve(reader, writer):
    global open_connections, garbage_sent
    open_connections += 1
    try:
        while True:
            try:
                method, target, version, headers = await read_head(reader)
            except (asyncio.IncompleteReadError, ConnectionError, asyncio.LimitOverrunError):
                return
            keep_alive = ("connection", "keep-alive") in [(n, v.lower()) for n, v in headers]
            if target == "/stats":
                writer.write(reply("200 OK", ("open=%d garbage=%d" % (open_connections - 1, garbage_sent)).encode()))
                await writer.drain()
                return
            if method == "POST":
                length = framing(headers)
                if length is None:
                    writer.write(reply("400 Bad Request", b"bad framing"))
                    await writer.drain()
                    return
                body = await reader.readexactly(length)
                writer.write(reply("200 OK", body, keep_alive))
            elif target == "/small":
                writer.write(reply("200 OK", SMALL, keep_alive))
            elif target.startswith("/big?n="):
                n = int(target.split("=", 1)[1])
                writer.write(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % n)
                sent = 0
                chunk = pattern(256 * 1024)
                while sent < n:
                    piece = chunk[: min(len(chunk), n - sent)]
                    writer.write(piece)
                    await writer.drain()
                    sent += len(piece)
                return
            elif target == "/cut":
                writer.write(b"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + pattern(5000))
                await writer.drain()
                return
            elif target == "/silent":
                while await reader.read(65536):
                    pass
                return
            elif target == "/garbage":
                writer.write(os.urandom(3000).replace(b"\n", b"\x00"))
                await writer.drain()
                garbage_sent += 1
                return
            else:
                writer.write(reply("404 Not Found", b"no such page"))
            await writer.drain()
            if not keep_alive:
                return
    except (ConnectionError, asyncio.IncompleteReadError):
        return
    finally:
        open_connections -= 1
        writer.close()


async def main():
    server = await asyncio.start_server(serve, "127.0.0.1", 0, backlog=4096, limit=256 * 1024)
    print(server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
