#!/usr/bin/env python3
"""Writes the teacher kit's example folder from the rendered demo bank.

  teacher-kit-example.py RENDERED OUTDIR

RENDERED is the rendered demo bank, data/demo/rendered (pictures/ and
manifest.tsv). OUTDIR gets what a teacher starts from:
  题目表.csv       the questions: UTF-8 with a byte-order mark and CR LF line
                   ends, as a spreadsheet saves "CSV UTF-8", so that it opens
                   by a double click
  图片/            their pictures
  关键词列表.txt   the keywords students choose from (UTF-8)
The questions are some of the demo's 集合, 函数 and 三角函数 questions: the
keyword 函数 also selects the 三角函数 ones, which the guide shows.
"""
import csv, io, os, shutil, sys

QUESTIONS = ['q01', 'q02', 'q03', 'q08', 'q10', 'q16', 'q17']
KEYWORDS = ['集合', '函数', '三角函数']

if len(sys.argv) != 3:
    sys.exit(__doc__)
rendered, out = sys.argv[1:]
with open(os.path.join(rendered, 'manifest.tsv'), encoding='utf-8') as f:
    rows = list(csv.reader(f, delimiter='\t'))
header, rows = rows[0], rows[1:]
picture_columns = [header.index(name) for name in ('题目', '参考答案', '解答过程')]
chosen = [row for row in rows if row[picture_columns[0]].split('-')[0] in QUESTIONS]
if len(chosen) != len(QUESTIONS):
    sys.exit(f'teacher-kit-example: {rendered}/manifest.tsv lacks some of {QUESTIONS}')

os.makedirs(os.path.join(out, '图片'), exist_ok=True)
for row in chosen:
    for column in picture_columns:
        shutil.copyfile(os.path.join(rendered, 'pictures', row[column]), os.path.join(out, '图片', row[column]))
text = io.StringIO()
csv.writer(text, lineterminator='\r\n').writerows([header] + chosen)
with open(os.path.join(out, '题目表.csv'), 'w', encoding='utf-8-sig', newline='') as f:
    f.write(text.getvalue())
with open(os.path.join(out, '关键词列表.txt'), 'w', encoding='utf-8', newline='') as f:
    f.write(''.join(k + '\r\n' for k in KEYWORDS))
