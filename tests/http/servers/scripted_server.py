#!/usr/bin/env python3
"""A small HTTP server for what nginx will not do, on a loopback address.

  /echo...          answers with the exact bytes of the request it received
                    (request line, headers, body); also as a proxy
                    ("GET http://host/echo... HTTP/1.1")
  /silent           accepts and never answers
  /slow/MS          answers "slow MS" after MS milliseconds
  /stall            declares 100000 bytes, sends 1000, then sends nothing more
  /cut              declares 100000 bytes, sends 1000, then closes
  /drip             declares 1000000 bytes and sends one every 100 ms
  /steady/N         declares N bytes and sends them, 256 every 100 ms (a slow link)
  /trickle          declares 1000000 bytes and sends 64 every 100 ms, without end
  /longheaders      a header block of about 1,600 bytes with a cookie, body "long headers"
  /nobody           status 200 with no body
  /nolength         a body ended by closing the connection, no length given
  /chunked          a body of 3000 bytes in chunks, ended by the last chunk
  /chunkedcut       chunks of 1000 bytes, then closes without the last chunk
  /cookiepath/set   sets "k=v" with no path attribute

Usage: scripted_server.py ADDRESS PORT
"""
import socket
import socketserver
import sys
import time


def read_request(sock):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(65536)
        if not chunk:
            return None
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip() or b"0")
    while len(body) < length:
        chunk = sock.recv(65536)
        if not chunk:
            break
        body += chunk
    return head + b"\r\n\r\n" + body


def request_path(request):
    target = request.split(b"\r\n", 1)[0].split(b" ")[1]
    if target.startswith(b"http://"):
        slash = target.find(b"/", 7)
        target = target[slash:] if slash != -1 else b"/"
    return target


def wait_for_close(sock):
    try:
        while sock.recv(65536):
            pass
    except OSError:
        pass


def response(status, body=b"", headers=()):
    lines = [b"HTTP/1.1 " + status]
    lines += list(headers)
    lines.append(b"Content-Length: %d" % len(body))
    return b"\r\n".join(lines) + b"\r\n\r\n" + body


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        while True:
            request = read_request(sock)
            if request is None:
                return
            path = request_path(request)
            if not self.answer(sock, request, path):
                return

    def answer(self, sock, request, path):
        """Answers one request; False when the connection is done with."""
        if path.startswith(b"/echo"):
            sock.sendall(response(b"200 OK", request))
        elif path == b"/silent":
            wait_for_close(sock)
            return False
        elif path.startswith(b"/slow/"):
            ms = int(path[6:])
            time.sleep(ms / 1000)
            sock.sendall(response(b"200 OK", b"slow %d" % ms))
        elif path in (b"/stall", b"/cut"):
            sock.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + b"p" * 1000)
            if path == b"/stall":
                wait_for_close(sock)
            return False
        elif path == b"/drip":
            sock.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n")
            try:
                while True:
                    sock.sendall(b"d")
                    time.sleep(0.1)
            except OSError:
                pass
            return False
        elif path.startswith(b"/steady/") or path == b"/trickle":
            size = int(path[8:]) if path.startswith(b"/steady/") else 1000000
            piece = 256 if path.startswith(b"/steady/") else 64
            sock.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % size)
            try:
                sent = 0
                while sent < size:
                    n = min(piece, size - sent)
                    sock.sendall(b"s" * n)
                    sent += n
                    time.sleep(0.1)
            except OSError:
                return False
            return True
        elif path == b"/longheaders":
            sock.sendall(response(b"200 OK", b"long headers",
                                  [b"X-Padding: " + b"x" * 1500, b"Set-Cookie: long=1; path=/"]))
        elif path == b"/nobody":
            sock.sendall(response(b"200 OK"))
        elif path == b"/nolength":
            sock.sendall(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nclosed body")
            return False
        elif path in (b"/chunked", b"/chunkedcut"):
            sock.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
            for letter in b"abc":
                sock.sendall(b"3e8\r\n" + bytes([letter]) * 1000 + b"\r\n")
            if path == b"/chunked":
                sock.sendall(b"0\r\n\r\n")
                return True
            return False
        elif path == b"/cookiepath/set":
            sock.sendall(response(b"200 OK", b"set", [b"Set-Cookie: k=v"]))
        else:
            sock.sendall(response(b"404 Not Found", b"no such path"))
        return True


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


if __name__ == "__main__":
    address, port = sys.argv[1], int(sys.argv[2])
    with Server((address, port), Handler) as server:
        server.serve_forever()
