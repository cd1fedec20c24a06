"""The check of a text shipped for Notepad on a Chinese Windows: GBK (and not
also valid UTF-8, which Notepad would take it for), CR LF line ends, and its
UTF-8 source with the version filled in and no placeholder left."""


def notepad_text_problems(name, data, source_path, version):
    """(the text, a list of problems); the text is None when it is not GBK."""
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
