#!/usr/bin/env python3
"""Prints the characters of GBK (and printable ASCII) as U+XXXX lines, the
repertoire the typesetter's font is cut to: everything the program's texts
can hold."""
points = set(range(0x20, 0x7F))
for lead in range(0x81, 0xFF):
    for trail in range(0x40, 0xFF):
        if trail == 0x7F:
            continue
        try:
            points.update(ord(c) for c in bytes([lead, trail]).decode('gbk'))
        except UnicodeDecodeError:
            pass
print('\n'.join('U+%04X' % p for p in sorted(points)))
