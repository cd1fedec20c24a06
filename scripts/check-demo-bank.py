#!/usr/bin/env python3
"""Checks a rendered demo question bank before the bank tool reads it.

    scripts/check-demo-bank.py OUTDIR [KEYWORDS]

OUTDIR is what scripts/render-demo-bank.sh wrote: manifest.tsv and pictures/.
KEYWORDS defaults to data/demo/keywords.txt. Checks that
  - the manifest has the header 题目 参考答案 解答过程 单元 正答 错答 and every
    row all six fields, none empty;
  - 正答 and 错答 are non-negative integers; at least one question has no
    correct answers but some wrong ones, and one has no answers at all, so the
    program's difficulty text meets both cases;
  - 单元 is encodable in GBK (the program's texts are GBK) and names a keyword;
  - every keyword is the topic of at least 5 questions (a keyword found only
    inside a longer keyword, 函数 in 三角函数, does not count);
  - no two rows are the same and no picture is named twice;
  - every picture exists, is a whole PNG file no bigger than its board (the
    sizes the native build's typesetter-boards prints from the program's
    window definition), not tiny, and not one flat colour (it decodes the
    image data to see that).
Prints one line per fault and exits 1 if there is any.
"""
import json
import os
import re
import struct
import subprocess
import sys
import zlib

HEADER = ['题目', '参考答案', '解答过程', '单元', '正答', '错答']
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')


def boards():
    """The drawing boards' sizes by manifest column, from the window definition."""
    tool = os.path.join(ROOT, 'build', 'native', 'bin', 'typesetter-boards')
    try:
        listed = json.loads(subprocess.run([tool], check=True, capture_output=True, text=True).stdout)
    except (OSError, subprocess.CalledProcessError, ValueError) as e:
        sys.exit('check-demo-bank: cannot read the boards\' sizes from %s (run make build): %s' % (tool, e))
    return {b['column']: (b['width'], b['height']) for b in listed.values()}


MIN_W, MIN_H, MIN_BYTES = 40, 20, 100  # the answer "1" is about 200 bytes
MIN_PER_KEYWORD = 5


def png_fault(path, board):
    """None if path is a sound PNG picture that fits board, else what is wrong."""
    try:
        data = open(path, 'rb').read()
    except OSError as e:
        return 'cannot be read (%s)' % e.strerror
    if len(data) < MIN_BYTES:
        return 'only %d bytes' % len(data)
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        return 'not a PNG file'
    pos, chunks = 8, []
    while pos + 12 <= len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length:
            return 'cut short in chunk %r' % kind
        crc = struct.unpack('>I', data[pos + 8 + length:pos + 12 + length])[0]
        if zlib.crc32(kind + body) != crc:
            return 'bad CRC in chunk %r' % kind
        chunks.append((kind, body))
        pos += 12 + length
        if kind == b'IEND':
            break
    if not chunks or chunks[0][0] != b'IHDR' or chunks[-1][0] != b'IEND':
        return 'PNG chunks out of order or missing'
    w, h, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', chunks[0][1])
    if w > board[0] or h > board[1]:
        return '%d × %d, larger than its board %d × %d' % (w, h, board[0], board[1])
    if w < MIN_W or h < MIN_H:
        return '%d × %d, too small to hold text' % (w, h)
    if interlace:
        return 'interlaced (not expected from the render script)'
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(colour)
    if channels is None:
        return 'unknown colour type %d' % colour
    try:
        raw = zlib.decompress(b''.join(b for k, b in chunks if k == b'IDAT'))
    except zlib.error:
        return 'image data does not decompress'
    stride = (w * channels * depth + 7) // 8
    bpp = max(1, channels * depth // 8)
    if len(raw) != h * (stride + 1):
        return 'image data is %d bytes, expected %d' % (len(raw), h * (stride + 1))
    prev = bytearray(stride)
    values = set()
    for y in range(h):
        ftype = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if ftype == 1:
                line[i] = (line[i] + a) & 255
            elif ftype == 2:
                line[i] = (line[i] + b) & 255
            elif ftype == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif ftype == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
            elif ftype != 0:
                return 'unknown PNG filter %d' % ftype
        values.update(line)
        prev = line
    if len(values) < 2:
        return 'one flat colour: nothing drawn'
    return None


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    out = argv[1]
    keywords_path = argv[2] if len(argv) == 3 else os.path.join(ROOT, 'data', 'demo', 'keywords.txt')
    board_sizes = boards()
    faults = []
    keywords = [k for k in open(keywords_path, encoding='utf-8').read().splitlines() if k.strip()]
    if not keywords:
        faults.append('%s: no keywords' % keywords_path)
    try:
        text = open(os.path.join(out, 'manifest.tsv'), encoding='utf-8').read()
    except (OSError, UnicodeDecodeError) as e:
        print('manifest.tsv: cannot be read: %s' % e)
        return 1
    lines = text.split('\n')
    if lines and lines[-1] == '':
        lines.pop()
    if not lines or lines[0].split('\t') != HEADER:
        faults.append('manifest.tsv line 1: header must be ' + ' '.join(HEADER))
    rows = lines[1:]
    if not rows:
        faults.append('manifest.tsv: no questions')
    per_keyword = {k: 0 for k in keywords}
    seen_rows, seen_names = {}, {}
    zero_right_some_wrong = both_zero = False
    for n, line in enumerate(rows, start=2):
        where = 'manifest.tsv line %d' % n
        cells = line.split('\t')
        if len(cells) != len(HEADER):
            faults.append('%s: %d fields, expected %d' % (where, len(cells), len(HEADER)))
            continue
        rec = dict(zip(HEADER, cells))
        for col in HEADER:
            if rec[col].strip() == '':
                faults.append('%s, column %s: empty' % (where, col))
        if line in seen_rows:
            faults.append('%s: the same row as line %d' % (where, seen_rows[line]))
        seen_rows[line] = n
        counts = []
        for col in ('正答', '错答'):
            if re.fullmatch(r'[0-9]+', rec[col]):
                counts.append(int(rec[col]))
            else:
                faults.append('%s, column %s: %r is not a non-negative integer' % (where, col, rec[col]))
        if len(counts) == 2:
            zero_right_some_wrong |= counts[0] == 0 and counts[1] > 0
            both_zero |= counts == [0, 0]
        unit = rec['单元']
        try:
            unit.encode('gbk')
        except UnicodeEncodeError:
            faults.append('%s, column 单元: %r cannot be encoded in GBK' % (where, unit))
        named = False
        for k in keywords:
            rest = unit
            for longer in keywords:
                if longer != k and k in longer:
                    rest = rest.replace(longer, '')
            if k in rest:
                per_keyword[k] += 1
            named |= k in unit
        if not named:
            faults.append('%s, column 单元: %r names no keyword' % (where, unit))
        for col, board in board_sizes.items():
            name = rec[col]
            if not name:
                continue
            if name in seen_names:
                faults.append('%s, column %s: %s is also used on line %d' % (where, col, name, seen_names[name]))
            seen_names[name] = n
            if '/' in name or '\\' in name or name.startswith('.'):
                faults.append('%s, column %s: %r is not a plain file name' % (where, col, name))
                continue
            fault = png_fault(os.path.join(out, 'pictures', name), board)
            if fault:
                faults.append('%s, column %s: pictures/%s: %s' % (where, col, name, fault))
    for k, count in per_keyword.items():
        if count < MIN_PER_KEYWORD:
            faults.append('keyword %s: %d questions, at least %d wanted' % (k, count, MIN_PER_KEYWORD))
    if rows and not zero_right_some_wrong:
        faults.append('no question has 正答 0 with some 错答')
    if rows and not both_zero:
        faults.append('no question has both 正答 and 错答 0')
    for f in faults:
        print(f)
    if faults:
        print('check-demo-bank: %d fault(s) in %s' % (len(faults), out))
        return 1
    print('check-demo-bank: %d questions, %s'
          % (len(rows), ', '.join('%s %d' % (k, c) for k, c in per_keyword.items())))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
