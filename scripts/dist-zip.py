#!/usr/bin/env python3
"""Writes the release archive for scripts/dist.sh.

  dist-zip.py STAGE TOP ARCHIVE

STAGE/TOP must hold the release's files, each of them and nothing else, none
empty. ARCHIVE gets the folder TOP/ and those files in it, deflated, their
names stored as UTF-8 and marked so.
"""
import os, sys, zipfile

if len(sys.argv) != 4:
    sys.exit(__doc__)
stage, top, target = sys.argv[1:]
members = ['tessaly.exe', 'krnln.fnr', '填空题题库.db', '关键词.txt', 'math.ini', '说明.txt']
folder = os.path.join(stage, top)
present = sorted(os.listdir(folder))
if present != sorted(members):
    sys.exit(f'dist: the staged folder holds {present}, expected {sorted(members)}')
for name in members:
    if os.path.getsize(os.path.join(folder, name)) == 0:
        sys.exit(f'dist: {name} is empty')
# Written beside the target and renamed into place, so that a failed run
# never leaves a partial archive under the final name.
partial = target + '.partial'
with zipfile.ZipFile(partial, 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    archive.write(folder, top + '/')
    for name in members:
        archive.write(os.path.join(folder, name), f'{top}/{name}')
with zipfile.ZipFile(partial) as archive:
    bad = archive.testzip()
    if bad is not None:
        sys.exit(f'dist: {bad} does not read back whole')
os.replace(partial, target)
