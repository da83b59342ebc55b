"""The five object icons for the guide, cut from the module's own icon strip res/3dPlot.tif, so that
the manual shows what the host shows. Browsers do not show TIFF, so each tile becomes a PNG.

The strip is the baseline TIFF that res/icons/make_icons.py writes: little-endian, one
uncompressed strip of 8-bit RGBA. Anything else is refused with a clear message."""

import struct
import zlib

TILE_ORDER = ["o3dplot", "o3dplotmesh", "o3dplotgrid", "o3dplotcage", "o3dplotlabel"]


def read_rgba_tiff(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"II*\x00":
        raise ValueError(f"{path}: not a little-endian TIFF")
    (ifd,) = struct.unpack_from("<I", data, 4)
    (count,) = struct.unpack_from("<H", data, ifd)
    tags = {}
    for k in range(count):
        tag, kind, n, value = struct.unpack_from("<HHII", data, ifd + 2 + 12 * k)
        if kind == 3 and n == 1:
            value &= 0xFFFF
        tags[tag] = (n, value)
    width, height = tags[256][1], tags[257][1]
    if tags[259][1] != 1 or tags[277][1] != 4 or tags.get(273, (0, 0))[0] != 1:
        raise ValueError(f"{path}: expected one uncompressed strip of RGBA")
    start = tags[273][1]
    return width, height, data[start:start + width * height * 4]


def png(width, height, rgba_rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rgba_rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_icons(tiff_path, out_dir):
    """Writes out_dir/<description name>.png for each tile; returns the names written."""
    width, height, rgba = read_rgba_tiff(tiff_path)
    tile = width // len(TILE_ORDER)
    if tile != height:
        raise ValueError(f"{tiff_path}: expected {len(TILE_ORDER)} square tiles side by side")
    for index, name in enumerate(TILE_ORDER):
        rows = [rgba[(y * width + index * tile) * 4:(y * width + (index + 1) * tile) * 4]
                for y in range(height)]
        with open(f"{out_dir}/{name}.png", "wb") as f:
            f.write(png(tile, height, rows))
    return TILE_ORDER
