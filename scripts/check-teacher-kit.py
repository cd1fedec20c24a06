#!/usr/bin/env python3
"""Checks the teachers' archive scripts/teacher-kit.sh makes, and unpacks it.

    scripts/check-teacher-kit.py check ZIP
        One line per check, "PASS what" or "FAIL what: why"; exit 1 if any failed.
          members — one folder tessaly-teacher-kit-VERSION (the program's
                    version) with the tools, 教师说明.txt, the question editor
                    (build/editor, the same bytes), the example (its editor
                    file 示例题库.zip, its
                    table, keyword list and every picture the table names, and
                    nothing else) and the server kit; nothing empty; a
                    non-ASCII name stored as UTF-8 with the UTF-8 flag;
                    serve.sh executable;
          tools   — each .exe the same bytes as the one built, importing only
                    DLLs every Windows has (no MinGW or library DLL to ship);
          guide   — 教师说明.txt: GBK, not also UTF-8, CR LF, its source with
                    the version filled in.

    scripts/check-teacher-kit.py unpack ZIP DIR
        Unpacks into DIR (refusing names that would land outside it) and
        prints the kit's folder and the number of questions in its example.
"""
import csv
import io
import os
import subprocess
import sys
import zipfile

from archive_checks import extract_inside, member_problems, notepad_text_problems, run_checks

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, 'build', 'win', 'bin')
VERSION_FILE = os.path.join(ROOT, 'build', 'native', 'tessaly-version.txt')
GUIDE = '教师说明.txt'
GUIDE_SOURCE = os.path.join(ROOT, 'data', 'teacher-kit', GUIDE)
TABLE = '示例/题目表.csv'
EXAMPLE_FILE = '示例/示例题库.zip'  # the example as a question editor file
SERVER = os.path.join(ROOT, 'server')
EDITOR = os.path.join(ROOT, 'build', 'editor')
# The tools a teacher runs on Windows.
TOOLS = ['banktool.exe', 'tessalyconfig.exe']
SERVER_FILES = ['serve.sh', 'nginx.conf.in', 'tessaly-updates.conf', 'tessaly-updates.service']
# The DLLs of every Windows x64 the program supports.
SYSTEM_DLLS = {'kernel32.dll', 'user32.dll', 'gdi32.dll', 'advapi32.dll', 'shell32.dll', 'ole32.dll',
               'oleaut32.dll', 'bcrypt.dll', 'msvcrt.dll', 'ws2_32.dll', 'shlwapi.dll', 'comctl32.dll',
               'crypt32.dll', 'version.dll'}


def example_pictures(table_bytes):
    rows = list(csv.reader(io.StringIO(table_bytes.decode('utf-8-sig'))))
    header = rows[0]
    columns = [header.index(name) for name in ('题目', '参考答案', '解答过程')]
    return rows[1:], {f'示例/图片/{row[c]}' for row in rows[1:] for c in columns}


def editor_files():
    """The question editor's files as built: {name in the kit: path}."""
    found = {}
    for folder, _, files in os.walk(EDITOR):
        for name in files:
            full = os.path.join(folder, name)
            found[os.path.relpath(full, EDITOR).replace(os.sep, '/')] = full
    return found


def check_members(archive, zip_path, top):
    problems = []
    if os.path.basename(zip_path) != top + '.zip':
        problems.append(f'the archive is named {os.path.basename(zip_path)}, expected {top}.zip')
    names = {i.filename: i for i in archive.infolist()}
    files = {n[len(top) + 1:] for n in names if not n.endswith('/')}
    if any(not n.startswith(top + '/') for n in names):
        problems.append(f'not everything is in the folder {top}/')
    editor = editor_files()
    expected = set(TOOLS) | {GUIDE, TABLE, '示例/关键词列表.txt', EXAMPLE_FILE} | {f'server/{n}' for n in SERVER_FILES} | set(editor)
    if '题库编辑器.html' not in editor:
        problems.append(f'the question editor is not built in {EDITOR}')
    for name, path in editor.items():
        with open(path, 'rb') as f:
            if f'{top}/{name}' in names and archive.read(f'{top}/{name}') != f.read():
                problems.append(f'{name} differs from {path}')
    if TABLE in files:
        expected |= example_pictures(archive.read(f'{top}/{TABLE}'))[1]
    if files != expected:
        problems.append(f'missing {sorted(expected - files)}, unexpected {sorted(files - expected)}')
    problems += member_problems(archive)
    serve = names.get(f'{top}/server/serve.sh')
    if serve and not (serve.external_attr >> 16) & 0o100:
        problems.append('server/serve.sh is not executable')
    return problems


def imported_dlls(path):
    dump = subprocess.run(['x86_64-w64-mingw32-objdump', '-p', path], capture_output=True, check=True, text=True)
    return {line.split('DLL Name:')[1].strip().lower() for line in dump.stdout.splitlines() if 'DLL Name:' in line}


def check_tools(archive, top):
    problems = []
    for name in TOOLS:
        built = os.path.join(BIN, name)
        try:
            data = archive.read(f'{top}/{name}')
        except KeyError:
            problems.append(f'{name} is missing')
            continue
        with open(built, 'rb') as f:
            if data != f.read():
                problems.append(f'{name} differs from {built}')
        others = imported_dlls(built) - SYSTEM_DLLS
        if others:
            problems.append(f'{name} needs {sorted(others)}, which Windows does not have')
    return problems


def check_guide(archive, top, version):
    try:
        data = archive.read(f'{top}/{GUIDE}')
    except KeyError:
        return [f'{GUIDE} is missing']
    return notepad_text_problems(GUIDE, data, GUIDE_SOURCE, version)[1]


def check(zip_path):
    with open(VERSION_FILE) as f:
        version = f.read().strip()
    top = f'tessaly-teacher-kit-{version}'
    return run_checks(zip_path, (('kit members', lambda archive: check_members(archive, zip_path, top)),
                                 ('kit tools', lambda archive: check_tools(archive, top)),
                                 ('kit guide', lambda archive: check_guide(archive, top, version))))


def unpack(zip_path, target):
    with zipfile.ZipFile(zip_path) as archive:
        folder = extract_inside(archive, target)
    with open(os.path.join(folder, *TABLE.split('/')), 'rb') as f:
        rows, _ = example_pictures(f.read())
    print(folder)
    print(len(rows))
    return 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == 'check':
        return check(sys.argv[2])
    if len(sys.argv) == 4 and sys.argv[1] == 'unpack':
        return unpack(sys.argv[2], sys.argv[3])
    sys.exit(__doc__)


if __name__ == '__main__':
    sys.exit(main())
