"""What the scripted servers share: a threaded loopback listener that tells its port."""
import os
import socket
import socketserver


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 16

    def handle_error(self, request, client_address):
        pass  # a client that went away is no failure of the script


def serve(handler, port_file, ipv6=False):
    """Serves `handler` on a free loopback port, written to `port_file` once it listens."""
    Server.address_family = socket.AF_INET6 if ipv6 else socket.AF_INET
    server = Server(("::1" if ipv6 else "127.0.0.1", 0), handler)
    with open(port_file + ".tmp", "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(port_file + ".tmp", port_file)
    server.serve_forever()
