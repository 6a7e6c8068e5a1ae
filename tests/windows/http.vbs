' A download and an upload against the test nginx, as a legacy page drives the control.
Dim ctl, base, work, r, folder
base = "http://127.0.0.1:" & EnvVar("KVR_HTTP_PORT")
work = EnvVar("KVR_WINE_WORK")
folder = EnvVar("KVR_UPLOAD_FOLDER")
Set ctl = CreateObject("KVRUpload.ctlKVRUpload")
CheckNoError "create the control by its ProgID"
CheckEqual "TypeName of the control", ClassName(ctl), "ctlKVRUpload"

r = ctl.Download(base & "/" & EnvVar("KVR_HTTP_FILE"), work & "\a.dat")
CheckNoError "Download"
CheckResult "Download result", r, 3
CompareFiles "downloaded bytes", EnvVar("KVR_HTTP_ROOT") & "/" & EnvVar("KVR_HTTP_FILE"), work & "\a.dat"

r = ctl.UpLoad(base & "/upload/" & folder & "/", work & "\a.dat")
CheckNoError "UpLoad of a file"
CheckResult "UpLoad result", r, 3
CompareFiles "uploaded bytes", work & "\a.dat", EnvVar("KVR_HTTP_PUT_ROOT") & "/" & folder & "/a.dat"

' An omitted dialog option is the declared default "NAO"; a stream body is sent as it is.
r = ctl.UpLoad(base & "/upload/" & folder & "/s.txt", "texto", "STREAM")
CheckNoError "UpLoad of a stream"
CheckResult "UpLoad of a stream result", r, 3
CheckEqual "stream length", r(2), 5

' A local name with an accent is written and read as it is. (Chr: the host has no ChrW.)
Dim cafe
cafe = work & "\caf" & Chr(233) & ".dat"
r = ctl.Download(base & "/" & EnvVar("KVR_HTTP_FILE"), cafe)
CheckResult "Download to a name with an accent", r, 3
CompareFiles "bytes under a name with an accent", EnvVar("KVR_HTTP_ROOT") & "/" & EnvVar("KVR_HTTP_FILE"), cafe
r = ctl.UpLoad(base & "/upload/" & folder & "/", cafe)
CheckResult "UpLoad from a name with an accent", r, 3
CompareFiles "uploaded under the name with an accent", cafe, EnvVar("KVR_HTTP_PUT_ROOT") & "/" & folder & "/caf" & Chr(233) & ".dat"

' HTTPS through the system's stack, which needs the name the certificate was made for.
r = ctl.Download("https://localhost:" & EnvVar("KVR_HTTPS_PORT") & "/" & EnvVar("KVR_HTTP_FILE"), work & "\tls.dat")
CheckResult "Download over HTTPS", r, 3
CompareFiles "bytes over HTTPS", EnvVar("KVR_HTTP_ROOT") & "/" & EnvVar("KVR_HTTP_FILE"), work & "\tls.dat"

r = ctl.Download(base & "/missing-file.dat", work & "\missing.dat")
CheckNoError "Download of a missing file returns its failure"
CheckEqual "Download of a missing file", r(0), "0"
CheckEqual "no partial file", gFso.FileExists(work & "\missing.dat"), False

' No server on the port: the control's own words, as the Python host gets them.
r = ctl.Download("http://127.0.0.1:9/x.dat", work & "\never.dat")
CheckEqual "no server", r(0) & " " & Left(r(1), 8) & " " & UBound(r), "0 Servidor 1"

' A port that is not a number: the run fails with the runtime's Type mismatch.
ctl.RemotePort = "porta"
r = ctl.Download(base & "/" & EnvVar("KVR_HTTP_FILE"), work & "\b.dat")
CheckEqual "a port that is not a number", Join(r, "|"), "0|13 - Type mismatch"
Finish
