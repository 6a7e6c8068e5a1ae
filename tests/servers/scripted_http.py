#!/usr/bin/env python3
"""A small HTTP server that answers every request with one chosen scenario, for the faults
a real server will not produce on demand.

    python3 scripted_http.py --scenario NAME --port-file F [--record F] [--size N]

Listens on a free 127.0.0.1 port, writes the port number to F once it listens, and serves
until it is terminated. --record writes the last request (head, blank line, body) to a file.
"""
import argparse
import os
import pathlib
import socket
import socketserver
import struct
import time

from scripted_server import serve

HTML_404 = (b"<html>\r\n<head><title>404 Not Found</title></head>\r\n"
            b"<body>\r\n<center><h1>404 Not Found</h1></center>\r\n</body>\r\n</html>\r\n")


def body_of(size):
    """Deterministic bytes of the given length (the tests rebuild them to compare)."""
    return bytes((i * 7 + 3) % 251 for i in range(size))


def read_request(conn):
    """One request (head, blank line, body), or None at the end; answers 100-continue first."""
    data = b""
    while b"\r\n\r\n" not in data:
        part = conn.recv(65536)
        if not part or len(data) > 1 << 20:
            return None
        data += part
    head, body = data.split(b"\r\n\r\n", 1)
    fields = {n.strip().lower(): v.strip() for n, _, v in
              (line.partition(b":") for line in head.split(b"\r\n")[1:])}
    length = int(fields.get(b"content-length", 0))
    if fields.get(b"expect", b"").lower() == b"100-continue" and len(body) < length:
        conn.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
    while len(body) < length:
        part = conn.recv(min(1 << 20, length - len(body)))
        if not part:
            break
        body += part
    return head + b"\r\n\r\n" + body


def respond(conn, status, headers, body=b""):
    conn.sendall(("\r\n".join(["HTTP/1.1 " + status] + headers) + "\r\n\r\n").encode() + body)


def stall(conn, size=None):
    """Holds the connection open, sending nothing, until the peer goes away."""
    conn.settimeout(None)
    while conn.recv(65536):
        pass


def trickle(body, piece, pause):
    def send(conn, size):
        data = body(size)
        for i in range(0, len(data), piece):
            conn.sendall(data[i:i + piece])
            time.sleep(pause)
    return send


def answer(status, headers, body=b"", after=None):
    """A scenario: this answer (none without a status); then the connection stays open for the
    next request, or `after(conn, size)` runs and the connection closes. A body or header may
    depend on --size."""
    def scenario(conn, request, size):
        if status:
            respond(conn, status, [h.format(size=size) for h in headers],
                    body(size) if callable(body) else body)
        if after:
            after(conn, size)
        return after is None
    return scenario


def close(conn, size):
    pass  # the connection closes once the scenario returns


def reset(conn, size):
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    conn.close()  # before the server's orderly shutdown could send a FIN


def echo(conn, request, size):
    """The request itself (head, blank line, body) as the body of the answer."""
    respond(conn, "200 OK", ["Content-Length: %d" % len(request)], request)
    return True


def redirect(conn, request, size):
    """/hop/N redirects to /hop/N-1; /hop/0 (or any other path) is the final answer."""
    first = request.split(b"\r\n", 1)[0].split(b" ")
    target = first[1].decode("latin-1") if len(first) > 1 else "/"
    if target.startswith("/hop/") and target[5:].isdigit() and int(target[5:]) > 0:
        respond(conn, "302 Found", ["Location: /hop/%d" % (int(target[5:]) - 1),
                                    "Content-Length: 5"], b"moved")
    else:
        respond(conn, "200 OK", ["X-Final: sim", "Content-Length: 5"], b"final")
    return True


TEN_THOUSAND = ["Content-Length: 10000"]
SCENARIOS = {
    "no_length": answer("200 OK", ["Content-Type: application/octet-stream", "Connection: close"],
                        body_of, close),
    "length_no_blank": answer("200 OK", ["Content-Length:5000", "Content-Type: text/plain"],
                              body_of(5000)),
    "no_reason": answer("200", ["Content-Length: {size}"], body_of),
    "not_found": answer("404 Not Found",
                        ["Content-Type: text/html", "Content-Length: %d" % len(HTML_404)], HTML_404),
    "put_201": answer("201 Created", ["Content-Length: 0"]),
    # --size of the bytes announced (at most 9999), a pause, then the close
    "cut_after_pause": answer("200 OK", TEN_THOUSAND, lambda size: body_of(min(size, 9999)),
                              lambda conn, size: time.sleep(0.5)),
    "cut_body": answer("200 OK", TEN_THOUSAND, body_of(3000), close),
    "stall": answer(None, [], after=stall),
    "stall_body": answer("200 OK", TEN_THOUSAND, body_of(1000), stall),
    "trickle": answer("200 OK", ["Content-Length: {size}"], after=trickle(body_of, 100, 0.1)),
    "trickle_body": answer("200 OK", TEN_THOUSAND,
                           after=trickle(lambda size: body_of(10000), 1, 0.05)),
    "custom_headers": answer("200 OK", ["X-Kvr-Um: primeiro", "Set-Cookie: a=1", "Set-Cookie: b=2",
                                        "Content-Length: 2"], b"ok"),
    # two interim answers before the final one, even for a GET
    "interim": answer("100 Continue\r\n\r\nHTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 200 OK",
                      ["Content-Length: 5"], b"final"),
    "redirect": redirect,
    "echo": echo,
    "empty_reply": answer(None, [], after=close),
    "reset": answer(None, [], after=reset),
}


class Connection(socketserver.BaseRequestHandler):
    def handle(self):
        self.request.settimeout(30)
        while (request := read_request(self.request)) is not None:
            if opts.record:
                pathlib.Path(opts.record + ".tmp").write_bytes(request)
                os.replace(opts.record + ".tmp", opts.record)
            if not SCENARIOS[opts.scenario](self.request, request, opts.size):
                return


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--scenario", choices=sorted(SCENARIOS), required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--record")
    parser.add_argument("--size", type=int, default=4000, help="the body's size where it varies")
    opts = parser.parse_args()
    serve(Connection, opts.port_file)
