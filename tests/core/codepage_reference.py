#!/usr/bin/python3
"""Prints, for the bytes 0x80-0xFF, the Windows-1252 byte of the DOS code page 437
character (63, '?', when Windows-1252 lacks it), in hex, one per line."""
for b in range(0x80, 0x100):
    print("%02x" % bytes([b]).decode("cp437").encode("cp1252", errors="replace")[0])
