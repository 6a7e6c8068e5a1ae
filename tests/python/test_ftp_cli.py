# fixtures: ftp
"""kvrupload ftp as a user drives it: exit codes, the result as JSON, errors on stderr."""
import json
import pathlib
import shutil

from conftest import run, scripted


def ftp(s, *args, password=None):
    p = run("ftp", "127.0.0.1:" + s["KVR_FTP_PORT"], "--user", s["KVR_FTP_USER"], "--password",
            password or s["KVR_FTP_PASSWORD"], *args, timeout=60)
    return p.returncode, json.loads(p.stdout), p.stderr.decode()


def test_operations_and_refusals(ftpd, tmp_path):
    folder = pathlib.Path(ftpd["KVR_FTP_HOME"]) / "cli"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir()
    folder.chmod(0o777)
    src = tmp_path / "hello.txt"
    src.write_bytes(b"ol\xc3\xa1\r\nmundo\n")
    back, cli = str(tmp_path / "back.txt"), ["--dir", "cli"]
    steps = [  # the options, exit code, result; a refusal by the server exits 4
        (cli + ["put", str(src), "hello.txt", "--type", "binary"], 0, ["1", str(src)]),
        (cli + ["list"], 0, ["1", "hello.txt"]),
        (cli + ["list", "*.zip"], 1, ["0", "Diretório Vazio"]),
        (cli + ["put", "--dialog", "txt"], 1, ["0", "PutFile Cancelado"]),  # no one answers
        (cli + ["put", "--", str(src), "--x.txt"], 0, ["1", str(src)]),  # names after "--"
        (cli + ["delete", "--", "--x.txt"], 0, ["1", "Delete Realizado com Sucesso"]),
        (["--dir=cli", "get", "hello.txt", back, "--type=binary"], 0, ["1", back]),
        (cli + ["get", "hello.txt", str(tmp_path / "no" / "sub" / "x")], 8,
         ["0", "76 - Path not found"]),  # a local folder that cannot be made exits 8
        (cli + ["rename", "hello.txt", "bye.txt"], 0, ["1", "Rename Realizado com Sucesso"]),
        (cli + ["delete", "bye.txt"], 0, ["1", "Delete Realizado com Sucesso"]),
        (cli + ["delete", "bye.txt"], 4,
         ["0", "-2147219500 - Não é possível Remover o Arquivo bye.txt do Servidor."]),
    ]
    for args, code, result in steps:
        got = ftp(ftpd, *args)
        assert got[:2] == (code, result), (args, got)
        err = got[2].rpartition("vazio para cancelar: \n")[2]  # after a dialog's question
        assert err == "" or (code and err.startswith("kvrupload: ") and err.count("\n") == 1)
    assert (tmp_path / "back.txt").read_bytes() == src.read_bytes()
    assert list(folder.iterdir()) == []
    login = ("-2147219503 - Não é possível estabelecer uma conexão com 127.0.0.1:{} usando os "
             "parâmetros User e Password fornecidos.\r\n\r\n530 Login incorrect.\r\n\x00")
    assert ftp(ftpd, "list", password="wrong")[:2] == (4, ["0", login.format(ftpd["KVR_FTP_PORT"])])


def test_passive_asks_the_server_for_a_data_port(tmp_path):
    transcript = tmp_path / "transcript.txt"
    with scripted(tmp_path, "ftp", "--transcript", str(transcript), '{"files": {"f": "x"}}') as port:
        got = ftp({"KVR_FTP_PORT": str(port), "KVR_FTP_USER": "u", "KVR_FTP_PASSWORD": "p"},
                  "--passive", "get", "f", str(tmp_path / "f"))
    assert got[:2] == (0, ["1", str(tmp_path / "f")]) and (tmp_path / "f").exists(), got
    assert "PASV" in transcript.read_text().splitlines()
