' Shared by every test script (the runner puts it in front of each one). The host's cscript
' prints nothing and exits 0 after a script error, so every script runs under On Error Resume
' Next, checks Err itself, and ends with Finish: a marker line and an explicit exit code.
On Error Resume Next
Dim gFailures, gShell, gFso
gFailures = 0
Set gShell = CreateObject("WScript.Shell")
Set gFso = CreateObject("Scripting.FileSystemObject")

' Wine's ExpandEnvironmentStrings keeps the terminating NUL in the text it returns.
Function EnvVar(name)
    EnvVar = Replace(gShell.ExpandEnvironmentStrings("%" & name & "%"), Chr(0), "")
End Function

' TypeName as Windows gives it: Wine's script host keeps the interface's leading "_".
Function ClassName(obj)
    ClassName = TypeName(obj)
    If Left(ClassName, 1) = "_" Then ClassName = Mid(ClassName, 2)
End Function

Function ErrText()
    ErrText = Err.Number & " | " & Err.Source & " | " & Err.Description
End Function

Sub Check(name, ok, detail)
    If ok Then
        WScript.Echo "PASS " & name
    Else
        WScript.Echo "FAIL " & name & ": " & detail
        gFailures = gFailures + 1
    End If
End Sub

' The statement before it must not have raised.
Sub CheckNoError(name)
    Dim text
    text = ErrText()
    Check name, Err.Number = 0, "raised " & text
    Err.Clear
End Sub

Sub CheckEqual(name, got, want)
    Check name, CStr(got) = CStr(want), "got [" & got & "] want [" & want & "]"
End Sub

' A result array: 0-based, its first element "1", its length as given (-1: any).
Sub CheckResult(name, result, count)
    Dim text, i
    If Not IsArray(result) Then
        Check name, False, "not an array: " & TypeName(result)
        Exit Sub
    End If
    text = ""
    For i = 0 To UBound(result)
        text = text & "[" & result(i) & "]"
    Next
    Check name, LBound(result) = 0 And result(0) = "1" And (count < 0 Or UBound(result) = count - 1), text
End Sub

' Asks the runner to compare two files byte for byte after the script. The list is written in
' UTF-16, so that names with accents reach the runner as they are (the console would not).
Dim gCompare
Set gCompare = gFso.CreateTextFile(EnvVar("KVR_CMP_FILE"), True, True)
Sub CompareFiles(name, a, b)
    gCompare.WriteLine name & vbTab & a & vbTab & b
End Sub

Sub Finish()
    gCompare.Close
    WScript.Echo "KVR-END " & gFailures
    If gFailures > 0 Then WScript.Quit 1
    WScript.Quit 0
End Sub
