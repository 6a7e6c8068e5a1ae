"""The Python host: Variant mapping, errors, factories, the scripted user, Python conventions."""
import ast
import pathlib
import pydoc
import re

import pytest

import kvrupload as k


@pytest.mark.parametrize("value, type_name", [
    (k.Empty, "Empty"), (None, "Empty"), (k.Null, "Null"), (True, "Boolean"), (5, "Long"),
    (-(2**31), "Long"), (2.5, "Double"), ("texto", "String"), (pathlib.Path("/a"), "String"),
    ("caf\udce9.txt", "String"),  # a name os.listdir gives for bytes that are not UTF-8
    (["1", 2], "Variant()"), ((), "Variant()"), (b"\x00\xff", "Byte()"),
    (bytearray(b"ab"), "Byte()"),
    (2**31, 6), (-(2**31) - 1, 6), (10**20, 6),  # outside 32 bits: Overflow
])
def test_python_values_become_variants_of_the_expected_type(value, type_name):
    if isinstance(type_name, int):
        with pytest.raises(k.ComError) as e:
            k.TypeName(value)
        assert e.value.number == type_name
    else:
        assert k.TypeName(value) == type_name


class Echo:
    pass


def test_register_replaces_and_unregister_restores():
    def broken():
        raise k.ComError(-2147219495, "Fonte", "Falhou.")

    k.register("Teste.Echo", Echo)
    k.register("Teste.Quebrado", broken)
    try:
        assert isinstance(k.CreateObject("teste.echo"), Echo)  # ProgIDs are case-insensitive
        with pytest.raises(k.ComError) as e:  # the factory's error reaches the caller whole
            k.CreateObject("Teste.Quebrado")
        assert (e.value.number, e.value.source, e.value.description) == (
            -2147219495, "Fonte", "Falhou.")
        k.register("Teste.Echo", None)  # "not installed"
        with pytest.raises(k.ComError) as e:
            k.CreateObject("Teste.Echo")
        assert (e.value.number, e.value.description) == (429, "ActiveX component can't create object")
        assert e.value.source and "429" in str(e.value)
    finally:
        k.unregister("Teste.Echo")
        k.unregister("Teste.Quebrado")
    for progid in ("Teste.Echo", "Teste.Quebrado"):
        with pytest.raises(k.ComError):
            k.CreateObject(progid)


@pytest.mark.parametrize("action", [
    ("click",), ("tecla", "x"), ("dialog", True), ("text", "frmKVRFtp.txtServer"),
    ("close", "frmKVRFtp", "extra"), ("select", "frmKVRFtp.lstServer", "first"),
    ("select", "frmKVRFtp.lstServer", 2**40), ("click", 5), lambda: k.ui.set_screen(0, 9000),
])
def test_malformed_user_actions_are_refused_when_queued(action):
    k.ui.clear_queue()
    with pytest.raises((ValueError, TypeError)):
        action() if callable(action) else k.ui.queue(action)
    assert k.ui.queued() == 0


def test_module_routines_are_reached_by_their_own_names_with_path_objects(tmp_path):
    k.support.GerarLog("sim", "", "mensagem", "teste", "Rotina", False, "", tmp_path)
    (log,) = tmp_path.iterdir()
    assert log.name.startswith("teste_") and log.read_bytes().endswith(b" -> mensagem \r\n")
    assert k.support.modSuporte.TypeName == "modSuporte"


def test_enumerations_version_and_type_stub():
    assert k.ftBinary == k.FileTransferType.ftBinary == 2 and k.ftascii == 1
    assert k.errNotConnectedToSite == k.errFtpErrors.errNotConnectedToSite == -2147219499
    assert k.errFtpErrors(-2147219496).name == "errInvalidProperty" and len(k.errFtpErrors) == 9
    cmake = (pathlib.Path(__file__).parents[2] / "CMakeLists.txt").read_text()
    assert re.search(r"project\(KVRUpload VERSION ([0-9.]+)", cmake).group(1) == k.__version__
    stub = ast.parse(pathlib.Path(k.__file__).with_name("kvrupload.pyi").read_text())
    names = {n.name for n in stub.body if isinstance(n, (ast.ClassDef, ast.FunctionDef))}
    assert {"ctlKVRUpload", "clsKVRUpload", "FileTransferType", "errFtpErrors",
            "CreateObject", "ComError"} <= names


def test_help_lists_members_with_signatures_and_docstrings():
    ctl = k.CreateObject("KVRUpload.ctlKVRUpload")
    text = pydoc.render_doc(ctl, renderer=pydoc.plaintext)
    assert "Download(self, sURLFile, sOutPutFile=Empty, sOptDialog='NAO', /)" in text
    assert "Property ExibirProgresso of ctlKVRUpload" in text
    assert type(ctl).Download.__doc__ and type(ctl).ExibirProgresso.__doc__


@pytest.mark.parametrize("action", [lambda o: o.Nada, lambda o: setattr(o, "Nada", 1)])
@pytest.mark.parametrize("progid", ["KVRUpload.ctlKVRUpload", "KVRUpload.clsKVRUpload"])
def test_unknown_members_are_attribute_errors_carrying_438(progid, action):
    obj = k.CreateObject(progid)
    with pytest.raises(AttributeError) as e:
        action(obj)
    assert isinstance(e.value, k.ComError) and e.value.number == 438
    assert not hasattr(obj, "Nada")
    # Unknown forms and modules are attribute errors too.
    assert not hasattr(k.forms, "frmNaoExiste") and not hasattr(k.support, "modNaoExiste")
