#!/usr/bin/env python3
"""A scripted FTP server for the faults a real server will not produce on demand.

    scripted_ftp.py [--transcript FILE] --port-file FILE SCENARIO_JSON

Serves active (PORT, EPRT) and passive (PASV, EPSV) clients on a free loopback port by the
scenario, a JSON object whose keys are all optional:
  greeting, greeting_delay  reply to a new connection (null: none ever), seconds before it
  user, pass; opening       replies to USER, PASS (331 / 230) and opening a transfer (150)
  replies                   {"VERB": reply} answered instead of the normal handling of VERB
  files, name_count         {"name": text} for RETR/STOR/RNFR/DELE; NLST lists these names,
                            or name_count names f00000.txt ...
  drop_on, drop_after       VERB: after the opening reply, drop_after bytes, then close all
  stall_on                  VERB: read the command and never answer
  stor_limit, stor_reply    STOR: after this many bytes, this reply and a reset data link
  foreign_data              "first": 127.0.0.2 connects to the data port before the server,
                            offers "EVIL\r\n", recording "FOREIGN <bytes read>"; "only": the
                            server never connects
  trickle                   seconds between the single bytes of the data the server sends
  flood_on, flood_every     VERB (or "greeting"): `flood` ("120 ...", or a "ddd-" line for an
                            endless multi-line reply) every flood_every seconds, for ever
  ipv6; pasv_host           listen on ::1; the address a 227 names
  pasv_decoy                something listens on pasv_host at the 227's port, offering "EVIL\r\n"
Replies have no final line end; "\n" separates the lines of a multi-line reply. Each command
line received is appended to the transcript.
"""
import argparse
import contextlib
import json
import socket
import socketserver
import struct
import threading
import time

from scripted_server import serve

scenario = {}
transcript_path = None
transcript_lock = threading.Lock()


def record(line):
    if transcript_path:
        with transcript_lock, open(transcript_path, "a", encoding="latin-1") as f:
            f.write(line + "\n")


class Session(socketserver.StreamRequestHandler):
    def send(self, reply):
        self.wfile.write("".join(part + "\r\n" for part in reply.split("\n")).encode("latin-1"))
        self.wfile.flush()

    def open_data(self):
        if self.passive is not None:
            passive, self.passive = self.passive, None
            with passive:
                return passive.accept()[0]
        if scenario.get("foreign_data"):
            self.foreign_connect()
        if scenario.get("foreign_data") == "only":
            time.sleep(30)
            raise ConnectionAbortedError
        return socket.create_connection(self.data_address, timeout=30)

    def foreign_connect(self):
        got = 0
        with contextlib.suppress(OSError), socket.create_connection(
                self.data_address, timeout=5, source_address=("127.0.0.2", 0)) as s:
            s.sendall(b"EVIL\r\n")
            s.shutdown(socket.SHUT_WR)
            while chunk := s.recv(65536):
                got += len(chunk)
        record("FOREIGN %d" % got)

    def flood(self):
        while True:
            self.send(scenario.get("flood", "120 Service ready in a moment."))
            time.sleep(scenario.get("flood_every", 0.05))

    def listen_passive(self, extended):
        own = self.request.getsockname()[0]
        self.passive = socket.create_server((own, 0), family=self.request.family, backlog=1)
        port = self.passive.getsockname()[1]
        if extended:
            self.send("229 Entering Extended Passive Mode (|||%d|)" % port)
            return
        host = scenario.get("pasv_host", "127.0.0.1")
        if scenario.get("pasv_decoy"):
            decoy = socket.create_server((host, port), backlog=1)
            threading.Thread(target=self.serve_decoy, args=(decoy,), daemon=True).start()
        self.send("227 Entering Passive Mode (%s,%d,%d)." % (host.replace(".", ","),
                                                             port >> 8, port & 255))

    def serve_decoy(self, decoy):
        with contextlib.suppress(OSError), decoy.accept()[0] as s:
            record("DECOY")
            s.sendall(b"EVIL\r\n")

    def drain(self):
        """Reads until the client goes, answering nothing."""
        while self.rfile.read(1):
            pass

    def handle(self):
        self.data_address = self.passive = self.rename_from = None
        files = scenario.setdefault("files", {})
        greeting = scenario.get("greeting", "220 scripted")
        if greeting is None:
            return self.drain()
        if scenario.get("flood_on") == "greeting":
            self.flood()
        time.sleep(scenario.get("greeting_delay", 0))
        self.send(greeting)
        while raw := self.rfile.readline(8192):
            line = raw.decode("latin-1").rstrip("\r\n")
            record(line)
            verb, _, arg = line.partition(" ")
            verb = verb.upper()
            if scenario.get("stall_on") == verb:
                return self.drain()
            if scenario.get("flood_on") == verb:
                self.flood()
            if verb in scenario.get("replies", {}):
                self.send(scenario["replies"][verb])
                continue
            if verb in ("USER", "PASS"):
                self.send(scenario.get(verb.lower(), "331 Please specify the password."
                                       if verb == "USER" else "230 Login successful."))
            elif verb == "TYPE":
                self.send("200 Type set to " + arg + ".")
            elif verb in ("PORT", "EPRT"):
                if verb == "PORT":
                    p = arg.split(",")
                    self.data_address = (".".join(p[:4]), int(p[4]) * 256 + int(p[5]))
                else:  # |family|address|port|
                    self.data_address = (arg.split(arg[0])[2], int(arg.split(arg[0])[3]))
                self.send("200 %s command successful." % verb)
            elif verb in ("PASV", "EPSV"):
                self.listen_passive(verb == "EPSV")
            elif verb == "CWD":
                self.send("250 Directory successfully changed." if arg in ("/", "")
                          else "550 Failed to change directory.")
            elif verb == "NLST":
                names = (["f%05d.txt" % i for i in range(scenario["name_count"])]
                         if "name_count" in scenario else sorted(files))
                self.transfer(verb, "".join(n + "\r\n" for n in names).encode("utf-8"))
            elif verb == "RETR" and arg in files:
                self.transfer(verb, files[arg].encode("latin-1"))
            elif verb == "STOR":
                self.store(arg, files)
            elif verb == "RNFR":
                self.rename_from = arg if arg in files else None
                self.send("350 Ready for RNTO." if self.rename_from else "550 RNFR command failed.")
            elif verb == "RNTO":
                files[arg] = files.pop(self.rename_from)
                self.send("250 Rename successful.")
            elif verb == "DELE":
                self.send("550 Delete operation failed." if files.pop(arg, None) is None
                          else "250 Delete operation successful.")
            elif verb == "QUIT":
                self.send("221 Goodbye.")
                return
            else:
                self.send("550 Failed to open file." if verb == "RETR" else "500 Unknown command.")

    def transfer(self, verb, payload):
        self.send(scenario.get("opening", "150 Here comes the data."))
        data = self.open_data()
        if scenario.get("drop_on") == verb:
            data.sendall(payload[: scenario.get("drop_after", 0)])
            data.close()
            self.request.shutdown(socket.SHUT_RDWR)
            self.request.close()
            raise ConnectionAbortedError
        piece = 1 if "trickle" in scenario else len(payload) or 1  # trickle: a byte at a time
        for i in range(0, len(payload), piece):
            data.sendall(payload[i:i + piece])
            time.sleep(scenario.get("trickle", 0))
        data.close()
        self.send("226 Transfer complete.")

    def store(self, name, files):
        self.send(scenario.get("opening", "150 Ok to send data."))
        data = self.open_data()
        limit = scenario.get("stor_limit")
        received = bytearray()
        while (limit is None or len(received) < limit) and (chunk := data.recv(65536)):
            received += chunk
        if limit is not None and len(received) >= limit:
            self.send(scenario.get("stor_reply", "552 Requested file action aborted."))
            data.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            data.close()
            return
        data.close()
        files[name] = received.decode("latin-1")
        self.send("226 Transfer complete.")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--transcript")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("scenario", nargs="?", default="{}")
    opts = parser.parse_args()
    transcript_path = opts.transcript
    scenario = json.loads(opts.scenario)
    serve(Session, opts.port_file, scenario.get("ipv6", False))
