#!/usr/bin/env python3
"""An update server whose archives break off: serves the files of a folder on
ADDRESS:8001 like the server kit does, except that zentra/bank.zip and
zentra/zentra.rar go out in chunks (no Content-Length, as through a proxy that
compresses) and the connection closes after half of them, without the last
chunk. Paths are percent-decoded to bytes (GBK names, as nginx maps them).

Usage: cutting_server.py FOLDER ADDRESS
"""
import os
import socketserver
import sys
import urllib.parse

FOLDER = os.fsencode(sys.argv[1])
CUT = (b"/zentra/bank.zip", b"/zentra/zentra.rar")


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        line = self.rfile.readline()
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass
        parts = line.split(b" ")
        if len(parts) < 2:
            return
        path = urllib.parse.unquote_to_bytes(parts[1].split(b"?")[0])
        file = os.path.join(FOLDER, os.path.normpath(path).lstrip(b"/"))
        if b".." in path or not os.path.isfile(file):
            body = b"404 Not Found"
            self.wfile.write(b"HTTP/1.1 404 Not Found\r\nContent-Length: %d\r\n\r\n%s" % (len(body), body))
            return
        body = open(file, "rb").read()
        if path not in CUT:
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(body) + body)
            return
        self.wfile.write(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
        half = body[: len(body) // 2]
        for start in range(0, len(half), 4096):
            chunk = half[start:start + 4096]
            self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
        # No last chunk: the connection just closes.


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


if __name__ == "__main__":
    with Server((sys.argv[2], 8001), Handler) as server:
        server.serve_forever()
