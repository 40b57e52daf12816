"""Reads the version resource of a Windows program or DLL, as Windows shows it in the
file's properties: the numbers of its fixed part and the strings of its table."""

import struct

RT_VERSION = 16


def resource_data(image, rva_to_offset, root, directory, kind=None):
    """The first data entry under DIRECTORY of the resource tree, taking the entry of
    type KIND at the top level and the first entry below it."""
    named, numbered = struct.unpack_from("<12xHH", image, directory)
    for k in range(named + numbered):
        name, target = struct.unpack_from("<II", image, directory + 16 + 8 * k)
        if kind is not None and name != kind:
            continue
        if target & 0x80000000:
            return resource_data(image, rva_to_offset, root, root + (target & 0x7FFFFFFF))
        rva, size = struct.unpack_from("<II", image, root + target)
        return image[rva_to_offset(rva):rva_to_offset(rva) + size]
    return None


def version_block(image):
    """The VS_VERSIONINFO block of a PE image, or None without one."""
    (pe,) = struct.unpack_from("<I", image, 0x3C)
    sections, optional_size, magic = struct.unpack_from("<2xH12xHxxH", image, pe + 4)
    directories = pe + 24 + (96 if magic == 0x10B else 112)
    rsrc_rva, rsrc_size = struct.unpack_from("<II", image, directories + 2 * 8)
    table = [struct.unpack_from("<8xIIII", image, pe + 24 + optional_size + 40 * k)
             for k in range(sections)]

    def rva_to_offset(rva):
        return next(raw + rva - start for size, start, _, raw in table
                    if start <= rva < start + size)

    if not rsrc_size:
        return None
    root = rva_to_offset(rsrc_rva)
    return resource_data(image, rva_to_offset, root, root, RT_VERSION)


def nodes(block, at, end):
    """(key, value bytes, children) for each node of a version block from AT to END."""
    while at < end:
        length, value_length, text = struct.unpack_from("<3H", block, at)
        key_end = at + 6
        while block[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        value_at = (key_end + 5) & ~3
        value_end = value_at + value_length * (2 if text else 1)
        yield (block[at + 6:key_end].decode("utf-16-le"), block[value_at:value_end],
               list(nodes(block, (value_end + 3) & ~3, at + length)))
        at = (at + length + 3) & ~3


def version_info(image):
    """{"FixedFileVersion": "a.b.c.d", "FixedProductVersion": ..., and each string of
    the table by its name}, or None without a version resource."""
    block = version_block(image)
    if block is None:
        return None
    [(_, fixed, children)] = nodes(block, 0, len(block))
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<8xIIII", fixed)
    info = {f"Fixed{name}Version": f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
            for name, ms, ls in (("File", file_ms, file_ls), ("Product", product_ms, product_ls))}
    for key, _, tables in children:
        if key == "StringFileInfo":
            for _, _, strings in tables:
                info.update((name, value.decode("utf-16-le").split("\0")[0])
                            for name, value, _ in strings)
    return info


def version_problems(image, version, **expected):
    """What in IMAGE's version resource differs from the project VERSION, its name and
    EXPECTED further strings."""
    info = version_info(image)
    if info is None:
        return ["no version resource"]
    numbers = ".".join((version.split(".") + ["0"] * 4)[:4])
    expected = dict(expected, ProductName="zelVis", FileVersion=version, ProductVersion=version,
                    FixedFileVersion=numbers, FixedProductVersion=numbers)
    return [f"{name}: expected {value!r}, saw {info.get(name)!r}"
            for name, value in expected.items() if info.get(name) != value]
