' The host's Execute loses an error's fields, so members are named here one by one.
Sub PutMember(obj, name, value)
    Select Case name
        Case "ExibirProgresso": obj.ExibirProgresso = value
        Case "FecharProgresso": obj.FecharProgresso = value
        Case "UserName": obj.UserName = value
        Case "Password": obj.Password = value
        Case "Protocol": obj.Protocol = value
        Case "RemoteHost": obj.RemoteHost = value
        Case "RemotePort": obj.RemotePort = value
        Case "ProxyAddress": obj.ProxyAddress = value
        Case "Directory": obj.Directory = value
        Case Else: Check "a member the script knows: " & name, False, ""
    End Select
End Sub

Sub GetMember(obj, name)
    Dim x
    Select Case name
        Case "UserName": x = obj.UserName
        Case "Password": x = obj.Password
        Case "Protocol": x = obj.Protocol
        Case Else: Check "a member the script knows: " & name, False, ""
    End Select
End Sub

' Property refusals: every row of the shared error table, read late-bound as a page does.
Dim table, line, f, obj, progids
Set progids = CreateObject("Scripting.Dictionary")
progids.Add "ctl", "KVRUpload.ctlKVRUpload"
progids.Add "ftp", "KVRUpload.clsKVRUpload"
' The runner hands the table over in UTF-16, which the script host reads without loss.
Set table = gFso.OpenTextFile(EnvVar("KVR_ERROR_TABLE"), 1, False, -1)
CheckNoError "the error table opens"
Do While Not table.AtEndOfStream
    line = table.ReadLine
    If Len(line) > 0 And Left(line, 1) <> "#" Then
        f = Split(line, vbTab)
        Set obj = CreateObject(progids(f(0)))
        CheckNoError "create " & f(0)
        Err.Clear
        If f(1) = "put" Then
            PutMember obj, f(2), f(3)
        Else
            PutMember obj, f(2), Null
            If Err.Number = 0 Then GetMember obj, f(2)
        End If
        Check f(0) & "." & f(2) & " [" & f(3) & "]", _
              Err.Number = CLng(f(4)) And Err.Source = f(5) And Err.Description = f(6), _
              "got " & ErrText() & " want " & f(4) & " | " & f(5) & " | " & f(6)
        Err.Clear
    End If
Loop

' Values the control keeps as given, read back with their types.
Set obj = CreateObject("KVRUpload.ctlKVRUpload")
' Each VARIANT type a script sends comes back as the same type and value (a Byte as an
' Integer: the object model has no bytes but byte arrays).
Dim values, v
values = Array(8080, 70000, 8080.5, True, "porta", CByte(7), CSng(1.5), DateSerial(2024, 1, 2))
For Each v In values
    obj.RemotePort = v
    CheckEqual "RemotePort keeps " & TypeName(v) & " " & v, _
               TypeName(obj.RemotePort) & " " & obj.RemotePort, _
               Replace(TypeName(v), "Byte", "Integer") & " " & v
Next
obj.ExibirProgresso = " sim "
CheckEqual "ExibirProgresso is trimmed and upper-cased", obj.ExibirProgresso, "SIM"
obj.RemoteHost = Null
CheckEqual "RemoteHost keeps Null", TypeName(obj.RemoteHost), "Null"
CheckEqual "a fresh RemotePort is Empty", TypeName(CreateObject("KVRUpload.ctlKVRUpload").RemotePort), "Empty"
CheckNoError "reading and writing properties"
obj.NoSuchMember = 1
Check "an unknown member is refused", Err.Number = 438, ErrText()
Err.Clear
Finish
