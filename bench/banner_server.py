#!/usr/bin/env python3
"""A stand-in for the product site while benchmarking: every path answers
with one small static page, as the banner shows one.

    banner_server.py <port>
"""

import http.server
import sys

PAGE = b"""<!DOCTYPE html>
<html><head><meta charset="utf-8"><style>
body { margin: 0; background: linear-gradient(90deg, #20242c, #3a4458); color: #e8e8e8;
       font: 14px sans-serif; display: flex; align-items: center; height: 100vh; padding-left: 16px; }
b { color: #f0a030; }
</style></head><body><b>quabrel</b>&nbsp;- adjust your camera's picture, share it with every program.</body></html>
"""


class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(PAGE)))
        self.end_headers()
        self.wfile.write(PAGE)

    do_HEAD = do_GET

    def log_message(self, *args):
        pass


http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Page).serve_forever()
