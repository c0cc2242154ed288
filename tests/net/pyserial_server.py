#!/usr/bin/python3
"""A network serial port served by pyserial's RFC 2217 server side.

The port is one end of a loopback pseudo-terminal; this script plays the
device on the other end and echoes every byte it receives. It listens on
127.0.0.1 (the first line printed is the port number), serves one client,
prints a "state ..." line whenever the port's line settings or modem lines
change, and ends when the client leaves or after a minute at most.
"""

import os
import select
import socket
import sys
import time

import serial
import serial.rfc2217

LIFETIME_SECONDS = 60


class PtySerial(serial.Serial):
    """A pseudo-terminal carries bytes only: it has no modem lines and holds
    no speed or parity of its own. It is made raw once; later settings and
    the modem lines are kept as told, and the status lines read quiet."""

    _raw = False

    def _reconfigure_port(self, force_update=False):
        if not self._raw:
            super()._reconfigure_port(force_update)
            self._raw = True

    def _update_dtr_state(self):
        pass

    def _update_rts_state(self):
        pass

    cts = property(lambda self: False)
    dsr = property(lambda self: False)
    ri = property(lambda self: False)
    cd = property(lambda self: False)


class Connection:
    def __init__(self, sock):
        self.sock = sock

    def write(self, data):
        self.sock.sendall(data)


def line_state(port):
    """The settings and modem lines as pyserial's server side set them."""
    return "state baud=%d data=%d parity=%s stop=%g dtr=%d rts=%d" % (
        port.baudrate, port.bytesize, port.parity, port.stopbits, int(port.dtr), int(port.rts))


def serve(client, port, master, deadline):
    manager = serial.rfc2217.PortManager(port, Connection(client))
    last = None
    while time.monotonic() < deadline:
        ready, _, _ = select.select([client, master, port.fileno()], [], [], 0.05)
        if client in ready:
            data = client.recv(4096)
            if not data:
                return
            port.write(b"".join(manager.filter(data)))
        if master in ready:
            os.write(master, os.read(master, 4096))
        if port.fileno() in ready:
            data = port.read(port.in_waiting or 1)
            if data:
                client.sendall(b"".join(manager.escape(data)))
        state = line_state(port)
        if state != last:
            print(state, flush=True)
            last = state


def main():
    deadline = time.monotonic() + LIFETIME_SECONDS
    master, slave = os.openpty()
    port = PtySerial(os.ttyname(slave), timeout=0)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    listener.settimeout(LIFETIME_SECONDS / 2)
    print(listener.getsockname()[1], flush=True)
    client, _ = listener.accept()
    client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    serve(client, port, master, deadline)
    client.close()
    print("done", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
