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

from conftest import run, server_env

# After a refused display the headless windows still work.
PROBE = ("import kvrupload as k; r = k.ui.use_gui(); print(r); r or k.ui.clear_events(); "
         "k.ui.use_headless()")


# With a display that answers and the window module in its place, no message: the command
# built without the shared library has handed the run to the one that loads the module.
@pytest.mark.parametrize("display, module, message", [  # message on stderr; None: none
    (None, None, None),
    ("fixture", None, None),
    ("fixture", "/nonexistent/libKVRUploadGui.so", "the window module could not be loaded"),
    (":64999", None, "the display :64999 refused the connection"),
    ("127.0.0.1:CLOSES", None, "the display 127.0.0.1:"),  # an X server on TCP that hangs up
])
def test_the_command_and_the_python_module_say_why_there_are_no_windows(
        serve, tmp_path, display, module, message):
    # An X server listens on TCP port 6000+N; this one closes every connection at once.
    listener = socket.create_server(("127.0.0.1", 0))
    threading.Thread(target=lambda: [listener.accept()[0].close() for _ in range(6)],
                     daemon=True).start()
    display = display and display.replace("CLOSES", str(listener.getsockname()[1] - 6000))
    env = {"DISPLAY": server_env("display")["DISPLAY"] if display == "fixture" else display,
           "KVRUPLOAD_GUI_MODULE": module}
    env = {k: v for k, v in env.items() if v}
    url = serve("window-module.txt", b"abcdef")
    p = run("download", url, str(tmp_path / "a.txt"), timeout=120, **env)
    assert (p.returncode, json.loads(p.stdout)) == (0, ["1", str(tmp_path / "a.txt"), 6]), p.stderr
    cli = p.stderr.decode()
    inherited = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "KVRUPLOAD_GUI_MODULE")}
    p = subprocess.run([sys.executable, "-c", PROBE], capture_output=True, timeout=120,
                       env={**inherited, **env})
    listener.close()
    assert (p.returncode, p.stdout.decode()) == (0, f"{display is not None and message is None}\n"), p.stderr
    py = p.stderr.decode()
    assert cli == py == "" if message is None else (
        cli.startswith("kvrupload: " + message) and cli.endswith("using the terminal.\n") and
        py.startswith("kvrupload: " + message) and "windows stay headless" in py)
