#!/usr/bin/env python3
"""Writes the sample firmware images of data/Firmware (Intel HEX).

Only Python 3's standard library is used. The output is deterministic: run it
again after a change here and commit the images with it.

Layout of an image (the simulated fitting reads the same places):
  flush valves (product types 1, 2):  flash 0x0000..0x3FFF,
      version major/minor at 0x3FFC/0x3FFD, signature "U4" at 0x3FFE/0x3FFF
  faucets, urinal, WC (types 3..7):    application 0x1800..0x7FFF,
      version major/minor at 0x7FFC/0x7FFD, signature "U4" at 0x7FFE/0x7FFF
"""
import os
import sys

OUT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "Firmware")


def code_bytes(seed, count):
    """Deterministic filler that looks like code (a linear congruential generator)."""
    value = seed
    out = bytearray()
    for _ in range(count):
        value = (value * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((value >> 16) & 0xFF)
    return bytes(out)


def trailer(major, minor, signature=b"U4"):
    """The last four bytes of an application: version, then the signature."""
    return bytes([major, minor]) + signature


def hex_line(address, record_type, data):
    body = bytes([len(data), (address >> 8) & 0xFF, address & 0xFF, record_type]) + data
    checksum = (-sum(body)) & 0xFF
    return ":" + body.hex().upper() + "%02X" % checksum


def to_hex(blocks, per_line=16, segment_record=False):
    """blocks: list of (address, bytes) below 64 KiB, written in order."""
    lines = []
    if segment_record:
        lines.append(hex_line(0, 0x04, bytes([0, 0])))
    for address, data in blocks:
        for offset in range(0, len(data), per_line):
            lines.append(hex_line(address + offset, 0x00, data[offset:offset + per_line]))
    lines.append(hex_line(0, 0x01, b""))
    return "\n".join(lines) + "\n"


def faucet_full(major, minor, signature=b"U4"):
    """A complete application area 0x1800..0x7FFF."""
    body = code_bytes(0x3A, 0x7FFC - 0x1800)
    return [(0x1800, body + trailer(major, minor, signature))]


IMAGES = {
    # name: (blocks, options)
    "flushvalve_V3.01.hex": (
        [(0x1000, code_bytes(0x11, 0x1440)), (0x3FF0, code_bytes(0x12, 12) + trailer(3, 1))], {}),
    "faucet_V4.02.hex": (faucet_full(4, 2), {}),
    "faucet_V4.03_gap.hex": (
        [(0x1800, code_bytes(0x21, 0x1000)), (0x6000, code_bytes(0x22, 0x400)),
         (0x7FF0, code_bytes(0x23, 12) + trailer(4, 3))], {}),
    "faucet_V4.04_extended_address.hex": (
        [(0x1800, code_bytes(0x31, 0x2000)), (0x7FF0, code_bytes(0x32, 12) + trailer(4, 4))],
        {"segment_record": True, "per_line": 32}),
    "faucet_wrong_signature.hex": (faucet_full(4, 5, b"U5"), {}),
}


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    for name, (blocks, options) in IMAGES.items():
        with open(os.path.join(OUT_DIR, name), "w", newline="\n") as out:
            out.write(to_hex(blocks, **options))
    return 0


if __name__ == "__main__":
    sys.exit(main())
