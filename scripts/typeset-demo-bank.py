#!/usr/bin/env python3
"""Typesets the demo question bank for scripts/render-demo-bank.sh.

  typeset-demo-bank.py QUESTIONS.tsv KEYWORDS.txt FONT WORK

Validates every row of the questions, writes one MVG drawing per picture to
WORK/mvg (qNN-question, qNN-answer, qNN-solution) and the bank tool's manifest
to WORK/manifest.tsv; ImageMagick then draws the pictures. Fails with the
line, the question and the column named. render-demo-bank.sh describes the
pictures and what the typesetter does with characters the font lacks.
"""
import math, os, re, struct, subprocess, sys

if len(sys.argv) != 5:
    sys.exit(__doc__)
src, keywords_path, font_path, work = sys.argv[1:5]

class Font:
    """Advance widths and vertical metrics read from a TrueType (collection) file."""
    def __init__(self, path, face=0):
        data = open(path, 'rb').read()
        off = 0
        if data[:4] == b'ttcf':
            off = struct.unpack('>I', data[12 + 4 * face:16 + 4 * face])[0]
        ntables = struct.unpack('>H', data[off + 4:off + 6])[0]
        tables = {}
        for i in range(ntables):
            tag, _, toff, _ = struct.unpack('>4sIII', data[off + 12 + 16 * i:off + 28 + 16 * i])
            tables[tag] = toff
        self.upem = struct.unpack('>H', data[tables[b'head'] + 18:tables[b'head'] + 20])[0]
        hhea = tables[b'hhea']
        self.ascent, self.descent = struct.unpack('>hh', data[hhea + 4:hhea + 8])
        nhm = struct.unpack('>H', data[hhea + 34:hhea + 36])[0]
        hmtx = tables[b'hmtx']
        adv = struct.unpack('>%dH' % (2 * nhm), data[hmtx:hmtx + 4 * nhm])[0::2]
        cmap = tables[b'cmap']
        self.adv = {}
        for i in range(struct.unpack('>H', data[cmap + 2:cmap + 4])[0]):
            pid, eid, so = struct.unpack('>HHI', data[cmap + 4 + 8 * i:cmap + 12 + 8 * i])
            sub = cmap + so
            if (pid, eid) == (3, 10) and struct.unpack('>H', data[sub:sub + 2])[0] == 12:
                for g in range(struct.unpack('>I', data[sub + 12:sub + 16])[0]):
                    start, end, gid = struct.unpack('>III', data[sub + 16 + 12 * g:sub + 28 + 12 * g])
                    for cp in range(start, end + 1):
                        self.adv[chr(cp)] = adv[min(gid + cp - start, nhm - 1)]
        if not self.adv:
            sys.exit('render-demo-bank: no Unicode character map in ' + path)

font = Font(font_path)

# Widths as ImageMagick draws them: its glyphs are hinted, so the advance of
# a Latin letter or a maths sign differs from the font's design width by up to
# a pixel, which adds up along a line. So each such width is asked of
# ImageMagick once per size, as width('|c|') - width('||') so that a space has
# a width too. A CJK character is a full em (the size in pixels); three of them
# are measured as well to make sure that holds.
SIZES = (24, 22, 20, 18, 16, 15, 14, 12)
CJK_PROBES = '已知，'
widths = {}

def measure(chars):
    chars = sorted(set(c for c in chars if not is_cjk(c)) | set(CJK_PROBES))
    probes = ['||'] + ['|%s|' % c for c in chars]
    jobs = []
    for size in SIZES:
        args = ['convert', '-debug', 'annotate', 'xc:', '-font', font_path, '-pointsize', str(size)]
        for p in probes:
            args += ['-annotate', '0', p.replace('%', '%%')]
        args.append('null:')
        jobs.append((size, subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                            text=True, env=dict(os.environ, MAGICK_THREAD_LIMIT='1'))))
    for size, job in jobs:
        err = job.communicate()[1]
        found = [float(w) for w in re.findall(r'Metrics: text: .*?; width: ([0-9.]+);', err)]
        if job.returncode != 0 or len(found) != len(probes):
            sys.exit('render-demo-bank: ImageMagick did not measure the text at %d px:\n%s'
                     % (size, err[-2000:]))
        for c, w in zip(chars, found[1:]):
            widths[(c, size)] = w - found[0]
        for c in CJK_PROBES:
            if widths[(c, size)] != size:
                sys.exit('render-demo-bank: %r is %g px wide at %d px, not a full em'
                         % (c, widths[(c, size)], size))

def char_width(ch, size):
    if is_cjk(ch) and (ch, size) not in widths:
        if font.adv[ch] != font.upem:
            sys.exit('render-demo-bank: %r is not a full-width character' % ch)
        return float(size)
    return widths[(ch, size)]

SUB = dict(zip('₀₁₂₃₄₅₆₇₈₉₊₋₌₍₎ₙₖₘ', '0123456789+-=()nkm'))
SUP = dict(zip('⁰¹²³⁴⁵⁶⁷⁸⁹⁺⁻⁼⁽⁾ⁿˣ', '0123456789+-=()nx'))
SHOWN_AS = {'∅': 'Ø', '−': '-'}
BLANK = '＿'
# Fullwidth punctuation that must not begin a line, and that must not end one.
NO_LINE_START = set('，。、；：？！）」』】》〉”’…')
NO_LINE_END = set('（「『【《〈“‘')
SUB_DROP, SUP_RISE = 0.22, 0.40

def script_size(size):
    return {24: 16, 22: 15, 20: 14, 18: 12}[size]

class Bad(Exception):
    pass

def glyphs(text):
    """The text as (character drawn, style) pairs; style is '', 'sub', 'sup' or 'blank'."""
    out = []
    for ch in text:
        if ch in SUB:
            out.append((SUB[ch], 'sub'))
        elif ch in SUP:
            out.append((SUP[ch], 'sup'))
        elif ch == BLANK:
            out.append((ch, 'blank'))
        else:
            drawn = SHOWN_AS.get(ch, ch)
            if ord(drawn) < 0x20 or drawn not in font.adv:
                raise Bad('the font cannot draw %r (U+%04X)' % (ch, ord(ch)))
            out.append((drawn, ''))
    return out

def advance(g, size):
    ch, style = g
    if style == 'blank':
        return size
    return char_width(ch, script_size(size) if style in ('sub', 'sup') else size)

def is_cjk(ch):
    return ord(ch) >= 0x2E80

def units(gs):
    """Splits a paragraph into pieces that a line break may not cut: a CJK
    character, a formula (a run of other characters with the spaces inside
    it), or a blank. Fullwidth closing punctuation joins the piece before it;
    an opening bracket or a blank joins the character after it unless a space
    comes between. Returns (glyphs, space_before) pairs."""
    pieces = []          # [glyphs, kind, space_before]
    glue = False         # the next character joins the last piece
    space = False        # a space came before the next character
    for i, g in enumerate(gs):
        ch, style = g
        if g == (' ', ''):
            nxt = next((h for h in gs[i + 1:] if h != (' ', '')), None)
            if pieces and pieces[-1][1] == 'word' and not glue and nxt and not is_cjk(nxt[0]):
                pieces[-1][0].append(g)          # a space inside a formula
            else:
                space, glue = True, False
            continue
        kind = 'blank' if style == 'blank' else ('cjk' if is_cjk(ch) else 'word')
        last = pieces[-1] if pieces else None
        if last and ch in NO_LINE_START:
            last[0].append(g)
            last[1] = 'closed'
        elif last and (glue or (last[1] == kind and kind in ('word', 'blank') and not space)):
            last[0].append(g)
            last[1] = kind
        else:
            pieces.append([[g], kind, space])
        glue = ch in NO_LINE_END or style == 'blank'
        space = False
    return [(p[0], p[2]) for p in pieces]

def wrap(text, size, width):
    """Lines of glyphs no wider than width; paragraphs are separated by newlines."""
    lines = []
    space_w = char_width(' ', size)
    for para in text.split('\n'):
        line, x = [], 0.0
        for gs, space_before in units(glyphs(para)):
            # A formula in a paragraph keeps its trailing spaces out of the measure.
            while gs and gs[-1] == (' ', ''):
                gs = gs[:-1]
            w = sum(advance(g, size) for g in gs)
            gap = space_w if (space_before and line) else 0.0
            if line and x + gap + w > width:
                lines.append(line)
                line, x, gap = [], 0.0, 0.0
            if gap:
                line.append((' ', ''))
                x += gap
            for g in gs:
                a = advance(g, size)
                if line and x + a > width:       # a piece wider than a whole line
                    lines.append(line)
                    line, x = [], 0.0
                line.append(g)
                x += a
        lines.append(line)
    return lines

def mvg_text(s):
    return "'" + s.replace('\\', '\\\\').replace("'", "\\'") + "'"

def drawing(lines, size, colour, width, height, pad_x, top):
    """An MVG drawing of the lines; the first baseline sits at top + ascent."""
    ascent = font.ascent * size / font.upem
    leading = round(size * 1.5)
    cmds = ['viewbox 0 0 %d %d' % (width, height),
            'fill white', 'rectangle 0,0 %d,%d' % (width, height),
            "font '%s'" % font_path, 'fill %s' % colour, 'stroke none',
            'text-antialias 1']
    for n, line in enumerate(lines):
        base = top + ascent + n * leading
        x = float(pad_x)
        i = 0
        while i < len(line):
            style = line[i][1]
            j = i
            while j < len(line) and line[j][1] == style:
                j += 1
            run = line[i:j]
            w = sum(advance(g, size) for g in run)
            if style == 'blank':
                cmds += ['stroke %s' % colour, 'stroke-width 1.4',
                         'line %.2f,%.2f %.2f,%.2f' % (x + 1, base + 3, x + w - 1, base + 3),
                         'stroke none']
            else:
                s = script_size(size) if style in ('sub', 'sup') else size
                y = base + (SUB_DROP * size if style == 'sub' else -SUP_RISE * size if style == 'sup' else 0)
                cmds += ['font-size %.2f' % s,
                         'text %.2f,%.2f %s' % (x, y, mvg_text(''.join(g[0] for g in run)))]
            x += w
            i = j
    return '\n'.join(cmds) + '\n'

def height_of(lines, size, top, bottom):
    leading = round(size * 1.5)
    ascent = font.ascent * size / font.upem
    descent = -font.descent * size / font.upem
    return math.ceil(top + ascent + (len(lines) - 1) * leading + descent + bottom)

def line_width(line, size):
    return sum(advance(g, size) for g in line)

# The pictures: (size, colour, picture width, side padding, most height).
QUESTION = (22, 'black', 760, 10, 424)
SOLUTION = (20, 'black', 770, 10, 523)
ANSWER_W, ANSWER_H, ANSWER_PAD = 270, 56, 8

def paragraph_picture(text, style):
    size, colour, width, pad, most = style
    lines = wrap(text, size, width - 2 * pad)
    h = height_of(lines, size, 8, 8)
    if h > most:
        raise Bad('the picture would be %d px high, more than %d' % (h, most))
    return drawing(lines, size, colour, width, h, pad, 8)

def answer_picture(text):
    for size in (24, 22, 20, 18):
        lines = wrap(text, size, 10 ** 6)
        w = line_width(lines[0], size)
        if len(lines) == 1 and w <= ANSWER_W - 2 * ANSWER_PAD:
            ascent = font.ascent * size / font.upem
            descent = -font.descent * size / font.upem
            top = (ANSWER_H - ascent - descent) / 2
            return drawing(lines, size, '#1a3a8a', ANSWER_W, ANSWER_H, ANSWER_PAD, top)
    raise Bad('too long for one line of %d px, even at 18 px' % (ANSWER_W - 2 * ANSWER_PAD))

COLUMNS = ['编号', '单元', '正答', '错答', '题目', '参考答案', '解答过程']

keywords = [k.strip() for k in open(keywords_path, encoding='utf-8').read().splitlines() if k.strip()]
with open(src, encoding='utf-8', newline='') as f:
    rows = f.read().split('\n')
if rows and rows[-1] == '':
    rows.pop()
if not rows or rows[0].split('\t') != COLUMNS:
    sys.exit('render-demo-bank: %s: the header must be %s' % (src, '\\t'.join(COLUMNS)))

# Every character drawn, measured before any line is set.
drawn = {' '}
for raw in rows[1:]:
    for text in raw.split('\t')[4:7]:
        for ch in text.replace('\\n', ''):
            try:
                drawn.update(g[0] for g in glyphs(ch))
            except Bad:
                pass                     # reported with its row below
measure(drawn - {BLANK})

manifest = ['\t'.join(['题目', '参考答案', '解答过程', '单元', '正答', '错答'])]
seen_questions = {}
errors = []
for lineno, raw in enumerate(rows[1:], start=2):
    cells = raw.split('\t')
    where = '%s line %d' % (os.path.basename(src), lineno)
    if len(cells) != len(COLUMNS):
        errors.append('%s: %d fields, expected %d' % (where, len(cells), len(COLUMNS)))
        continue
    rec = dict(zip(COLUMNS, cells))
    qid = rec['编号']
    where += ' (%s)' % qid
    column = None
    try:
        for column in COLUMNS:
            v = rec[column]
            if v.strip() == '' or v != v.strip() or '\r' in v:
                raise Bad('empty, or with spaces or CR at either end')
        column = '编号'
        if qid != 'q%02d' % (lineno - 1):
            raise Bad('expected q%02d' % (lineno - 1))
        column = '单元'
        if not any(k in rec['单元'] for k in keywords):
            raise Bad('names none of the keywords ' + ' '.join(keywords))
        try:
            rec['单元'].encode('gbk')
        except UnicodeEncodeError:
            raise Bad('not encodable in GBK')
        for column in ('正答', '错答'):
            if not re.fullmatch(r'[0-9]+', rec[column]) or int(rec[column]) > 100000:
                raise Bad('not a count 0..100000')
        column = '题目'
        q = rec['题目']
        if len(re.findall('＿＿＿＿', q)) != 1 or q.count(BLANK) != 4:
            raise Bad('must hold exactly one blank ＿＿＿＿')
        if '\\' in q:
            raise Bad('a backslash')
        if q in seen_questions:
            raise Bad('the same question as ' + seen_questions[q])
        seen_questions[q] = qid
        question = paragraph_picture(q, QUESTION)
        column = '参考答案'
        if '\\' in rec['参考答案']:
            raise Bad('a backslash')
        answer = answer_picture(rec['参考答案'])
        column = '解答过程'
        steps = rec['解答过程'].split('\\n')
        if not 2 <= len(steps) <= 6 or any(s.strip() == '' for s in steps):
            raise Bad('must be 2 to 6 non-empty lines separated by \\n')
        if any('\\' in s for s in steps):
            raise Bad('a backslash other than \\n')
        solution = paragraph_picture('\n'.join(steps), SOLUTION)
    except Bad as e:
        errors.append('%s, column %s: %s' % (where, column, e))
        continue
    names = []
    for part, mvg in (('question', question), ('answer', answer), ('solution', solution)):
        name = '%s-%s' % (qid, part)
        with open(os.path.join(work, 'mvg', name + '.mvg'), 'w', encoding='utf-8') as f:
            f.write(mvg)
        names.append(name + '.png')
    manifest.append('\t'.join(names + [rec['单元'], rec['正答'], rec['错答']]))

if errors:
    sys.exit('render-demo-bank: bad rows:\n  ' + '\n  '.join(errors))
if len(manifest) == 1:
    sys.exit('render-demo-bank: %s holds no questions' % src)
with open(os.path.join(work, 'manifest.tsv'), 'w', encoding='utf-8', newline='\n') as f:
    f.write('\n'.join(manifest) + '\n')
