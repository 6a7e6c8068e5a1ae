# fixtures: ftp
"""The FTP class from Python: each object independent, its results Python lists, its declared
defaults filled in, one object safe to share between threads."""
import concurrent.futures
import os
import pathlib

import kvrupload


def test_objects_defaults_and_one_object_shared_by_threads(ftpd, tmp_path):
    folder = pathlib.Path(ftpd["KVR_FTP_HOME"]) / "pyshared"
    folder.mkdir(mode=0o777, exist_ok=True)
    folder.chmod(0o777)
    files = {f"f{i}.bin": os.urandom(30000 + i) for i in range(3)}
    for file, data in files.items():
        (folder / file).write_bytes(data)
    ctl = kvrupload.CreateObject("KVRUpload.ctlKVRUpload")
    ftp, other = ctl.CreateObjectFtp(), ctl.CreateObjectFtp()
    ftp.Host = "127.0.0.1:" + ftpd["KVR_FTP_PORT"]
    ftp.User, ftp.Password = ftpd["KVR_FTP_USER"], ftpd["KVR_FTP_PASSWORD"]
    assert list(ftp.Connect()) == ["1", "Conexão Bem-Sucedida"]
    assert ftp.Connected is True and other.Connected is False
    ftp.Directory = "pyshared"
    # The declared defaults: TransferType "ASCII", sOptDialog "NAO".
    assert list(ftp.GetFile("f0.bin")) == [
        "0", "Arquivo Local ou Opção de Diálogo deve ser informado."]
    # Each reply must reach the call that asked for it, whichever thread made it.
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
    assert list(ftp.Disconnect()) == ["1", "Desconexão Bem-Sucedida"] and ftp.Host == ""
