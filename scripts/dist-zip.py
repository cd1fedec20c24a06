#!/usr/bin/env python3
"""Writes the release archive for scripts/dist.sh.

  dist-zip.py STAGE TOP ARCHIVE [--tree]

STAGE/TOP must hold the release's files, each of them and nothing else, none
empty; with --tree (the teacher kit), whatever files and folders it holds,
none empty. ARCHIVE gets the folder TOP/ and those files in it, deflated,
their names stored as UTF-8 and marked so, with their Unix permissions.
"""
import os, sys, zipfile

if len(sys.argv) not in (4, 5) or sys.argv[4:] not in ([], ['--tree']):
    sys.exit(__doc__)
stage, top, target = sys.argv[1:4]
folder = os.path.join(stage, top)
if sys.argv[4:]:
    members = sorted(os.path.relpath(os.path.join(d, f), folder).replace(os.sep, '/')
                     for d, _, files in os.walk(folder) for f in files)
else:
    members = ['tessaly.exe', 'krnln.fnr', '填空题题库.db', '关键词.txt', 'math.ini', '说明.txt']
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
    folders = {'/'.join(name.split('/')[:i]) for name in members for i in range(1, name.count('/') + 1)}
    for sub in sorted(folders):
        archive.write(os.path.join(folder, sub), f'{top}/{sub}/')
    for name in members:
        archive.write(os.path.join(folder, name), f'{top}/{name}')
with zipfile.ZipFile(partial) as archive:
    bad = archive.testzip()
    if bad is not None:
        sys.exit(f'dist: {bad} does not read back whole')
os.replace(partial, target)
