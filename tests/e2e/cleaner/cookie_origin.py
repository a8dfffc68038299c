#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Two web sites in one process for the cleaner's end-to-end tests.

It is reached as the upstream proxy of the program under test, so requests arrive
with absolute URIs and no name has to resolve. Every request is logged to --log as
"HOST<TAB>PATH<TAB>COOKIE-HEADER".

  http://keep.example/start   sets "k=1" (a day) and redirects to drop.example
  http://drop.example/page    sets "d=1" (a day) and shows a page
  anything else               a page naming its host and the cookies it received
  "?linger" on /start         the redirect keeps it, and the page answers after 3 s
"""
import argparse
import html
import http.server
import time
import urllib.parse

COOKIE_AGE = "Max-Age=86400; Path=/"
LINGER_SECONDS = 3


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        host = (url.hostname or self.headers.get("Host", "")).lower()
        cookie = self.headers.get("Cookie", "")
        with open(self.server.log, "a", encoding="utf-8") as log:
            log.write(f"{host}\t{url.path}\t{cookie}\n")
        if url.path == "/favicon.ico":
            self.answer(404, b"", [])
        elif host == "keep.example" and url.path == "/start":
            query = "?" + url.query if url.query else ""
            self.answer(302, b"", [("Location", "http://drop.example/page" + query),
                                   ("Set-Cookie", "k=1; " + COOKIE_AGE)])
        else:
            if url.query == "linger":
                # Keeps the browser open for several ticks of the browser-close watcher.
                time.sleep(LINGER_SECONDS)
            headers = []
            if host == "drop.example":
                headers.append(("Set-Cookie", "d=1; " + COOKIE_AGE))
            body = (f"<!DOCTYPE html><html><head><title>{html.escape(host)}</title></head>"
                    f"<body><p>page of {html.escape(host)}</p>"
                    f"<p>cookies: {html.escape(cookie)}</p></body></html>").encode()
            self.answer(200, body, headers + [("Content-Type", "text/html; charset=utf-8")])

    def answer(self, status, body, headers):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--log", required=True)
    arguments = parser.parse_args()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", arguments.port), Handler)
    server.log = arguments.log
    server.serve_forever()


if __name__ == "__main__":
    main()
