# fixtures: http
"""The kvrupload command as a person or a script uses it: exit codes, the result as JSON on
stdout, errors on stderr, the progress line and the dialogs on the terminal."""
import json
import os
import pathlib
import re
import subprocess
import time

import pytest

CLI = os.environ.get("KVR_CLI", "")


def run(*args, stdin=""):
    if not os.path.exists(CLI):
        pytest.skip("the kvrupload command is not built")
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    return subprocess.run([CLI, *args], input=stdin.encode(), capture_output=True, env=env,
                          timeout=300)


def result(p):
    return json.loads(p.stdout.decode())


def test_download_prints_the_result_and_exits_0(serve, tmp_path):
    data = os.urandom(5000)
    url = serve("cli-a.dat", data)
    p = run("download", url, str(tmp_path / "a.dat"))
    assert p.returncode == 0, p.stderr
    assert result(p) == ["1", str(tmp_path / "a.dat"), 5000]
    assert p.stdout.decode().count("\n") == 1
    assert p.stderr == b""
    assert (tmp_path / "a.dat").read_bytes() == data


def test_upload_of_a_file_and_of_a_text(http, serve, tmp_path):
    local = tmp_path / "nota.txt"
    local.write_text("conteúdo")
    folder = f"cli-{os.getpid()}-{time.monotonic_ns()}"
    p = run("upload", f"{http['base']}/upload/{folder}/", str(local))
    assert p.returncode == 0, p.stderr
    assert result(p) == ["1", str(local), local.stat().st_size]
    put_root = pathlib.Path(http["KVR_HTTP_PUT_ROOT"]) / folder
    assert (put_root / "nota.txt").read_text() == "conteúdo"

    p = run("upload", f"{http['base']}/upload/{folder}/s.txt", "--stream", "dados")
    assert p.returncode == 0, p.stderr
    assert result(p) == ["1", "Stream", 5]
    assert (put_root / "s.txt").read_text() == "dados"


@pytest.mark.parametrize(
    "option, value, prop, description",
    [
        ("--progress", "S", "ExibirProgresso", 'ExibirProgresso deve ser "SIM" ou "NAO".'),
        ("--remote-host", "", "RemoteHost", "Host Remoto deve ser informado"),
    ],
)
def test_a_refused_option_value_exits_3_with_the_controls_error(option, value, prop, description):
    p = run("download", "http://127.0.0.1:9/a.txt", "a.txt", option, value)
    assert p.returncode == 3
    assert p.stdout == b""
    err = p.stderr.decode()
    assert "-2147219496" in err and f"ctlKVRUpload::{prop}_Let" in err and description in err


def test_a_port_that_is_not_a_number_is_the_failure_array():
    p = run("download", "http://127.0.0.1:9/a.txt", "a.txt", "--port=porta")
    assert p.returncode == 1
    assert result(p) == ["0", "13 - Type mismatch"]


@pytest.mark.parametrize(
    "args",
    [
        [],
        ["bogus"],
        ["download"],
        ["download", "http://127.0.0.1:9/a", "a", "extra"],
        ["download", "http://127.0.0.1:9/a", "--nope", "x"],
        ["download", "http://127.0.0.1:9/a", "--port"],
        ["download", "http://127.0.0.1:9/a", "--stream", "x"],
        ["upload", "http://127.0.0.1:9/a", "local.txt", "--stream", "x"],
        ["upload", "http://127.0.0.1:9/a", "--stream", "x", "--dialog", "txt"],
        ["ftp"], ["ftp", "127.0.0.1"], ["ftp", "127.0.0.1", "fetch"], ["ftp", "127.0.0.1", "get"],
        ["ftp", "127.0.0.1", "rename", "a"], ["ftp", "127.0.0.1", "list", "--type", "binary"],
        ["ftp", "127.0.0.1", "get", "a", "b", "--type", "ebcdic"],
        ["ftp", "127.0.0.1", "list", "--bogus"],
    ],
)
def test_usage_errors_exit_2_with_nothing_on_stdout(args):
    p = run(*args)
    assert p.returncode == 2
    assert p.stdout == b""
    assert b"--help" in p.stderr


@pytest.mark.parametrize("command, usage", [("download", "URL"), ("upload", "URL"),
                                            ("ftp", "HOST")])
def test_help_of_each_command(command, usage):
    p = run(command, "--help")
    assert p.returncode == 0
    text = p.stdout.decode()
    assert text.startswith(f"Usage: kvrupload {command} {usage}")
    assert "Examples:" in text
    top = run("--help")
    assert top.returncode == 0 and f"  {command} {usage}" in top.stdout.decode()


def test_the_save_dialog_asks_on_the_terminal(serve, tmp_path):
    url = serve("cli-b.txt", b"bbb")
    chosen = tmp_path / "escolhido.txt"
    p = run("download", url, "--dialog", "txt", stdin=f"{chosen}\n")
    assert p.returncode == 0, p.stderr
    assert result(p) == ["1", str(chosen), 3]
    assert b"Save as" in p.stderr

    p = run("download", url, "--dialog", "txt", stdin="\n")  # an empty answer cancels
    assert p.returncode == 1
    assert result(p)[0] == "0"


def test_the_progress_line_on_a_50_mb_download(serve, tmp_path):
    size = 50 * 1000 * 1000
    url = serve("cli-50mb.dat", os.urandom(size))
    started = time.monotonic()
    p = run("download", url, str(tmp_path / "big.dat"), "--progress", "SIM")
    elapsed = time.monotonic() - started
    assert p.returncode == 0, p.stderr
    assert result(p) == ["1", str(tmp_path / "big.dat"), size]
    err = p.stderr.decode()
    # One line, refreshed in place, ended once.
    assert err.endswith("\n") and err.count("\n") == 1
    updates = [u.rstrip() for u in err.rstrip("\n").split("\r") if u]
    assert updates[0].startswith("big.dat  0 bytes of 48 MB (0%)")
    assert re.fullmatch(r"big\.dat  48 MB of 48 MB \(100%\)  \S+ Kbps  .+ elapsed, Concluído",
                        updates[-1])
    # At most about ten updates a second (plus the first and the last).
    assert len(updates) <= elapsed * 10 + 3
    for u in updates[1:-1]:
        assert re.fullmatch(r"big\.dat  \d+ (bytes|KB|MB) of 48 MB \(\d+%\)  \S+ Kbps  .+ left", u)


def test_progress_with_close_nao_waits_for_enter(serve, tmp_path):
    url = serve("cli-c.dat", os.urandom(20000))
    p = run("download", url, str(tmp_path / "c.dat"), "--progress", "SIM", "--close", "NAO",
            stdin="\n")
    assert p.returncode == 0, p.stderr
    assert "press Enter to close" in p.stderr.decode()


def test_upload_progress_line(http, serve, tmp_path):
    local = tmp_path / "envio.dat"
    local.write_bytes(os.urandom(300_000))
    folder = f"cli-up-{os.getpid()}-{time.monotonic_ns()}"
    p = run("upload", f"{http['base']}/upload/{folder}/", str(local), "--progress", "SIM")
    assert p.returncode == 0, p.stderr
    last = p.stderr.decode().rstrip("\n").split("\r")[-1].rstrip()
    assert re.fullmatch(r"envio\.dat  100% of 293 KB  Concluído  .+ elapsed", last)
