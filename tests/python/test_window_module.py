# fixtures: http display
"""The window module is loaded only when a display is named, and a display that cannot be
used leaves the command and the Python module working headless, with a clear message."""
import json
import os
import pathlib
import subprocess
import sys

import pytest

CLI = os.environ.get("KVR_CLI", "")
SERVERS = pathlib.Path(os.environ.get("KVR_SERVERS_DIR", ""))


def server_env(name):
    path = SERVERS / name / f"{name}.env"
    if not path.is_file():
        pytest.skip(f"the {name} fixture is not running")
    return dict(line.split("=", 1) for line in path.read_text().splitlines() if "=" in line)


def environment(display, module):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "KVRUPLOAD_GUI_MODULE")}
    if display == "fixture":
        env["DISPLAY"] = server_env("display")["DISPLAY"]
    elif display:
        env["DISPLAY"] = display
    if module:
        env["KVRUPLOAD_GUI_MODULE"] = module
    return env


# (display, module override, message on stderr or in the warning; None: none expected)
CASES = [
    (None, None, None),
    ("fixture", "/nonexistent/libKVRUploadGui.so", "the window module could not be loaded"),
    (":64999", None, "the display :64999 refused the connection"),
]


@pytest.mark.parametrize("display,module,message", CASES)
def test_the_command_falls_back_to_the_terminal(tmp_path, display, module, message):
    if not os.path.exists(CLI):
        pytest.skip("the kvrupload command is not built")
    http = server_env("http")
    (pathlib.Path(http["KVR_HTTP_ROOT"]) / "window-module.txt").write_bytes(b"abcdef")
    url = f"http://127.0.0.1:{http['KVR_HTTP_PORT']}/window-module.txt"
    p = subprocess.run([CLI, "download", url, str(tmp_path / "a.txt")], capture_output=True,
                       env=environment(display, module), stdin=subprocess.DEVNULL, timeout=120)
    assert p.returncode == 0, p.stderr
    assert json.loads(p.stdout) == ["1", str(tmp_path / "a.txt"), 6]
    stderr = p.stderr.decode()
    if message is None:
        assert stderr == ""
    else:
        assert stderr.startswith("kvrupload: " + message) and stderr.endswith("using the terminal.\n")


PROBE = "import kvrupload; print(kvrupload.ui.use_gui()); kvrupload.ui.use_headless()"


@pytest.mark.parametrize("display,module,message", CASES + [("fixture", None, None)])
def test_the_python_module_says_why_there_are_no_windows(display, module, message):
    p = subprocess.run([sys.executable, "-c", PROBE], capture_output=True, timeout=120,
                       env=environment(display, module))
    assert p.returncode == 0, p.stderr
    shown = display is not None and message is None
    assert p.stdout.decode() == f"{shown}\n"
    stderr = p.stderr.decode()
    if message is None:
        assert stderr == ""
    else:
        assert stderr.startswith("kvrupload: " + message) and "windows stay headless" in stderr
