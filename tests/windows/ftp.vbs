' An FTP session against vsftpd through the control's CreateObjectFtp.
Dim ctl, ftp, r, work, i, names
work = EnvVar("KVR_WINE_WORK")
Set ctl = CreateObject("KVRUpload.ctlKVRUpload")
Set ftp = ctl.CreateObjectFtp
CheckNoError "CreateObjectFtp"
CheckEqual "TypeName of the FTP object", ClassName(ftp), "clsKVRUpload"
ftp.Host = "127.0.0.1:" & EnvVar("KVR_FTP_PORT")
ftp.User = EnvVar("KVR_FTP_USER")
ftp.Password = EnvVar("KVR_FTP_PASSWORD")
CheckNoError "setting Host, User, Password"
r = ftp.Connect
CheckResult "Connect", r, 2
CheckEqual "Connected", ftp.Connected, True

ftp.Directory = EnvVar("KVR_FTP_DIR")
CheckNoError "Directory"
r = ftp.GetDirectoryList
CheckResult "GetDirectoryList", r, 3
names = ""
For i = 1 To UBound(r)
    names = names & r(i) & ";"
Next
CheckEqual "listed names", names, "one.txt;two.dat;"
r = ftp.GetDirectoryList(, "*.dat")
CheckEqual "a filtered list", Join(r, "|"), "1|two.dat"

r = ftp.GetFile("two.dat", work & "/two.dat", "BINARY")
CheckResult "GetFile", r, 2
CheckEqual "the local path GetFile hands back, in Windows' separators", r(1), work & "\two.dat"
CompareFiles "fetched bytes", EnvVar("KVR_FTP_HOME") & "/" & EnvVar("KVR_FTP_DIR") & "/two.dat", work & "\two.dat"

r = ftp.PutFile(work & "\two.dat", "sent.dat", "BINARY")
CheckResult "PutFile", r, -1
r = ftp.RenameFile("sent.dat", "moved.dat")
CheckResult "RenameFile", r, -1
CompareFiles "sent bytes, under their new name", work & "\two.dat", EnvVar("KVR_FTP_HOME") & "/" & EnvVar("KVR_FTP_DIR") & "/moved.dat"
r = ftp.DeleteFile("one.txt")
CheckResult "DeleteFile", r, -1
r = ftp.GetDirectoryList
CheckEqual "after put, rename and delete", Join(r, "|"), "1|moved.dat|two.dat"

' A refusal while connected comes back with the FTP class's own fields.
ftp.User = "someone"
CheckEqual "User while connected", Err.Number & " | " & Err.Source, "-2147219496 | clsKVRUpload::User_Let"
Err.Clear
r = ftp.Disconnect
CheckResult "Disconnect", r, 2
CheckEqual "Connected after Disconnect", ftp.Connected, False
CheckNoError "the session"
Finish
