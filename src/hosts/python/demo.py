"""A short tour of the control through the Python host: create it by its ProgID, set and read
its properties, and see a refused value."""
import kvrupload

ctl = kvrupload.CreateObject("KVRUpload.ctlKVRUpload")
print("created:", ctl)
ctl.ExibirProgresso = " sim "
ctl.RemotePort = 8080
ctl.Protocol = 5
ctl.UserName = " maria "
for name in ("ExibirProgresso", "FecharProgresso", "UserName", "Protocol", "RemotePort", "ProxyAddress"):
    print(f"  {name:16} = {getattr(ctl, name)!r}")
try:
    ctl.FecharProgresso = "S"
except kvrupload.ComError as e:
    print("refused FecharProgresso = 'S':")
    print(f"  number {e.number}, source {e.source!r}")
    print(f"  description {e.description!r}")
print("FecharProgresso still reads", repr(ctl.FecharProgresso))
