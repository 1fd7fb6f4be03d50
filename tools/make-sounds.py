#!/usr/bin/env python3
"""Writes short stand-ins for the two notification sounds, which belong to the
service and are not part of this tree: RqChat.wav (a chat request: two rising
tones) and MsgMusic.wav (a note: three soft chimes). 8-bit mono PCM at
11025 Hz; the same bytes every run.

    tools/make-sounds.py [output directory]     (default tray/res/sounds)

Notewell plays them by their bare names, so they belong beside Notewell.exe
(or in its working directory); without them the system's default sound plays.
"""
import math
import os
import sys
import wave

RATE = 11025


def tone(freq, seconds, volume=0.5):
    n = int(RATE * seconds)
    out = bytearray()
    for i in range(n):
        fade = min(1.0, i / 200.0, (n - i) / 400.0)
        out.append(int(128 + 127 * volume * fade * math.sin(2 * math.pi * freq * i / RATE)))
    return bytes(out)


def silence(seconds):
    return bytes([128]) * int(RATE * seconds)


SOUNDS = {
    "RqChat.wav": tone(660, 0.12) + silence(0.05) + tone(880, 0.18),
    "MsgMusic.wav": tone(1046, 0.10, 0.35) + silence(0.04) + tone(1318, 0.10, 0.35) + silence(0.04)
    + tone(1568, 0.22, 0.35),
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "tray", "res", "sounds")
    os.makedirs(out_dir, exist_ok=True)
    for name, frames in sorted(SOUNDS.items()):
        with wave.open(os.path.join(out_dir, name), "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(1)
            w.setframerate(RATE)
            w.writeframes(frames)


if __name__ == "__main__":
    main()
