# fixtures: http display
"""The window module is loaded only when a display is named, and a display that cannot be
used leaves the command and the Python module working headless, with a clear message."""
import json
import os
import socket
import subprocess
import sys
import threading

import pytest

from conftest import cli_env, run, server_env

# (display, module override, message on stderr; None: none expected)
CASES = [
    (None, None, None),
    ("fixture", "/nonexistent/libKVRUploadGui.so", "the window module could not be loaded"),
    (":64999", None, "the display :64999 refused the connection"),
]


def environment(display, module):
    env = {"DISPLAY": server_env("display")["DISPLAY"] if display == "fixture" else display,
           "KVRUPLOAD_GUI_MODULE": module}
    return {k: v for k, v in env.items() if v}


# With a display that answers and the window module in its place, no message: the command
# built without the shared library has handed the run to the one that loads the module.
@pytest.mark.parametrize("display,module,message", CASES + [("fixture", None, None)])
def test_the_command_falls_back_to_the_terminal(serve, tmp_path, display, module, message):
    url = serve("window-module.txt", b"abcdef")
    p = run("download", url, str(tmp_path / "a.txt"), timeout=120, **environment(display, module))
    assert (p.returncode, json.loads(p.stdout)) == (0, ["1", str(tmp_path / "a.txt"), 6]), p.stderr
    stderr = p.stderr.decode()
    assert stderr == "" if message is None else (
        stderr.startswith("kvrupload: " + message) and stderr.endswith("using the terminal.\n"))


# After a refused display the headless windows still work.
PROBE = ("import kvrupload as k; r = k.ui.use_gui(); print(r); r or k.ui.clear_events(); "
         "k.ui.use_headless()")


@pytest.mark.parametrize("display,module,message", CASES + [
    ("fixture", None, None),
    ("127.0.0.1:CLOSES", None, "the display 127.0.0.1:"),  # an X server on TCP that hangs up
])
def test_the_python_module_says_why_there_are_no_windows(display, module, message):
    # An X server listens on TCP port 6000+N; this one closes every connection at once.
    listener = socket.create_server(("127.0.0.1", 0))
    threading.Thread(target=lambda: [listener.accept()[0].close() for _ in range(3)],
                     daemon=True).start()
    display = display and display.replace("CLOSES", str(listener.getsockname()[1] - 6000))
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "KVRUPLOAD_GUI_MODULE")}
    p = subprocess.run([sys.executable, "-c", PROBE], capture_output=True, timeout=120,
                       env={**env, **environment(display, module)})
    listener.close()
    shown = display is not None and message is None
    assert (p.returncode, p.stdout.decode()) == (0, f"{shown}\n"), p.stderr
    stderr = p.stderr.decode()
    assert stderr == "" if message is None else (
        stderr.startswith("kvrupload: " + message) and "windows stay headless" in stderr)
