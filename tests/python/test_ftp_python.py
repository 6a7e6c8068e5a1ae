# fixtures: ftp
"""The FTP class from Python, handed out by the control's CreateObjectFtp: each object
independent, its results Python lists, its declared defaults filled in."""
import os
import pathlib
import threading

import pytest

kvrupload = pytest.importorskip("kvrupload")


def test_connect_list_get_and_disconnect(ftpd, tmp_path):
    home = pathlib.Path(ftpd["KVR_FTP_HOME"]) / "py"
    home.mkdir(exist_ok=True)
    home.chmod(0o777)
    (home / "one.txt").write_text("1")
    ctl = kvrupload.CreateObject("KVRUpload.ctlKVRUpload")
    ftp, other = ctl.CreateObjectFtp(), ctl.CreateObjectFtp()
    ftp.Host = "127.0.0.1:" + ftpd["KVR_FTP_PORT"]
    ftp.User, ftp.Password = ftpd["KVR_FTP_USER"], ftpd["KVR_FTP_PASSWORD"]
    assert list(ftp.Connect()) == ["1", "Conexão Bem-Sucedida"]
    assert ftp.Connected is True and other.Connected is False
    ftp.Directory = "py"
    assert list(ftp.GetDirectoryList()) == ["1", "one.txt"]
    # The declared defaults: TransferType "ASCII", sOptDialog "NAO".
    assert list(ftp.GetFile("one.txt")) == [
        "0", "Arquivo Local ou Opção de Diálogo deve ser informado."]
    assert list(ftp.GetFile("one.txt", str(tmp_path / "one.txt"))) == ["1", str(tmp_path / "one.txt")]
    assert list(ftp.Disconnect()) == ["1", "Desconexão Bem-Sucedida"] and ftp.Host == ""


def test_one_object_shared_by_threads(ftpd, tmp_path):
    # Each reply must reach the call that asked for it, whichever thread made it.
    home = pathlib.Path(ftpd["KVR_FTP_HOME"]) / "pyshared"
    home.mkdir(exist_ok=True)
    home.chmod(0o777)
    files = {f"f{i}.bin": os.urandom(30000 + i) for i in range(3)}
    for name, data in files.items():
        (home / name).write_bytes(data)
    ftp = kvrupload.CreateObject("KVRUpload.clsKVRUpload")
    assert ftp.Connect("127.0.0.1:" + ftpd["KVR_FTP_PORT"], ftpd["KVR_FTP_USER"],
                       ftpd["KVR_FTP_PASSWORD"], "pyshared")[0] == "1"
    got = []

    def work(i):
        for n in range(4):
            local = tmp_path / f"{i}-{n}.bin"
            got.append((ftp.GetFile(f"f{i}.bin", str(local), "BINARY"), local, f"f{i}.bin"))
            got.append((ftp.GetDirectoryList(), None, None))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(3)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert len(got) == 24
    for result, local, name in got:
        if local is None:
            assert result[0] == "1" and sorted(result[1:]) == sorted(files), result
        else:
            assert list(result) == ["1", str(local)] and local.read_bytes() == files[name], result
    ftp.Disconnect()
