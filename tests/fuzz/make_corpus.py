#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into corpus/<target>/.

Run from anywhere: python3 tests/fuzz/make_corpus.py. The files are small
binary packets, records and texts of the layouts.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def text(value, width):
    data = value.encode("utf-8") if isinstance(value, str) else value
    return data[:width].ljust(width, b"\0")


def packet(command, kind, body):
    return struct.pack(">HHH", len(body), command, kind) + body


def incoming_record(flag=b"S", sex=b"F"):
    return (text("kim01", 13) + text("박하", 19) + sex + struct.pack(">H", 27) +
            text("student", 19) + text("Seoul", 16) + text("hello there", 32) +
            struct.pack(">h", -1) + text("12345", 5) + flag + struct.pack(">i", -1500))


def note_record(note, n=None):
    body = note.encode("utf-8")
    length = len(body) if n is None else n
    return (text("lee", 13) + text("Nick", 19) + struct.pack(">H", 31) + b"M" +
            text("office", 19) + text("Daegu", 16) + text("topic", 32) +
            struct.pack(">h", 7) + text("77", 5) + struct.pack(">i", 123456) +
            struct.pack(">H", length) + body)


def decision(code=b"A", address="10.1.2.3"):
    return (text("choi", 13) + code + text("K" * 32, 32) + text(address, 16) +
            text("CANCELED", 16))


def bodies_seeds():
    s = {}
    s["login_ok"] = packet(2001, 2, b"S")
    s["login_refused"] = packet(2001, 2, b"F")
    s["keepalive_answer"] = packet(2002, 2, b"")
    s["request_answer_refused"] = packet(2003, 2, b"SR" + text("lee", 13) + text("", 16) + b"Y")
    s["request_answer_fail"] = packet(2004, 2, b"FA" + text("lee", 13) + text("ALREADYCHATTING", 16) + b"N")
    s["incoming_request"] = packet(2003, 4, incoming_record())
    s["incoming_points_short"] = packet(2004, 4, incoming_record(flag=b"N", sex=b"M"))
    s["answer_result"] = packet(2005, 2, b"FA" + text("park", 13) + text("NO_SUCH_USER_M", 16))
    s["decision_agreed"] = packet(2006, 4, decision())
    s["decision_no_server"] = packet(2006, 2, decision(address="0.0.0.0"))
    s["decision_cancel"] = packet(2006, 4, decision(code=b"C"))
    s["note_answer"] = packet(2007, 2, b"F" + text("lee", 13) + text("SHORT_CASH", 16))
    s["note_received"] = packet(2007, 4, note_record("안녕하세요 hello"))
    s["note_empty"] = packet(2007, 4, note_record(""))
    s["note_length_past_body"] = packet(2007, 4, note_record("abc", n=40))
    s["session_end"] = packet(2010, 4, b"O")
    s["chat_check"] = packet(2011, 2, b"S" + text("ALL", 13) + text("", 16))
    s["unknown_command"] = packet(2009, 4, b"")
    # Selector form: one byte naming the parser, then a body.
    s["sel_incoming_short"] = bytes([2]) + incoming_record()[:113]
    s["sel_note"] = bytes([6]) + note_record("x")
    s["sel_result_field"] = bytes([9]) + text("NO_SUCH_USER", 16)
    s["sel_note_builder"] = bytes([10]) + ("가" * 20).encode("utf-8")
    return s


def records_seeds():
    note = text("kim01", 13) + text("Nick", 19) + struct.pack("<h", 25) + text("F", 2)
    chat = (text("lee", 13) + text("Nick", 19) + text("M", 2) + struct.pack("<h", 33) +
            text("engineer", 46) + text("Seoul", 16) + struct.pack("<h", 6) + text("123", 5) +
            text("let's talk", 151) + struct.pack("<i", 45000))
    assert len(note) == 36 and len(chat) == 260
    s = {}
    s["read_note"] = bytes([0]) + note
    s["read_note_short"] = bytes([0]) + note[:35]
    s["read_chat"] = bytes([1]) + chat
    s["read_chat_full_slots"] = bytes([1]) + b"B" * 260
    s["pack_note"] = bytes([2]) + b"kim01/Nick/F/25"
    s["pack_note_long_id"] = bytes([2]) + b"abcdefghijklm/n/M/70000"
    s["pack_chat"] = bytes([3]) + b"lee/Nick/M/33/engineer/Seoul/6/123/let's talk/45000"
    s["pack_chat_three"] = bytes([3]) + b"lee/Nick/F"
    s["atoi"] = bytes([4]) + b" \t-2147483649xyz"
    return s


def command_line_seeds():
    return {
        "gatekin_line": b"Notewell.exe kim01/secret/F/SESS42/10.0.0.1",
        "quoted_name": b"\"C:\\Program Files\\Notewell.exe\"  a/b/M/s/1.2.3.4/extra",
        "no_identity": b"Notewell.exe ////",
        "version": b"1, 0, 0, 46",
        "result_code": b"NO_SUCH_USER_M",
    }


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def main():
    write("fuzz_bodies", bodies_seeds())
    write("fuzz_records", records_seeds())
    write("fuzz_command_line", command_line_seeds())


if __name__ == "__main__":
    main()
