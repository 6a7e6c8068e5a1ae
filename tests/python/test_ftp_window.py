# fixtures: ftp display
"""The FTP client window from the hosts: the Python host's default instance shown modally
and driven by queued user actions, and the kvrupload ftp-window command on a display."""
import os
import pathlib
import subprocess
import time

import pytest

from conftest import CLI, cli_env

k = pytest.importorskip("kvrupload")


def test_show_is_modal_and_returns_when_the_window_is_closed(ftpd):
    (pathlib.Path(ftpd["KVR_FTP_HOME"]) / "janela-py.txt").write_text("x")
    k.ui.use_headless()
    k.ui.clear_queue()
    k.ui.clear_events()
    for action in [("text", "frmKVRFtp.txtServer", "127.0.0.1:" + ftpd["KVR_FTP_PORT"]),
                   ("text", "frmKVRFtp.txtUser", ftpd["KVR_FTP_USER"]),
                   ("text", "frmKVRFtp.txtPassword", ftpd["KVR_FTP_PASSWORD"]),
                   ("click", "frmKVRFtp.cmdConnect"),
                   ("close", "frmKVRFtp")]:
        k.ui.queue(action)
    assert k.forms.frmKVRFtp.Show() is k.Empty and k.ui.queued() == 0
    events = k.ui.events()
    assert ("frmKVRFtp", "lstServer", "AddItem", "janela-py.txt") in events
    # Shown again with nobody to answer: an error, not a hang, and the window unloaded.
    with pytest.raises(k.ComError):
        k.forms.frmKVRFtp.Show()
    assert k.ui.queued() == 0


def test_ftp_window_opens_on_the_display(xdisplay):
    p = subprocess.Popen([CLI, "ftp-window", "127.0.0.1:2121", "--user", "ana"],
                         env=cli_env(DISPLAY=xdisplay), stderr=subprocess.PIPE, text=True)
    try:
        for _ in range(100):
            tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                                  env={**os.environ, "DISPLAY": xdisplay}).stdout
            if found := [line for line in tree.splitlines() if "KVRUpload: Cliente FTP" in line]:
                break
            time.sleep(0.1)
        assert found and "323x187" in found[0] and p.poll() is None, found
    finally:
        p.terminate()
        _, err = p.communicate(timeout=30)
    assert err == ""
