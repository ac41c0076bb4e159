#!/usr/bin/env python3
"""Checks the resources of a built setup executable byte by byte.

    check_resources.py EXE --version X.Y.Z [--sources TOP --licence FILE --publisher NAME]
    check_resources.py --self-test EXE --version X.Y.Z [--sources TOP --licence FILE --publisher NAME]

The first form reads EXE's resource section and checks the directory (types, names,
languages, order, no timestamps), every icon image and icon group, the licence text, the
version block (file version X.Y.Z.0, product version string X.Y.Z: the build's version) and
the manifest. With --sources (the source tree's top folder) it also requires the icon images
and the manifest to be the very bytes of the files in host/resources and the licence those
of FILE (the build makes it from host/resources/licence.txt.in), naming the publisher NAME,
and takes the other product strings from core/product_names.h.

Failures are printed one per line, followed by a line "failed checks: ..." that names the
failing groups; the exit code is 1 when anything failed.

The second form proves the checks can fail: it tampers with a copy of EXE in memory, one
fault at a time, and requires each fault to be reported in its own group, while the
untouched copy must pass.
"""
import argparse
import os
import re
import struct
import sys
import xml.parsers.expat

import pefile

LANGUAGE = 0x0409
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST, LICENCE_TYPE = 3, 14, 16, 24, 256
APP_ICON = 1000
LOGO_GROUPS = (1020, 1021, 1022, 1023)
LICENCE_NAME = 1030
LICENCE_LIMIT = 4095

# (image id, group, width, height, bits per pixel)
IMAGES = (
    (1, APP_ICON, 16, 16, 32),
    (2, APP_ICON, 32, 32, 32),
    (3, APP_ICON, 48, 48, 32),
    (4, APP_ICON, 64, 64, 32),
    (5, 1020, 120, 41, 24),
    (6, 1021, 150, 52, 24),
    (7, 1022, 180, 62, 24),
    (8, 1023, 240, 83, 24),
)
# The .ico source of every image, for the byte comparison with --sources.
ICON_SOURCES = {
    APP_ICON: "host/resources/corvale.ico",
    1020: "host/resources/logo-120.ico",
    1021: "host/resources/logo-150.ico",
    1022: "host/resources/logo-180.ico",
    1023: "host/resources/logo-240.ico",
}
# Set from the command line: the licence file the build made, and the version X.Y.Z.
LICENCE_SOURCE = None
VERSION = None
PUBLISHER = None
MANIFEST_SOURCE = "host/resources/setup.manifest"
PRODUCT_NAMES = "core/product_names.h"

# The whole resource directory, in the order the PE format sorts it (ids ascending).
DIRECTORY = (
    [(RT_ICON, image[0]) for image in IMAGES]
    + [(RT_GROUP_ICON, APP_ICON)]
    + [(RT_GROUP_ICON, group) for group in LOGO_GROUPS]
    + [(RT_VERSION, 1), (RT_MANIFEST, 1), (LICENCE_TYPE, LICENCE_NAME)]
)

# VS_FIXEDFILEINFO after signature and structure version: file version MS/LS, product
# version MS/LS, flags mask, flags, OS, type, subtype, date MS/LS.
FIXED_SIGNATURE = (0xFEEF04BD, 0x00010000)


def fixed_fields():
    major, minor, patch = (int(number) for number in VERSION.split("."))
    return (
        ("file version", (major << 16 | minor, patch << 16)),
        ("product version", (0, 0)),
        ("file flags mask", (0x17,)),
        ("file flags", (0,)),
        ("file OS", (4,)),
        ("file type", (1,)),
        ("file subtype", (0,)),
        ("file date", (0, 0)),
    )


STRING_TABLE = "080904b0"
TRANSLATION = (0x0809, 1200)

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V2 = "urn:schemas-microsoft-com:asm.v2"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
COMPATIBILITY = "urn:schemas-microsoft-com:compatibility.v1"
WINDOWS_SETTINGS_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
MANIFEST_DECLARATION = b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
# Every element in document order: (namespace, qualified name as written, attributes other
# than namespace declarations, text content).
MANIFEST_ELEMENTS = [
    (ASM_V1, "assembly", {"manifestVersion": "1.0"}, ""),
    (ASM_V2, "trustInfo", {}, ""),
    (ASM_V2, "security", {}, ""),
    (ASM_V2, "requestedPrivileges", {}, ""),
    (ASM_V2, "requestedExecutionLevel", {"level": "requireAdministrator", "uiAccess": "false"}, ""),
    (ASM_V1, "dependency", {}, ""),
    (ASM_V1, "dependentAssembly", {}, ""),
    (
        ASM_V1,
        "assemblyIdentity",
        {
            "type": "win32",
            "name": "Microsoft.Windows.Common-Controls",
            "version": "6.0.0.0",
            "processorArchitecture": "x86",
            "publicKeyToken": "6595b64144ccf1df",
            "language": "*",
        },
        "",
    ),
    (COMPATIBILITY, "compatibility", {}, ""),
    (COMPATIBILITY, "application", {}, ""),
    (COMPATIBILITY, "supportedOS", {"Id": "{e2011457-1546-43c5-a5fe-008deee3d3f0}"}, ""),
    (COMPATIBILITY, "supportedOS", {"Id": "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"}, ""),
    (COMPATIBILITY, "supportedOS", {"Id": "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"}, ""),
    (COMPATIBILITY, "supportedOS", {"Id": "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"}, ""),
    (ASM_V3, "asmv3:application", {}, ""),
    (ASM_V3, "asmv3:windowsSettings", {}, ""),
    (WINDOWS_SETTINGS_2005, "dpiAware", {}, "true"),
]


class Report:
    def __init__(self):
        self.failures = []

    def fail(self, group, message):
        self.failures.append((group, message))

    def check(self, ok, group, message):
        if not ok:
            self.fail(group, message)
        return ok

    def groups(self):
        return sorted({group for group, _ in self.failures})


# ---- Reading the executable ------------------------------------------------------------


def resource_entries(pe):
    """[(type, name, language, data entry struct, language dir entry struct)] in file order."""
    out = []
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if root is None:
        return out
    for rtype in root.entries:
        for name in rtype.directory.entries:
            for lang in name.directory.entries:
                type_id = rtype.name.string.decode() if rtype.name else rtype.id
                name_id = name.name.string.decode() if name.name else name.id
                out.append((type_id, name_id, lang.id, lang.data.struct, lang.struct))
    return out


def resource_directories(pe):
    """Every IMAGE_RESOURCE_DIRECTORY struct of the tree."""
    root = pe.DIRECTORY_ENTRY_RESOURCE
    out = [root.struct]
    for rtype in root.entries:
        out.append(rtype.directory.struct)
        for name in rtype.directory.entries:
            out.append(name.directory.struct)
    return out


def resource_bytes(pe, entries, rtype, name):
    for type_id, name_id, _, data, _ in entries:
        if type_id == rtype and name_id == name:
            return pe.get_data(data.OffsetToData, data.Size)
    return None


def ico_images(path):
    """The image bytes of an .ico file, in its directory order."""
    with open(path, "rb") as f:
        data = f.read()
    _, _, count = struct.unpack_from("<HHH", data)
    images = []
    for i in range(count):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        images.append(data[offset : offset + size])
    return images


def product_names(top):
    """The product strings from core/product_names.h, the single place they are spelled."""
    names = {}
    with open(os.path.join(top, PRODUCT_NAMES), encoding="ascii") as f:
        for match in re.finditer(r'#define\s+(CORVALE_\w+)\s+"([^"]*)"', f.read()):
            names[match.group(1)] = match.group(2)
    names["CORVALE_PRODUCT_VERSION"] = VERSION
    # The publisher's name is the build's (CMakeLists.txt), given on the command line.
    names["CORVALE_PUBLISHER_NAME"] = PUBLISHER
    return names


# ---- The checks ------------------------------------------------------------------------


def check_directory(pe, entries, report):
    found = [(t, n) for t, n, *_ in entries]
    report.check(
        found == DIRECTORY, "directory", f"resources are {found}, expected {DIRECTORY} in this order"
    )
    for type_id, name_id, lang, _, _ in entries:
        report.check(
            lang == LANGUAGE,
            "directory",
            f"resource {type_id}/{name_id} has language {lang:#06x}, expected {LANGUAGE:#06x}",
        )
    for directory in resource_directories(pe):
        report.check(
            directory.TimeDateStamp == 0,
            "directory",
            f"resource directory carries the timestamp {directory.TimeDateStamp:#x}",
        )


def check_icon_image(image_id, width, height, bpp, data, report):
    where = f"icon image {image_id}"
    if not report.check(data is not None, "icons", f"{where} is missing"):
        return
    if not report.check(not data.startswith(b"\x89PNG"), "icons", f"{where} is PNG-compressed"):
        return
    if not report.check(len(data) >= 40, "icons", f"{where} is too short for a bitmap header"):
        return
    size, w, h, planes, bits, compression, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", data)
    header = (size, w, h, planes, bits, compression, used)
    expected = (40, width, 2 * height, 1, bpp, 0, 0)
    report.check(
        header == expected,
        "icons",
        f"{where} header (size, width, height, planes, bpp, compression, colours used) is "
        f"{header}, expected {expected}",
    )
    colour_stride = (width * bpp // 8 + 3) & ~3
    mask_stride = (width + 31) // 32 * 4
    colour_size = colour_stride * height
    if not report.check(
        len(data) == 40 + colour_size + mask_stride * height,
        "icons",
        f"{where} has {len(data)} bytes, expected {40 + colour_size + mask_stride * height}",
    ):
        return
    colour = data[40 : 40 + colour_size]
    mask = data[40 + colour_size :]

    def masked(x, y):
        return mask[y * mask_stride + x // 8] & (0x80 >> (x % 8)) != 0

    masked_count = sum(masked(x, y) for y in range(height) for x in range(width))
    report.check(
        0 < masked_count < width * height,
        "icons",
        f"{where}: the AND mask hides {masked_count} of {width * height} pixels; a picture "
        "with transparent surroundings hides some but not all",
    )
    if bpp == 32:
        alphas = [colour[y * colour_stride + 4 * x + 3] for y in range(height) for x in range(width)]
        report.check(
            any(0 < a < 255 for a in alphas), "icons", f"{where} has no partial alpha: no alpha channel"
        )
        hidden_but_opaque = sum(
            1 for y in range(height) for x in range(width) if masked(x, y) and alphas[y * width + x] == 255
        )
        report.check(
            hidden_but_opaque == 0, "icons", f"{where}: {hidden_but_opaque} opaque pixels are masked out"
        )


def check_icons(pe, entries, report, top):
    for image_id, _, width, height, bpp in IMAGES:
        check_icon_image(image_id, width, height, bpp, resource_bytes(pe, entries, RT_ICON, image_id), report)
    if top is None:
        return
    for group, source in ICON_SOURCES.items():
        images = [image for image in IMAGES if image[1] == group]
        files = ico_images(os.path.join(top, source))
        report.check(
            len(files) == len(images), "icons", f"{source} holds {len(files)} images, expected {len(images)}"
        )
        for (image_id, *_), file_image in zip(images, files):
            report.check(
                resource_bytes(pe, entries, RT_ICON, image_id) == file_image,
                "icons",
                f"icon image {image_id} differs from its image in {source}",
            )


def check_groups(pe, entries, report):
    for group in (APP_ICON,) + LOGO_GROUPS:
        data = resource_bytes(pe, entries, RT_GROUP_ICON, group)
        where = f"icon group {group}"
        if not report.check(data is not None and len(data) >= 6, "groups", f"{where} is missing"):
            continue
        reserved, kind, count = struct.unpack_from("<HHH", data)
        images = [image for image in IMAGES if image[1] == group]
        report.check(
            (reserved, kind, count) == (0, 1, len(images)),
            "groups",
            f"{where} header (reserved, type, count) is {(reserved, kind, count)}, "
            f"expected {(0, 1, len(images))}",
        )
        if not report.check(len(data) == 6 + 14 * count, "groups", f"{where} has {len(data)} bytes"):
            continue
        for i, (image_id, _, width, height, bpp) in enumerate(images[:count]):
            entry = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
            image = resource_bytes(pe, entries, RT_ICON, image_id)
            expected = (width & 0xFF, height & 0xFF, 0, 0, 1, bpp, len(image) if image else 0, image_id)
            report.check(
                entry == expected,
                "groups",
                f"{where} entry {i} (width, height, colours, reserved, planes, bpp, bytes, id) is "
                f"{entry}, expected {expected}",
            )


def check_licence(pe, entries, report, top):
    text = resource_bytes(pe, entries, LICENCE_TYPE, LICENCE_NAME)
    if not report.check(text is not None, "licence", "the licence text is missing"):
        return
    report.check(0 < len(text) <= LICENCE_LIMIT, "licence", f"the licence has {len(text)} bytes")
    report.check(b"\0" not in text, "licence", "the licence holds a NUL byte")
    stray = sorted({b for b in text if not (0x20 <= b < 0x7F or b in b"\r\n")})
    report.check(not stray, "licence", f"the licence holds bytes other than printable ASCII, CR, LF: {stray}")
    report.check(text.endswith(b"\r\n"), "licence", "the licence does not end with CR LF")
    report.check(
        text.count(b"\r") == text.count(b"\n") == text.count(b"\r\n"),
        "licence",
        "the licence has a CR or an LF that is not part of a CR LF pair",
    )
    report.check(not text.startswith(b"\r\n"), "licence", "the licence starts with an empty line")
    report.check(
        b"\r\n\r\n\r\n" not in text, "licence", "licence blocks are separated by more than one empty line"
    )
    report.check(
        all(not line.endswith(b" ") and not line.startswith(b" ") for line in text.split(b"\r\n")),
        "licence",
        "a licence line begins or ends with a space",
    )
    if top is not None:
        with open(LICENCE_SOURCE, "rb") as f:
            report.check(text == f.read(), "licence", f"the licence differs from {LICENCE_SOURCE}")
        report.check(PUBLISHER.encode() in text, "licence", f"the licence does not name {PUBLISHER}")


def read_block(data, pos):
    """One version-block node: (end, key, value type, value length, value bytes, children start)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, pos)
    key_end = pos + 6
    while data[key_end : key_end + 2] != b"\0\0":
        key_end += 2
    key = data[pos + 6 : key_end].decode("utf-16-le")
    value_start = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = data[value_start : value_start + value_bytes]
    children = (value_start + value_bytes + 3) & ~3
    return pos + length, key, value_type, value_length, value, children


def read_children(data, start, end):
    nodes = []
    pos = start
    while pos < end:
        node = read_block(data, pos)
        if node[0] <= pos:
            raise ValueError("a version block node has length 0")
        nodes.append(node)
        pos = (node[0] + 3) & ~3
    return nodes


def check_fixed_part(fixed, report):
    fields = struct.unpack("<13I", fixed)
    report.check(fields[:2] == FIXED_SIGNATURE, "version", f"signature and structure version: {fields[:2]}")
    pos = 2
    for name, expected in fixed_fields():
        value = fields[pos : pos + len(expected)]
        report.check(value == expected, "version", f"{name} is {value}, expected {expected}")
        pos += len(expected)


def check_string_table(data, node, names, report):
    end, _, _, _, _, children = node
    tables = read_children(data, children, end)
    table_keys = [table[1] for table in tables]
    if not report.check(table_keys == [STRING_TABLE], "version", f"the string tables are {table_keys}"):
        return
    table_end, _, _, _, _, table_children = tables[0]
    strings = []
    for _, key, value_type, value_length, value, _ in read_children(data, table_children, table_end):
        report.check(value_type == 1, "version", f"string {key!r} is not marked as text")
        text = value.decode("utf-16-le")
        # An empty value is stored as a lone terminator (length 1) or not at all (length 0).
        terminated = value_length == 0 or text.endswith("\0")
        report.check(terminated, "version", f"string {key!r} lacks its terminator")
        strings.append((key, text.rstrip("\0")))

    publisher = names.get("CORVALE_PUBLISHER_NAME")
    expected = [
        ("CompanyName", publisher),
        ("FileDescription", "Corvale Setup"),
        ("InternalName", ""),
        ("LegalCopyright", None),
        ("OriginalFilename", ""),
        ("ProductName", names.get("CORVALE_PRODUCT_NAME")),
        ("ProductVersion", names.get("CORVALE_PRODUCT_VERSION")),
    ]
    keys = [key for key, _ in strings]
    expected_keys = [key for key, _ in expected]
    report.check(keys == expected_keys, "version", f"the string keys are {keys}, expected {expected_keys}")
    for (key, text), (_, value) in zip(strings, expected):
        if key == "LegalCopyright":
            named = text and (publisher or "") in text
            report.check(named, "version", f"LegalCopyright {text!r} names no publisher")
        elif value is not None:
            report.check(text == value, "version", f"{key} is {text!r}, expected {value!r}")


def check_version(pe, entries, report, top):
    data = resource_bytes(pe, entries, RT_VERSION, 1)
    if not report.check(data is not None, "version", "the version block is missing"):
        return
    names = product_names(top) if top is not None else {}
    try:
        end, key, _, value_length, fixed, children = read_block(data, 0)
        report.check(key == "VS_VERSION_INFO", "version", f"the root key is {key!r}")
        report.check(end == len(data), "version", f"the root length {end} is not the resource's {len(data)}")
        if report.check(value_length == 52 and len(fixed) == 52, "version", "the fixed part is not 52 bytes"):
            check_fixed_part(fixed, report)
        nodes = read_children(data, children, end)
        keys = [node[1] for node in nodes]
        report.check(keys == ["StringFileInfo", "VarFileInfo"], "version", f"the block's children are {keys}")
        for node in nodes:
            if node[1] == "StringFileInfo":
                check_string_table(data, node, names, report)
            elif node[1] == "VarFileInfo":
                variables = [(var[1], var[4]) for var in read_children(data, node[5], node[0])]
                expected = [("Translation", struct.pack("<HH", *TRANSLATION))]
                report.check(variables == expected, "version", f"VarFileInfo: {variables}, not {expected}")
    except (struct.error, ValueError, UnicodeDecodeError) as error:
        report.fail("version", f"the version block cannot be read: {error}")


def manifest_elements(data):
    """[(namespace, qualified name as written, attributes, text)] in document order. Two
    parses: one resolves the namespaces, the other keeps the prefixes as written."""
    resolved, written = [], []

    def start_resolved(name, attributes):
        namespace = name.rpartition("\x01")[0]
        resolved.append([namespace, dict(attributes), ""])

    def text(chunk):
        if resolved:
            resolved[-1][2] += chunk

    parser = xml.parsers.expat.ParserCreate(namespace_separator="\x01")
    parser.StartElementHandler = start_resolved
    parser.CharacterDataHandler = text
    parser.Parse(data, True)
    parser = xml.parsers.expat.ParserCreate()
    parser.StartElementHandler = lambda name, _: written.append(name)
    parser.Parse(data, True)
    return [
        (namespace, qname, attributes, content.strip())
        for (namespace, attributes, content), qname in zip(resolved, written)
    ]


def check_manifest(pe, entries, report, top):
    data = resource_bytes(pe, entries, RT_MANIFEST, 1)
    if not report.check(data is not None, "manifest", "the manifest is missing"):
        return
    report.check(
        data.startswith(MANIFEST_DECLARATION),
        "manifest",
        f"the manifest does not begin with {MANIFEST_DECLARATION.decode()}",
    )
    try:
        data.decode("utf-8")
        found = manifest_elements(data)
    except (UnicodeDecodeError, xml.parsers.expat.ExpatError) as error:
        report.fail("manifest", f"the manifest is not well-formed UTF-8 XML: {error}")
        return
    report.check(
        len(found) == len(MANIFEST_ELEMENTS),
        "manifest",
        f"the manifest has {len(found)} elements, expected {len(MANIFEST_ELEMENTS)}",
    )
    for i, (got, expected) in enumerate(zip(found, MANIFEST_ELEMENTS)):
        report.check(got == expected, "manifest", f"manifest element {i} is {got}, expected {expected}")
    if top is not None:
        with open(os.path.join(top, MANIFEST_SOURCE), "rb") as f:
            report.check(data == f.read(), "manifest", f"the manifest differs from {MANIFEST_SOURCE}")


def check(data, top, compare_files=True):
    """compare_files False leaves out the byte comparisons with the source files, so that
    only the structural checks judge."""
    report = Report()
    files = top if compare_files else None
    try:
        pe = pefile.PE(data=bytes(data))
    except pefile.PEFormatError as error:
        report.fail("directory", f"not a PE file: {error}")
        return report
    entries = resource_entries(pe)
    if not report.check(entries, "directory", "the executable has no resources"):
        return report
    check_directory(pe, entries, report)
    check_icons(pe, entries, report, files)
    check_groups(pe, entries, report)
    check_licence(pe, entries, report, files)
    check_version(pe, entries, report, top)
    check_manifest(pe, entries, report, files)
    return report


# ---- Self-test: tampered copies must fail ------------------------------------------------


class Tamperer:
    """Builds faults for one executable: each is a function that changes a bytearray copy."""

    def __init__(self, pe, entries):
        self.pe = pe
        self.entries = entries

    def _find(self, rtype, name):
        for type_id, name_id, _, data, lang in self.entries:
            if type_id == rtype and name_id == name:
                return self.pe.get_offset_from_rva(data.OffsetToData), data.Size, lang.get_file_offset()
        raise SystemExit(f"self-test: resource {rtype}/{name} not found")

    def data(self, rtype, name):
        return self._find(rtype, name)[0]

    def size(self, rtype, name):
        return self._find(rtype, name)[1]

    def language_entry(self, rtype, name):
        return self._find(rtype, name)[2]

    @staticmethod
    def put(offset, fmt, value):
        return lambda b: struct.pack_into(fmt, b, offset, value)

    def replace(self, rtype, name, old, new):
        """Replaces the first occurrence of old in the resource by new, of the same length."""
        start = self.data(rtype, name)
        end = start + self.size(rtype, name)

        def apply(b):
            at = bytes(b[start:end]).find(old)
            if at < 0 or len(old) != len(new):
                raise SystemExit(f"self-test: cannot replace {old!r} in {rtype}/{name}")
            b[start + at : start + at + len(new)] = new

        return apply

    def swap(self, rtype, name, first, second):
        """Exchanges two byte strings of the same length inside the resource."""
        parked = b"\xff" * len(first)
        steps = [
            self.replace(rtype, name, first, parked),
            self.replace(rtype, name, second, first),
            self.replace(rtype, name, parked, second),
        ]

        def apply(b):
            for step in steps:
                step(b)

        return apply


def utf16(text):
    return text.encode("utf-16-le")


def tamperings(pe, entries):
    """(description, group expected to fail, function changing a bytearray copy)."""
    t = Tamperer(pe, entries)
    put = Tamperer.put
    root = pe.DIRECTORY_ENTRY_RESOURCE.struct.get_file_offset()
    licence = t.data(LICENCE_TYPE, LICENCE_NAME)
    licence_end = licence + t.size(LICENCE_TYPE, LICENCE_NAME)
    fixed = t.data(RT_VERSION, 1) + 40  # after the root node's header and key "VS_VERSION_INFO"
    logo_mask = t.data(RT_ICON, 7) + 40 + 180 * 3 * 62
    app_group = t.data(RT_GROUP_ICON, APP_ICON) + 6
    asm_v3 = b'asmv3="urn:schemas-microsoft-com:asm.v3"'
    return [
        ("licence in language 0x0809", "directory",
         put(t.language_entry(LICENCE_TYPE, LICENCE_NAME), "<I", 0x0809)),
        ("icon group language-neutral", "directory", put(t.language_entry(RT_GROUP_ICON, APP_ICON), "<I", 0)),
        ("timestamp in the resource directory", "directory", put(root + 4, "<I", 0x5F000000)),
        ("32 bpp image marked 24 bpp", "icons", put(t.data(RT_ICON, 3) + 14, "<H", 24)),
        ("logo height not doubled", "icons", put(t.data(RT_ICON, 5) + 8, "<i", 41)),
        ("logo compressed", "icons", put(t.data(RT_ICON, 6) + 16, "<I", 1)),
        ("PNG image", "icons", put(t.data(RT_ICON, 2), "<8s", b"\x89PNG\r\n\x1a\n")),
        ("logo without transparency", "icons", put(logo_mask, f"<{24 * 62}s", bytes(24 * 62))),
        ("application icon lists a logo image", "groups", put(app_group + 14 + 12, "<H", 5)),
        ("logo entry says 32 bpp", "groups", put(t.data(RT_GROUP_ICON, 1021) + 6 + 6, "<H", 32)),
        ("logo entry with a colour count", "groups", put(t.data(RT_GROUP_ICON, 1022) + 6 + 2, "<B", 16)),
        ("LF without CR", "licence", t.replace(LICENCE_TYPE, LICENCE_NAME, b"\r\n", b" \n")),
        ("NUL in the licence", "licence", put(licence + 10, "<B", 0)),
        ("non-ASCII byte in the licence", "licence", put(licence + 10, "<B", 0xE9)),
        ("licence without its final CR LF", "licence", put(licence_end - 2, "<2s", b"..")),
        ("product version 2.7.3.0 in the fixed part", "version", put(fixed + 16, "<I", 0x00020007)),
        ("flags mask 0x3f", "version", put(fixed + 24, "<I", 0x3F)),
        ("file OS NT", "version", put(fixed + 32, "<I", 0x40004)),
        ("string key misspelt", "version",
         t.replace(RT_VERSION, 1, utf16("InternalName"), utf16("InternalNamf"))),
        ("two strings swapped", "version",
         t.swap(RT_VERSION, 1, utf16("InternalName"), utf16("ProductName\0"))),
        ("translation 0x0409", "version", t.replace(RT_VERSION, 1, b"\x09\x08\xb0\x04", b"\x09\x04\xb0\x04")),
        ("string table 040904b0", "version", t.replace(RT_VERSION, 1, utf16("080904b0"), utf16("040904b0"))),
        ("not elevated", "manifest",
         t.replace(RT_MANIFEST, 1, b'"requireAdministrator"', b'"highestAvailable"    ')),
        ("supportedOS out of order", "manifest",
         t.swap(RT_MANIFEST, 1, b"e2011457-1546-43c5-a5fe-008deee3d3f0",
                b"1f676c76-80e1-4239-95bb-83d0f6d0da78")),
        ("dpiAware in the 2016 namespace", "manifest", t.replace(RT_MANIFEST, 1, b"SMI/2005/", b"SMI/2016/")),
        ("asmv3 bound to asm.v1", "manifest",
         t.replace(RT_MANIFEST, 1, asm_v3, asm_v3.replace(b'v3"', b'v1"'))),
        ("dpiAware True", "manifest", t.replace(RT_MANIFEST, 1, b">true<", b">True<")),
        ("not standalone", "manifest", t.replace(RT_MANIFEST, 1, b'standalone="yes"', b'standalone="no" ')),
        ("broken XML", "manifest", t.replace(RT_MANIFEST, 1, b"</assembly>", b"</assembl_>")),
    ]


def self_test(data, top):
    pristine = check(data, top)
    if pristine.failures:
        print("self-test: the untouched executable fails:")
        print_report(pristine)
        return False
    pe = pefile.PE(data=bytes(data))
    ok = True
    for description, group, tamper in tamperings(pe, resource_entries(pe)):
        copy = bytearray(data)
        tamper(copy)
        if copy == data:
            print(f"self-test: tampering '{description}' changed nothing")
            ok = False
            continue
        # Judged by the structural checks alone: no fault may depend on the comparison with
        # the source files to be noticed.
        report = check(copy, top, compare_files=False)
        caught = group in report.groups()
        outcome = "caught" if caught else "MISSED"
        print(f"{outcome}: {description} (expected in {group}, got {report.groups()})")
        ok = ok and caught
    return ok


def print_report(report):
    for group, message in report.failures:
        print(f"{group}: {message}")
    print("failed checks: " + (" ".join(report.groups()) or "none"))


def main():
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter
    )
    parser.add_argument("exe")
    parser.add_argument("--sources", help="top folder of the source tree")
    parser.add_argument("--licence", help="the licence file the build made (with --sources)")
    parser.add_argument("--publisher", help="the publisher's name the build was given (with --sources)")
    parser.add_argument("--version", required=True, help="the version X.Y.Z the build was given")
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    global LICENCE_SOURCE, VERSION, PUBLISHER
    LICENCE_SOURCE, VERSION, PUBLISHER = args.licence, args.version, args.publisher
    if args.sources and not (args.licence and args.publisher):
        parser.error("--sources needs --licence and --publisher")
    with open(args.exe, "rb") as f:
        data = f.read()
    if args.self_test:
        return 0 if self_test(data, args.sources) else 1
    report = check(data, args.sources)
    print_report(report)
    return 1 if report.failures else 0


if __name__ == "__main__":
    sys.exit(main())
