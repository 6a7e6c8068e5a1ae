#!/usr/bin/env python3
"""A small HTTP server that answers every request with one chosen scenario, for the faults
a real server will not produce on demand.

    python3 scripted_http.py --scenario NAME --port-file F [--record F] [--size N]

Listens on a free 127.0.0.1 port, writes the port number to F once it listens, and serves
until it is terminated. --record writes the last request (head, blank line, body) to a file.
"""

import argparse
import os
import socket
import struct
import sys
import threading
import time

HTML_404 = (b"<html>\r\n<head><title>404 Not Found</title></head>\r\n"
            b"<body>\r\n<center><h1>404 Not Found</h1></center>\r\n</body>\r\n</html>\r\n")


def body_of(size):
    """Deterministic bytes of the given length (the tests rebuild them to compare)."""
    return bytes((i * 7 + 3) % 251 for i in range(size))


class Request:
    def __init__(self, head, body):
        self.head = head
        self.body = body
        first = head.split(b"\r\n", 1)[0].split(b" ")
        self.target = first[1].decode("latin-1") if len(first) > 1 else "/"


def read_request(conn):
    """Reads one request head and its body; answers Expect: 100-continue first."""
    data = b""
    while b"\r\n\r\n" not in data:
        part = conn.recv(65536)
        if not part:
            return None
        data += part
        if len(data) > 1 << 20:
            return None
    head, rest = data.split(b"\r\n\r\n", 1)
    length = 0
    expect = False
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        name = name.strip().lower()
        if name == b"content-length":
            length = int(value.strip())
        elif name == b"expect" and value.strip().lower() == b"100-continue":
            expect = True
    if expect and len(rest) < length:
        conn.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
    while len(rest) < length:
        part = conn.recv(min(1 << 20, length - len(rest)))
        if not part:
            break
        rest += part
    return Request(head, rest)


def respond(conn, status, headers, body=b""):
    lines = [status] + headers
    conn.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body)


def stall(conn):
    """Holds the connection open, sending nothing, until the peer goes away."""
    conn.settimeout(None)
    try:
        while conn.recv(65536):
            pass
    except OSError:
        pass


def scenario_no_length(conn, req, opts):
    respond(conn, "HTTP/1.1 200 OK", ["Content-Type: application/octet-stream", "Connection: close"],
            body_of(opts.size))
    return False


def scenario_length_no_blank(conn, req, opts):
    respond(conn, "HTTP/1.1 200 OK", ["Content-Length:5000", "Content-Type: text/plain"], body_of(5000))
    return True


def scenario_no_reason(conn, req, opts):
    body = body_of(opts.size)
    respond(conn, "HTTP/1.1 200", ["Content-Length: %d" % len(body)], body)
    return True


def scenario_not_found(conn, req, opts):
    respond(conn, "HTTP/1.1 404 Not Found", ["Content-Type: text/html", "Content-Length: %d" % len(HTML_404)],
            HTML_404)
    return True


def scenario_put_201(conn, req, opts):
    respond(conn, "HTTP/1.1 201 Created", ["Content-Length: 0"])
    return True


def scenario_put_204(conn, req, opts):
    respond(conn, "HTTP/1.1 204 No Content", [])
    return True


def scenario_cut_after_pause(conn, req, opts):
    """Headers announcing 10000 bytes, --size of them, a pause, then the connection closes."""
    respond(conn, "HTTP/1.1 200 OK", ["Content-Length: 10000"], body_of(min(opts.size, 9999)))
    time.sleep(0.5)
    return False


def scenario_stall(conn, req, opts):
    stall(conn)
    return False


def scenario_stall_body(conn, req, opts):
    respond(conn, "HTTP/1.1 200 OK", ["Content-Length: 10000"], body_of(1000))
    stall(conn)
    return False


def scenario_trickle(conn, req, opts):
    """Announces --size bytes and sends them 100 at a time, ten times a second."""
    body = body_of(opts.size)
    respond(conn, "HTTP/1.1 200 OK", ["Content-Length: %d" % len(body)])
    for i in range(0, len(body), 100):
        conn.sendall(body[i:i + 100])
        time.sleep(0.1)
def scenario_cut_body(conn, req, opts):
    """Headers announcing 10000 bytes and 3000 of them in one piece, then the close."""
    respond(conn, "HTTP/1.1 200 OK", ["Content-Length: 10000"], body_of(3000))
    return False


def scenario_trickle_body(conn, req, opts):
    """Headers announcing 10000 bytes, then one byte every 50 ms."""
    respond(conn, "HTTP/1.1 200 OK", ["Content-Length: 10000"])
    for b in body_of(10000):
        conn.sendall(bytes([b]))
        time.sleep(0.05)
    return False


def scenario_custom_headers(conn, req, opts):
    respond(conn, "HTTP/1.1 200 OK",
            ["X-Kvr-Um: primeiro", "Set-Cookie: a=1", "Set-Cookie: b=2", "Content-Length: 2"], b"ok")
    return True


def scenario_interim(conn, req, opts):
    """Two interim answers before the final one, even for a GET."""
    conn.sendall(b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\n\r\n")
    respond(conn, "HTTP/1.1 200 OK", ["Content-Length: 5"], b"final")
    return True


def scenario_redirect(conn, req, opts):
    """/hop/N redirects to /hop/N-1; /hop/0 (or any other path) is the final answer."""
    if req.target.startswith("/hop/") and req.target[5:].isdigit() and int(req.target[5:]) > 0:
        hop = int(req.target[5:])
        moved = b"moved"
        respond(conn, "HTTP/1.1 302 Found", ["Location: /hop/%d" % (hop - 1), "Content-Length: %d" % len(moved)],
                moved)
    else:
        respond(conn, "HTTP/1.1 200 OK", ["X-Final: sim", "Content-Length: 5"], b"final")
    return True


def scenario_echo(conn, req, opts):
    """The request itself (head, blank line, body) as the body of a 200 answer."""
    body = req.head + b"\r\n\r\n" + req.body
    respond(conn, "HTTP/1.1 200 OK", ["Content-Length: %d" % len(body)], body)
    return True


def scenario_empty_reply(conn, req, opts):
    return False


def scenario_reset(conn, req, opts):
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    return False


SCENARIOS = {name[len("scenario_"):]: fn for name, fn in globals().items() if name.startswith("scenario_")}


def serve_connection(conn, opts):
    with conn:
        conn.settimeout(30)
        try:
            while True:
                req = read_request(conn)
                if req is None:
                    return
                if opts.record:
                    tmp = opts.record + ".tmp"
                    with open(tmp, "wb") as f:
                        f.write(req.head + b"\r\n\r\n" + req.body)
                    os.replace(tmp, opts.record)
                keep_open = SCENARIOS[opts.scenario](conn, req, opts)
                if not keep_open:
                    return
        except OSError:
            return


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--port-file")
    parser.add_argument("--record")
    parser.add_argument("--size", type=int, default=4000, help="body size where the scenario lets it vary")
    opts = parser.parse_args()
    if not opts.scenario or not opts.port_file:
        parser.error("--scenario and --port-file are needed")

    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    tmp = opts.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d\n" % listener.getsockname()[1])
    os.replace(tmp, opts.port_file)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve_connection, args=(conn, opts), daemon=True).start()


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(0)
