#!/usr/bin/env python3
"""Writes the solid-colour bitmaps of skin_controls_tests, their resource
script and the header that names their ids and colours, so that one pixel
tells which picture a control drew. Run it from any folder; no libraries."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# name, resource id (the program's own id where the controls load it by
# that id), width, height, colour (r, g, b)
BITMAPS = [
    ("CHECK_ON", "IDB_CHECK_ON", 13, 13, (220, 40, 40)),
    ("CHECK_OFF", "IDB_CHECK_OFF", 13, 13, (40, 180, 180)),
    ("HEADER_SEPARATOR", "IDB_HEADER_SEPARATOR", 2, 20, (250, 160, 0)),
    ("HEADER_BACK", "IDB_HEADER_BACK", 2, 20, (160, 200, 240)),
    ("LIST_SMALL", "IDB_LIST_SMALL", 1, 27, (10, 10, 10)),
    ("TAB_A_ON", 900, 87, 70, (200, 0, 100)),
    ("TAB_A_OFF", 901, 87, 70, (240, 170, 200)),
    ("TAB_B_ON", 902, 87, 70, (0, 120, 60)),
    ("TAB_B_OFF", 903, 87, 70, (150, 220, 180)),
    ("TAB_C_ON", 904, 87, 70, (60, 60, 160)),
    ("TAB_C_OFF", 905, 87, 70, (170, 170, 230)),
    ("FILLER", 906, 1, 70, (130, 90, 20)),
]


def bmp24(width, height, rgb):
    row = bytes((rgb[2], rgb[1], rgb[0])) * width
    row += b"\0" * ((4 - len(row) % 4) % 4)
    pixels = row * height
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def write(path, data, mode="w"):
    with open(os.path.join(HERE, path), mode, newline="\n" if mode == "w" else None) as f:
        f.write(data)


def main():
    os.makedirs(os.path.join(HERE, "bitmaps"), exist_ok=True)
    header = [
        "// Written by make_test_bitmaps.py: ids and colours of the test bitmaps.",
        "#pragma once",
        '#include "res/resource.h"',
        "",
    ]
    colours = ["#ifndef RC_INVOKED", "#include <windows.h>", ""]
    script = ["// Written by make_test_bitmaps.py.", '#include "TestBitmaps.h"', ""]
    for name, rid, width, height, rgb in BITMAPS:
        file_name = "bitmaps/%s.bmp" % name.lower()
        write(file_name, bmp24(width, height, rgb), "wb")
        if isinstance(rid, int):
            header.append("#define IDB_TEST_%s %d" % (name, rid))
            rid = "IDB_TEST_%s" % name
        script.append('%s BITMAP "%s"' % (rid, file_name))
        camel = "".join(part.capitalize() for part in name.split("_"))
        colours.append("constexpr COLORREF kTest%sColor = RGB(%d, %d, %d);" % ((camel,) + rgb))
    colours.append("#endif")
    write("TestBitmaps.h", "\n".join(header + [""] + colours) + "\n")
    write("TestBitmaps.rc", "\n".join(script) + "\n")


if __name__ == "__main__":
    main()
