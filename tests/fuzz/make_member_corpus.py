#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_member_record into corpus/fuzz_member_record/.

Run from anywhere: python3 tests/fuzz/make_member_corpus.py. Each file is a
selector byte (0 record, 1 relation reply, 2 a stream of records) and a body.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "fuzz_member_record")


def text(value, width):
    data = value.encode("utf-8") if isinstance(value, str) else value
    return data[:width].ljust(width, b"\0")


def member(op=b"A", sex=b"F", mid="kim01", status=b"W", nick="박하", age=27, album=3,
           points=0, webcam=b"Y", taste=5, friend=b"N", blocked=b"N", buddy=b"N",
           topic="hello: there", stamp="2024/5/1/10/0/2"):
    body = (op + sex + text(mid, 13) + status + text(nick, 19) + text("77", 5) +
            struct.pack(">h", age) + text("서울", 16) + struct.pack(">h", album) +
            struct.pack(">i", points) + text(topic, 32) + friend + webcam +
            struct.pack(">h", taste) + text(stamp, 20) + blocked + text("학생&", 18) +
            b"\0" + buddy)
    assert len(body) == 141
    return body


def relation(status=b"S", action=b"A", mid="kim01", nick="박하", code=""):
    return status + action + text(mid, 13) + text(nick, 19) + text(code, 16)


def seeds():
    s = {}
    s["record_woman"] = b"\0" + member()
    s["record_man_points"] = b"\0" + member(sex=b"M", status=b"T", points=-123, taste=-1)
    s["record_zero_bytes"] = b"\0" + member(sex=b"\0", status=b"\0", webcam=b"\0", age=0,
                                            friend=b"\0", album=-1)
    s["record_full_slots"] = b"\0" + member(mid="abcdefghijklm", nick="A&B" * 7, stamp="9" * 20)
    s["record_short"] = b"\0" + member()[:140]
    s["relation_ok"] = b"\1" + relation()
    s["relation_refused"] = b"\1" + relation(status=b"F", action=b"B", code="BLOCKED_USER")
    s["relation_short"] = b"\1" + b"E"
    stream = (member(mid="a") + member(mid="b") + member(op=b"A", mid="a", nick="again") +
              member(op=b"U", mid="zz") + member(op=b"R", mid="b") + member(op=b"U", mid="a") +
              member(sex=b"M", mid="m") + member(op=b"X", mid="c"))
    s["stream_mixed"] = b"\2" + stream + b"\4"
    buddies = member(buddy=b"Y", mid="p") + member(buddy=b"N", mid="q")
    s["stream_buddies"] = b"\2" + buddies + b"\1"
    return s


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in seeds().items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
