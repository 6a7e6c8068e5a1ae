"""Threads and signals in the Python host: a call that waits lets the other threads run (the
web server here runs in this same process), each thread has its own windows and settings,
and Ctrl-C ends a transfer at once."""
import base64
import concurrent.futures
import contextlib
import http.server
import json
import os
import signal
import threading
import time
import types

import pytest

import kvrupload as k
from conftest import scripted

# A stalled request must fail the test in seconds, not in the default minute.
os.environ["KVR_INET_LOW_SPEED_TIME"] = "5"
os.environ["KVR_FTP_TIMEOUT"] = "5"

BODY = bytes(range(256)) * 64  # 16 KiB, sent in 16 slices


class Handler(http.server.BaseHTTPRequestHandler):
    """GET /SECONDS/NAME: the body spread over SECONDS."""

    seen = {}  # name -> Authorization header received

    def log_message(self, *args):
        pass

    def do_GET(self):
        _, seconds, name = self.path.split("/", 2)
        Handler.seen[name] = self.headers.get("Authorization")
        self.send_response(200)
        self.send_header("Content-Length", str(len(BODY)))
        self.end_headers()
        with contextlib.suppress(OSError):  # the client went away (the interrupted transfers)
            for i in range(16):
                self.wfile.write(BODY[i * 1024:(i + 1) * 1024])
                time.sleep(float(seconds) / 16)


@pytest.fixture(scope="module")
def web():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    yield f"http://127.0.0.1:{server.server_address[1]}"
    server.shutdown()


@pytest.fixture
def ftp(tmp_path):
    """ftp(delay) starts a scripted FTP server that greets after `delay` seconds, then takes
    any login; gives its address."""
    with contextlib.ExitStack() as servers:
        yield lambda delay: "127.0.0.1:%d" % servers.enter_context(
            scripted(tmp_path, "ftp", json.dumps({"greeting_delay": delay})))


def download(web, tmp, seconds, progress="NAO", user=""):
    ctl = k.CreateObject("KVRUpload.ctlKVRUpload")
    ctl.ExibirProgresso = progress
    ctl.FecharProgresso = "SIM"
    if user:
        ctl.UserName, ctl.Password = user, "senha-" + user
    name = f"{user or 'a'}.bin"
    return ctl.Download(f"{web}/{seconds}/{name}", str(tmp / name))


def through_component(web, tmp, seconds):
    """A download whose local path a host's web-directory component resolves, slowly."""
    k.register("KVRWebDir.clsKVRWebDir", lambda: types.SimpleNamespace(
        ObterDiretorioFisico=lambda site: time.sleep(seconds) or ["00", str(tmp)],
        ObterIPPorta=lambda: ["00", "127.0.0.1:80"]))
    try:
        return k.CreateObject("KVRUpload.ctlKVRUpload").Download(f"{web}/0/c.bin", "$(webpath[s])/c.bin")
    finally:
        k.unregister("KVRWebDir.clsKVRWebDir")


# The calls that wait, given how long their server takes (FTP: before its greeting).
CALLS = {
    "download": lambda web, tmp, ftp, t: download(web, tmp, t),
    "ftp-connect": lambda web, tmp, ftp, t: k.CreateObject("KVRUpload.clsKVRUpload").Connect(
        ftp(t), "u", "p"),
    "host-component": lambda web, tmp, ftp, t: through_component(web, tmp, t),  # Ctrl-C in Python
}


@pytest.mark.parametrize("call", ["download", "ftp-connect"])
def test_other_threads_run_while_a_call_waits(web, tmp_path, ftp, call):
    ticks, done = [], threading.Event()

    def heartbeat():
        while not done.wait(0.05):
            ticks.append(1)

    beat = threading.Thread(target=heartbeat)
    beat.start()
    started = time.monotonic()
    try:
        result = CALLS[call](web, tmp_path, ftp, 1.5)
    finally:
        done.set()
        beat.join()
    assert result[0] == "1", result
    assert len(ticks) >= (time.monotonic() - started) / 0.05 / 2  # a held lock gives 1 or 2


def test_each_thread_sends_its_own_credentials(web, tmp_path):
    users = ("alice", "bob")
    with concurrent.futures.ThreadPoolExecutor(len(users)) as pool:
        results = list(pool.map(lambda u: download(web, tmp_path, 1, "SIM", u), users))
    for user, result in zip(users, results):
        assert result[0] == "1", result
        expected = base64.b64encode(f"{user}:senha-{user}".encode()).decode()
        assert Handler.seen[user + ".bin"] == "Basic " + expected


@pytest.mark.parametrize("call", list(CALLS))
def test_ctrl_c_ends_the_call_and_raises_keyboard_interrupt(web, tmp_path, ftp, call):
    started = time.monotonic()
    timer = threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            CALLS[call](web, tmp_path, ftp, 60)
    finally:
        timer.cancel()
    assert time.monotonic() - started < 2.0
    # The interruption belonged to that call: the next one runs to its end.
    assert download(web, tmp_path, 0) == ["1", str(tmp_path / "a.bin"), len(BODY)]
