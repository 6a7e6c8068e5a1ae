"""Type stub of the kvrupload module (the Python host of the KVRUpload library)."""

import enum
import os
from typing import Any, Callable, Optional, Sequence, Tuple, Union

__version__: str

class _EmptyType: ...
class _NullType: ...

Empty: _EmptyType
Null: _NullType

# What a value passed to the library may be; paths may be os.PathLike.
Value = Union[None, _EmptyType, _NullType, bool, int, float, str, bytes, bytearray,
              os.PathLike, Sequence[Any], "Object", Any]

class ComError(Exception):
    number: int
    source: str
    description: str
    def __init__(self, number: int, source: str, description: str) -> None: ...

class ComAttributeError(ComError, AttributeError): ...

class Object:
    """A library object, driven late-bound by name; each class has its own subclass."""
    @property
    def TypeName(self) -> str: ...
    def __getattr__(self, name: str) -> Any: ...
    def __setattr__(self, name: str, value: Value) -> None: ...

class ctlKVRUpload(Object):
    ExibirProgresso: Any
    FecharProgresso: Any
    UserName: Any
    Password: Any
    Protocol: Any
    RemoteHost: Any
    RemotePort: Any
    ProxyAddress: Any
    def CreateObjectFtp(self, /) -> "clsKVRUpload": ...
    def Download(self, sURLFile: Value, sOutPutFile: Value = ..., sOptDialog: Value = "NAO", /) -> list: ...
    def UpLoad(self, sURLFile: Value, sInPutFile: Value = ..., sOptDialog: Value = "NAO", /) -> list: ...

class clsKVRUpload(Object):
    Host: Any
    User: Any
    Password: Any
    Directory: Any
    @property
    def Connected(self) -> bool: ...
    def Connect(self, Host: Value = ..., User: Value = ..., Password: Value = ..., Directory: Value = ..., /) -> list: ...
    def Disconnect(self, /) -> list: ...
    def GetDirectoryList(self, Directory: Value = ..., FilterString: Value = ..., /) -> list: ...
    def GetFile(self, ServerFileAndPath: Value, DestinationFileAndPath: Value = ..., TransferType: Value = "ASCII", sOptDialog: Value = "NAO", /) -> list: ...
    def PutFile(self, LocalFileAndPath: Value = ..., ServerFileAndPath: Value = ..., TransferType: Value = "ASCII", sOptDialog: Value = "NAO", /) -> list: ...
    def RenameFile(self, ExistingName: Value, NewName: Value, /) -> list: ...
    def DeleteFile(self, ExistingName: Value, /) -> list: ...

class FileTransferType(enum.IntEnum):
    ftascii = 1
    ftBinary = 2

ftascii: FileTransferType
ftBinary: FileTransferType

class errFtpErrors(enum.IntEnum):
    errCannotConnect = -2147219503
    errNoDirChange = -2147219502
    errCannotRename = -2147219501
    errCannotDelete = -2147219500
    errNotConnectedToSite = -2147219499
    errGetFileError = -2147219498
    errPutFileError = -2147219497
    errInvalidProperty = -2147219496
    errFatal = -2147219495

errCannotConnect: errFtpErrors
errNoDirChange: errFtpErrors
errCannotRename: errFtpErrors
errCannotDelete: errFtpErrors
errNotConnectedToSite: errFtpErrors
errGetFileError: errFtpErrors
errPutFileError: errFtpErrors
errInvalidProperty: errFtpErrors
errFatal: errFtpErrors

def CreateObject(progid: str) -> Any: ...
def register(progid: str, factory: Optional[Callable[[], Any]]) -> None: ...
def unregister(progid: str) -> None: ...
def TypeName(value: Value) -> str: ...

class _Instances:
    def __getattr__(self, name: str) -> Any: ...
    def unload(self, name: str) -> None: ...

forms: _Instances
support: _Instances

class ui:
    @staticmethod
    def events() -> list[Tuple[str, str, str, Any]]: ...
    @staticmethod
    def clear_events() -> None: ...
    @staticmethod
    def dropped_events() -> int: ...
    @staticmethod
    def queue(action: Tuple[str, Union[str, bool, None]]) -> None: ...
    @staticmethod
    def clear_queue() -> None: ...
    @staticmethod
    def queued() -> int: ...
    @staticmethod
    def use_gui() -> bool: ...
    @staticmethod
    def use_headless() -> None: ...
    @staticmethod
    def set_screen(width: int, height: int) -> None: ...
