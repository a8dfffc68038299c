#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Origin server for the end-to-end tests: it reports what reached it.

Speaks HTTP/1.1 and keeps a connection open unless the client asks to close it, as
real origins do; a proxy that forwards a keep-alive request makes responses that
end by connection close hang, which is what the tests watch for.

Paths:
  /echo            text lines: "request: <request line>", one "header: <name>: <value>"
                   per received header in order, and for a body "body-length: N" and
                   "body-sha256: HEX" (the body is hashed as it is read, never held);
                   the response headers X-Seen-<Name> repeat the received Connection,
                   Proxy-Connection, Keep-Alive and Via lines (joined by " | ", or
                   "(absent)") and X-Seen-Request the request line, so that a HEAD
                   response shows them too
  /file/NAME       the file NAME below --root, without Content-Length, then close;
                   .html files as text/html
  /chunked/NAME    the file NAME in chunks when the request is HTTP/1.1
  /typed?ct=TYPE   a short body with the Content-Type TYPE
  /stall?secs=N    announces 1000 bytes, sends 10, then holds the connection N seconds
                   (at most 60) before closing it
  /via-page        an HTML page showing the Via header it was fetched with, plus a
                   script that adds a paragraph when it runs
"""
import argparse
import hashlib
import html
import http.server
import os
import sys
import time
import ssl
import urllib.parse

CHUNK = 1 << 20
SEEN_HEADERS = ("Connection", "Proxy-Connection", "Keep-Alive", "Via")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (self.requestline, fmt % args))

    def _send(self, status, body, content_type="text/plain", length=True, close=False,
              extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        for name, value in extra:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        if close:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def _read_body(self):
        remaining = int(self.headers.get("Content-Length") or 0)
        digest = hashlib.sha256()
        total = 0
        while remaining > 0:
            piece = self.rfile.read(min(CHUNK, remaining))
            if not piece:
                break
            digest.update(piece)
            total += len(piece)
            remaining -= len(piece)
        return total, digest.hexdigest()

    def _file(self, name):
        path = os.path.join(self.root, os.path.basename(name))
        with open(path, "rb") as f:
            return f.read()

    def _dispatch(self):
        # A proxy forwarding to us directly sends the local target; through an
        # upstream proxy we see the absolute URI, so only the path decides.
        target = urllib.parse.urlsplit(self.path)
        path, query = target.path, urllib.parse.parse_qs(target.query)
        if path == "/echo":
            lines = ["request: " + self.requestline]
            lines += ["header: %s: %s" % (k, v) for k, v in self.headers.items()]
            if self.command == "POST":
                total, hexdigest = self._read_body()
                lines += ["body-length: %d" % total, "body-sha256: " + hexdigest]
            seen = [("X-Seen-" + name, " | ".join(self.headers.get_all(name) or ["(absent)"]))
                    for name in SEEN_HEADERS] + [("X-Seen-Request", self.requestline)]
            self._send(200, ("\n".join(lines) + "\n").encode(), extra=seen)
        elif path.startswith("/file/"):
            name = path[len("/file/"):]
            kind = "text/html" if name.endswith(".html") else "application/octet-stream"
            self._send(200, self._file(name), kind, length=False, close=True)
        elif path.startswith("/chunked/"):
            body = self._file(path[len("/chunked/"):])
            if self.command == "POST":
                # Closing with the request body unread would reset the connection
                # and could drop the tail of the answer on its way to the proxy.
                self._read_body()
            if self.request_version != "HTTP/1.1":
                self._send(200, body, length=False, close=True)
                return
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for i in range(0, len(body), 65536):
                piece = body[i:i + 65536]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        elif path == "/stall":
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"0123456789")
            self.wfile.flush()
            time.sleep(min(float(query.get("secs", ["30"])[0]), 60.0))
            self.close_connection = True
        elif path == "/typed":
            self._send(200, b"typed body\n", query.get("ct", ["text/plain"])[0])
        elif path == "/via-page":
            via = html.escape(self.headers.get("Via", "(none)"))
            page = ("<!DOCTYPE html><html><head><title>via</title></head><body>"
                    "<p id=\"static\">origin page text</p>"
                    "<p id=\"via\">received via: %s</p>"
                    "<script>var p = document.createElement('p'); p.id = 'added';"
                    " p.textContent = 'added by script'; document.body.appendChild(p);</script>"
                    "</body></html>" % via)
            self._send(200, page.encode(), "text/html; charset=utf-8")
        else:
            self._send(404, b"no such path\n")

    do_GET = do_POST = do_HEAD = _dispatch


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", default=".")
    parser.add_argument("--tls-cert", help="serve HTTPS with this certificate (PEM)")
    parser.add_argument("--tls-key", help="the certificate's key (PEM)")
    args = parser.parse_args()
    Handler.root = args.root
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    if args.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
