"""What the Python tests share: the servers the CTest fixtures started, and files put where
nginx serves them."""
import os
import pathlib

import pytest


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
    return server_env("display")


@pytest.fixture
def serve(http):
    """serve(name, data) puts `data` in nginx's root as `name` and returns its URL."""
    def put(name, data):
        (pathlib.Path(http["KVR_HTTP_ROOT"]) / name).write_bytes(data)
        return f"{http['base']}/{name}"
    return put
