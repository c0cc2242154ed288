#!/usr/bin/python3
"""pyserial's RFC 2217 client drives a quorrel-sim: the application's text
commands at 115200 8N1, then the DTR/RTS sequence into the loader and its
frames at 9600 8E1, with the byte FF in both directions. Prints one line per
step and "ok" at the end; exits non-zero at the first thing that is wrong.

Usage: pyserial_client.py PORT
"""

import sys
import time

import serial

BLOCK_ADDRESS = 0x8000
PATTERN = bytes([0x00, 0xFF, 0x01, 0xFE, 0xFF, 0xFF, 0xFA, 0xF0, 0xFB, 0xFD, 0x55, 0xAA, 0xFF, 0x10, 0x13, 0x11] * 2)


class Failure(Exception):
    pass


def expect(condition, what):
    if not condition:
        raise Failure(what)


def checksum(data):
    low, high = 0, 0
    for i, b in enumerate(data):
        if i % 2 == 0:
            low ^= b
        else:
            high ^= b
    return bytes([low ^ 0xFF, high ^ 0xFF])


def frame(command, address, length, data=b""):
    body = bytes([address & 0xFF, address >> 8, length & 0xFF, length >> 8]) + data
    head = bytes([0x80, command, len(body), len(body)])
    return head + body + checksum(head + body)


def read_line(port):
    line = port.readline()
    expect(line.endswith(b"\n"), "no reply line, got %r" % line)
    return line


def sync(port):
    port.reset_input_buffer()
    port.write(b"\x80")
    answer = port.read(1)
    expect(answer == b"\x90", "sync answered %r" % answer)


def command(port, code, address, length, data=b""):
    sync(port)
    port.write(frame(code, address, length, data))
    answer = port.read(1)
    expect(len(answer) == 1, "no answer to command %02X" % code)
    return answer[0]


def read_block(port, address, length):
    expect(command(port, 0x14, address, length) & 0xF0 == 0x80, "read got no data frame")
    head = port.read(3)
    expect(len(head) == 3 and head[0] == 0 and head[1] == head[2] == length, "bad frame head %r" % head)
    rest = port.read(length + 2)
    expect(len(rest) == length + 2, "short data frame")
    expect(checksum(bytes([0x80]) + head + rest[:length]) == rest[length:], "bad frame checksum")
    return rest[:length]


def application_phase(port):
    port.write(b"S{10,3}")
    line = read_line(port)
    expect(b"Quorrel Apex" in line, "identify answered %r" % line)
    print("identified", flush=True)
    port.write(b"S{10,w,QRA7654321}")
    time.sleep(0.2)
    port.reset_input_buffer()
    port.write(b"S{10,r}")
    line = read_line(port)
    expect(b"QRA7654321" in line, "serial number read back as %r" % line)
    print("serial number written and read back", flush=True)


def enter_loader(port):
    for dtr, rts in ((True, True), (False, True), (False, False), (False, True), (False, False),
                     (True, False), (True, True)):
        port.dtr = dtr
        port.rts = rts
    port.apply_settings({"baudrate": 9600, "parity": serial.PARITY_EVEN})
    time.sleep(0.25)


def loader_phase(port):
    erase = frame(0x18, 0xFF00, 0xA506)
    expect(erase == bytes.fromhex("80180404 00FF06A5 7DB9"), "erase frame %s" % erase.hex())
    expect(command(port, 0x18, 0xFF00, 0xA506) & 0xF0 == 0x90, "mass erase refused")
    print("loader answers", flush=True)
    expect(command(port, 0x10, 0xFFE0, 0x20, b"\xFF" * 32) & 0xF0 == 0x90, "password refused")
    expect(read_block(port, 0xFFE0, 32) == b"\xFF" * 32, "erased password area not FF")
    expect(command(port, 0x12, BLOCK_ADDRESS, len(PATTERN), PATTERN) & 0xF0 == 0x90, "write refused")
    back = read_block(port, BLOCK_ADDRESS, len(PATTERN))
    expect(back == PATTERN, "read back %s" % back.hex())
    print("block written and read back", flush=True)


def main():
    url = "rfc2217://127.0.0.1:%s" % sys.argv[1]
    port = serial.serial_for_url(url, baudrate=115200, timeout=2)
    try:
        application_phase(port)
        enter_loader(port)
        loader_phase(port)
    except Failure as failure:
        print("FAILED: %s" % failure, flush=True)
        return 1
    finally:
        port.close()
    print("ok", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
