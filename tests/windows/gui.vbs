' fixtures: display
' The library's real windows under Wine's X11 driver, driven from the X side by gui_driver.py,
' which the runner starts beside this script: a download under the progress window closed
' with its X button, one closed by the user during the transfer, and the FTP window opened
' through rundll32, where a listed file is fetched and sent back through the dialogs.
Dim ctl, r, work, slow, rc, fetched, started
work = EnvVar("KVR_WINE_WORK")
slow = "http://127.0.0.1:" & EnvVar("KVR_HTTP_PORT") & "/slow/" & EnvVar("KVR_GUI_BIG_FILE")
fetched = work & "\" & EnvVar("KVR_GUI_LOCAL_NAME")

Set ctl = CreateObject("KVRUpload.ctlKVRUpload")
ctl.ExibirProgresso = "SIM"
ctl.FecharProgresso = "NAO"
r = ctl.Download(slow, work & "\shown.dat")
CheckResult "a download under the window, closed with its X", r, 3
CompareFiles "bytes received under the window", EnvVar("KVR_HTTP_ROOT") & "/" & EnvVar("KVR_GUI_BIG_FILE"), work & "\shown.dat"

Set ctl = CreateObject("KVRUpload.ctlKVRUpload")
ctl.ExibirProgresso = "SIM"
ctl.FecharProgresso = "SIM"
r = ctl.Download(slow, work & "\closed.dat")
CheckEqual "the window closed during the download", r(0) & " " & r(1), "0 Download Cancelado."
Check "no file after the cancel", Not gFso.FileExists(work & "\closed.dat"), "closed.dat exists"

' A window nobody could reach (closed at once, or never shown) returns in a second or two. That
' happened once in a loaded CI run, unexplained: it is said, and the window opened once more.
Dim attempt
For attempt = 1 To 2
    started = Timer
    rc = gShell.Run("rundll32 """ & EnvVar("KVR_GUI_DLL") & """,FtpWindow 127.0.0.1:" & EnvVar("KVR_FTP_PORT") & " " & EnvVar("KVR_FTP_USER"), 1, True)
    WScript.Echo "INFO rundll32 returned after " & Round(Timer - started, 1) & " s"
    If Timer - started >= 5 Then Exit For
Next
CheckEqual "rundll32 KVRUpload.dll,FtpWindow", rc, 0
CompareFiles "a listed file fetched through the Save dialog", EnvVar("KVR_FTP_HOME") & "/" & EnvVar("KVR_GUI_FTP_NAME"), fetched
CompareFiles "and sent back through the Open dialog", fetched, EnvVar("KVR_FTP_HOME") & "/" & EnvVar("KVR_GUI_LOCAL_NAME")
CheckNoError "the windows"
Finish
