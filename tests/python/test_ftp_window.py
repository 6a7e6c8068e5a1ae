# fixtures: ftp display
"""The FTP client window from the hosts: the Python host's default instance shown modally
and driven by queued user actions, and the kvrupload ftp-window command on a display."""
import os
import pathlib
import subprocess
import time

import pytest

k = pytest.importorskip("kvrupload")
CLI = os.environ.get("KVR_CLI", "")


def test_show_is_modal_and_returns_when_the_window_is_closed(ftpd):
    s = ftpd
    home = pathlib.Path(s["KVR_FTP_HOME"])
    (home / "janela-py.txt").write_text("x")
    k.ui.use_headless()
    k.ui.clear_queue()
    k.ui.clear_events()
    for action in [("text", "frmKVRFtp.txtServer", "127.0.0.1:" + s["KVR_FTP_PORT"]),
                   ("text", "frmKVRFtp.txtUser", s["KVR_FTP_USER"]),
                   ("text", "frmKVRFtp.txtPassword", s["KVR_FTP_PASSWORD"]),
                   ("click", "frmKVRFtp.cmdConnect"),
                   ("close", "frmKVRFtp")]:
        k.ui.queue(action)
    assert k.forms.frmKVRFtp.Show() == k.Empty
    assert k.ui.queued() == 0
    events = k.ui.events()
    assert ("frmKVRFtp", "lstServer", "AddItem", "janela-py.txt") in events
    assert [e[3] for e in events if e[2] == "MousePointer"] == [11, 0]
    assert [e for e in events if e[0] == "MsgBox"] == []
    # Shown again with nobody to answer: an error, not a hang, and the window unloaded.
    with pytest.raises(k.ComError):
        k.forms.frmKVRFtp.Show()
    assert k.ui.queued() == 0


@pytest.mark.parametrize("action", [
    ("text", "frmKVRFtp.txtServer"),
    ("close", "frmKVRFtp", "extra"),
    ("select", "frmKVRFtp.lstServer", "first"),
])
def test_malformed_actions_are_refused_when_queued(action):
    k.ui.use_headless()
    k.ui.clear_queue()
    with pytest.raises((ValueError, TypeError, RuntimeError)):
        k.ui.queue(action)
    assert k.ui.queued() == 0


def cli(*args, display=None, **kw):
    if not (CLI and os.access(CLI, os.X_OK)):
        pytest.skip("the kvrupload command is not built")
    env = {n: v for n, v in os.environ.items() if n != "DISPLAY"}
    if display:
        env["DISPLAY"] = display
    return subprocess.Popen([CLI, "ftp-window", *args], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, **kw)


@pytest.mark.parametrize("args, message", [
    ((), "needs an X display"),
    (("127.0.0.1", "--user"), "--user needs a value"),
    (("a", "b"), "more than one HOST"),
    (("--port", "21"), "unknown option --port"),
])
def test_ftp_window_usage_errors_exit_2(args, message):
    p = cli(*args)
    out, err = p.communicate(timeout=30)
    assert (p.returncode, out) == (2, "")
    assert message in err


def test_ftp_window_opens_on_the_display(xdisplay):
    display = xdisplay["DISPLAY"]
    p = cli("127.0.0.1:2121", "--user", "ana", display=display)
    try:
        found = ""
        for _ in range(100):
            tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                                  env={**os.environ, "DISPLAY": display}).stdout
            found = next((line for line in tree.splitlines() if "KVRUpload: Cliente FTP" in line),
                         "")
            if found:
                break
            time.sleep(0.1)
        assert "323x187" in found, found
        assert p.poll() is None
    finally:
        p.terminate()
        _, err = p.communicate(timeout=30)
    assert err == ""
