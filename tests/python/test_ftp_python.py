# fixtures: ftp
"""The FTP class from Python, handed out by the control's CreateObjectFtp: each object
independent, its results Python lists, its declared defaults filled in."""
import pathlib

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
