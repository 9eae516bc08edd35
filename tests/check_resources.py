#!/usr/bin/env python3
"""Checks the resource section of a program image (PE32 or PE32+).

    check_resources.py IMAGE

The image must hold exactly the two string tables (block 1, German and English,
nothing language-neutral) and the one icon group 128 with its two 16-colour
images, all German: no version block, manifest, dialog, menu or anything else,
since a toolchain can slip such resources in unasked.
"""
import struct
import sys

RT_NAMES = {1: 'RT_CURSOR', 2: 'RT_BITMAP', 3: 'RT_ICON', 4: 'RT_MENU', 5: 'RT_DIALOG',
            6: 'RT_STRING', 9: 'RT_ACCELERATOR', 10: 'RT_RCDATA', 12: 'RT_GROUP_CURSOR',
            14: 'RT_GROUP_ICON', 16: 'RT_VERSION', 24: 'RT_MANIFEST'}
RT_ICON, RT_STRING, RT_GROUP_ICON = 3, 6, 14
GERMAN, ENGLISH = 0x0407, 0x0409

# (type, name, language) -> image bytes, or None where any size will do.
EXPECTED = {
    (RT_STRING, 1, GERMAN): None,
    (RT_STRING, 1, ENGLISH): None,
    (RT_GROUP_ICON, 128, GERMAN): None,
    (RT_ICON, 1, GERMAN): 744,
    (RT_ICON, 2, GERMAN): 296,
}
# Icon id -> (width and height, image bytes) as the group must name them.
ICON_IMAGES = {1: (32, 744), 2: (16, 296)}
VGA_PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


class ImageError(Exception):
    pass


def unpack(fmt, data, offset):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise ImageError('read of %d bytes at 0x%x is outside the file' % (size, offset))
    return struct.unpack_from(fmt, data, offset)


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b'MZ':
            raise ImageError('no MZ header')
        (pe,) = unpack('<I', data, 0x3C)
        if data[pe:pe + 4] != b'PE\0\0':
            raise ImageError('no PE signature at 0x%x' % pe)
        _, sections, _, _, _, optional_size, _ = unpack('<HHIIIHH', data, pe + 4)
        optional = pe + 24
        (magic,) = unpack('<H', data, optional)
        if magic == 0x10B:
            directories_at = optional + 96
        elif magic == 0x20B:
            directories_at = optional + 112
        else:
            raise ImageError('unknown optional header magic 0x%x' % magic)
        (count,) = unpack('<I', data, directories_at - 4)
        if count <= 2:
            self.resource_rva = self.resource_size = 0
        else:
            self.resource_rva, self.resource_size = unpack('<II', data, directories_at + 2 * 8)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            fields = unpack('<8sIIII', data, table + 40 * i)
            name, virtual_size, virtual_address, raw_size, raw_offset = fields
            self.sections.append((name.rstrip(b'\0').decode('ascii', 'replace'),
                                  virtual_address, max(virtual_size, raw_size), raw_offset, raw_size))
        self.kind = 'PE32+' if magic == 0x20B else 'PE32'

    def offset(self, rva):
        for _, address, size, raw_offset, raw_size in self.sections:
            if address <= rva < address + size:
                if rva - address >= raw_size:
                    raise ImageError('RVA 0x%x lies in the uninitialised part of its section' % rva)
                return raw_offset + rva - address
        raise ImageError('RVA 0x%x is in no section' % rva)


def read_resources(image):
    """Yields ((type, name, language), data) for every leaf of the resource tree."""
    if not image.resource_rva:
        return []
    base = image.offset(image.resource_rva)
    data = image.data
    leaves = []

    def entry_id(raw):
        if raw & 0x80000000:
            (length,) = unpack('<H', data, base + (raw & 0x7FFFFFFF))
            start = base + (raw & 0x7FFFFFFF) + 2
            return '"%s"' % data[start:start + 2 * length].decode('utf-16-le', 'replace')
        return raw

    def walk(offset, path, seen):
        if offset in seen:
            raise ImageError('the resource directory loops at 0x%x' % offset)
        seen = seen | {offset}
        _, _, _, _, named, numbered = unpack('<IIHHHH', data, base + offset)
        for i in range(named + numbered):
            raw_name, target = unpack('<II', data, base + offset + 16 + 8 * i)
            key = path + (entry_id(raw_name),)
            if target & 0x80000000:
                if len(key) == 3:
                    raise ImageError('a fourth directory level under %r' % (key,))
                walk(target & 0x7FFFFFFF, key, seen)
            else:
                if len(key) != 3:
                    raise ImageError('data entry at level %d: %r' % (len(key), key))
                rva, size, _, _ = unpack('<IIII', data, base + target)
                start = image.offset(rva)
                if start + size > len(data):
                    raise ImageError('resource %r runs past the end of the file' % (key,))
                leaves.append((key, data[start:start + size]))

    walk(0, (), frozenset())
    return leaves


def describe(key):
    kind, name, language = key
    kind = RT_NAMES.get(kind, kind)
    return '%s %s language 0x%04x' % (kind, name, language) if isinstance(language, int) \
        else '%s %s language %s' % (kind, name, language)


def check_group(group, icons):
    problems = []
    if len(group) < 6:
        return ['RT_GROUP_ICON 128 holds only %d bytes' % len(group)]
    reserved, kind, count = struct.unpack_from('<HHH', group, 0)
    if (reserved, kind, count) != (0, 1, len(ICON_IMAGES)) or len(group) != 6 + 14 * count:
        return ['RT_GROUP_ICON 128 header is reserved %d type %d count %d in %d bytes, expected 0, 1, %d in %d'
                % (reserved, kind, count, len(group), len(ICON_IMAGES), 6 + 14 * len(ICON_IMAGES))]
    for i in range(count):
        width, height, colours, _, planes, bits, size, icon_id = struct.unpack_from('<BBBBHHIH', group, 6 + 14 * i)
        if icon_id not in ICON_IMAGES:
            problems.append('the icon group names icon id %d' % icon_id)
            continue
        side, image_bytes = ICON_IMAGES[icon_id]
        got = (width, height, colours, planes, bits, size)
        want = (side, side, 16, 1, 4, image_bytes)
        if got != want:
            problems.append('the icon group entry of icon %d is %dx%d, %d colours, %d planes, %d bits, %d bytes;'
                            ' expected %dx%d, %d colours, %d plane, %d bits, %d bytes' % ((icon_id,) + got + want))
    for icon_id, (side, _) in ICON_IMAGES.items():
        picture = icons.get(icon_id)
        if picture is None or len(picture) < 40 + 64:
            continue
        size, width, height, planes, bits = struct.unpack_from('<IiiHH', picture, 0)
        if (size, width, height, planes, bits) != (40, side, 2 * side, 1, 4):
            problems.append('icon %d has header size %d, %dx%d, %d planes, %d bits; expected 40, %dx%d, 1, 4'
                            % (icon_id, size, width, height, planes, bits, side, 2 * side))
        palette = [struct.unpack_from('<BBB', picture, 40 + 4 * i)[::-1] for i in range(16)]
        if palette != VGA_PALETTE:
            problems.append('icon %d does not use the standard 16-colour palette' % icon_id)
    return problems


def check(path):
    with open(path, 'rb') as image_file:
        image = Image(image_file.read())
    leaves = read_resources(image)
    found = {key: data for key, data in leaves}
    problems = []
    for key, data in sorted(found.items(), key=lambda item: str(item[0])):
        if key not in EXPECTED:
            problems.append('unexpected %s (%d bytes)' % (describe(key), len(data)))
        elif EXPECTED[key] is not None and len(data) != EXPECTED[key]:
            problems.append('%s holds %d bytes, expected %d' % (describe(key), len(data), EXPECTED[key]))
    for key in EXPECTED:
        if key not in found:
            problems.append('missing %s' % describe(key))
    group = found.get((RT_GROUP_ICON, 128, GERMAN))
    if group is not None:
        icons = {name: data for (kind, name, _), data in found.items() if kind == RT_ICON}
        problems += check_group(group, icons)
    return image.kind, leaves, problems


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: check_resources.py IMAGE')
    try:
        kind, leaves, problems = check(sys.argv[1])
    except (OSError, ImageError) as error:
        sys.exit('%s: %s' % (sys.argv[1], error))
    print('%s (%s):' % (sys.argv[1], kind))
    for key, data in leaves:
        print('  %s, %d bytes' % (describe(key), len(data)))
    for problem in problems:
        print('error: ' + problem, file=sys.stderr)
    sys.exit(1 if problems else 0)


if __name__ == '__main__':
    main()
