#include "PythonLayer.h"

namespace kvr::python {

const char* const kPythonLayer = R"PY(
import enum as _enum
import inspect as _inspect


class ComError(Exception):
    """An error raised by the library: full number, source and description."""

    def __init__(self, number, source, description):
        super().__init__(number, source, description)
        self.number = number
        self.source = source
        self.description = description

    def __str__(self):
        return "%d (%s): %s" % (self.number, self.source, self.description)


class ComAttributeError(ComError, AttributeError):
    """A member the object does not have (the runtime's 438), also an AttributeError."""


class Object:
    """A library object, driven late-bound by name as a page's script drove it.

    Member names are matched without regard to case. Values read back are Python values,
    kvrupload.Empty or kvrupload.Null; a member the object does not have raises
    ComAttributeError (number 438), which is an AttributeError."""

    __slots__ = ("_d",)

    def __init__(self, dispatch):
        object.__setattr__(self, "_d", dispatch)

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        return self._d._member(name)

    def __setattr__(self, name, value):
        self._d._put(name, value)

    def __dir__(self):
        return sorted(set(object.__dir__(self)) | set(self._d._names()))

    def __eq__(self, other):
        return isinstance(other, Object) and self._d == other._d

    def __hash__(self):
        return hash(self._d)

    def __repr__(self):
        return "<%s>" % self._d.TypeName

    @property
    def TypeName(self):
        """The object's class name, as the runtime's TypeName gives it."""
        return self._d.TypeName


_classes = {}


def _signature(params):
    P = _inspect.Parameter
    out = [P("self", P.POSITIONAL_ONLY)]
    for name, optional, default in params:
        if optional:
            out.append(P(name, P.POSITIONAL_ONLY, default=default))
        else:
            out.append(P(name, P.POSITIONAL_ONLY))
    try:
        return _inspect.Signature(out)
    except ValueError:  # a required argument after an optional one
        return None


def _method(cls_name, name, dispid, params):
    def method(self, *args):
        return self._d._call(name, args)

    method.__name__ = name
    method.__qualname__ = cls_name + "." + name
    sig = _signature(params)
    if sig is not None:
        method.__signature__ = sig
    method.__doc__ = (
        "Method %s of %s (dispatch id %d). Omitted optional arguments take their declared "
        "defaults, or arrive as omitted." % (name, cls_name, dispid))
    return method


def _property(cls_name, name, dispid, writable):
    def get(self):
        return self._d._get(name)

    def put(self, value):
        self._d._put(name, value)

    doc = "Property %s of %s (dispatch id %d)%s." % (
        name, cls_name, dispid, "" if writable else ", read-only")
    return property(get, put if writable else None, doc=doc)


def _wrap(dispatch):
    name, members = dispatch._table()
    cls = _classes.get(name) if members is not None else Object
    if cls is None:
        ns = {"__slots__": (), "__module__": "kvrupload",
              "__doc__": "The library's class %s, driven by name (see kvrupload.Object)." % name}
        for member, kind, dispid, params in members:
            if kind == "method":
                ns[member] = _method(name, member, dispid, params)
            else:
                ns[member] = _property(name, member, dispid, kind == "property")
        cls = _classes[name] = type(name, (Object,), ns)
    return cls(dispatch)


FileTransferType = _enum.IntEnum("FileTransferType", [("ftascii", 1), ("ftBinary", 2)],
                                 module="kvrupload")
FileTransferType.__doc__ = "The FTP class's transfer types (the Internet library's flags)."
)PY";

} // namespace kvr::python
