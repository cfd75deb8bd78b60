#!/usr/bin/env python3
"""uninstaller_version.py EXE NAME=VALUE...: sets strings of the version
resource of the Windows program EXE in place (FileDescription, InternalName,
OriginalFilename...), each in every string table it has.

makensis gives the uninstaller the installer's own version resource;
quillmoor.nsi runs this on the uninstaller before it goes into the
installer, so that its properties say what it is. The new resource must fit
where the old one was (it is rewritten in place, its size updated); a name
that the resource does not have yet is an error, as is any other surprise.
An NSIS program ends with the CRC-32 of everything after its first 512
bytes, which it checks when it starts: that is written anew.
"""
import struct
import sys
import zlib

RT_VERSION = 16


def fail(message):
    sys.exit("uninstaller_version.py: " + message)


def align4(n):
    return (n + 3) & ~3


def parse(buf, offset):
    """One node of VS_VERSIONINFO: [key, type, value length, value, children]."""
    length, value_length, kind = struct.unpack_from("<HHH", buf, offset)
    end = offset + length
    p = offset + 6
    key_end = p
    while buf[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = buf[p:key_end].decode("utf-16-le")
    p = align4(key_end + 2)
    size = value_length * 2 if kind == 1 else value_length
    value = bytes(buf[p:p + size])
    p = align4(p + size)
    children = []
    while p < end:
        child, child_end = parse(buf, p)
        children.append(child)
        p = align4(child_end)
    return [key, kind, value_length, value, children], end


def serialise(node):
    key, kind, value_length, value, children = node
    out = bytearray(6) + key.encode("utf-16-le") + b"\0\0"
    out += b"\0" * (align4(len(out)) - len(out))
    out += value
    for child in children:
        out += b"\0" * (align4(len(out)) - len(out))
        out += serialise(child)
    struct.pack_into("<HHH", out, 0, len(out), value_length, kind)
    return out


def set_strings(node, wanted, done):
    key, kind, value_length, value, children = node
    if key in wanted and not children:
        text = wanted[key] + "\0"
        node[2] = len(text)
        node[3] = text.encode("utf-16-le")
        done.add(key)
    for child in children:
        set_strings(child, wanted, done)


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: uninstaller_version.py EXE NAME=VALUE...")
    wanted = dict(arg.split("=", 1) for arg in sys.argv[2:])
    path = sys.argv[1]
    with open(path, "rb") as f:
        pe = bytearray(f.read())
    if zlib.crc32(pe[512:-4]) != struct.unpack_from("<I", pe, len(pe) - 4)[0]:
        fail(path + " does not end with the CRC of an NSIS program")
    header = struct.unpack_from("<I", pe, 0x3C)[0]
    if pe[header:header + 4] != b"PE\0\0":
        fail(path + " is not a Windows program")
    sections, optional_size = struct.unpack_from("<H12xH", pe, header + 6)
    optional = header + 24
    magic = struct.unpack_from("<H", pe, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    resource_rva = struct.unpack_from("<I", pe, directories + 2 * 8)[0]
    table = optional + optional_size
    section_list = [struct.unpack_from("<8xIIII", pe, table + 40 * i) for i in range(sections)]

    def file_offset(rva):
        for virtual_size, address, raw_size, raw in section_list:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        fail("address %#x is in no section" % rva)

    base = file_offset(resource_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", pe, directory + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", pe, directory + 16 + 8 * i)

    def subdirectory(directory, wanted_id=None):
        for name, target in entries(directory):
            if (wanted_id is None or name == wanted_id) and target & 0x80000000:
                return base + (target & 0x7FFFFFFF)
        fail("no version resource")

    languages = subdirectory(subdirectory(base, RT_VERSION))
    found = 0
    for _, target in entries(languages):
        entry = base + target
        rva, size = struct.unpack_from("<II", pe, entry)
        start = file_offset(rva)
        root, _ = parse(pe, start)
        done = set()
        set_strings(root, wanted, done)
        if done != set(wanted):
            fail("no string " + ", ".join(sorted(set(wanted) - done)))
        new = serialise(root)
        if len(new) > size:
            fail("the new version resource (%d bytes) does not fit in the old one's %d" % (len(new), size))
        pe[start:start + size] = bytes(new) + b"\0" * (size - len(new))
        struct.pack_into("<I", pe, entry + 4, len(new))
        found += 1
    if not found:
        fail("no version resource")
    struct.pack_into("<I", pe, len(pe) - 4, zlib.crc32(pe[512:-4]))
    with open(path, "wb") as f:
        f.write(pe)


main()
