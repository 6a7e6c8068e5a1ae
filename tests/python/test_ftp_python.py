# fixtures: ftp
"""The FTP class from Python: each object independent, its results Python lists, its declared
defaults filled in, one object safe to share between threads."""
import concurrent.futures
import os
import pathlib

import kvrupload


def home(ftpd, name, files):
    folder = pathlib.Path(ftpd["KVR_FTP_HOME"]) / name
    folder.mkdir(mode=0o777, exist_ok=True)
    folder.chmod(0o777)
    for file, data in files.items():
        (folder / file).write_bytes(data)
    return files


def test_connect_list_get_and_disconnect(ftpd, tmp_path):
    home(ftpd, "py", {"one.txt": b"1"})
    ctl = kvrupload.CreateObject("KVRUpload.ctlKVRUpload")
    ftp, other = ctl.CreateObjectFtp(), ctl.CreateObjectFtp()
    ftp.Host = "127.0.0.1:" + ftpd["KVR_FTP_PORT"]
    ftp.User, ftp.Password = ftpd["KVR_FTP_USER"], ftpd["KVR_FTP_PASSWORD"]
    assert list(ftp.Connect()) == ["1", "Conexão Bem-Sucedida"]
    assert ftp.Connected is True and other.Connected is False
    ftp.Directory = "py"
    # The declared defaults: TransferType "ASCII", sOptDialog "NAO".
    assert list(ftp.GetFile("one.txt")) == [
        "0", "Arquivo Local ou Opção de Diálogo deve ser informado."]
    assert list(ftp.Disconnect()) == ["1", "Desconexão Bem-Sucedida"] and ftp.Host == ""


def test_one_object_shared_by_threads(ftpd, tmp_path):
    # Each reply must reach the call that asked for it, whichever thread made it.
    files = home(ftpd, "pyshared", {f"f{i}.bin": os.urandom(30000 + i) for i in range(3)})
    ftp = kvrupload.CreateObject("KVRUpload.clsKVRUpload")
    assert ftp.Connect("127.0.0.1:" + ftpd["KVR_FTP_PORT"], ftpd["KVR_FTP_USER"],
                       ftpd["KVR_FTP_PASSWORD"], "pyshared")[0] == "1"
    got = []

    def work(i):
        for n in range(4):
            local = tmp_path / f"{i}-{n}.bin"
            got.append((list(ftp.GetFile(f"f{i}.bin", str(local), "BINARY")), local, f"f{i}.bin"))
            got.append((list(ftp.GetDirectoryList()), None, None))

    with concurrent.futures.ThreadPoolExecutor(3) as pool:
        list(pool.map(work, range(3)))
    assert len(got) == 24
    for result, local, name in got:
        if local is None:
            assert result[0] == "1" and sorted(result[1:]) == sorted(files), result
        else:
            assert result == ["1", str(local)] and local.read_bytes() == files[name], result
    ftp.Disconnect()
