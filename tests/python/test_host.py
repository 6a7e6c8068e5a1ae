"""The Python host: Variant mapping, errors, factories and the scripted user."""
import pytest

import kvrupload as k


@pytest.mark.parametrize(
    "value, type_name",
    [
        (k.Empty, "Empty"),
        (None, "Empty"),
        (k.Null, "Null"),
        (True, "Boolean"),
        (5, "Long"),
        (-(2**31), "Long"),
        (2.5, "Double"),
        ("texto", "String"),
        (["1", 2], "Variant()"),
        ((), "Variant()"),
        (b"\x00\xff", "Byte()"),
        (bytearray(b"ab"), "Byte()"),
    ],
)
def test_python_values_become_variants_of_the_expected_type(value, type_name):
    assert k.TypeName(value) == type_name


@pytest.mark.parametrize("value", [2**31, -(2**31) - 1, 10**20])
def test_an_int_outside_32_bits_is_an_overflow(value):
    with pytest.raises(k.ComError) as e:
        k.TypeName(value)
    assert e.value.number == 6


def test_a_missing_progid_raises_429_with_number_source_and_description():
    with pytest.raises(k.ComError) as e:
        k.CreateObject("Nao.Existe")
    assert (e.value.number, e.value.description) == (429, "ActiveX component can't create object")
    assert e.value.source
    assert "429" in str(e.value)


class Echo:
    def __init__(self):
        self.calls = []

    def Devolver(self, *args):
        self.calls.append(args)
        return list(args)


def test_register_replaces_and_unregister_restores():
    k.register("Teste.Echo", Echo)
    try:
        obj = k.CreateObject("teste.echo")  # ProgIDs are case-insensitive
        assert isinstance(obj, Echo)
        k.register("Teste.Echo", None)  # "not installed"
        with pytest.raises(k.ComError) as e:
            k.CreateObject("Teste.Echo")
        assert e.value.number == 429
    finally:
        k.unregister("Teste.Echo")
    with pytest.raises(k.ComError):
        k.CreateObject("Teste.Echo")


def test_a_factory_error_reaches_the_caller_as_com_error():
    def broken():
        raise k.ComError(-2147219495, "Fonte", "Falhou.")

    k.register("Teste.Quebrado", broken)
    try:
        with pytest.raises(k.ComError) as e:
            k.CreateObject("Teste.Quebrado")
        assert (e.value.number, e.value.source, e.value.description) == (
            -2147219495,
            "Fonte",
            "Falhou.",
        )
    finally:
        k.unregister("Teste.Quebrado")


@pytest.mark.parametrize(
    "action",
    [("click",), ("tecla", "x"), ("dialog", True)],
)
def test_malformed_user_actions_are_refused(action):
    with pytest.raises((ValueError, TypeError)):
        k.ui.queue(action)


def test_queued_actions_can_be_counted_and_cleared():
    k.ui.clear_queue()
    k.ui.queue(("dialog", "/tmp/a.txt"))
    k.ui.queue(("dialog", False))
    k.ui.queue(("click", "frmKVRProgress.cmdFechar"))
    assert k.ui.queued() == 3
    k.ui.clear_queue()
    assert k.ui.queued() == 0


def test_unknown_forms_and_modules_are_attribute_errors():
    with pytest.raises(AttributeError):
        k.forms.frmNaoExiste
    with pytest.raises(AttributeError):
        k.support.modNaoExiste


def test_module_routines_are_reached_by_their_own_names(tmp_path):
    k.support.GerarLog("sim", "", "mensagem", "teste", "Rotina", False, "", str(tmp_path))
    (log,) = tmp_path.iterdir()
    assert log.name.startswith("teste_") and log.read_bytes().endswith(b" -> mensagem \r\n")
    assert k.support.modSuporte.TypeName == "modSuporte"
