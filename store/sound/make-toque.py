#!/usr/bin/env python3
# Writes toque.wav, the order alert: two short rising tones (16 kHz, 16-bit mono, under half a
# second). Deterministic, so running it again gives the same bytes.
import math
import struct
import sys
import wave

RATE = 16000


def tone(freq, secs, volume=0.45):
    n = int(RATE * secs)
    fade = int(RATE * 0.01)
    out = []
    for i in range(n):
        env = min(1.0, i / fade, (n - 1 - i) / fade)
        out.append(volume * env * math.sin(2 * math.pi * freq * i / RATE))
    return out


samples = tone(880, 0.16) + [0.0] * int(RATE * 0.05) + tone(1318.5, 0.22)
path = sys.argv[1] if len(sys.argv) > 1 else "toque.wav"
with wave.open(path, "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(RATE)
    w.writeframes(b"".join(struct.pack("<h", int(round(s * 32767))) for s in samples))
