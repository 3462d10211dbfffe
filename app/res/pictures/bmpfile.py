"""Writes a picture as an uncompressed 24-bit Windows bitmap file (the form windres and LoadImage read)."""

import struct


def write_bmp(path, canvas):
    """Rows go bottom-up, each in blue, green, red order and padded to four bytes."""
    row_size = (canvas.width * 3 + 3) & ~3
    pixel_bytes = row_size * canvas.height
    header_size = 14 + 40
    data = bytearray()
    data += struct.pack("<2sIHHI", b"BM", header_size + pixel_bytes, 0, 0, header_size)
    data += struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, pixel_bytes, 2835, 2835, 0, 0)
    padding = bytes(row_size - canvas.width * 3)
    for y in range(canvas.height - 1, -1, -1):
        for r, g, b in canvas.row(y):
            data += bytes((b, g, r))
        data += padding
    with open(path, "wb") as out:
        out.write(data)
