"""What the checks of the release's archives share: running the checks of an
archive, unpacking it safely, and the check of a text shipped for Notepad."""
import os
import sys
import zipfile


def run_checks(zip_path, checks):
    """Opens the archive and runs checks, (name, function of the archive giving
    a list of problems) each; prints "PASS name" or "FAIL name: why" per check
    and gives 1 when any failed."""
    try:
        archive = zipfile.ZipFile(zip_path)
    except (OSError, zipfile.BadZipFile) as e:
        print(f'FAIL {checks[0][0]}: {zip_path} does not open: {e}')
        return 1
    failed = 0
    with archive:
        for what, run in checks:
            problems = run(archive)
            failed += bool(problems)
            print(f'FAIL {what}: ' + '; '.join(problems) if problems else f'PASS {what}')
    return 1 if failed else 0


UTF8_FLAG = 0x800


def member_problems(archive):
    """What every member of a release archive must be: a non-ASCII name stored
    as UTF-8 with the UTF-8 flag (so that Windows shows it), no empty file,
    and every member reading back whole."""
    problems = []
    for info in archive.infolist():
        if not info.filename.isascii() and not info.flag_bits & UTF8_FLAG:
            problems.append(f'{info.filename} is not marked as a UTF-8 name')
        if not info.filename.endswith('/') and info.file_size == 0:
            problems.append(f'{info.filename} is empty')
    bad = archive.testzip()
    if bad is not None:
        problems.append(f'{bad} does not read back whole')
    return problems


def extract_inside(archive, target):
    """Unpacks into target, refusing (ending the script) any name that would
    land outside it and an archive that is not one folder; gives the path of
    that folder."""
    target = os.path.realpath(target)
    tops = set()
    for info in archive.infolist():
        path = os.path.realpath(os.path.join(target, info.filename))
        if os.path.isabs(info.filename) or not path.startswith(target + os.sep):
            sys.exit(f'{info.filename}: outside the folder it is unpacked into')
        tops.add(info.filename.split('/', 1)[0])
    if len(tops) != 1:
        sys.exit(f'the archive has {len(tops)} top folders, expected one')
    archive.extractall(target)
    return os.path.join(target, tops.pop())




def notepad_text_problems(name, data, source_path, version):
    """A text for Notepad on a Chinese Windows: GBK (and not also valid UTF-8,
    which Notepad would take it for), CR LF line ends, its UTF-8 source with
    the version filled in and no placeholder left. Gives (the text, a list of
    problems); the text is None when it is not GBK."""
    try:
        text = data.decode('gbk')
    except UnicodeDecodeError as e:
        return None, [f'{name} is not GBK: {e}']
    problems = []
    try:
        data.decode('utf-8')
        problems.append(f'{name} is also valid UTF-8, so Notepad may take it for UTF-8')
    except UnicodeDecodeError:
        pass
    if not data.endswith(b'\r\n') or data.count(b'\n') != data.count(b'\r\n') or data.count(b'\r') != data.count(b'\r\n'):
        problems.append(f'{name}: not every line ends in CR LF')
    with open(source_path, encoding='utf-8') as f:
        source = f.read().replace('\r', '')
    if text != source.replace('@VERSION@', version or '?').replace('\n', '\r\n'):
        problems.append(f'{name} is not {source_path} with the version filled in')
    if '@' in text:
        problems.append(f'{name} has a placeholder left: {text[text.index("@"):][:20]!r}')
    return text, problems
