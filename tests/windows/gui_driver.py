#!/usr/bin/env python3
"""The user at the X display while gui.vbs runs under Wine: finds each window by its caption,
checks the client size of the X window Wine made for it, acts on it with xdotool (XTEST) and
takes screenshots into SHOTS_DIR. Prints PASS/FAIL lines.  Usage: gui_driver.py SHOTS_DIR"""

import os
import subprocess
import sys
import time

SHOTS, ENV = sys.argv[1], os.environ
# The client sizes the forms' twips give at 96 dots per inch (15 twips a pixel).
PROGRESS = ("Download", (391, 184))
FTP = ("KVRUpload: Cliente FTP", (323, 187))
failures = 0


def check(name, ok, detail=""):
    global failures
    print(("PASS " if ok else "FAIL ") + name + ("" if ok else ": " + detail), flush=True)
    failures += not ok
    return ok


def run(*args):
    return subprocess.run(args, capture_output=True, text=True).stdout.strip()


def until(done, timeout, pause=0.1):
    end = time.time() + timeout
    while time.time() < end:
        if got := done():
            return got
        time.sleep(pause)
    return None


def wait_window(name, timeout=120):
    """A viewable X window with this exact name. Each step waits for its window to go first,
    so no older window is taken for a new one (and X reuses a gone client's window ids)."""
    return until(lambda: (xdo("search", "--onlyvisible", "--name", "^%s$" % name).split()
                          or [None])[0], timeout)


def gone(wid, timeout=30):
    return until(lambda: "IsViewable" not in run("xwininfo", "-id", wid), timeout) or False


def size(wid):
    info = dict(line.strip().split(": ", 1) for line in run("xwininfo", "-id", wid).splitlines()
                if ": " in line)
    return int(info.get("Width", 0)), int(info.get("Height", 0))


def xdo(*args):
    return run("xdotool", *args)


def chord(modifier, name):
    # Wine misses a modifier pressed and released within the same instant.
    for step in (("keydown", modifier), ("key", name), ("keyup", modifier)):
        xdo(*step)
        time.sleep(0.1)


def click(wid, x, y):
    xdo("mousemove", "--window", wid, str(x), str(y), "click", "1")


def xwd(wid, convert):
    return subprocess.run("xwd -silent -id %s | /usr/bin/convert xwd:- %s" % (wid, convert),
                          shell=True, capture_output=True, text=True).stdout


def darkest(wid, x, y, w, h):
    """The darkest grey (0..1) in a box of the window: text shows as dark."""
    try:
        return float(xwd(wid, "-crop %dx%d+%d+%d -colorspace gray -format '%%[fx:minima]' info:"
                         % (w, h, x, y)))
    except ValueError:
        return 1.0


def answer(title, typed=None):
    """Types `typed` and Return into the window (a dialog, a message box), or presses Escape
    when `typed` is None; true once it has gone."""
    wid = wait_window(title, timeout=60)
    if not check("shown: " + title, wid is not None, "not shown"):
        return False
    xdo("windowfocus", "--sync", wid)
    if typed:
        xdo("type", "--delay", "30", typed)
    xdo("key", "Escape" if typed is None else "Return")
    return check("answered: " + title, gone(wid), "still shown")


def close_button_after_transfer(wid):
    # The X of the download panel shows once the transfer is over: clicked until it hides.
    until(lambda: "IsViewable" not in run("xwininfo", "-id", wid) or click(wid, 360, 28), 60, 0.3)


def close_during_transfer(wid):
    time.sleep(1.5)  # about a third of the way
    xwd(wid, os.path.join(SHOTS, "progress-window.png"))
    xdo("windowfocus", "--sync", wid)
    chord("alt", "F4")


def ftp_session(wid):
    xdo("windowfocus", "--sync", wid)
    click(wid, 155, 70)  # txtPassword
    xdo("key", "End")
    chord("shift", "Home")
    xdo("type", "--delay", "30", ENV["KVR_FTP_PASSWORD"])
    click(wid, 283, 43)  # cmdConnect
    check("the list shows the server's names after Connect",
          until(lambda: darkest(wid, 6, 92, 300, 80) <= 0.5, 60, 0.2))
    xwd(wid, os.path.join(SHOTS, "ftp-window.png"))
    local = ENV["KVR_WINE_WORK"] + "\\" + ENV["KVR_GUI_LOCAL_NAME"]
    # A name whose Save dialog is cancelled: one message box and no Open dialog. Then the
    # first name, fetched and sent back under the name typed in both dialogs: ours, unless
    # another test left a name that sorts before it in the shared home.
    ours = ENV["KVR_GUI_FTP_NAME"]
    before = [n for n in os.listdir(ENV["KVR_FTP_HOME"]) if n < ours and not n.startswith(".")]
    check("our file is the first listed", not before, "before it: %s" % before)
    for row_y, path in ((109, None), (96, local)):
        click(wid, 60, row_y)
        if not answer("Download de Arquivo: Salvar Como", path):
            break
        answer("KVRUpload", "")  # the message box: Getfile: ...
        if path is None:
            check("no Open dialog after a cancelled Save dialog",
                  wait_window("Upload de Arquivo: Abrir", timeout=2) is None)
        elif answer("Upload de Arquivo: Abrir", path):
            answer("KVRUpload", "")  # Putfile: ...
    xdo("windowfocus", "--sync", wid)
    chord("alt", "F4")


for (caption, client), act in [(PROGRESS, close_button_after_transfer),
                               (PROGRESS, close_during_transfer), (FTP, ftp_session)]:
    wid = wait_window(caption)
    if wid is None:
        # What there was instead: a window mapped but not viewable, or under another name.
        others = [xdo("getwindowname", w) for w in xdo("search", "--name", "KVRUpload|Download").split()]
        check("window " + caption, False, "no viewable X window with that name; %s" % others)
        break
    check("window " + caption, True)
    check("client size of " + caption, size(wid) == client, "%s, want %s" % (size(wid), client))
    act(wid)
    check("window " + caption + " closed", gone(wid), "still shown")
print("DRIVER-END %d" % failures, flush=True)
sys.exit(1 if failures else 0)
