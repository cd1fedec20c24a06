#!/usr/bin/env python3
"""Checks the archive scripts/dist.sh makes, and unpacks it for a run.

    scripts/check-dist.py check ZIP [NAME=VALUE ...]
        One line per check, "PASS what" or "FAIL what: why"; exit 1 if any failed.
        NAME=VALUE: a setting the packed program must hold (tessalyconfig's
        names, e.g. public-update-host=updates.school.example); the others
        must be the build's.
          members  — one folder tessaly-VERSION (VERSION: 主程序版本 in the
                     demo bank's math.ini, also in the archive's own math.ini
                     and the archive's name) holding exactly tessaly.exe,
                     krnln.fnr, 填空题题库.db, 关键词.txt, math.ini and 说明.txt;
                     every member reads back whole; a non-ASCII name is stored
                     as UTF-8 with the UTF-8 flag, so that Windows shows it;
          contents — each file the same bytes as the one built; tessaly.exe
                     the one built given the packed program's settings
                     (build/native/bin/tessalyconfig), so nothing else differs;
          settings — the packed program's settings, read back, are the ones
                     asked for, the build's where none was asked for;
          version  — the archive's math.ini offers the version the program
                     runs, so a student is never offered an "upgrade" to it:
                     its 主程序版本 is the version in the main window's
                     caption (read with build/native/bin/image_dump from the
                     program image, which tessaly.exe must hold byte for
                     byte but for its settings), and the FileVersion and ProductVersion of
                     tessaly.exe's and krnln.fnr's version resources;
          read-me  — 说明.txt is GBK and not also valid UTF-8 (Notepad would
                     take it for UTF-8), every line ends in CR LF, it is
                     data/dist/说明.txt with the version filled in, and the
                     error message it explains is the one tessaly.exe holds.

    scripts/check-dist.py unpack ZIP DIR
        Unpacks into DIR (refusing names that would land outside it) and prints
        three lines: the program folder, the number of questions in its bank,
        and the error message the read-me explains.
"""
import os
import pathlib
import re
import sqlite3
import struct
import subprocess
import sys
import tempfile
import zipfile

from archive_checks import extract_inside, member_problems, notepad_text_problems, run_checks
from pe_version import version_strings

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(ROOT, 'build', 'win', 'bin')
BANK = os.path.join(ROOT, 'build', 'demo', 'bank')
README_SOURCE = os.path.join(ROOT, 'data', 'dist', '说明.txt')
IMAGE = os.path.join(ROOT, 'build', 'native', 'tessaly.img')
IMAGE_DUMP = os.path.join(ROOT, 'build', 'native', 'bin', 'image_dump')
CONFIG = os.path.join(ROOT, 'build', 'native', 'bin', 'tessalyconfig')
PRODUCT_NAME = '《Tessaly》之填空题练习'
MAIN_WINDOW = '0x52010001'  # the main window's identifier in the window definition
FILES = {
    'tessaly.exe': os.path.join(BIN, 'tessaly.exe'),
    'krnln.fnr': os.path.join(BIN, 'krnln.fnr'),
    '填空题题库.db': os.path.join(BANK, '填空题题库.db'),
    '关键词.txt': os.path.join(BANK, '关键词.txt'),
    'math.ini': os.path.join(BANK, 'math.ini'),
}
README = '说明.txt'


def program_version(ini_bytes):
    """主程序版本 of section 版本信息 of a GBK INI file, or None."""
    section = None
    for line in ini_bytes.decode('gbk').splitlines():
        line = line.strip()
        if line.startswith('[') and line.endswith(']'):
            section = line[1:-1].strip()
        elif section == '版本信息' and '=' in line:
            key, value = line.split('=', 1)
            if key.strip() == '主程序版本':
                return value.strip()
    return None


def quoted_error(readme_text):
    """The English message the read-me quotes, or None."""
    m = re.search(r'“([^”]*kernel library[^”]*)”', readme_text)
    return m.group(1) if m else None


def check_members(archive, zip_path):
    problems = []
    with open(FILES['math.ini'], 'rb') as f:
        version = program_version(f.read())
    if not version:
        return [f'no 主程序版本 in {FILES["math.ini"]}']
    top = f'tessaly-{version}'
    if os.path.basename(zip_path) != top + '.zip':
        problems.append(f'the archive is named {os.path.basename(zip_path)}, expected {top}.zip')
    names = [i.filename for i in archive.infolist()]
    if len(names) != len(set(names)):
        problems.append(f'a name occurs twice: {names}')
    files = sorted(n for n in names if not n.endswith('/'))
    folders = sorted(n for n in names if n.endswith('/'))
    expected = sorted(f'{top}/{n}' for n in list(FILES) + [README])
    if files != expected:
        problems.append(f'the files are {files}, expected {expected}')
    if folders not in ([], [top + '/']):
        problems.append(f'unexpected folders {folders}')
    problems += member_problems(archive)
    if f'{top}/math.ini' in names:
        inner = program_version(archive.read(f'{top}/math.ini'))
        if inner != version:
            problems.append(f'the archive\'s math.ini says 主程序版本={inner}, expected {version}')
    return problems


def member(archive, name):
    """A member's bytes by its name inside the one top folder, or None."""
    for info in archive.infolist():
        if info.filename.split('/', 1)[-1] == name and not info.filename.endswith('/'):
            return archive.read(info)
    return None


def settings_of(data):
    """The settings tessalyconfig reads from a program's bytes, by name."""
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, 'tessaly.exe')
        with open(path, 'wb') as f:
            f.write(data)
        shown = subprocess.run([CONFIG, 'show', path], capture_output=True, check=True).stdout.decode('utf-8')
    return dict(line.split('=', 1) for line in shown.splitlines())


def with_settings(path, settings):
    """The bytes of the program or image at `path` given these settings."""
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, os.path.basename(path))
        args = [a for name, value in settings.items() for a in ('--' + name, value)]
        subprocess.run([CONFIG, 'set', path, '--out', out] + args, capture_output=True, check=True)
        with open(out, 'rb') as f:
            return f.read()


def check_contents(archive):
    problems = []
    for name, built in FILES.items():
        data = member(archive, name)
        if data is None:
            problems.append(f'{name} is missing')
            continue
        if name == 'tessaly.exe':
            try:
                expected = with_settings(built, settings_of(data))
            except (OSError, subprocess.CalledProcessError) as e:
                problems.append(f'{name}: {CONFIG} failed: {e}')
                continue
        else:
            with open(built, 'rb') as f:
                expected = f.read()
        if data != expected:
            problems.append(f'{name} differs from {built}' + (' given its settings' if name == 'tessaly.exe' else ''))
    return problems


def check_settings(archive, asked):
    try:
        with open(FILES['tessaly.exe'], 'rb') as f:
            expected = settings_of(f.read())
        packed = settings_of(member(archive, 'tessaly.exe') or b'')
    except (OSError, subprocess.CalledProcessError) as e:
        return [f'{CONFIG} failed: {e}']
    unknown = set(asked) - set(expected)
    if unknown:
        return [f'no such setting: {sorted(unknown)}']
    expected.update(asked)
    return [f'{name}={packed.get(name)!r}, expected {value!r}' for name, value in expected.items()
            if packed.get(name) != value]


def image_caption():
    """The main window's caption in the program image, as image_dump prints it."""
    dump = subprocess.run([IMAGE_DUMP, IMAGE], capture_output=True, check=True).stdout.decode('utf-8')
    m = re.search(r'^\s*' + MAIN_WINDOW + r'\s.*?\stext "((?:[^"\\]|\\.)*)"', dump, re.M)
    return m.group(1) if m else None


def check_version(archive):
    version = program_version(member(archive, 'math.ini') or b'')
    if not version:
        return ['the archive\'s math.ini has no 主程序版本']
    problems = []
    program = member(archive, 'tessaly.exe') or b''
    try:
        image = with_settings(IMAGE, settings_of(program))
    except (OSError, subprocess.CalledProcessError) as e:
        image = None
        problems.append(f'{CONFIG} failed: {e}')
    if image is not None and image not in program:
        problems.append(f'tessaly.exe does not hold the program image {IMAGE}')
    try:
        caption = image_caption()
    except (OSError, subprocess.CalledProcessError) as e:
        problems.append(f'{IMAGE_DUMP} failed: {e}')
    else:
        if caption is None:
            problems.append(f'{IMAGE_DUMP} shows no caption of the main window ({MAIN_WINDOW})')
        elif caption != PRODUCT_NAME + version:
            problems.append(f'math.ini offers 主程序版本={version}, but the program\'s caption is "{caption}"')
    for name in ('tessaly.exe', 'krnln.fnr'):
        try:
            tables = version_strings(member(archive, name) or b'')
        except (ValueError, struct.error) as e:
            problems.append(f'{name}: the version resource does not read: {e}')
            continue
        if not tables:
            problems.append(f'{name} has no version resource strings')
        for table, strings in tables.items():
            for key in ('FileVersion', 'ProductVersion'):
                if strings.get(key) != version:
                    problems.append(f'{name}: {key} in table {table} is {strings.get(key)!r}, '
                                    f'math.ini offers {version}')
    return problems


def check_readme(archive):
    data = member(archive, README)
    if data is None:
        return [f'{README} is missing']
    version = program_version(member(archive, 'math.ini') or b'')
    text, problems = notepad_text_problems(README, data, README_SOURCE, version)
    if text is None:
        return problems
    error = quoted_error(text)
    program = member(archive, 'tessaly.exe') or b''
    if not error:
        problems.append(f'{README} quotes no "kernel library" error message')
    elif error.encode('ascii', 'replace') not in program:
        problems.append(f'the message "{error}" the read-me explains is not in tessaly.exe')
    for word in ('tessaly.exe', 'krnln.fnr', 'MathType'):
        if word not in text:
            problems.append(f'{README} does not mention {word}')
    return problems


def check(zip_path, asked):
    return run_checks(zip_path, (('members', lambda archive: check_members(archive, zip_path)),
                                 ('contents', check_contents),
                                 ('settings', lambda archive: check_settings(archive, asked)),
                                 ('version', check_version),
                                 ('read-me', check_readme)))


def unpack(zip_path, target):
    with zipfile.ZipFile(zip_path) as archive:
        folder = extract_inside(archive, target)
    bank_path = pathlib.Path(folder, '填空题题库.db')
    bank = sqlite3.connect(bank_path.as_uri() + '?mode=ro', uri=True)
    try:
        (count,) = bank.execute('SELECT COUNT(*) FROM QuestionBank').fetchone()
    finally:
        bank.close()
    with open(os.path.join(folder, README), 'rb') as f:
        error = quoted_error(f.read().decode('gbk'))
    if not error:
        sys.exit(f'{README} quotes no "kernel library" error message')
    print(folder)
    print(count)
    print(error)
    return 0


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == 'check' and all('=' in a for a in sys.argv[3:]):
        return check(sys.argv[2], dict(a.split('=', 1) for a in sys.argv[3:]))
    if len(sys.argv) == 4 and sys.argv[1] == 'unpack':
        return unpack(sys.argv[2], sys.argv[3])
    sys.exit(__doc__)


if __name__ == '__main__':
    sys.exit(main())
