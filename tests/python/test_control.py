# fixtures: http
"""The upload control through the Python host, as a page's script drives it: its properties,
its transfers against nginx, the outside components a host supplies."""
import os
import pathlib
import shutil
import socket
import subprocess
import sys
import threading

import pytest

import kvrupload as k

REFUSED = -2147219496


@pytest.fixture
def ctl():
    yield k.CreateObject("KVRUpload.ctlKVRUpload")
    k.forms.unload("frmKVRProgress")


# ---- properties ----

def test_a_fresh_control_reads_empty_texts_and_empty_values(ctl):
    for name in ("ExibirProgresso", "FecharProgresso", "UserName", "Password", "Protocol"):
        assert getattr(ctl, name) == "", name
    for name in ("RemoteHost", "RemotePort", "ProxyAddress"):
        assert k.TypeName(getattr(ctl, name)) == "Empty", name


@pytest.mark.parametrize(
    "name, value, reads_back",
    [
        ("ExibirProgresso", " sim ", "SIM"),
        ("FecharProgresso", " nao ", "NAO"),
        ("UserName", " maria ", " maria "),
        ("Protocol", 5, "5"),
        ("RemotePort", 8080.5, 8080.5),
        ("RemotePort", "porta", "porta"),
    ],
)
def test_accepted_values_read_back(ctl, name, value, reads_back):
    setattr(ctl, name, value)
    got = getattr(ctl, name)
    assert got == reads_back
    assert type(got) is type(reads_back)


@pytest.mark.parametrize(
    "name, value, description",
    [
        ("ExibirProgresso", "S", 'ExibirProgresso deve ser "SIM" ou "NAO".'),
        ("FecharProgresso", "", 'FecharProgresso deve ser "SIM" ou "NAO".'),
        ("UserName", "   ", "Usuário deve ser informado."),
        ("Password", "", "Senha deve ser informada."),
        ("Protocol", " ", "Protocolo deve ser informado."),
        ("RemoteHost", "", "Host Remoto deve ser informado"),
        ("RemotePort", "  ", "Porta Remota deve ser informada."),
        ("ProxyAddress", "", "Endereço Proxy deve ser informado."),
    ],
)
def test_refused_values_raise_2008_and_keep_the_old_value(ctl, name, value, description):
    old = "SIM" if name.endswith("Progresso") else "antes"
    setattr(ctl, name, old)
    with pytest.raises(k.ComError) as e:
        setattr(ctl, name, value)
    assert e.value.number == REFUSED
    assert e.value.source == f"ctlKVRUpload::{name}_Let"
    assert e.value.description == description
    assert getattr(ctl, name) == old


def test_null_is_accepted_and_stored(ctl):
    for name in ("ExibirProgresso", "FecharProgresso", "UserName", "Password", "Protocol",
                 "RemoteHost", "RemotePort", "ProxyAddress"):
        setattr(ctl, name, k.Null)
    for name in ("RemoteHost", "RemotePort", "ProxyAddress"):
        assert k.TypeName(getattr(ctl, name)) == "Null", name
    with pytest.raises(k.ComError) as e:  # the text properties read their value as text
        ctl.UserName
    assert e.value.number == 94


# ---- transfers (their results through the command: test_cli.py) ----

def test_an_upload_without_a_local_file_or_dialog(ctl, http):
    # The host passes an empty path for the omitted argument: the window's own answer.
    assert ctl.UpLoad(f"{http['base']}/upload/py-none/") == [
        "0", "Arquivo Local ou Opção de Diálogo deve ser informado."]


def test_an_omitted_dialog_option_is_nao(ctl, serve, tmp_path):
    url = serve("py-d.txt", b"ddd")
    k.ui.clear_queue()
    # Nothing is queued: a dialog would fail the transfer.
    assert ctl.Download(url, str(tmp_path / "d.txt")) == ["1", str(tmp_path / "d.txt"), 3]
    # Asked for, the dialog's answer names the file.
    k.ui.queue(("dialog", str(tmp_path / "escolhido.txt")))
    assert ctl.Download(url, "", "txt") == ["1", str(tmp_path / "escolhido.txt"), 3]


@pytest.mark.parametrize("fechar", ["SIM", "NAO"])
def test_progress_window_closes_itself_or_waits_for_its_close_button(ctl, serve, tmp_path, fechar):
    url = serve("py-e.dat", os.urandom(50_000))
    ctl.ExibirProgresso = "SIM"
    ctl.FecharProgresso = fechar
    k.ui.clear_events()
    k.ui.clear_queue()
    if fechar == "NAO":  # with nobody to click, the wait would fail the transfer
        k.ui.queue(("click", "frmKVRProgress.cmdFechar"))
    assert ctl.Download(url, str(tmp_path / "e.dat")) == ["1", str(tmp_path / "e.dat"), 50_000]
    events = k.ui.events()
    assert ("frmKVRProgress", "", "Visible", True) in events
    assert (("frmKVRProgress", "cmdFechar", "Visible", True) in events) == (fechar == "NAO")
    assert k.ui.queued() == 0


class WebDir:
    def ObterDiretorioFisico(self, site):
        return ["00", str(WebDir.root / site)] if site == "vendas" else ["02", "sem site"]

    def ObterIPPorta(self):
        return ["00", "127.0.0.1:80"]


def test_a_web_path_token_resolved_by_a_host_component(ctl, serve):
    # Resolved paths come back in lower case: the folder is named so.
    WebDir.root = pathlib.Path("/tmp") / f"kvr-py-webdir-{os.getpid()}"
    (WebDir.root / "vendas").mkdir(parents=True, exist_ok=True)
    url = serve("py-f.txt", b"ffff")
    k.register("KVRWebDir.clsKVRWebDir", WebDir)
    try:
        local = WebDir.root / "vendas" / "f.txt"
        assert ctl.Download(url, "$(WEBPATH[VENDAS])\\F.txt") == ["1", str(local), 4]
        assert local.read_bytes() == b"ffff"
    finally:
        k.unregister("KVRWebDir.clsKVRWebDir")
        shutil.rmtree(WebDir.root)


@pytest.mark.parametrize("legacy, native", [
    ("c:\\temp\\x\\a.txt", "tmp/x/a.txt"),
    ("C:\\Dados\\b.txt", "raiz/Dados/b.txt"),
])
def test_legacy_drive_paths_name_native_folders(ctl, http, serve, tmp_path, monkeypatch, legacy,
                                                native):
    (tmp_path / "tmp").mkdir()
    monkeypatch.setenv("TMPDIR", str(tmp_path / "tmp"))
    monkeypatch.setenv("KVRUPLOAD_DRIVE_ROOT", str(tmp_path / "raiz"))
    url = serve("py-legado.txt", b"legado")
    local = tmp_path / native
    assert ctl.Download(url, legacy) == ["1", str(local), 6]
    assert local.read_bytes() == b"legado"
    folder = f"py-legado-{os.getpid()}-{local.parent.name}"
    assert ctl.UpLoad(f"{http['base']}/upload/{folder}/", legacy) == ["1", str(local), 6]


# ---- nobody at the screen ----

def download_to(ctl, http, tmp_path, dialog="NAO"):
    (pathlib.Path(http["KVR_HTTP_ROOT"]) / "py-h.dat").write_bytes(b"h" * 5000)
    url = f"{http['base']}/py-h.dat"
    local = "" if dialog != "NAO" else str(tmp_path / "h.dat")
    return ctl.Download(url, local, dialog), local, 5000


def upload_from(ctl, http, tmp_path, dialog="NAO"):
    local = tmp_path / "h.txt"
    local.write_bytes(b"h" * 700)
    url = f"{http['base']}/upload/py-h-{os.getpid()}-{dialog}/"
    return ctl.UpLoad(url, str(local) if dialog == "NAO" else "", dialog), str(local), 700


@pytest.mark.parametrize("transfer", [download_to, upload_from])
def test_a_window_waiting_for_its_close_button_closes_as_a_user_would(ctl, http, tmp_path,
                                                                       transfer):
    ctl.ExibirProgresso = "SIM"
    ctl.FecharProgresso = "NAO"
    k.ui.clear_queue()
    k.ui.clear_events()
    result, local, size = transfer(ctl, http, tmp_path)
    assert result == ["1", local, size]
    events = k.ui.events()
    closes = [e for e in events if e[1] in ("cmdFechar", "cmdFecharUp") and e[2] == "Visible"]
    assert closes[-1][3] is True  # shown, then pressed
    assert ("frmKVRProgress", "", "Visible", False) in events


@pytest.mark.parametrize("transfer, dialog", [(download_to, "Save As"), (upload_from, "Open")])
def test_a_dialog_nobody_can_answer_is_an_error_not_a_cancel(ctl, http, tmp_path, transfer,
                                                             dialog):
    k.ui.clear_queue()
    with pytest.raises(k.ComError) as e:
        transfer(ctl, http, tmp_path, "txt")
    assert e.value.description.startswith(dialog + " dialog: nobody is there to answer it")
    # Answered, the same call goes through.
    k.ui.queue(("dialog", str(tmp_path / "escolhido.txt")))
    (tmp_path / "escolhido.txt").write_bytes(b"e" * 700)
    assert transfer(ctl, http, tmp_path, "txt")[0][0] == "1"


@pytest.mark.parametrize("display", [None, ":1999", "127.0.0.1:CLOSES"])
def test_a_display_that_refuses_leaves_the_process_headless(display):
    assert "headless" in k.ui.use_gui.__doc__
    # An X server on TCP port 6000+N; this one closes every connection at once.
    listener = socket.create_server(("127.0.0.1", 0))
    threading.Thread(target=lambda: [listener.accept()[0].close() for _ in range(3)],
                     daemon=True).start()
    env = {n: v for n, v in os.environ.items() if n != "DISPLAY"}
    if display:
        env["DISPLAY"] = display.replace("CLOSES", str(listener.getsockname()[1] - 6000))
    script = "import kvrupload as k; r = k.ui.use_gui(); k.ui.clear_events(); print(r)"
    run = subprocess.run([sys.executable, "-c", script], env=env, capture_output=True, text=True,
                         timeout=30)
    listener.close()
    assert (run.returncode, run.stdout) == (0, "False\n"), run.stderr
