# fixtures: http
"""The upload control through the Python host, as a page's script drives it: its properties,
its transfers against nginx, the outside components a host supplies."""
import gc
import os
import pathlib
import shutil

import pytest

import kvrupload as k


@pytest.fixture
def ctl():
    yield k.CreateObject("KVRUpload.ctlKVRUpload")
    k.forms.unload("frmKVRProgress")


@pytest.mark.parametrize("name, value, reads_back", [
    ("ExibirProgresso", " sim ", "SIM"), ("FecharProgresso", " nao ", "NAO"),
    ("UserName", " maria ", " maria "), ("Protocol", 5, "5"), ("RemotePort", 8080.5, 8080.5),
    ("RemotePort", "porta", "porta"),
    # Null is stored: the Variant properties give it back, the text ones cannot read it (94)
    *[(name, k.Null, k.Null) for name in ("RemoteHost", "RemotePort", "ProxyAddress")],
    *[(name, k.Null, 94) for name in ("ExibirProgresso", "FecharProgresso", "UserName", "Password",
                                      "Protocol")],
])
def test_accepted_values_read_back(ctl, name, value, reads_back):
    setattr(ctl, name, value)
    if reads_back == 94:
        with pytest.raises(k.ComError) as e:
            getattr(ctl, name)
        assert e.value.number == 94
    else:
        got = getattr(ctl, name)  # Null read back is the singleton itself
        assert got == reads_back and type(got) is type(reads_back)
        assert got is k.Null or reads_back is not k.Null


class WebDir:
    """A host's web-server component: records its calls and its release."""
    seen = []

    def ObterDiretorioFisico(self, site):
        WebDir.seen.append("ObterDiretorioFisico")
        return ["00", str(WebDir.root / site)] if site == "vendas" else ["02", "sem site"]

    def ObterIPPorta(self):
        WebDir.seen.append("ObterIPPorta")
        return ["00", "127.0.0.1:80"]

    def __del__(self):
        WebDir.seen.append("released")


def test_a_web_path_token_resolved_by_a_host_component(ctl, serve):
    # Resolved paths come back in lower case: the folder is named so.
    WebDir.root = pathlib.Path("/tmp") / f"kvr-py-webdir-{os.getpid()}"
    (WebDir.root / "vendas").mkdir(parents=True, exist_ok=True)
    url = serve("py-f.txt", b"ffff")
    # A factory nothing else refers to: the library keeps it alive.
    k.register("KVRWebDir.clsKVRWebDir", lambda: WebDir())
    try:
        local = WebDir.root / "vendas" / "f.txt"
        for _ in range(2):
            WebDir.seen = []
            gc.collect()
            assert ctl.Download(url, "$(WEBPATH[VENDAS])\\F.txt") == ["1", str(local), 4]
            assert local.read_bytes() == b"ffff"
            # Held while it is used, released once after.
            assert WebDir.seen == ["ObterDiretorioFisico", "ObterIPPorta", "released"]
    finally:
        k.unregister("KVRWebDir.clsKVRWebDir")
        shutil.rmtree(WebDir.root)


def test_dialogs_and_the_close_button_with_nobody_at_the_screen(ctl, serve, tmp_path):
    url = serve("py-h.dat", b"h" * 5000)
    chosen = tmp_path / "escolhido.txt"
    ctl.ExibirProgresso, ctl.FecharProgresso = "SIM", "NAO"
    k.ui.clear_queue()
    with pytest.raises(k.ComError) as e:  # an error, not a cancel
        ctl.Download(url, "", "txt")
    assert e.value.description.startswith("Save As dialog: nobody is there to answer it")
    # Answered, the same call goes through, and its window waiting for the close button is
    # closed as a user would.
    k.ui.queue(("dialog", str(chosen)))
    k.ui.clear_events()
    assert ctl.Download(url, "", "txt") == ["1", str(chosen), 5000]
    events = k.ui.events()
    closes = [e for e in events if e[1] == "cmdFechar" and e[2] == "Visible"]
    assert closes[-1][3] is True  # shown, then pressed
    assert ("frmKVRProgress", "", "Visible", False) in events
