"""Reads what the release checks need from built Windows files, without
running them: PE resources (version, manifest, type library) and the classes
and properties of an MSFT type library."""

import struct

RT_VERSION = 16
RT_MANIFEST = 24

TKIND_DISPATCH = 4
TKIND_COCLASS = 5


class FormatError(Exception):
    pass


def _u32(data, offset):
    if offset < 0 or offset + 4 > len(data):
        raise FormatError("read past the end at %d" % offset)
    return struct.unpack_from("<I", data, offset)[0]


def _u16(data, offset):
    if offset < 0 or offset + 2 > len(data):
        raise FormatError("read past the end at %d" % offset)
    return struct.unpack_from("<H", data, offset)[0]


def read_resources(path):
    """{(type, name): bytes} of a PE file; type and name are ints or strings
    (the first language of each)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"MZ":
        raise FormatError("%s: not a PE file" % path)
    pe = _u32(data, 0x3C)
    if data[pe:pe + 4] != b"PE\0\0":
        raise FormatError("%s: no PE signature" % path)
    sections = _u16(data, pe + 6)
    optional_size = _u16(data, pe + 20)
    optional = pe + 24
    magic = _u16(data, optional)
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva = _u32(data, directories + 2 * 8)
    if resource_rva == 0:
        return {}
    table = optional + optional_size
    spans = []
    for i in range(sections):
        s = table + 40 * i
        virtual_size, rva, raw_size, raw = struct.unpack_from("<IIII", data, s + 8)
        spans.append((rva, max(virtual_size, raw_size), raw))

    def file_offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise FormatError("RVA %#x is in no section" % rva)

    base = file_offset(resource_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, directory + 12)
        if named + ids > 4096:
            raise FormatError("implausible resource directory")
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = _u16(data, at)
                name = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    resources = {}
    for type_, type_dir in entries(base):
        if not type_dir & 0x80000000:
            continue
        for name, name_dir in entries(base + (type_dir & 0x7FFFFFFF)):
            if not name_dir & 0x80000000:
                continue
            for _language, leaf in entries(base + (name_dir & 0x7FFFFFFF)):
                rva, size = struct.unpack_from("<II", data, base + (leaf & 0x7FFFFFFF))
                at = file_offset(rva)
                if at + size > len(data):
                    raise FormatError("resource past the end of the file")
                resources.setdefault((type_, name), data[at:at + size])
    return resources


def file_version(path):
    """The FILEVERSION of the version resource as four numbers."""
    version = read_resources(path).get((RT_VERSION, 1))
    if version is None:
        raise FormatError("%s: no version resource" % path)
    at = version.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        raise FormatError("%s: no VS_FIXEDFILEINFO" % path)
    ms, ls = struct.unpack_from("<II", version, at + 8)
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def manifest(path):
    """The application manifest (resource 24/1) as text, or None."""
    data = read_resources(path).get((RT_MANIFEST, 1))
    return None if data is None else data.decode("utf-8")


def _guid(data, offset):
    d1, d2, d3 = struct.unpack_from("<IHH", data, offset)
    d4 = data[offset + 8:offset + 16]
    return "{%08X-%04X-%04X-%s-%s}" % (d1, d2, d3, d4[:2].hex().upper(), d4[2:].hex().upper())


class TypeInfo:
    def __init__(self, kind, name, guid, members):
        self.kind, self.name, self.guid, self.members = kind, name, guid, members


def read_type_library(data):
    """The type infos of an MSFT type library: kind, name, GUID and the names
    of its functions and variables (a dispinterface's properties)."""
    if data[:4] != b"MSFT":
        raise FormatError("not an MSFT type library")
    varflags = _u32(data, 0x14)
    count = _u32(data, 0x20)
    if count > 1024:
        raise FormatError("implausible type info count")
    at = 0x54 + (4 if varflags & 0x100 else 0)
    typeinfo_offsets = at
    segments = at + 4 * count

    def segment(index):
        return _u32(data, segments + 16 * index)

    typeinfo_table, guid_table, name_table = segment(0), segment(5), segment(7)

    def name(offset):
        at = name_table + offset
        length = _u32(data, at + 8) & 0xFF
        return data[at + 12:at + 12 + length].decode("latin-1")

    infos = []
    for i in range(count):
        base = typeinfo_table + _u32(data, typeinfo_offsets + 4 * i)
        kind = _u32(data, base) & 0xF
        memoffset = _u32(data, base + 4)
        elements = _u32(data, base + 0x18)
        functions, variables = elements & 0xFFFF, elements >> 16
        total = functions + variables
        members = []
        if total:
            if total > 4096:
                raise FormatError("implausible member count")
            record_length = _u32(data, memoffset)
            # Behind the records: the member ids, then the name offsets.
            names = memoffset + 4 + record_length + 4 * total
            members = [name(_u32(data, names + 4 * k)) for k in range(total)]
        infos.append(TypeInfo(kind, name(_u32(data, base + 0x34)),
                              _guid(data, guid_table + _u32(data, base + 0x2C)), members))
    return infos


def control_type_library(ocx):
    """(coclass, dispinterface) of the type library in a control module."""
    tlb = read_resources(ocx).get(("TYPELIB", 1))
    if tlb is None:
        raise FormatError("%s: no TYPELIB resource" % ocx)
    infos = read_type_library(tlb)
    coclasses = [t for t in infos if t.kind == TKIND_COCLASS]
    # The default dispinterface is the one with properties; the event
    # interface has none.
    dispatch = [t for t in infos if t.kind == TKIND_DISPATCH and t.members]
    if len(coclasses) != 1 or len(dispatch) != 1:
        raise FormatError("%s: expected one coclass and one dispinterface with properties" % ocx)
    return coclasses[0], dispatch[0]
