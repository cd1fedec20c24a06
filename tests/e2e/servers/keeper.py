#!/usr/bin/env python3
"""Starts and stops update servers for the end-to-end tests, on their request.

The tests run under Wine and cannot start Linux programs themselves, so this
small HTTP service on 127.0.0.1:8009 does it for them. Each update server is
server/serve.sh (nginx on port 8001) run in a session of its own, serving
BASE/NAME/www, where the tests write the files they want served.

  /start?name=NAME&address=A[&rate=R][&flag=TEXT][&cut=1]
                                          serve BASE/NAME/www on A:8001 (stopping
                                          whatever served on A before); with flag,
                                          the flag file then holds TEXT instead of
                                          the one byte the server kit writes; with
                                          cut, cutting_server.py serves instead, and
                                          the archives break off half-way
  /stop?address=A                         stop the server on A (SIGTERM)
  /kill?address=A                         kill it at once, mid-download (SIGKILL)
  /stopall                                stop every server
  /proxy?address=A                        start a forward proxy (tinyproxy) on A:8888
                                          (stopped by /stop like a server)
  /log?address=A                          the access log of the server on A, or
                                          the proxy's log of the requests it passed on

Every request carries token=TOKEN, the token the keeper was started with, so
that a test run can never start or stop the servers of another run on the
same machine (it gets 403 and fails instead).

Usage: keeper.py BASE TOKEN      (runs until SIGTERM; stops every server then)
"""
import http.server
import os
import re
import signal
import socket
import subprocess
import sys
import time
import urllib.parse

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
SERVE = os.path.join(ROOT, "server", "serve.sh")
CUTTING = os.path.join(os.path.dirname(os.path.abspath(__file__)), "cutting_server.py")
BASE = os.path.abspath(sys.argv[1])
TOKEN = sys.argv[2]
ADDRESS = re.compile(r"^127\.\d{1,3}\.\d{1,3}\.\d{1,3}$")  # loopback only
NAME = re.compile(r"^[A-Za-z0-9_.-]+$")
servers = {}  # address -> (process, state folder)


PROXY_PORT = 8888


def listening(address, port=8001):
    try:
        with socket.create_connection((address, port), timeout=0.2):
            return True
    except OSError:
        return False


def stop(address, sig=signal.SIGTERM):
    entry = servers.pop(address, None)
    if not entry:
        return
    process, port = entry[0], entry[2]
    try:
        os.killpg(process.pid, sig)
    except ProcessLookupError:
        pass
    try:
        process.wait(timeout=5)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
    # nginx's workers may outlive a killed master for a moment.
    for _ in range(100):
        if not listening(address, port):
            break
        time.sleep(0.02)


FLAG_FILE = "主机运行标志.txt".encode("gbk")


def start(name, address, rate, flag, cut=False):
    stop(address)
    www = os.path.join(BASE, name, "www")
    state = os.path.join(BASE, name, "state-" + address)
    os.makedirs(www, exist_ok=True)
    if os.path.exists(os.path.join(state, "logs", "access.log")):
        os.remove(os.path.join(state, "logs", "access.log"))
    log = open(os.path.join(BASE, name, "serve-" + address + ".out"), "ab")
    if cut:
        with open(os.path.join(os.fsencode(www), FLAG_FILE), "wb") as f:
            f.write(b"1")
        command = [sys.executable, CUTTING, www, address]
    else:
        command = [SERVE, www, "--address", address, "--rate", rate, "--state", state]
    process = subprocess.Popen(command, stdout=log, stderr=log, start_new_session=True)
    servers[address] = (process, state, 8001)
    if not started(address, 8001, process):
        return None
    if flag is not None:
        with open(os.path.join(os.fsencode(www), FLAG_FILE), "wb") as f:
            f.write(flag.encode())
    return "started"


def started(address, port, process):
    """Whether the process listens on address:port within four seconds; stopped when not."""
    for _ in range(200):
        if listening(address, port):
            return True
        if process.poll() is not None:
            break
        time.sleep(0.02)
    stop(address)
    return False


def start_proxy(address):
    """tinyproxy in the foreground, logging each request it passes on."""
    stop(address)
    state = os.path.join(BASE, "proxy-" + address)
    os.makedirs(os.path.join(state, "logs"), exist_ok=True)
    access = os.path.join(state, "logs", "access.log")
    if os.path.exists(access):
        os.remove(access)
    config = os.path.join(state, "tinyproxy.conf")
    with open(config, "w") as f:
        f.write("Port %d\nListen %s\nTimeout 600\nLogFile \"%s\"\nLogLevel Connect\nMaxClients 20\n"
                "Allow 127.0.0.0/8\nDisableViaHeader Yes\n" % (PROXY_PORT, address, access))
    log = open(os.path.join(state, "tinyproxy.out"), "ab")
    process = subprocess.Popen(["tinyproxy", "-d", "-c", config], stdout=log, stderr=log, start_new_session=True)
    servers[address] = (process, state, PROXY_PORT)
    return "started" if started(address, PROXY_PORT, process) else None


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = {k: v[0] for k, v in urllib.parse.parse_qs(url.query).items()}
        address = query.get("address", "")
        body, status = b"", 200
        if query.get("token") != TOKEN:
            body, status = b"not this test run's keeper", 403
        elif url.path != "/stopall" and not ADDRESS.match(address):
            body, status = b"a loopback address is needed", 400
        elif url.path == "/start":
            name, rate = query.get("name", ""), query.get("rate", "0")
            if not NAME.match(name) or not re.match(r"^\d+[km]?$", rate):
                body, status = b"bad name or rate", 400
            else:
                result = start(name, address, rate, query.get("flag"), query.get("cut") == "1")
                body, status = (result.encode(), 200) if result else (b"the server did not start", 500)
        elif url.path == "/proxy":
            result = start_proxy(address)
            body, status = (result.encode(), 200) if result else (b"the proxy did not start", 500)
        elif url.path in ("/stop", "/kill"):
            stop(address, signal.SIGTERM if url.path == "/stop" else signal.SIGKILL)
            body = b"stopped"
        elif url.path == "/stopall":
            for a in list(servers):
                stop(a)
            body = b"stopped"
        elif url.path == "/log":
            entry = servers.get(address)
            path = os.path.join(entry[1], "logs", "access.log") if entry else ""
            body = open(path, "rb").read() if path and os.path.exists(path) else b""
        else:
            body, status = b"no such command", 404
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    os.makedirs(BASE, exist_ok=True)
    server = http.server.HTTPServer(("127.0.0.1", 8009), Handler)

    def finish(*_):
        for a in list(servers):
            stop(a)
        sys.exit(0)

    signal.signal(signal.SIGTERM, finish)
    signal.signal(signal.SIGINT, finish)
    server.serve_forever()


if __name__ == "__main__":
    main()
