#!/usr/bin/env python3
"""Writes the hand-made seed files of the fuzz corpora (broken on purpose).

The generated game data is added as a second seed folder at fuzz time; only
these small files live in the repository. Run from this folder.
"""
import lzma
import os
import struct


def chunk(cid, body, length=None):
    return struct.pack('<HI', cid, 6 + len(body) if length is None else length) + body


def tri_object(name, verts, faces, uvs):
    v = struct.pack('<H', len(verts)) + b''.join(struct.pack('<3f', *p) for p in verts)
    f = struct.pack('<H', len(faces)) + b''.join(struct.pack('<4H', *t, 0) for t in faces)
    m = struct.pack('<H', len(uvs)) + b''.join(struct.pack('<2f', *t) for t in uvs)
    mesh = chunk(0x4100, chunk(0x4110, v) + chunk(0x4140, m) + chunk(0x4120, f))
    return chunk(0x4000, name + b'\0' + mesh)


def wrap(obj):
    return chunk(0x4D4D, chunk(0x0002, struct.pack('<I', 3)) + chunk(0x3D3D, obj))


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def meshes():
    good = wrap(tri_object(b'tri', [(0, 0, 0), (1, 0, 0), (0, 1, 0)], [(0, 1, 2)],
                           [(0, 0), (1, 0), (0, 1)]))
    write('corpus/3ds', 'good', good)
    for cut in (6, 12, 20, 30, 45, len(good) - 1):
        write('corpus/3ds', f'cut_{cut}', good[:cut])
    for length in (0, 5, 6, 0xFFFFFFFF):
        write('corpus/3ds', f'len_{length:x}', chunk(0x1234, b'abcd', length) + good)
    for count in (0, 500, 501, 65535):
        body = struct.pack('<H', count) + struct.pack('<3f', 1, 2, 3) * min(count, 8)
        write('corpus/3ds', f'count_{count}', wrap(chunk(0x4110, body)))
    write('corpus/3ds', 'bad_index', wrap(tri_object(b'x', [(0, 0, 0)], [(0, 65535, 7)], [])))
    write('corpus/3ds', 'long_name', chunk(0x4000, b'n' * 40) + good)
    write('corpus/3ds', 'no_nul', chunk(0x4000, b'abc', 9))


def bmp(width, height, bits=24, compression=0, pixels=None, offset=54):
    row = (width * 3 + 3) // 4 * 4 if width > 0 else 0
    data = pixels if pixels is not None else bytes(row * min(abs(height), 4))
    head = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression, len(data), 0, 0, 0, 0)
    return head + info + bytes(max(0, offset - 54)) + data


def bitmap(width, height, bits, compression, table, pixels, header=40, masks=b''):
    offset = 14 + header + len(masks) + len(table)
    head = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    if header == 12:
        info = struct.pack('<IHHHH', 12, width, height, 1, bits)
    else:
        info = struct.pack('<IiiHHIIiiII', header, width, height, 1, bits, compression, len(pixels),
                           0, 0, 0, 0).ljust(header, b'\0')
    return head + info + masks + table + pixels


def bitmaps():
    write('corpus/bmp', 'good', bmp(4, 2, pixels=bytes(range(24))))
    write('corpus/bmp', 'padded', bmp(3, 2, pixels=bytes(range(24))))
    write('corpus/bmp', 'topdown', bmp(4, -2, pixels=bytes(range(24))))
    write('corpus/bmp', 'offset', bmp(4, 1, pixels=bytes(range(12)), offset=70))
    for w, h in ((0, 4), (4, 0), (-1, 4), (16385, 1), (1, 16385), (0x7FFFFFFF, 1), (1, -0x80000000)):
        write('corpus/bmp', f'size_{w}_{h}', bmp(w, h, pixels=bytes(12)))
    for bits in (1, 8, 16, 32):
        write('corpus/bmp', f'bits_{bits}', bmp(4, 2, bits=bits))
    for comp in (1, 2, 3):
        write('corpus/bmp', f'compressed_{comp}', bmp(4, 2, compression=comp))
    write('corpus/bmp', 'short', bmp(4, 4, pixels=bytes(5)))
    write('corpus/bmp', 'headers_only', bmp(4, 4)[:54])
    table = bytes([0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0])
    rle = bytes([3, 0x12, 0, 0, 0, 3, 0x12, 0x30, 0, 2, 1, 1, 1, 0x33, 0, 3, 1, 2, 3, 0, 0, 1])
    write('corpus/bmp', 'rle4', bitmap(4, 3, 4, 2, table, rle))
    write('corpus/bmp', 'rle8', bitmap(4, 3, 8, 1, table, rle))
    write('corpus/bmp', 'pal1', bitmap(9, 2, 1, 0, table[:8], bytes([0xA5, 0x80, 0, 0] * 2)))
    write('corpus/bmp', 'rgb565', bitmap(2, 2, 16, 3, b'', bytes(range(8)),
                                        masks=struct.pack('<3I', 0xF800, 0x07E0, 0x1F)))
    write('corpus/bmp', 'v5_argb32', bitmap(2, -2, 32, 3, b'', bytes(range(16)), header=124))
    write('corpus/bmp', 'os2_core', bitmap(3, 2, 4, 0, table[:12], bytes([0x01, 0x20, 0, 0] * 2),
                                          header=12))


def wave(samples, riff_size=None, data_size=None, rate=22050, channels=1, bits=16, fmt=1):
    data = struct.pack(f'<{len(samples)}h', *samples)
    block = channels * bits // 8
    fmt_chunk = struct.pack('<4sIHHIIHH', b'fmt ', 16, fmt, channels, rate, rate * block, block, bits)
    data_chunk = struct.pack('<4sI', b'data', len(data) if data_size is None else data_size) + data
    body = b'WAVE' + fmt_chunk + data_chunk
    return struct.pack('<4sI', b'RIFF', len(body) if riff_size is None else riff_size) + body


def chunk_riff(fmt, data, riff_size=None, data_size=None, extra=b''):
    body = (b'WAVEfmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' +
            struct.pack('<I', len(data) if data_size is None else data_size) + data + extra)
    return b'RIFF' + struct.pack('<I', len(body) if riff_size is None else riff_size) + body


def waves():
    tone = [((i * 37) % 200 - 100) * 100 for i in range(64)]
    write('corpus/wave', 'good', wave(tone))
    write('corpus/wave', 'riff_lies_big', wave(tone, riff_size=0x7FFFFFF0))
    write('corpus/wave', 'riff_lies_small', wave(tone, riff_size=4))
    write('corpus/wave', 'data_lies', wave(tone, data_size=0xFFFFFFFF))
    write('corpus/wave', 'zero_channels', wave(tone, channels=0))
    write('corpus/wave', 'rate_zero', wave(tone, rate=0))
    write('corpus/wave', 'bits_7', wave(tone, bits=7))
    write('corpus/wave', 'adpcm', wave(tone, fmt=2))
    write('corpus/wave', 'cut', wave(tone)[:40])
    pcm = struct.pack('<HHIIHH', 1, 1, 22050, 44100, 2, 16)
    samples = struct.pack('<32h', *tone[:32])
    write('corpus/wave', 'pipe', chunk_riff(pcm, samples, 0x7ffff024, 0x7ffff000))
    write('corpus/wave', 'odd_no_pad', chunk_riff(struct.pack('<HHIIHH', 1, 1, 8000, 8000, 1, 8),
                                                  bytes(range(33)), extra=b'LIST\4\0\0\0INFO'))
    ima = struct.pack('<HHIIHHHH', 0x11, 1, 22050, 11100, 36, 4, 2, 65)
    write('corpus/wave', 'ima', chunk_riff(ima, struct.pack('<hBB', 100, 20, 0) + bytes(range(32))))
    coefs = struct.pack('<14h', 256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232)
    ms = struct.pack('<HHIIHHHHH', 2, 2, 22050, 22300, 30, 4, 32, 18, 7) + coefs
    block = bytes([0, 1]) + struct.pack('<6h', 16, 20, 100, -100, 50, -50) + bytes(range(16))
    write('corpus/wave', 'ms_adpcm', chunk_riff(ms, block))
    write('corpus/wave', 'float64', chunk_riff(struct.pack('<HHIIHH', 3, 1, 8000, 64000, 8, 64),
                                               struct.pack('<4d', 0.5, -0.5, 2.0, float('nan'))))
    guid = struct.pack('<H', 1) + bytes.fromhex('000000001000800000aa00389b71')
    ext = struct.pack('<HHIIHHHHI', 0xFFFE, 2, 44100, 264600, 6, 24, 22, 24, 3) + guid
    write('corpus/wave', 'extensible_24', chunk_riff(ext, bytes(range(36))))
    write('corpus/wave', 'alaw', chunk_riff(struct.pack('<HHIIHH', 6, 1, 8000, 8000, 1, 8),
                                            bytes(range(0, 256, 8))))


def package(plain, lc=4, lp=0, pb=0, size=None):
    stream = lzma.compress(plain, format=lzma.FORMAT_RAW, filters=[{
        'id': lzma.FILTER_LZMA1, 'preset': 6, 'lc': lc, 'lp': lp, 'pb': pb, 'dict_size': 1 << 16}])
    return (bytes([(pb * 5 + lp) * 9 + lc]) +
            struct.pack('<IQ', 1 << 16, len(plain) if size is None else size) + stream)


def packages():
    text = b''.join(b'roach %d squashed\n' % (i * 7 % 31) for i in range(200))
    write('corpus/lzma', 'text', package(text))
    write('corpus/lzma', 'text_xz_settings', package(text, 3, 0, 2))
    write('corpus/lzma', 'pixels', package(bmp(16, 8, pixels=bytes(i * 7 % 256 for i in range(384)))))
    write('corpus/lzma', 'empty', package(b''))
    write('corpus/lzma', 'size_lies', package(text, size=len(text) + 100))
    write('corpus/lzma', 'cut', package(text)[:40])


if __name__ == '__main__':
    meshes()
    bitmaps()
    waves()
    packages()
