# fixtures: http display
"""The kvrupload command as a person or a script uses it: exit codes, the result as JSON on
stdout, one failure line on stderr, passwords kept out of argv, and what a terminal sees
(progress line, prompts, Ctrl-C) driven through a pseudo-terminal."""
import base64
import contextlib
import fcntl
import json
import os
import pathlib
import pty
import re
import select
import struct
import subprocess
import termios
import time
import unicodedata

import pytest

from conftest import CLI, cli_env, run, scripted


def run_in_pty(*args, cols=80, steps=(), stdin_tty=True, **env):
    """Runs the command with stderr (and stdin) on a pseudo-terminal that is its controlling
    terminal. `steps`: (text seen on the terminal, bytes typed then) in order; typing b"\\x03"
    is Ctrl-C. Returns (exit code, stdout bytes, terminal bytes)."""
    master, slave = pty.openpty()
    attrs = termios.tcgetattr(slave)
    attrs[1] &= ~termios.OPOST  # the bytes exactly as written
    termios.tcsetattr(slave, termios.TCSANOW, attrs)
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, cols, 0, 0))
    p = subprocess.Popen([CLI, *args], stdin=slave if stdin_tty else subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=slave, env=cli_env(**env),
                         start_new_session=True,
                         preexec_fn=lambda: fcntl.ioctl(2, termios.TIOCSCTTY, 0))
    os.close(slave)
    term, seen_upto, pending = b"", 0, list(steps)
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline:
        if select.select([master], [], [], 0.05)[0]:
            try:
                data = os.read(master, 65536)
            except OSError:  # the terminal's other side is closed: the command ended
                break
            if not data:
                break
            term += data
        while pending and pending[0][0].encode() in term[seen_upto:]:
            seen_upto = term.index(pending[0][0].encode(), seen_upto) + 1
            os.write(master, pending.pop(0)[1])
    else:
        p.kill()
    os.close(master)
    out = p.stdout.read()
    return p.wait(), out, term


@contextlib.contextmanager
def web(tmp_path, scenario, size=4000):
    """scripted_http.py with one scenario; yields its base URL."""
    with scripted(tmp_path, "http", "--scenario", scenario, "--size", str(size)) as port:
        yield f"http://127.0.0.1:{port}"


def result(p):
    return json.loads(p.stdout.decode())


def columns(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)


def updates(term):
    """The progress line's successive states on the terminal."""
    return [u.rstrip() for u in term.decode().split("\r") if u.strip()]


def test_download_and_upload_print_the_result_and_exit_0(http, serve, tmp_path):
    data = os.urandom(5000)
    url = serve("cli-a.dat", data)
    name = f"cli-{os.getpid()}-{time.monotonic_ns()}"
    folder, put = f"{http['base']}/upload/{name}", pathlib.Path(http["KVR_HTTP_PUT_ROOT"]) / name
    p_dat, got = str(tmp_path / "p.dat"), str(tmp_path / "cli-a.dat")
    cases = [  # args, the result, the file written, its bytes
        (["download", url], ["1", got, 5000], got, data),  # no LOCAL: the URL's name, here
        # a port above 32767 survives the control's 16-bit property
        (["download", "127.0.0.1/cli-a.dat", p_dat, "--port", http["KVR_HTTP_PORT"]],
         ["1", p_dat, 5000], p_dat, data),
        (["upload", folder + "/s.txt", "--stream", "dados"], ["1", "Stream", 5], put / "s.txt", b"dados"),
    ]
    for args, expected, target, data in cases:
        p = run(*args, cwd=tmp_path)
        assert (p.returncode, result(p), p.stderr) == (0, expected, b""), args
        assert p.stdout.decode().count("\n") == 1 and pathlib.Path(target).read_bytes() == data


def test_dev_stdout_is_the_standard_output_as_the_shell_opened_it(serve, tmp_path):
    url = serve("cli-o.txt", b"body\n")
    shown = b'body\n["1","/dev/stdout",5]\n'
    assert run("download", url, "/dev/stdout").stdout == shown  # a pipe
    log = tmp_path / "log"
    log.write_bytes(b"earlier\n")
    with open(log, "ab") as out:  # a log the shell appends to keeps its lines
        assert subprocess.run([CLI, "download", url, "/dev/stdout"], stdout=out,
                              env=cli_env()).returncode == 0
    assert log.read_bytes() == b"earlier\n" + shown
    # started without one: neither a socket nor a file of the command's takes its number
    closed = subprocess.run([CLI, "download", url, "/dev/stdout"], capture_output=True,
                            env=cli_env(), preexec_fn=lambda: os.close(1))
    assert (closed.returncode, closed.stderr) == (0, b"")


def test_the_json_is_valid_utf8_whatever_the_bytes_of_a_path(serve, tmp_path):
    url = serve("cli-u.txt", b"u")
    cases = [  # the name's bytes, as the JSON text shows them
        (b"caf\xe9-\xc3\xa9", "caf\\u00e9-é"),  # a lone Latin-1 byte; a real é stays
        (b"\xc0\xaf", "\\u00c0\\u00af"),  # an overlong "/"
        (b"\xed\xa0\x80", "\\u00ed\\u00a0\\u0080"),  # a surrogate
        (b"\xf4\x90\x80\x80", "\\u00f4\\u0090\\u0080\\u0080"),  # above U+10FFFF
        (b"\xe2\x82-\xf0\x9f\x98\x80", "\\u00e2\\u0082-\U0001F600"),  # cut short; a whole one
        (b'q"b\tc\x01d', 'q\\"b\\tc\\u0001d'),  # escapes between plain runs
    ]
    for name, shown in cases:
        p = run("download", url, os.fsencode(tmp_path) + b"/" + name + b".txt")
        text = p.stdout.decode("utf-8")  # raises if not UTF-8
        assert p.returncode == 0 and f"/{shown}.txt" in text and result(p)[0] == "1", text


@pytest.mark.parametrize("option, value, prop, description", [
    ("--progress", "S", "ExibirProgresso", 'ExibirProgresso deve ser "SIM" ou "NAO".'),
    ("--remote-host", "", "RemoteHost", "Host Remoto deve ser informado"),
])
def test_a_refused_option_value_exits_3_with_the_controls_error(option, value, prop, description):
    p = run("download", "http://127.0.0.1:9/a.txt", "a.txt", option, value)
    err = p.stderr.decode()
    assert (p.returncode, p.stdout, err.count("\n")) == (3, b"", 1)
    assert err.startswith("kvrupload: error -2147219496")
    assert f"ctlKVRUpload::{prop}_Let" in err and description in err


U = "http://127.0.0.1:9/a"


@pytest.mark.parametrize("args, says", [
    ([], "missing command"), (["bogus"], "unknown command"),
    (["help", "download", "upload"], "one command"), (["download"], "missing URL"),
    (["download", U, "a", "extra"], "unexpected"), (["download", U, "--nope", "x"], "unknown option"),
    (["download", U, "--port"], "--port needs a value"),
    (["download", U, "a", "--port=porta"], "1 to 65535"),
    (["download", U, "a", "--port", "65536"], "16-bit"), (["upload", U, "a", "--port", "0"], "16-bit"),
    (["download", "http://127.0.0.1:9/pasta/"], "names no file"),
    (["download", "http://127.0.0.1:9"], "names no file"),
    (["download", "http://127.0.0.1:9/x\\..\\..\\a.txt"], "not a plain name"),
    (["download", "http://127.0.0.1:9/$(WebPath[s])a.txt"], "not a plain name"),
    (["download", U, "--stream", "x"], "unknown option"),
    (["upload", U, "local.txt", "--stream", "x"], "--stream"),
    (["upload", U, "--stream", "x", "--dialog", "txt"], "--stream"),
    (["ftp"], "missing HOST"), (["ftp", "127.0.0.1"], "missing operation"),
    (["ftp", "127.0.0.1", "fetch"], "unknown operation"), (["ftp", "127.0.0.1", "get"], "wrong number"),
    (["ftp", "127.0.0.1", "rename", "a"], "wrong number"),
    (["ftp", "127.0.0.1", "list", "--type", "binary"], "get and put only"),
    (["ftp", "127.0.0.1", "get", "a", "b", "--type", "ebcdic"], "ascii or binary"),
    (["ftp", "127.0.0.1", "list", "--bogus"], "unknown option"),
    (["ftp", "127.0.0.1", "--passive=yes", "list"], "takes no value"),
    (["ftp", "127.0.0.1:99999", "list"], "from 1 to 65535"),
    (["ftp-window", "--user=ana"], "needs an X display"),  # the option was taken
    (["ftp-window", "a", "b"], "more than one HOST"),
    (["ftp-window", "--port", "21"], "unknown option --port"),
])
def test_usage_errors_exit_2_with_nothing_on_stdout(args, says):
    p = run(*args)
    err = p.stderr.decode()
    assert (p.returncode, p.stdout) == (2, b"")
    assert err.startswith("kvrupload: ") and says in err and "--help" in err


def test_each_kind_of_failure_has_its_exit_code(http, serve, tmp_path):
    base = http["base"]
    https = f"https://127.0.0.1:{http['KVR_HTTPS_PORT']}/cli-a.dat"
    (tmp_path / "plain.txt").write_text("x")
    serve("cli-a.dat", b"a")
    local = lambda *parts: str(tmp_path.joinpath(*parts))
    with web(tmp_path, "stall") as stall:
        cases = [  # args, environment, exit code, the result's message
            (["download", f"{base}/cli-none.txt", local("n")], {}, 4, "HTTP/1.1 404 Not Found"),
            (["upload", f"{base}/cli-ro/", local("plain.txt")], {}, 4, "HTTP/1.1 40"),
            (["download", "http://127.0.0.1:9/a.txt", "a.txt"], {}, 5, "Servidor não Encontrado."),
            (["ftp", "127.0.0.1:9", "list"], {}, 5, "Não é possível estabelecer uma conexão"),
            (["download", f"{stall}/a", local("s")], {"KVR_INET_LOW_SPEED_TIME": "1"}, 6, "12002 - "),
            (["download", https, local("t")], {"CURL_CA_BUNDLE": "/dev/null"}, 7, "121"),
            (["download", f"{base}/cli-a.dat", local("plain.txt", "sub", "x")], {}, 8, " - "),
            (["upload", f"{base}/upload/cli-none/"], {}, 1,
             "Arquivo Local ou Opção de Diálogo deve ser informado."),
        ]
        for args, env, code, message in cases:
            p = run(*args, **env)
            got, err = result(p), p.stderr.decode()
            assert (p.returncode, got[0]) == (code, "0") and message in got[1], (args, got, err)
            assert err.startswith("kvrupload: ") and message in err and err.count("\n") == 1


def test_help_version_and_exit_codes():
    top = run("--help").stdout.decode()
    assert run("help", "help").stdout.decode() == top
    assert all(re.search(rf"^  {code} ", top, re.M) for code in (4, 5, 6, 7, 8, 130)), top
    for command in ["download", "upload", "ftp"]:
        text = run(command, "--help").stdout.decode()
        assert text.startswith(f"Usage: kvrupload {command}") and "130" in text
        assert run("help", command).stdout.decode() == text and f"  {command} " in top
    version = run("--version")
    assert version.returncode == 0 and re.fullmatch(rb"kvrupload \d+\.\d+\.\d+\n", version.stdout)


def basic_auth_sent(download):
    head = download.read_bytes().split(b"\r\n\r\n", 1)[0].decode()
    m = re.search(r"^Authorization: Basic (\S+)", head, re.M)
    return base64.b64decode(m.group(1)).decode() if m else None


def test_passwords_from_a_file_the_environment_netrc_and_a_silent_prompt(tmp_path):
    (tmp_path / "senha").write_text("do-arquivo\nsegunda linha\n")
    (tmp_path / ".netrc").write_text(
        'machine outro login ana password errada\n'
        'machine 127.0.0.1 login bia password "com espaço"\n'
        'macdef init\npassword de-macro\n\n'  # a macro's body is no entry's token
        'default login ana password padrao\n')
    cases = [  # options, environment, what the server was sent
        (["--user", "ana", "--password-file", str(tmp_path / "senha")], {}, "ana:do-arquivo"),
        (["--user", "ana"], {"KVRUPLOAD_PASSWORD": "do-ambiente"}, "ana:do-ambiente"),
        (["--user", "ana", "--password", "argv"], {"KVRUPLOAD_PASSWORD": "x"}, "ana:argv"),
        ([], {"HOME": str(tmp_path)}, "bia:com espaço"),  # the machine's entry names the user
        (["--user", "ana"], {"HOME": str(tmp_path)}, "ana:padrao"),  # login differs: default
        (["--user", "ana"], {}, "ana:"),  # no password anywhere, no terminal: an empty one
    ]
    with web(tmp_path, "echo") as echo:
        for i, (options, env, sent) in enumerate(cases):
            target = tmp_path / f"echo{i}.txt"
            p = run("download", f"{echo}/x.txt", str(target), *options, **env)
            assert (p.returncode, basic_auth_sent(target)) == (0, sent), (options, p.stderr)
        # On a terminal the password is asked for, and not echoed.
        target = tmp_path / "echo.txt"
        code, out, term = run_in_pty("download", f"{echo}/x.txt", str(target), "--user", "ana",
                                     steps=[("Senha de ana@127.0.0.1: ", b"segredo\n")])
    assert (code, basic_auth_sent(target)) == (0, "ana:segredo") and b"segredo" not in term
    code, out, term = run_in_pty("download", U, str(target), "--user", "ana",
                                 steps=[("Senha de ana@127.0.0.1: ", b"\x03")])  # Ctrl-C
    assert (code, out) == (130, b""), term
    for unreadable in [tmp_path / "none", tmp_path]:  # missing, a folder
        p = run("download", U, "x", "--user", "a", "--password-file", str(unreadable))
        assert (p.returncode, p.stdout) == (8, b"")
        assert p.stderr.decode().startswith("kvrupload: Arquivo de senha não pode ser lido: ")


def test_the_save_dialog_asks_before_replacing_a_file(serve, tmp_path):
    url = serve("cli-b.txt", b"bbb")
    old, new = tmp_path / "velho.txt", tmp_path / "novo.txt"
    cases = [  # typed answers, result path, what the old file holds after
        (f"{old}\nn\n{new}\n", new, b"antigo"),  # "no": the person chooses again
        (f"{old}\ns\n", old, b"bbb"),
        (f"{old}\n\n", None, b"antigo"),  # Enter alone is "no"; then nothing: cancelled
        ("rel.txt\n", tmp_path / "rel.txt", b"antigo"),  # a relative answer: the current folder
    ]
    for typed, path, left in cases:
        old.write_bytes(b"antigo")
        new.unlink(missing_ok=True)
        p = run("download", url, "--dialog", "txt", stdin=typed, cwd=tmp_path)
        err = p.stderr.decode()
        assert "Download de Arquivo: Salvar Como (Documentos em Texto (*.txt))" in err
        assert (f"{old} já existe. Deseja substituí-lo? (s/N)" in err) == typed.startswith("/")
        assert result(p) == (["1", str(path), 3] if path else ["0", "Download Cancelado."])
        assert old.read_bytes() == left


def test_the_progress_line_speaks_portuguese_and_fits_the_terminal(http, serve, tmp_path):
    size = 20 * 1000 * 1000
    name = "文件-um-nome-de-arquivo-bem-comprido-para-a-linha.dat"  # 文件: two columns each
    url = serve(name, os.urandom(size))
    for cols, env in [(200, {}), (60, {}), (0, {"COLUMNS": "70"})]:
        started = time.monotonic()
        code, out, term = run_in_pty("download", url, str(tmp_path / name), "--progress", "SIM",
                                     cols=cols, **env)
        elapsed = time.monotonic() - started
        assert (code, json.loads(out)) == (0, ["1", str(tmp_path / name), size]), term
        assert term.endswith(b"\n") and term.count(b"\n") == 1
        lines = updates(term)
        assert all(columns(u) < (cols or 70) for u in lines), (cols, lines)
        assert len(lines) <= elapsed * 10 + 3
        if cols == 200:
            assert lines[0] == (f"{name}  Recebidos: 0 bytes de 19 MB (0%)  Taxa: 0.00 Kbps  "
                                "Decorrido: < 1s  Restante: < 1s")
            assert re.fullmatch(rf"{name}  Recebidos: 19 MB de 19 MB \(100%\)  Taxa: \S+ Kbps  "
                                r"Decorrido: .+  Situação: Concluído", lines[-1])
        else:  # the name, then the rate and the elapsed time give way
            assert re.fullmatch(r"文\S*…  Recebidos: 19 MB de 19 MB \(100%\)  "
                                r"Situação: Concluído", lines[-1])
    # Not a terminal: no line at all.
    p = run("download", url, str(tmp_path / name), "--progress", "SIM")
    assert (p.returncode, p.stderr) == (0, b"")
    # The upload's line.
    code, out, term = run_in_pty("upload", f"{http['base']}/upload/cli-up-{os.getpid()}/",
                                 str(tmp_path / name), "--progress", "SIM", cols=200)
    assert code == 0 and re.fullmatch(rf"{name}  Enviados: 19 MB de 19 MB \(100%\)  "
                                      r"Tempo: .+  Situação: Concluído", updates(term)[-1])


def test_the_close_button_waits_for_enter_only_on_a_person(serve, xdisplay, tmp_path):
    url = serve("cli-c.dat", os.urandom(20000))
    args = ["download", url, str(tmp_path / "c.dat"), "--progress", "SIM", "--close", "NAO"]
    # Enter closes it, Ctrl-C too; a script (stdin not a terminal) is not asked.
    for typed, stdin_tty in [(b"\n", True), (b"\x03", True), (None, False)]:
        code, out, term = run_in_pty(*args, steps=[("fechar a janela", typed)] if typed else [],
                                     stdin_tty=stdin_tty)
        asked = b"Tecle Enter para fechar a janela de progresso." in term
        assert (code, json.loads(out)[0], asked) == (0, "1", stdin_tty), term
    # A window on a display, stdin a pipe: nobody will click, it closes by itself.
    p = run(*args, timeout=60, DISPLAY=xdisplay)
    assert (p.returncode, result(p)) == (0, ["1", str(tmp_path / "c.dat"), 20000]), p.stderr


def test_ctrl_c_ends_the_transfer_removes_the_partial_file_and_exits_130(tmp_path):
    big = tmp_path / "grande.dat"
    big.write_bytes(os.urandom(2_000_000))
    partial = tmp_path / "parcial.dat"
    on_progress, cancelled = [("%)", b"\x03")], "Situação: Cancelado *\n"  # once the line shows
    with web(tmp_path, "trickle", size=200_000) as trickle, web(tmp_path, "stall") as stall:
        cases = [  # args, when Ctrl-C comes, the result's message, the line's last state
            (["download", f"{trickle}/a.dat", str(partial)], on_progress, "Download Cancelado.", cancelled),
            (["upload", f"{stall}/up/", str(big)], on_progress, "Upload Cancelado.", cancelled),
            (["download", f"{trickle}/a.dat", "--dialog", "txt"], [("cancelar: ", b"\x03")],
             "Download Cancelado.", "cancelar: \\^C\n"),
        ]
        for args, steps, message, line_end in cases:
            started = time.monotonic()
            code, out, term = run_in_pty(*args, "--progress", "SIM", steps=steps)
            assert time.monotonic() - started < 10, (args, code, term[-300:])
            assert (code, json.loads(out)) == (130, ["0", message]), term
            assert re.search(rf"{line_end}kvrupload: {message}\n$", term.decode()), term
            assert not partial.exists() and big.stat().st_size == 2_000_000
        # A script's kill (SIGTERM) cleans up the same way: no hidden partial file either.
        p = subprocess.Popen([CLI, "download", f"{trickle}/a.dat", str(partial)],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=cli_env())
        time.sleep(1)
        p.terminate()
        assert (p.wait(10), json.loads(p.stdout.read())) == (130, ["0", "Download Cancelado."])
        assert not partial.exists() and not [n for n in os.listdir(tmp_path) if n[0] == "."]
