#!/usr/bin/env python3
"""Writes the file tree the test nginx serves:
  主机运行标志.txt   (name in GBK bytes) the one-byte flag file
  zentra/two.txt     a two-byte file
  zentra/big.bin     50 MiB; MiB k is a fixed pattern with k in its first four bytes
                     (little-endian), so a client can check every byte
"""
import os
import struct
import sys

MIB = 1 << 20
BIG_MIBS = 50


def pattern():
    # Byte i of each MiB: (i * 131 + (i >> 9)) mod 256.
    return bytearray(((i * 131) + (i >> 9)) & 0xFF for i in range(MIB))


def main(www):
    os.makedirs(os.path.join(www, "zentra"), exist_ok=True)
    flag = os.path.join(os.fsencode(www), "主机运行标志.txt".encode("gbk"))
    with open(flag, "wb") as f:
        f.write(b"1")
    with open(os.path.join(www, "zentra", "two.txt"), "wb") as f:
        f.write(b"1\n")
    big = os.path.join(www, "zentra", "big.bin")
    if not os.path.exists(big) or os.path.getsize(big) != BIG_MIBS * MIB:
        block = pattern()
        with open(big + ".part", "wb") as f:
            for k in range(BIG_MIBS):
                block[0:4] = struct.pack("<I", k)
                f.write(block)
        os.replace(big + ".part", big)


if __name__ == "__main__":
    main(sys.argv[1])
