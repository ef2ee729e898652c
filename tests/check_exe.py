#!/usr/bin/env python3
"""Checks the built Glimra3.exe as a file: a PE32 GUI program that imports only Windows system
DLLs, with its manifest, version resource and icon group as a user's Windows will read them."""
import re
import struct
import sys

SYSTEM_DLLS = {
    'kernel32.dll', 'user32.dll', 'gdi32.dll', 'gdiplus.dll', 'shell32.dll', 'shlwapi.dll',
    'ole32.dll', 'comctl32.dll', 'msvcrt.dll', 'advapi32.dll', 'psapi.dll', 'oleaut32.dll',
}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
failures = []


def check(condition, what):
    print(('ok   ' if condition else 'FAIL ') + what)
    if not condition:
        failures.append(what)


class PE:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        assert data[pe:pe + 4] == b'PE\0\0'
        self.machine, nsections, _, _, _, optsize, self.characteristics = struct.unpack_from('<HHIIIHH', data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from('<H', data, opt)[0]
        self.subsystem = struct.unpack_from('<H', data, opt + 68)[0]
        ndirs = struct.unpack_from('<I', data, opt + 92)[0]
        self.dirs = [struct.unpack_from('<II', data, opt + 96 + 8 * i) for i in range(ndirs)]
        self.sections = []
        for i in range(nsections):
            off = opt + optsize + 40 * i
            vsize, va, rawsize, rawptr = struct.unpack_from('<IIII', data, off + 8)
            self.sections.append((va, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError(hex(rva))

    def cstring(self, rva):
        off = self.offset(rva)
        return self.data[off:self.data.index(b'\0', off)].decode('ascii')

    def imports(self):
        rva = self.dirs[1][0]
        names = []
        off = self.offset(rva)
        while True:
            entry = struct.unpack_from('<IIIII', self.data, off)
            if entry == (0, 0, 0, 0, 0):
                return names
            names.append(self.cstring(entry[3]).lower())
            off += 20

    def resources(self):
        """{(type, id): [(language, bytes)]}"""
        base_rva = self.dirs[2][0]
        base = self.offset(base_rva)
        out = {}

        def entries(off):
            named, ids = struct.unpack_from('<HH', self.data, off + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from('<II', self.data, off + 16 + 8 * i)
                yield name, target

        for rtype, t1 in entries(base):
            for rid, t2 in entries(base + (t1 & 0x7FFFFFFF)):
                for lang, t3 in entries(base + (t2 & 0x7FFFFFFF)):
                    data_rva, size = struct.unpack_from('<II', self.data, base + t3)
                    off = self.offset(data_rva)
                    out.setdefault((rtype, rid), []).append((lang, self.data[off:off + size]))
        return out


def main(path):
    pe = PE(open(path, 'rb').read())
    check(pe.machine == 0x14C and pe.magic == 0x10B, 'PE32 for i386')
    check(pe.subsystem == 2, 'GUI subsystem')
    imports = pe.imports()
    foreign = [n for n in imports if n not in SYSTEM_DLLS]
    check(not foreign, 'imports only system DLLs (found: %s)' % ', '.join(imports))

    res = pe.resources()
    manifest = res.get((RT_MANIFEST, 1), [(0, b'')])[0][1].decode('utf-8')
    check(re.search(r'<dpiAware[^>]*>\s*true\s*</dpiAware>', manifest) is not None, 'manifest declares dpiAware true')
    check('Microsoft.Windows.Common-Controls' in manifest and 'version="6.0.0.0"' in manifest, 'manifest asks for common controls 6')
    check('level="asInvoker"' in manifest, 'manifest asks for asInvoker')

    version = res.get((RT_VERSION, 1), [(0, b'')])[0][1]
    text = version.decode('utf-16-le', errors='replace')
    check('041104b0' in text.lower(), 'version strings for language 0x0411, code page 1200')
    check('Windows専用　スクリーンショット取得ツール' in text, 'file description')
    fixed = version.find(struct.pack('<I', 0xFEEF04BD))
    ms, ls = struct.unpack_from('<II', version, fixed + 8)
    check((ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF) == (3, 0, 0, 1), 'file version 3.0.0.1')
    check(struct.pack('<HH', 0x0411, 1200) in version, 'translation 0x0411/1200')

    group = res.get((RT_GROUP_ICON, 106), [(0, b'')])[0][1]
    count = struct.unpack_from('<H', group, 4)[0] if group else 0
    sizes = sorted((struct.unpack_from('<B', group, 6 + 14 * i)[0] or 256,
                    struct.unpack_from('<H', group, 6 + 14 * i + 6)[0]) for i in range(count))
    check(sizes == [(16, 32), (32, 32), (64, 32), (128, 32), (256, 32)], 'icon 106 has 16..256 px 32-bit images: %s' % sizes)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
