"""Reads the version resource (VERSIONINFO) of a Windows program or library
from its bytes, as Explorer's 详细信息 page shows it, without Windows.

    version_strings(pe_bytes) -> {string table: {name: text}}
        e.g. {'080404B0': {'ProductName': '…', 'FileVersion': '1.0.2', …}};
        {} when the file has no version resource. ValueError when the bytes
        are not a PE file or its resource section is damaged.
"""
import struct

RT_VERSION = 16
TEXT = 1  # wType of a node whose value is text


def _u16(data, at):
    return struct.unpack_from('<H', data, at)[0]


def _u32(data, at):
    return struct.unpack_from('<I', data, at)[0]


def _align4(at):
    return (at + 3) & ~3


def _version_block(pe):
    """The bytes of the first RT_VERSION resource, or None."""
    header = _u32(pe, 0x3C)
    if pe[:2] != b'MZ' or pe[header:header + 4] != b'PE\0\0':
        raise ValueError('not a PE file')
    sections = _u16(pe, header + 6)
    optional = header + 24
    optional_size = _u16(pe, header + 20)
    # The data directories follow the optional header's fixed part, which is
    # longer in PE32+ (0x20B) files; the resource table is the third directory.
    directories = optional + (112 if _u16(pe, optional) == 0x20B else 96)
    resource_rva = _u32(pe, directories + 2 * 8)
    if resource_rva == 0:
        return None

    def offset(rva):
        for i in range(sections):
            s = optional + optional_size + 40 * i
            start, size, raw = _u32(pe, s + 12), max(_u32(pe, s + 8), _u32(pe, s + 16)), _u32(pe, s + 20)
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f'address {rva:#x} lies in no section')

    base = offset(resource_rva)

    def entry(directory, wanted=None):
        """The target of the directory's entry with this id (None: its first entry)."""
        count = _u16(pe, base + directory + 12) + _u16(pe, base + directory + 14)
        for i in range(count):
            at = base + directory + 16 + 8 * i
            if wanted is None or _u32(pe, at) == wanted:
                return _u32(pe, at + 4)
        return None

    # Type, then name, then language: the first name and language will do.
    target = entry(0, RT_VERSION)
    if target is None:
        return None
    for _ in range(2):
        if target is None or not target & 0x80000000:
            raise ValueError('the version resource is not where the resource directory says')
        target = entry(target & 0x7FFFFFFF)
    if target is None:
        return None
    data_rva, size = _u32(pe, base + target), _u32(pe, base + target + 4)
    start = offset(data_rva)
    return pe[start:start + size]


def _node(data, at):
    """One node of VS_VERSIONINFO at `at`: (key, value, children, length)."""
    length, value_length, kind = struct.unpack_from('<HHH', data, at)
    end = at + length
    if length < 6 or end > len(data):
        raise ValueError(f'a version node at {at} runs past the resource')
    key_end = at + 6
    while key_end + 1 < end and data[key_end:key_end + 2] != b'\0\0':
        key_end += 2
    key = data[at + 6:key_end].decode('utf-16-le')
    at = _align4(key_end + 2)
    value, children = None, []
    if value_length and kind == TEXT:
        # A string: its text up to the terminating zero, and no children.
        value = data[at:end].decode('utf-16-le', 'replace').split('\0', 1)[0]
        return key, value, children, length
    if value_length:
        value = data[at:at + value_length]
        at = _align4(at + value_length)
    while at < end:
        child = _node(data, at)
        children.append(child)
        at = _align4(at + child[3])
    return key, value, children, length


def version_strings(pe):
    block = _version_block(pe)
    if block is None:
        return {}
    key, _, children, _ = _node(block, 0)
    if key != 'VS_VERSION_INFO':
        raise ValueError(f'the version resource starts with "{key}", not VS_VERSION_INFO')
    tables = {}
    for child_key, _, child_children, _ in children:
        if child_key == 'StringFileInfo':
            for table, _, strings, _ in child_children:
                tables[table] = {name: value for name, value, _, _ in strings}
    return tables
