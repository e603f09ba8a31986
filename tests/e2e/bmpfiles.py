"""Writes .bmp files for the tests: every depth the program opens, either
way up, and damaged files made from good ones."""
import struct

GREY_PALETTE = [(i, i, i) for i in range(256)]
MONO_PALETTE = [(0, 0, 0), (255, 255, 255)]


def default_palette(bits):
    if bits == 1:
        return MONO_PALETTE
    if bits == 4:
        return [(i * 17, i * 17, i * 17) for i in range(16)]
    if bits == 8:
        return GREY_PALETTE
    return []


def stride(width, bits):
    return (width * bits + 31) // 32 * 4


def nearest_index(palette, rgb):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], rgb)))


def encode_row(colours, bits, palette, masks=None):
    """One stored row from a list of (r, g, b) colours."""
    out = bytearray(stride(len(colours), bits))
    for x, (r, g, b) in enumerate(colours):
        if bits <= 8:
            index = nearest_index(palette, (r, g, b)) if palette else 0
            if bits == 8:
                out[x] = index
            else:
                per = 8 // bits
                shift = (per - 1 - x % per) * bits
                out[x // per] |= index << shift
        elif bits == 16:
            v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)
            out[2 * x:2 * x + 2] = struct.pack('<H', v)
        elif bits == 24:
            out[3 * x:3 * x + 3] = bytes((b, g, r))
        elif bits == 32:
            out[4 * x:4 * x + 4] = bytes((b, g, r, 0))
    return bytes(out)


def bmp_bytes(width, height, bits, pixel, top_down=False, palette=None, dpi=300):
    """A whole .bmp file; pixel(x, y) gives the (r, g, b) colour of the
    image point (x, y), with y = 0 the top row."""
    if palette is None:
        palette = default_palette(bits)
    rows = [encode_row([pixel(x, y) for x in range(width)], bits, palette) for y in range(height)]
    if not top_down:
        rows.reverse()
    pixels = b''.join(rows)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    off = 14 + 40 + len(table)
    ppm = int(round(dpi / 0.0254)) if dpi else 0
    info = struct.pack('<IiiHHIIiiII', 40, width, -height if top_down else height, 1, bits, 0,
                       len(pixels), ppm, ppm, len(palette) if bits <= 8 else 0, 0)
    head = struct.pack('<2sIHHI', b'BM', off + len(pixels), 0, 0, off)
    return head + info + table + pixels


def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)
    return path


def with_u32(data, offset, value):
    return data[:offset] + struct.pack('<I', value) + data[offset + 4:]


def damaged_variants(good):
    """(name, bytes, message fragment) for each way a file can be broken.
    `good` is an 8-bit file with its full palette."""
    off = struct.unpack_from('<I', good, 10)[0]
    return [
        ('empty', b'', 'File size was 0'),
        ('text', b'This is not a picture at all.\n', 'Not a .bmp file'),
        ('shorter-than-headers', good[:30], 'shorter than its headers'),
        ('offset-inside-headers', with_u32(good, 10, 40), 'start inside its headers'),
        ('offset-past-end', with_u32(good, 10, len(good) + 100), 'start past its end'),
        ('palette-cut-short', with_u32(good, 10, 14 + 40 + 64), 'too short for its colours'),
        ('pixels-cut-short', good[:off + (len(good) - off) // 2], 'ends before its picture'),
        ('core-header', with_u32(good, 14, 12), "can't be opened"),
        # Plain rows taken for a run-length stream: they run past a row.
        ('run-length-plain-rows', with_u32(good, 30, 1), 'compressed pixels'),
        ('run-length-top-down', with_u32(with_u32(good, 30, 1), 22, 2 ** 32 - 10), "can't be opened"),
        ('absurd-size', with_u32(with_u32(good, 18, 60000), 22, 60000), 'too large'),
        ('zero-width', with_u32(good, 18, 0), 'has no size'),
    ]


def raw_bmp(width, height, bits, rows, palette=None, top_down=False, dpi=300, compression=0,
            masks=None):
    """A .bmp file from stored rows (top row first, each already padded to
    the row stride), for pictures too large to build pixel by pixel."""
    if palette is None:
        palette = default_palette(bits)
    rows = list(rows)
    if not top_down:
        rows.reverse()
    pixels = b''.join(rows)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    extra = b''.join(struct.pack('<I', m) for m in masks) if masks else b''
    off = 14 + 40 + len(extra) + len(table)
    ppm = int(round(dpi / 0.0254)) if dpi else 0
    info = struct.pack('<IiiHHIIiiII', 40, width, -height if top_down else height, 1, bits, compression,
                       len(pixels), ppm, ppm, len(palette) if bits <= 8 else 0, 0)
    head = struct.pack('<2sIHHI', b'BM', off + len(pixels), 0, 0, off)
    return head + info + extra + table + pixels


def coordinate_colour(x, y):
    """The colour that tells its own image position (x, y < 4096)."""
    return (x & 255, (x >> 8) | ((y >> 8) << 4), y & 255)


def position_of_colour(rgb):
    r, g, b = rgb
    return r | ((g & 15) << 8), b | ((g >> 4) << 8)


def coordinate_form(width, height):
    """A 24-bit picture whose every pixel tells where it is, so that one
    screen pixel at full size shows the view's offsets."""
    pad = stride(width, 24) - 3 * width
    rows = []
    for y in range(height):
        row = bytearray(3 * width)
        row[0::3] = bytes([y & 255]) * width                         # blue: y low
        row[1::3] = bytes(((x >> 8) | ((y >> 8) << 4)) & 255 for x in range(width))  # green
        row[2::3] = bytes(x & 255 for x in range(width))             # red: x low
        rows.append(bytes(row) + b'\0' * pad)
    return raw_bmp(width, height, 24, rows)


def headers(width, height, bits, compression=0, colours_used=None, header_size=40, masks=None, palette_len=None):
    """The file header and header block of a .bmp file: the info header
    (header_size bytes, masks inside it when larger than 40, after it when
    40), then palette_len grey colours. The pixels are left to the caller."""
    if palette_len is None:
        palette_len = 1 << bits if bits <= 8 else 0
    if colours_used is None:
        colours_used = palette_len if bits <= 8 else 0
    info = struct.pack('<IiiHHIIiiII', header_size, width, height, 1, bits, compression, 0, 11811, 11811,
                       colours_used, 0) + b'\0' * (header_size - 40)
    if masks is not None:
        packed = struct.pack('<III', *masks)
        info = info + packed if header_size == 40 else info[:40] + packed + info[52:]
    table = b''.join(struct.pack('<BBBB', v * 255 // max(palette_len - 1, 1), v * 255 // max(palette_len - 1, 1),
                                 v * 255 // max(palette_len - 1, 1), 0) for v in range(palette_len))
    off = 14 + len(info) + len(table)
    size = off + stride(width, bits) * abs(height)
    head = struct.pack('<2sIHHI', b'BM', size & 0xFFFFFFFF, 0, 0, off)
    return head + info + table, size


def write_sparse(path, head, size):
    """A file of `size` bytes that starts with `head`; the rest is a hole
    (zeros the file system does not store), so a .bmp of hundreds of
    megabytes costs nothing to make."""
    with open(path, 'wb') as f:
        f.write(head)
        f.truncate(max(size, len(head)))
    return path


MASK_MESSAGE = "its colour masks are empty or overlap"


def hostile_variants():
    """(name, headers, file size, message fragment) for files whose
    headers pass a first look but that no DIB section can be made of."""
    v = []

    def add(name, fragment, *args, **kwargs):
        head, size = headers(*args, **kwargs)
        v.append((name, head, size, fragment))

    # 70 bytes: a 1x1 16-bit bit-field picture whose blue mask is 0.
    add('16-bit-blue-mask-0', MASK_MESSAGE, 1, 1, 16, 3, masks=(0x7C00, 0x03E0, 0))
    add('32-bit-green-mask-0', MASK_MESSAGE, 1, 1, 32, 3, masks=(0xFF0000, 0, 0xFF))
    add('v4-16-bit-red-mask-0', MASK_MESSAGE, 2, 2, 16, 3, header_size=108, masks=(0, 0x03E0, 0x1F))
    add('v5-32-bit-masks-overlap', MASK_MESSAGE, 2, 2, 32, 3, header_size=124, masks=(0xFF0000, 0xFFFF, 0xFF))
    add('16-bit-masks-overlap', MASK_MESSAGE, 2, 2, 16, 3, masks=(0xF800, 0x0FE0, 0x1F))
    # Rows wider than the platform's signed 32-bit arithmetic holds, with
    # every pixel byte present.
    add('1-bit-width-2-31-1', 'too large', 2147483647, 1, 1)
    add('8-bit-width-2-29-1', 'too large', (1 << 29) - 1, 1, 8)
    add('8-bit-width-2-29', 'too large', 1 << 29, 1, 8)
    add('4-bit-one-past-widest', 'too large', 536870905, 1, 4)
    add('8-bit-one-past-widest', 'too large', 268435453, 1, 8)
    add('32-bit-600-mb', 'too large', 1, 150000000, 32)
    # Colour counts no palette has.
    add('8-bit-colours-used-2-32-1', "can't be opened", 2, 2, 8, colours_used=0xFFFFFFFF)
    add('24-bit-colours-used-2-30', 'too short for its colours', 2, 2, 24, colours_used=0x40000000)
    return v


def rle_bmp(width, height, bits, rows, palette=None, stream=None, dpi=300):
    """An RLE8 (bits 8) or RLE4 (bits 4) .bmp file of palette indices given
    row by row from the top, coded as runs of equal pixels; or with a
    `stream` of its own instead (for damaged ones)."""
    if stream is None:
        out = bytearray()
        for row in reversed(rows):
            x = 0
            while x < width:
                n = 1
                while x + n < width and row[x + n] == row[x] and n < 255:
                    n += 1
                out += bytes([n, row[x] if bits == 8 else row[x] << 4 | row[x]])
                x += n
            out += b"\0\0"
        stream = bytes(out + b"\0\1")
    if palette is None:
        palette = default_palette(bits)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    off = 14 + 40 + len(table)
    ppm = int(round(dpi / 0.0254))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 1 if bits == 8 else 2, len(stream), ppm, ppm,
                       len(palette), 0)
    return struct.pack('<2sIHHI', b'BM', off + len(stream), 0, 0, off) + info + table + stream


def rle_hostile_streams():
    """(name, stream, message fragment) for a 4x2 RLE8 picture."""
    return [
        ('rle-run-past-row', bytes([5, 1, 0, 1]), 'run past the end of a row'),
        ('rle-literal-past-row', bytes([0, 5, 1, 2, 3, 4, 5, 0, 0, 1]), 'run past the end of a row'),
        ('rle-run-past-picture', bytes([0, 0, 0, 0, 1, 1, 0, 1]), 'run past the picture'),
        ('rle-jump-outside', bytes([0, 2, 9, 9, 0, 1]), 'run past the picture'),
        ('rle-truncated', bytes([0, 4, 1, 2]), 'end before the picture does'),
    ]
