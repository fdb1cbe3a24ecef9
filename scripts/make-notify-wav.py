#!/usr/bin/env python3
"""Writes resources/Sounds/Notify.wav: two short soft tones (a reminder chime) of our own making."""
import math
import struct
import sys
import wave

RATE = 22050


def tone(freq, seconds, volume=0.45):
    n = int(RATE * seconds)
    out = []
    for i in range(n):
        t = i / RATE
        # A quick rise and an exponential fall, so the tone does not click.
        env = min(1.0, i / (RATE * 0.01)) * math.exp(-4.0 * t / seconds)
        out.append(volume * env * (math.sin(2 * math.pi * freq * t) + 0.25 * math.sin(4 * math.pi * freq * t)))
    return out


def main(path):
    samples = tone(880.0, 0.22) + [0.0] * int(RATE * 0.04) + tone(1174.7, 0.34)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32767)) for s in samples))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/Sounds/Notify.wav")
