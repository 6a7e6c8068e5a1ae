# fixtures: ftp
"""kvrupload ftp driven as a user drives it: exit codes, the result as JSON on stdout,
errors on stderr, files on both sides."""
import json
import os
import pathlib
import subprocess
import time

import pytest

CLI = os.environ.get("KVR_CLI", "")
pytestmark = pytest.mark.skipif(not (CLI and os.access(CLI, os.X_OK)),
                                reason="the kvrupload command is not built")


def ftp(s, *args, password=None):
    cmd = [CLI, "ftp", "127.0.0.1:" + s["KVR_FTP_PORT"], "--user", s["KVR_FTP_USER"],
           "--password", password or s["KVR_FTP_PASSWORD"], *args]
    return subprocess.run(cmd, capture_output=True, text=True, timeout=60)


@pytest.fixture
def folder(ftpd):
    home = pathlib.Path(ftpd["KVR_FTP_HOME"])
    d = home / "cli"
    subprocess.run(["rm", "-rf", str(d)], check=True)
    d.mkdir()
    d.chmod(0o777)
    return d


@pytest.mark.parametrize("mode", [[], ["--passive"]])
def test_put_list_get_rename_delete(ftpd, folder, tmp_path, mode):
    src = tmp_path / "hello.txt"
    src.write_bytes(b"ol\xc3\xa1\r\nmundo\n")
    steps = [
        (["--dir", "cli", "put", str(src), "hello.txt", "--type", "binary"], 0, ["1", str(src)]),
        (["--dir", "cli", "list"], 0, ["1", "hello.txt"]),
        (["--dir", "cli", "list", "*.zip"], 1, ["0", "Diretório Vazio"]),
        (["--dir", "cli", "get", "hello.txt", str(tmp_path / "back.txt"), "--type", "binary"], 0,
         ["1", str(tmp_path / "back.txt")]),
        (["--dir", "cli", "rename", "hello.txt", "bye.txt"], 0, ["1", "Rename Realizado com Sucesso"]),
        (["--dir", "cli", "delete", "bye.txt"], 0, ["1", "Delete Realizado com Sucesso"]),
        (["--dir", "cli", "delete", "bye.txt"], 4,  # the server refused
         ["0", "-2147219500 - Não é possível Remover o Arquivo bye.txt do Servidor."]),
    ]
    for args, code, result in steps:
        p = ftp(ftpd, *mode, *args)
        assert (p.returncode, json.loads(p.stdout)) == (code, result), (args, p.stderr)
    assert (tmp_path / "back.txt").read_bytes() == src.read_bytes()
    assert list(folder.iterdir()) == []


def test_failures_print_their_result(ftpd, folder):
    cases = [  # the server refused each one: exit 4
        (ftp(ftpd, "list", password="wrong"), 4,
         "-2147219503 - Não é possível estabelecer uma conexão com 127.0.0.1:{port} usando os "
         "parâmetros User e Password fornecidos.\r\n\r\n530 Login incorrect.\r\n\x00"),
        (ftp(ftpd, "--dir", "no/where", "list"), 4,
         "-2147219502 - Diretório não pode ser alterado para no/where. Ele não existe ou está "
         "protegido."),
        (ftp(ftpd, "get", "absent.bin", "/tmp/never-written.bin"), 4,
         "-2147219498 - Não é possível um Download do Arquivo absent.bin do Servidor."),
    ]
    port = ftpd["KVR_FTP_PORT"]
    for p, code, message in cases:
        assert p.returncode == code, p.stderr
        assert json.loads(p.stdout) == ["0", message.format(port=port)]
        assert p.stderr.startswith("kvrupload: ") and p.stderr.count("\n") == 1
    assert not os.path.exists("/tmp/never-written.bin")


def scripted(tmp_path, scenario):
    """The scripted FTP server on a free port; its transcript file."""
    script = pathlib.Path(os.environ["KVR_SOURCE_DIR"]) / "tests" / "servers" / "scripted_ftp.py"
    transcript = tmp_path / "transcript.txt"
    port_file = tmp_path / "port"
    proc = subprocess.Popen(["/usr/bin/python3", str(script), "--transcript", str(transcript),
                             "--port-file", str(port_file), json.dumps(scenario)])
    for _ in range(100):
        if port_file.exists():
            break
        time.sleep(0.05)
    return proc, int(port_file.read_text()), transcript


@pytest.mark.parametrize("args,result,sent", [
    (["--passive", "get", "f", "{tmp}/f"], ["1", "{tmp}/f"], "PASV"),
    (["delete", "f\r\nDELE important.txt"],
     ["0", "-2147219500 - Não é possível Remover o Arquivo f\r\nDELE important.txt do Servidor."],
     None),
    (["rename", "f", "g\nDELE important.txt"],
     ["0", "-2147219501 - Não é possível Renomear o Arquivo f.\r\n"], None),
])
def test_commands_on_the_wire(tmp_path, args, result, sent):
    proc, port, transcript = scripted(tmp_path, {"files": {"f": "x", "important.txt": "y"}})
    try:
        args = [a.format(tmp=tmp_path) for a in args]
        p = subprocess.run([CLI, "ftp", "127.0.0.1:%d" % port, *args], capture_output=True,
                           text=True, timeout=60)
    finally:
        proc.terminate()
        proc.wait()
    assert json.loads(p.stdout) == [r.format(tmp=tmp_path) for r in result], p.stderr
    lines = transcript.read_text().splitlines()
    assert not any(line.startswith(("DELE", "RNFR")) for line in lines), lines
    assert sent is None or sent in lines
