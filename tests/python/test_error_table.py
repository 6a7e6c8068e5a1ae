"""The shared table of errors a script sees (tests/data/error_cases.tsv): the Python host must
give the same number, source and description as the COM server gives a VBScript page, and a
refused value leaves the old one."""
import contextlib
import os
import pathlib

import pytest

import kvrupload as k

TABLE = pathlib.Path(os.environ.get("KVR_SOURCE_DIR", pathlib.Path(__file__).parents[2])) / "tests" / "data" / "error_cases.tsv"
PROGIDS = {"ctl": "KVRUpload.ctlKVRUpload", "ftp": "KVRUpload.clsKVRUpload"}


def rows():
    for line in TABLE.read_text(encoding="utf-8").splitlines():
        if line and not line.startswith("#"):
            yield pytest.param(*line.split("\t"), id=line.split("\t")[2])


@pytest.mark.parametrize("obj, action, member, value, number, source, description", rows())
def test_error_fields(obj, action, member, value, number, source, description):
    target = k.CreateObject(PROGIDS[obj])
    with contextlib.suppress(k.ComError):  # a value every text property takes
        setattr(target, member, "SIM")
    before = getattr(target, member) if action == "put" else None
    with pytest.raises(k.ComError) as e:
        if action == "put":
            setattr(target, member, value)
        else:
            setattr(target, member, k.Null)
            getattr(target, member)
    assert (e.value.number, e.value.source, e.value.description) == (int(number), source, description)
    # A refused value leaves the old one in place.
    assert action != "put" or getattr(target, member) == before
