#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into corpus/<target>/: the
.bmp headers, entry records and formula tables worth starting from. Run it
again after changing it; the files are kept in the repository."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp(width, height, bits, compression=0, colours=None, header_size=40, masks=None, palette=None,
        pixels=b"", beyond=0, off_bits=None):
    """4 bytes of pixel bytes the file holds beyond the input, then the file."""
    if colours is None:
        colours = 1 << bits if bits <= 8 else 0
    if palette is None:
        palette = b"".join(struct.pack("<BBBB", i * 255 // max(colours - 1, 1), 0, 0, 0) for i in range(colours))
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression, 0, 11811, 11811,
                       colours if bits <= 8 else 0, 0)
    info += b"\0" * (header_size - 40)
    if masks is not None:
        packed = struct.pack("<III", *masks)
        if header_size == 40:
            info += packed
        else:
            info = info[:40] + packed + info[52:]
    off = 14 + len(info) + len(palette) if off_bits is None else off_bits
    head = struct.pack("<2sIHHI", b"BM", (off + len(pixels) + beyond) & 0xFFFFFFFF, 0, 0, off)
    return struct.pack("<I", beyond) + head + info + palette + pixels


def with_u32(data, offset, value):
    return data[:offset] + struct.pack("<I", value) + data[offset + 4:]


def stride(width, bits):
    return (width * bits + 31) // 32 * 4


def record(x, y, text, width=0, height=0, face=b"Arial", size=15, weight=400, pitch=0, colour=0, vertical=0,
           right=0, picture=None):
    t = text[:100]
    f = face[:32]
    data = (struct.pack("<iiii", x, y, width, height) + t + b"\0" * (100 - len(t)) + f + b"\0" * (32 - len(f))
            + struct.pack("<iiBBBB", size, weight, pitch, colour, vertical, right))
    if picture:
        data += struct.pack("<ii", *picture[:2])
        if len(picture) > 2:
            data += struct.pack("<i", picture[2])
    return data


BMP = {
    "1-bit": bmp(8, 2, 1, pixels=b"\0" * 8),
    "4-bit": bmp(3, 2, 4, pixels=b"\0" * 8),
    "8-bit-top-down": bmp(5, -3, 8, pixels=b"\0" * 24),
    "16-bit": bmp(2, 2, 16, pixels=b"\0" * 8),
    "16-bit-565": bmp(2, 2, 16, 3, masks=(0xF800, 0x7E0, 0x1F), pixels=b"\0" * 8),
    "16-bit-blue-mask-0": bmp(1, 1, 16, 3, masks=(0x7C00, 0x3E0, 0), pixels=b"\0" * 4),
    "24-bit": bmp(3, 2, 24, pixels=b"\0" * 24),
    "32-bit": bmp(2, 2, 32, pixels=b"\0" * 16),
    "32-bit-masks-overlap": bmp(2, 2, 32, 3, masks=(0xFF0000, 0xFFFF, 0xFF), pixels=b"\0" * 16),
    "v4-32-bit": bmp(2, 2, 32, 3, header_size=108, masks=(0xFF0000, 0xFF00, 0xFF), pixels=b"\0" * 16),
    "v4-16-bit-red-mask-0": bmp(2, 2, 16, 3, header_size=108, masks=(0, 0x3E0, 0x1F), pixels=b"\0" * 8),
    "v5-masks-0": bmp(2, 2, 32, 3, header_size=124, masks=(0, 0, 0), pixels=b"\0" * 16),
    "v5-24-bit": bmp(2, 2, 24, header_size=124, pixels=b"\0" * 16),
    "core-header": with_u32(bmp(2, 2, 24, pixels=b"\0" * 16), 4 + 14, 12),
    "run-length": bmp(4, 4, 8, 1, pixels=b"\0" * 8),
    "huge-colours-used-8-bit": bmp(2, 2, 8, colours=0xFFFFFFFF, palette=b"", pixels=b"\0" * 8),
    "huge-colours-used-24-bit": with_u32(bmp(2, 2, 24, pixels=b"\0" * 16), 4 + 46, 0x40000000),
    "1-bit-widest": bmp(2147483616, 1, 1, beyond=stride(2147483616, 1)),
    "1-bit-width-2-31": bmp(2147483647, 1, 1, beyond=stride(2147483647, 1)),
    "4-bit-widest": bmp(536870904, 1, 4, beyond=stride(536870904, 4)),
    "8-bit-width-2-29": bmp(1 << 29, 1, 8, beyond=stride(1 << 29, 8)),
    "8-bit-width-2-29-less-1": bmp((1 << 29) - 1, 1, 8, beyond=stride((1 << 29) - 1, 8)),
    "32-bit-tallest": bmp(1, 134217728, 32, beyond=4 * 134217728),
    "32-bit-too-tall": bmp(1, -0x40000001, 32, beyond=0xFFFFFF00),
    "pixels-cut-short": bmp(16, 16, 8, pixels=b"\0" * 100),
    "offset-past-end": bmp(2, 2, 24, pixels=b"\0" * 16, off_bits=5000),
    "gap-before-pixels": bmp(2, 2, 24, pixels=b"\0" * 64, off_bits=14 + 40 + 48),
}

RECORDS = {
    "plain": record(50, 40, b"Total", 140, 35),
    "right-justified": record(600, 40, b"Right side", 120, 35, right=1),
    "vertical": record(80, 620, b"Upward", 90, 35, vertical=1),
    "formula": record(50, 150, b"#1=5", 60, 35),
    "ms-sans-serif-size-65536": record(10, 10, b"W", face=b"MS Sans Serif", size=65536),
    "small-fonts-size-minus-100000": record(-100000, -100000, b"Hello", face=b"Small Fonts", size=-100000),
    "most-negative": record(-2**31, -2**31, b"Low", -2**31, -2**31, size=-2**31, weight=-2**31),
    "most-positive": record(2**31 - 1, 2**31 - 1, b"High", 2**31 - 1, 2**31 - 1, size=2**31 - 1,
                            weight=2**31 - 1, right=1),
    "weight-minus-1": record(20, 20, b"Weight", weight=-1),
    "text-without-terminator": record(20, 20, b"W" * 100, face=b"F" * 32, colour=255, vertical=255, right=255),
    "small-picture": record(5, 5, b"Tiny", size=100, picture=(20, 10)),
    "no-picture": record(5, 5, b"None", picture=(0, 0)),
    "widest-picture": record(2**31 - 1, 5, b"Edge", picture=(2**31 - 1, 1, -2**31)),
}

FORMULAS = {
    "chain": b"#1=5\n#2=#1\n#3=#2+7/2\n",
    "left-to-right": b"#1=2+3*4\n#2=10-4-3\n#3=100/7*7\n#4=7/2\n",
    "no-value": b"#1=2-3\n#2=5/0\n#3=-0\n#4=\n#5\n#6=abc\n",
    "numbers": b"#1=1,000\n#2=1,5\n#3=1.5\n#4=12abc3\n#5=5 + 2\n#6=5+*3\n#7=4294967296\n",
    "limits": b"#1=3000000000+1294967294\n#2=3000000000+1294967295\n#3=46340*46340\n#4=46341*46341\n",
    "leading-operators": b"#1=-5\n#2=*5\n#3=/5\n#4=+5\n",
    "loops": b"#1=#1+1\n#2=#3\n#3=#2\n",
    "labels": b"#1=1\n#12=4\n#3=#12+#1\n#1=6\n#a+1=7\n#a=3\n#x=#a+1\n#=5\n#y=#+1\n#5=5\n#6=#5 +2\n",
    "free-slot": b"#1=5\n\n#2=#1\n#3=#2+1\n",
    "long-chain": b"#1=1\n" + b"".join(b"#%d=#%d+1\n" % (k, k - 1) for k in range(2, 102)),
    "long-text": b"#1=" + b"1" * 120 + b"\n#2=#1*2\n",
}


def utf16(text, order="le", mark=True):
    data = text.encode("utf-16-" + order)
    return (("\ufeff".encode("utf-16-" + order)) if mark else b"") + data


TABLES = {
    "commas": b"Name,Amount\r\nAnna,5\r\nBob,7\r\n",
    "quotes-and-line-breaks": b'Name,Note\n"Smith, Anna","said ""hi""\nthen left"\n  "blanks before",x"y\n',
    "semicolons-short-rows": b"A;B;C\n1\n\n;;\n2;3\n",
    "tabs": b"Name\tAmount\nAnna, Jr.\t5\n",
    "utf-8-marked": b"\xef\xbb\xbf Name , Town\nJos\xc3\xa9,Z\xc3\xbcrich\n",
    "utf-8-unmarked": "Name,Town\nJos\u00e9,\u4e2d\U0001F600\n".encode("utf-8"),
    "utf-8-mixed-with-code-page": b"Name,Town\nJos\xc3\xa9,\xe9t\xe9\n",
    "code-page": b"Name,Town\nJos\xe9,Z\xfcrich\n",
    "utf-16-le-marked": utf16("Name,Town\r\nJos\u00e9,Z\u00fcrich\r\n"),
    "utf-16-be-unmarked": utf16("Name,Town\r\nJos\u00e9,Z\u00fcrich\r\n", "be", False),
    "utf-16-lone-surrogate": utf16("Name\nA\nB") + b"\x00\xd8b\x00\n\x00",
    "nul-byte": b"Name,Amount\nAnna,5\0\n",
    "duplicate-names": b"Name,Amount,NAME\nAnna,5,6\n",
    "ragged-row": b"A,B\n1,2,3\n",
    "open-quote": b'A\n"never closed\n',
    "many-columns": ",".join("c%d" % k for k in range(1, 1002)).encode() + b"\n1\n",
    "many-quotes": b'A\n"' + b'"' * 2048 + b'"\n',
}


def write(target, files):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def main():
    write("bmp_headers", BMP)
    write("entry_record", RECORDS)
    write("formula", FORMULAS)
    write("csv_table", TABLES)
    # Random tables start from any bytes: a few fixed ones.
    write("formula_differential", {"seed-%d" % i: bytes((i * 37 + k * 101) % 256 for k in range(64))
                                   for i in range(8)})


if __name__ == "__main__":
    main()
