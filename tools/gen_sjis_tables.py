#!/usr/bin/env python3
"""Writes src/util/sjis_table_data.cpp, the engine's Shift_JIS tables.

The double-byte table is code page 932 as glibc's iconv(3) converts it, with the
engine's own differences applied on top. The reverse table inverts the engine's
single-byte and double-byte tables; where several codes share one character it
takes the code iconv produces for that character when that is one of the
engine's codes for it, and the lowest such code otherwise. The aliases are
applied last and win.

Run from anywhere:  python3 tools/gen_sjis_tables.py [-o OUTPUT]
The output is committed, so building the engine needs neither Python nor iconv.
"""

import argparse
import ctypes
import ctypes.util
import pathlib
import sys

LEAD_BYTES = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))

# Where the engine's double-byte table departs from code page 932.
DOUBLE_BYTE_OVERRIDES = {
    0x81CA: 0x00AC,
    0x83B7: 0x2664, 0x83B8: 0x2660, 0x83B9: 0x2662, 0x83BA: 0x2666,
    0x83BB: 0x2661, 0x83BC: 0x2665, 0x83BD: 0x2667, 0x83BE: 0x2663,
    0xFAA0: 0x5FB7,
    0xFAA1: 0x5FDE,
}
USER_DEFINED_AREA = range(0xF040, 0xF9FD)

# Both variants of these characters reach one code; they win over the inverse.
REVERSE_ALIASES = {
    0x301C: 0x8160, 0xFF5E: 0x8160,
    0x2014: 0x815C, 0x2015: 0x815C,
    0x00A5: 0x005C,
    0x2212: 0x817C, 0xFF0D: 0x817C,
    0xFFE2: 0xEEF9,
    0x00AC: 0x81CA,
}


class Iconv:
    """A thin wrapper over glibc's iconv(3), the same converter the tests use."""

    def __init__(self):
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self.libc.iconv_open.restype = ctypes.c_void_p
        self.libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self.libc.iconv.restype = ctypes.c_size_t
        self.libc.iconv.argtypes = [
            ctypes.c_void_p,
            ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
            ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t),
        ]
        self.to_utf16 = self._open(b"UTF-16LE", b"CP932")
        self.from_utf16 = self._open(b"CP932", b"UTF-16LE")

    def _open(self, to_code, from_code):
        cd = self.libc.iconv_open(to_code, from_code)
        if cd is None or cd == ctypes.c_void_p(-1).value:
            sys.exit(f"iconv cannot convert {from_code.decode()} to {to_code.decode()}")
        return cd

    def _convert(self, cd, data):
        """Converts all of `data`, or returns None when iconv rejects any of it."""
        self.libc.iconv(cd, None, None, None, None)
        in_buf = ctypes.create_string_buffer(data, len(data))
        out_buf = ctypes.create_string_buffer(16)
        in_ptr = ctypes.c_char_p(ctypes.addressof(in_buf))
        out_ptr = ctypes.c_char_p(ctypes.addressof(out_buf))
        in_left = ctypes.c_size_t(len(data))
        out_left = ctypes.c_size_t(len(out_buf))
        failed = ctypes.c_size_t(-1).value
        if self.libc.iconv(cd, ctypes.byref(in_ptr), ctypes.byref(in_left),
                           ctypes.byref(out_ptr), ctypes.byref(out_left)) == failed:
            return None
        if self.libc.iconv(cd, None, None, ctypes.byref(out_ptr), ctypes.byref(out_left)) == failed:
            return None
        return out_buf.raw[:len(out_buf) - out_left.value]

    def decode(self, code_bytes):
        """The single UTF-16 unit of a CP932 character, or None."""
        out = self._convert(self.to_utf16, code_bytes)
        if out is None or len(out) != 2:
            return None
        return int.from_bytes(out, "little")

    def encode(self, unit):
        """The CP932 code of a UTF-16 unit (high byte first when two bytes), or None."""
        out = self._convert(self.from_utf16, unit.to_bytes(2, "little"))
        if not out or len(out) > 2:
            return None
        return int.from_bytes(out, "big")


def single_byte_table():
    table = [0] * 256
    for b in range(0x7F):
        table[b] = b
    for b in range(0xA1, 0xE0):
        table[b] = 0xFF61 + (b - 0xA1)
    return table


def double_byte_table(iconv):
    """Maps each code lead * 256 + trail to its unit; codes without one are left out."""
    table = {}
    for lead in LEAD_BYTES:
        for trail in range(256):
            unit = iconv.decode(bytes([lead, trail]))
            if unit:
                table[lead * 256 + trail] = unit
    for code in USER_DEFINED_AREA:
        table.pop(code, None)
    table.update(DOUBLE_BYTE_OVERRIDES)
    return table


def reverse_table(iconv, single, double):
    codes_of = {}
    for code, unit in enumerate(single):
        if unit:
            codes_of.setdefault(unit, []).append(code)
    for code, unit in sorted(double.items()):
        codes_of.setdefault(unit, []).append(code)

    reverse = [0] * 65536
    stats = {"unique": 0, "shared: iconv's code": 0, "shared: lowest code": 0}
    for unit, codes in codes_of.items():
        if len(codes) == 1:
            reverse[unit] = codes[0]
            stats["unique"] += 1
            continue
        preferred = iconv.encode(unit)
        if preferred in codes:
            reverse[unit] = preferred
            stats["shared: iconv's code"] += 1
        else:
            reverse[unit] = min(codes)
            stats["shared: lowest code"] += 1
            print(f"U+{unit:04X}: iconv gives {preferred and hex(preferred)}, "
                  f"taking 0x{min(codes):04X} of {[hex(c) for c in codes]}", file=sys.stderr)

    # Every entry must lead back to its character, or the inverse is wrong.
    for unit, code in enumerate(reverse):
        back = single[code] if code < 256 else double.get(code, 0)
        assert code == 0 or back == unit, f"U+{unit:04X} -> 0x{code:04X} -> U+{back:04X}"

    for unit, code in REVERSE_ALIASES.items():
        reverse[unit] = code
    return reverse, stats


def format_block(values, indent):
    lines = []
    for start in range(0, len(values), 8):
        row = ", ".join(f"0x{v:04X}" for v in values[start:start + 8])
        lines.append(f"{indent}{row},")
    return lines


def render(double, reverse):
    out = [
        "// Generated by tools/gen_sjis_tables.py from glibc iconv's CP932 and the",
        "// engine's own differences. Do not edit by hand: change the generator and",
        "// run it again.",
        "",
        '#include "util/sjis_table_data.h"',
        "",
        "namespace tsuzuri::util::sjis_data {",
        "",
        "// clang-format off",
        "",
        "// Double-byte codes: one row of 256 trail bytes for each lead byte,",
        "// 0x81-0x9F first, then 0xE0-0xFC.",
        "const char16_t kDoubleByteRows[60][256] = {",
    ]
    for lead in LEAD_BYTES:
        row = [double.get(lead * 256 + trail, 0) for trail in range(256)]
        out.append(f"  // Lead byte 0x{lead:02X}.")
        out.append("  {")
        out.extend(format_block(row, "    "))
        out.append("  },")
    out.append("};")

    # Pages of 256 units; page 0 is all zeros and stands for every empty page.
    pages = [[0] * 256]
    page_of = [0] * 256
    for high in range(256):
        page = reverse[high * 256:(high + 1) * 256]
        if any(page):
            page_of[high] = len(pages)
            pages.append(page)

    out += [
        "",
        "// UTF-16 unit -> Shift_JIS code, in pages of 256 units: the page of unit u",
        "// is kReversePages[kReversePageIndex[u >> 8]].",
        "const std::uint8_t kReversePageIndex[256] = {",
    ]
    for start in range(0, 256, 16):
        out.append("  " + ", ".join(f"{p:3d}" for p in page_of[start:start + 16]) + ",")
    out += [
        "};",
        "",
        f"const std::uint16_t kReversePages[{len(pages)}][256] = {{",
    ]
    for number, page in enumerate(pages):
        if number == 0:
            out.append("  // Empty page.")
        else:
            out.append(f"  // U+{page_of.index(number):02X}00-U+{page_of.index(number):02X}FF.")
        out.append("  {")
        out.extend(format_block(page, "    "))
        out.append("  },")
    out += [
        "};",
        "",
        "// clang-format on",
        "",
        "}  // namespace tsuzuri::util::sjis_data",
        "",
    ]
    return "\n".join(out), len(pages)


def main():
    repo = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-o", "--output", type=pathlib.Path,
                        default=repo / "src" / "util" / "sjis_table_data.cpp")
    args = parser.parse_args()

    iconv = Iconv()
    single = single_byte_table()
    double = double_byte_table(iconv)
    reverse, stats = reverse_table(iconv, single, double)
    text, page_count = render(double, reverse)
    args.output.write_text(text, encoding="ascii")

    print(f"{len(double)} double-byte codes, {page_count - 1} reverse pages", file=sys.stderr)
    for name, count in stats.items():
        print(f"reverse, {name}: {count}", file=sys.stderr)


if __name__ == "__main__":
    main()
