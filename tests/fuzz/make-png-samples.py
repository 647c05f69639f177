#!/usr/bin/env python3
"""Makes the PNG samples of the codec's tests and the fuzzer's seed corpus.

Every kind of PNG a user may drop into the skin folder is written by ImageMagick
(palette, grey, grey + alpha, RGB, RGBA; 1 to 16 bits; interlaced), plus a few
the script assembles itself from those (tRNS colour keys, IDAT split into pieces).
The expected 8-bit pixels come from ImageMagick reading each file back, an
independent decoder: 16-bit channels keep their high byte.

Writes tests/unit/pure/PngSamples.h and tests/fuzz/corpus/png_decode/*.png. Needs ImageMagick
(convert). Run from anywhere; commit both outputs.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
HEADER = os.path.join(ROOT, "tests", "unit", "pure", "PngSamples.h")
CORPUS = os.path.join(HERE, "corpus", "png_decode")
W, H = 7, 5


def run(args, data=None):
    return subprocess.run(args, input=data, stdout=subprocess.PIPE, check=True).stdout


def chunks(png):
    assert png[:8] == b"\x89PNG\r\n\x1a\n"
    pos, out = 8, []
    while pos < len(png):
        (length,) = struct.unpack(">I", png[pos:pos + 4])
        out.append((png[pos + 4:pos + 8], png[pos + 8:pos + 8 + length]))
        pos += 12 + length
    return out


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def assemble(parts):
    return b"\x89PNG\r\n\x1a\n" + b"".join(chunk(k, b) for k, b in parts)


def ihdr(png):
    body = chunks(png)[0][1]
    w, h, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
    return w, h, depth, ctype, interlace


def encode(w, h, rgba16, options):
    """RGBA input at 16 bits a channel, most significant byte first."""
    raw = b"".join(struct.pack(">HHHH", *p) for p in rgba16)
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "in.rgba")
        out = os.path.join(tmp, "out.png")
        with open(src, "wb") as f:
            f.write(raw)
        run(["convert", "-size", f"{w}x{h}", "-depth", "16", "-endian", "MSB", f"rgba:{src}", "-strip",
             "-define", "png:exclude-chunks=date,time"] + options + [out])
        with open(out, "rb") as f:
            return f.read()


def decode_reference(png):
    """ImageMagick's reading of the file, RGBA at 16 bits, reduced to the high bytes."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "x.png")
        with open(path, "wb") as f:
            f.write(png)
        raw = run(["convert", path, "-depth", "16", "-endian", "MSB", "rgba:-"])
    return bytes(raw[i] for i in range(0, len(raw), 2))


def rgb_pattern(x, y):
    return ((x * 37 + 10) & 255, (y * 50 + 3) & 255, (x * y * 13 + 90) & 255)


ALPHAS = [0, 1, 128, 255, 64, 200, 17]


def rgba8(fn):
    return [tuple(v * 257 for v in fn(x, y)) for y in range(H) for x in range(W)]


def grey_levels(depth):
    top = (1 << depth) - 1
    return lambda x, y: ((x + 3 * y) % (top + 1)) * 255 // top


samples = []


def add(name, png, expect_type, expect_depth, expect_interlace=0, alpha=None, note=""):
    w, h, depth, ctype, interlace = ihdr(png)
    if (ctype, depth, interlace) != (expect_type, expect_depth, expect_interlace):
        sys.exit(f"{name}: ImageMagick wrote colour type {ctype}, depth {depth}, interlace {interlace}")
    has_trns = any(k == b"tRNS" for k, _ in chunks(png))
    decoded_alpha = ctype in (4, 6) or has_trns
    if alpha is not None and alpha != decoded_alpha:
        sys.exit(f"{name}: alpha expected {alpha}")
    expected = decode_reference(png)
    assert len(expected) == w * h * 4
    samples.append(dict(name=name, png=png, w=w, h=h, ctype=ctype, depth=depth, interlace=interlace,
                        alpha=decoded_alpha, rgba=expected, note=note))


def main():
    # Truecolour.
    rgb = rgba8(lambda x, y: rgb_pattern(x, y) + (255,))
    add("Rgb8", encode(W, H, rgb, ["-define", "png:color-type=2", "-define", "png:bit-depth=8"]), 2, 8,
        alpha=False)
    rgba = rgba8(lambda x, y: rgb_pattern(x, y) + (ALPHAS[(x + y) % len(ALPHAS)],))
    add("Rgba8", encode(W, H, rgba, ["-define", "png:color-type=6", "-define", "png:bit-depth=8"]), 6, 8,
        alpha=True)
    # 16 bits: the low bytes differ from the high ones, so a decoder that rounds
    # instead of keeping the high byte shows.
    rgb16 = [(r ^ 0x00A5, g ^ 0x005A, b ^ 0x00F0, 65535) for (r, g, b, _) in rgb]
    add("Rgb16", encode(W, H, rgb16, ["-define", "png:color-type=2", "-define", "png:bit-depth=16"]), 2, 16,
        alpha=False)
    rgba16 = [(r ^ 0x00C3, g ^ 0x003C, b ^ 0x0081, a if a in (0, 65535) else a ^ 0x0077) for (r, g, b, a) in rgba]
    add("Rgba16", encode(W, H, rgba16, ["-define", "png:color-type=6", "-define", "png:bit-depth=16"]), 6, 16,
        alpha=True)
    # Grey.
    for depth in (1, 2, 4, 8):
        level = grey_levels(depth) if depth < 8 else (lambda x, y: (x * 31 + y * 19) & 255)
        grey = rgba8(lambda x, y: (level(x, y),) * 3 + (255,))
        add(f"Grey{depth}", encode(W, H, grey, ["-define", "png:color-type=0", "-define", f"png:bit-depth={depth}"]),
            0, depth, alpha=False)
    grey16 = [(v * 257 ^ 0x0033,) * 3 + (65535,) for v in ((x * 31 + y * 19) & 255 for y in range(H) for x in range(W))]
    add("Grey16", encode(W, H, grey16, ["-define", "png:color-type=0", "-define", "png:bit-depth=16"]), 0, 16,
        alpha=False)
    ga = rgba8(lambda x, y: ((x * 31 + y * 19) & 255,) * 3 + (ALPHAS[(2 * x + y) % len(ALPHAS)],))
    add("GreyAlpha8", encode(W, H, ga, ["-define", "png:color-type=4", "-define", "png:bit-depth=8"]), 4, 8,
        alpha=True)
    ga16 = [(g ^ 0x0011, g ^ 0x0011, g ^ 0x0011, a) for (g, _, _, a) in ga]
    add("GreyAlpha16", encode(W, H, ga16, ["-define", "png:color-type=4", "-define", "png:bit-depth=16"]), 4, 16,
        alpha=True)
    # Palette.
    colours = [(200, 30, 40), (20, 180, 60), (30, 40, 220), (250, 250, 250), (10, 10, 10), (128, 80, 199),
               (218, 218, 218), (255, 0, 255), (0, 128, 128), (90, 60, 30), (1, 2, 3), (77, 66, 55),
               (240, 200, 0), (0, 0, 0), (60, 90, 120), (33, 33, 99)]
    for depth, count in ((1, 2), (2, 4), (4, 11), (8, 16)):
        pal = rgba8(lambda x, y: colours[(x + 2 * y) % count] + (255,))
        add(f"Palette{depth}", encode(W, H, pal, ["-define", "png:color-type=3", "-define", f"png:bit-depth={depth}"]),
            3, depth, alpha=False)
    # ImageMagick writes palette transparency only as all or nothing: the partial
    # alphas go into a tRNS chunk made here, entry by entry of the palette it wrote.
    alpha_of = {colours[i]: (0, 1, 128, 255, 255, 40)[i] for i in range(6)}
    pal6 = rgba8(lambda x, y: colours[(x + 2 * y) % 6] + (255,))
    pparts = chunks(encode(W, H, pal6, ["-define", "png:color-type=3", "-define", "png:bit-depth=8"]))
    plte = next(b for k, b in pparts if k == b"PLTE")
    table = bytes(alpha_of[tuple(plte[i:i + 3])] for i in range(0, len(plte), 3))
    add("PaletteTrns8", assemble([pparts[0], pparts[1], (b"tRNS", table)] + pparts[2:]), 3, 8, alpha=True)
    # Adam7.
    add("Rgba8Interlaced", encode(W, H, rgba, ["-interlace", "PNG", "-define", "png:color-type=6",
                                                "-define", "png:bit-depth=8"]), 6, 8, 1, alpha=True)
    grey2 = rgba8(lambda x, y: (grey_levels(2)(x, y),) * 3 + (255,))
    add("Grey2Interlaced", encode(W, H, grey2, ["-interlace", "PNG", "-define", "png:color-type=0",
                                                 "-define", "png:bit-depth=2"]), 0, 2, 1, alpha=False)
    pal4 = rgba8(lambda x, y: colours[(x + 2 * y) % 11] + (255,))
    add("Palette4Interlaced", encode(W, H, pal4, ["-interlace", "PNG", "-define", "png:color-type=3",
                                                   "-define", "png:bit-depth=4"]), 3, 4, 1, alpha=False)
    big = [tuple(v * 257 for v in (x * 3 & 255, y * 5 & 255, (x ^ y) & 255, (x * y) & 255)) for y in range(19)
           for x in range(31)]
    add("Rgba8Interlaced31x19", encode(31, 19, big, ["-interlace", "PNG", "-define", "png:color-type=6",
                                                      "-define", "png:bit-depth=8"]), 6, 8, 1, alpha=True)
    # One pixel.
    add("Rgba8OnePixel", encode(1, 1, [(10 * 257, 20 * 257, 30 * 257, 1 * 257)],
                                ["-define", "png:color-type=6", "-define", "png:bit-depth=8"]), 6, 8, alpha=True)
    add("Rgb8OnePixel", encode(1, 1, [(250 * 257, 5 * 257, 99 * 257, 65535)],
                               ["-define", "png:color-type=2", "-define", "png:bit-depth=8"]), 2, 8, alpha=False)
    # Assembled: a colour key (tRNS) on truecolour and on grey, and the picture data
    # in three IDAT chunks with an ancillary chunk in front.
    base = chunks(samples[0]["png"])
    key = rgb_pattern(2, 1)
    trns = struct.pack(">HHH", *key)
    parts = [base[0], (b"tRNS", trns)] + base[1:]
    add("Rgb8ColourKey", assemble(parts), 2, 8, alpha=True)
    grey8 = next(s for s in samples if s["name"] == "Grey8")
    gparts = chunks(grey8["png"])
    gkey = (3 * 31 + 2 * 19) & 255
    add("Grey8ColourKey", assemble([gparts[0], (b"tRNS", struct.pack(">H", gkey))] + gparts[1:]), 0, 8, alpha=True)
    rparts = chunks(next(s for s in samples if s["name"] == "Rgba8Interlaced31x19")["png"])
    idat = b"".join(b for k, b in rparts if k == b"IDAT")
    third = len(idat) // 3
    split = [rparts[0], (b"tEXt", b"Comment\x00split picture data")] + [
        (b"IDAT", idat[:third]), (b"IDAT", idat[third:2 * third]), (b"IDAT", idat[2 * third:]), (b"IEND", b"")]
    add("Rgba8SplitData", assemble(split), 6, 8, 1, alpha=True)

    write_outputs()


def c_bytes(data, indent="    "):
    lines = []
    for i in range(0, len(data), 16):
        lines.append(indent + ", ".join(f"0x{b:02X}" for b in data[i:i + 16]) + ",")
    return "\n".join(lines)


def write_outputs():
    os.makedirs(CORPUS, exist_ok=True)
    for name in os.listdir(CORPUS):
        # Inputs a fuzzer found that showed a fault ("found-*") stay.
        if name.endswith(".png") and not name.startswith("found-"):
            os.remove(os.path.join(CORPUS, name))
    out = ['#pragma once',
           '// PNG samples of every kind the codec must read, made by ImageMagick through',
           '// tests/fuzz/make-png-samples.py, with the 8-bit R, G, B, A pixels that ImageMagick',
           '// reads back from each file (16-bit channels: their high byte). Generated; do not edit.',
           '',
           '#include <cstddef>',
           '#include <cstdint>',
           '',
           '// clang-format off',
           'namespace pngsamples {',
           '',
           'struct Sample {',
           '    const char* name;',
           '    uint32_t width;',
           '    uint32_t height;',
           '    uint8_t colorType;  // of the file',
           '    uint8_t bitDepth;   // of the file',
           '    bool interlaced;',
           '    bool alpha;  // colour types 4 and 6, or a tRNS chunk: decoded as R, G, B, A',
           '    const uint8_t* png;',
           '    size_t pngSize;',
           '    const uint8_t* rgba;  // width x height pixels, R, G, B, A',
           '};',
           '']
    for s in samples:
        out.append(f'inline constexpr uint8_t k{s["name"]}Png[] = {{')
        out.append(c_bytes(s["png"]))
        out.append('};')
        out.append(f'inline constexpr uint8_t k{s["name"]}Rgba[] = {{')
        out.append(c_bytes(s["rgba"]))
        out.append('};')
        with open(os.path.join(CORPUS, s["name"] + ".png"), "wb") as f:
            f.write(s["png"])
    out.append('')
    out.append('inline constexpr Sample kSamples[] = {')
    for s in samples:
        out.append(f'    {{"{s["name"]}", {s["w"]}, {s["h"]}, {s["ctype"]}, {s["depth"]}, '
                   f'{"true" if s["interlace"] else "false"}, {"true" if s["alpha"] else "false"}, '
                   f'k{s["name"]}Png, sizeof k{s["name"]}Png, k{s["name"]}Rgba}},')
    out.append('};')
    out.append('')
    out.append('}  // namespace pngsamples')
    out.append('// clang-format on')
    with open(HEADER, "w") as f:
        f.write("\n".join(out) + "\n")
    print(f"make-png-samples: {len(samples)} samples -> {os.path.relpath(HEADER, ROOT)}, "
          f"{os.path.relpath(CORPUS, ROOT)}/")


if __name__ == "__main__":
    main()
