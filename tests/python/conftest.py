"""What the Python tests share: the servers the CTest fixtures started, files put where nginx
serves them, the command and the scripted servers."""
import contextlib
import os
import pathlib
import subprocess
import sys
import time

import pytest

CLI = os.environ.get("KVR_CLI", "")
SERVERS = pathlib.Path(__file__).resolve().parents[1] / "servers"


def server_env(name):
    """The KEY=VALUE pairs tests/servers/<name>_start.sh wrote; skips when it is not running."""
    path = pathlib.Path(os.environ.get("KVR_SERVERS_DIR", "")) / name / f"{name}.env"
    if not path.is_file():
        pytest.skip(f"the {name} fixture is not running")
    return dict(line.split("=", 1) for line in path.read_text().splitlines() if "=" in line)


@pytest.fixture
def http():
    env = server_env("http")
    env["base"] = f"http://127.0.0.1:{env['KVR_HTTP_PORT']}"
    return env


@pytest.fixture
def ftpd():
    return server_env("ftp")


@pytest.fixture
def xdisplay():
    return server_env("display")["DISPLAY"]


@pytest.fixture
def serve(http):
    """serve(name, data) puts `data` in nginx's root as `name` and returns its URL."""
    def put(name, data):
        (pathlib.Path(http["KVR_HTTP_ROOT"]) / name).write_bytes(data)
        return f"{http['base']}/{name}"
    return put


def cli_env(**extra):
    """A clean environment for the command: no display, password, width or ~/.netrc unless
    `extra` gives them."""
    if not os.access(CLI, os.X_OK):
        pytest.skip("the kvrupload command is not built")
    gone = ("DISPLAY", "KVRUPLOAD_PASSWORD", "COLUMNS", "KVRUPLOAD_GUI_MODULE")
    kept = {k: v for k, v in os.environ.items() if k not in gone}
    return {**kept, "HOME": "/nonexistent", **extra}


def run(*args, stdin="", cwd=None, timeout=300, **env):
    return subprocess.run([CLI, *args], input=stdin.encode(), capture_output=True,
                          env=cli_env(**env), cwd=cwd, timeout=timeout)


@contextlib.contextmanager
def scripted(tmp_path, kind, *args):
    """tests/servers/scripted_<kind>.py started with `args`; yields its loopback port."""
    port_file = tmp_path / f"{kind}-{time.monotonic_ns()}.port"
    proc = subprocess.Popen([sys.executable, str(SERVERS / f"scripted_{kind}.py"),
                             "--port-file", str(port_file), *args])
    try:
        deadline = time.monotonic() + 10
        while not port_file.exists():
            assert time.monotonic() < deadline and proc.poll() is None, "scripted server"
            time.sleep(0.02)
        yield int(port_file.read_text())
    finally:
        proc.terminate()
        proc.wait()
