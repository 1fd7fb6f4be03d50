#!/usr/bin/python3
"""Writes the seed corpus of fuzz_member_list_session into corpus/fuzz_member_list_session/.

Each seed is a list server's session: a login answer, member records added,
updated and removed, a relation answer, with mode changes and menu choices
between them, in the target's step encoding (one byte chooses the step; a
server slice of n bytes, n < 64, is the byte 4n).
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "fuzz_member_list_session")


def packet(command, kind, body):
    return struct.pack(">HHH", len(body), command, kind) + body


def record(op, member, sex=b"F", status=b"W", nick="미나", age=25):
    r = bytearray(141)
    r[0], r[1] = ord(op), sex[0]
    r[2:2 + len(member)] = member
    r[15] = status[0]
    n = nick.encode()
    r[16:16 + len(n)] = n
    struct.pack_into(">h", r, 40, age)
    r[97] = ord("Y")
    struct.pack_into(">h", r, 98, 5)
    r[100:119] = b"2026/12/10/20/00/01"
    return bytes(r)


def server(data):
    out = b""
    while data:
        chunk, data = data[:63], data[63:]
        out += bytes([len(chunk) * 4]) + chunk
    return out


def relation(status, action, member):
    body = bytearray(50)
    body[0], body[1] = ord(status), ord(action)
    body[2:2 + len(member)] = member
    return bytes(body)


LOGIN = server(packet(1001, 2, b"S"))
seeds = {
    "list-grows-and-shrinks": LOGIN + server(packet(1003, 4, record("A", b"mina")) +
                                             packet(1003, 4, record("A", b"sora", status=b"T")) +
                                             packet(1003, 4, record("U", b"mina", age=26)) +
                                             packet(1003, 4, record("R", b"sora"))),
    "mode-changes-between-records": LOGIN + server(packet(1003, 4, record("A", b"mina"))) + bytes([1 | 4 | 8]) +
    server(packet(1003, 4, record("A", b"minsu", sex=b"M"))) + bytes([1]) + bytes([1 | 8]),
    "block-answered": LOGIN + server(packet(1003, 4, record("A", b"mina"))) + bytes([2, 0]) +
    server(packet(1004, 2, relation("S", "B", b"mina"))) + bytes([3, 3 | 4]),
    "forged-length": LOGIN + server(packet(1003, 4, record("A", b"mina")) + b"\x80\x00\x03\xeb\x00\x04"),
}
os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
