#!/usr/bin/env python3
"""Makes Surgepad's skin: every picture of resources/skin/ and resources/contact-sheet.png.

The skin is drawn three times: at 96 DPI into resources/skin/, and for 150 % and
200 % display scaling into resources/skin/150/ and resources/skin/200/, with the same
file names. Each picture of a scaled set is the 1x picture drawn again at 1.5 or 2
times its size (round half up: 329 x 373 is 494 x 560 and 658 x 746): every size,
offset, coordinate, radius, stroke width, blur and font size is scaled, so the texts
and shapes are sharp. `make-skin.py 2` makes one set only (the 1x set must be there).

Only Debian's ImageMagick (convert, montage) and its DejaVu fonts are used, with fixed
parameters and no time stamps in the files, so a run gives the same pictures again.

Style: a dark panel, the accent RGB 128, 80, 199, light text RGB 218, 218, 218.
Pictures with an alpha channel (controls, logos, display pages, badge, shadow) have
smooth edges. The two window backgrounds are opaque and colour-keyed: everything
outside the panel is magenta (RGB 255, 0, 255), with hard edges, since a colour key
cannot show half-transparent pixels; the close-button pictures use the key colour
RGB 0x69, 0x69, 0x6B the same way.

Geometry (at 1x) follows the windows: settings panel 329 x 373 (controls at fixed places,
closing strip rows 336 to 372), dialog 329 x 238, display pages 326 x 310 (the
warning texts fill 103,53-223,91 and 63,200-263,281), badge 120 x 40. The drawing
code below is written in these 1x numbers; the helpers scale them.
"""
import math
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SKIN = os.path.join(HERE, "skin")
SHEET = os.path.join(HERE, "contact-sheet.png")
SHEET_200 = os.path.join(HERE, "contact-sheet-200.png")
# The scales drawn, each into its folder.
SCALES = {1: SKIN, 1.5: os.path.join(SKIN, "150"), 2: os.path.join(SKIN, "200")}

ACCENT = "#8050C7"        # 128, 80, 199
ACCENT_LIGHT = "#A07AE0"
ACCENT_DARK = "#5E3A9A"
TEXT = "#DADADA"          # 218, 218, 218
KEY = "#FF00FF"
CLOSE_KEY = "#69696B"
LIST_BG = "#2C2C36"       # 44, 44, 54: the drop-down list's own background
PANEL_TOP = "#272733"
PANEL_BOTTOM = "#1B1B23"
HEADER_TOP = "#1E1E28"
HEADER_BOTTOM = "#15151C"
EDGE = "#3E3E4E"
FONT = "DejaVu-Sans"
FONT_BOLD = "DejaVu-Sans-Bold"

WORK = None
K = 1           # the scale being drawn
OUT = SKIN      # and its folder


def rnd(v):
    """v rounded half up."""
    return int(math.floor(v + 0.5))


def s(v):
    """A size, offset or length of the 1x picture at the scale being drawn: a whole
    number (rounded half up) where v is one, else exact."""
    if K == 1:
        return v
    return rnd(v * K) if isinstance(v, int) else v * K


def pos(v):
    """A drawing coordinate of the 1x picture at the scale being drawn. ImageMagick puts
    pixel centres on whole numbers: the centre of 1x pixel i becomes the centre of the
    area that pixel covers at the scale."""
    if K == 1:
        return v
    return v * K + (K - 1) / 2


def hairline():
    """The width of a one-pixel line at the scale being drawn: whole pixels."""
    return rnd(K)


def num(v):
    return f"{v:.4f}".rstrip("0").rstrip(".") if isinstance(v, float) else str(v)


# How many leading pairs of an MVG command are points; after them, "r" pairs are radii
# (they scale) and "a" pairs angles (they stay).
MVG_POINTS = {"line": None, "polyline": None, "polygon": None, "rectangle": None, "circle": None,
              "roundrectangle": (2, "r"), "ellipse": (1, "ra"), "arc": (2, "a")}


def mvg(command):
    """An MVG command written in 1x coordinates, at the scale being drawn."""
    if K == 1:
        return command
    name, *pairs = command.split()
    layout = MVG_POINTS[name]
    points, rest = layout if layout else (len(pairs), "")
    out = []
    for i, pair in enumerate(pairs):
        x, y = (float(v) for v in pair.split(","))
        if i < points:
            x, y = pos(x), pos(y)
        elif rest[i - points] == "r":
            x, y = x * K, y * K
        out.append(f"{num(x)},{num(y)}")
    return " ".join([name] + out)


def run(tool, *args):
    subprocess.run([tool] + [str(a) for a in args], check=True)


def im(*args):
    run("convert", *args)


def t(name):
    return os.path.join(WORK, name)


def canvas(w, h, out, colour="none"):
    """A w x h (1x) picture at the scale being drawn, of one colour."""
    im("-size", f"{s(w)}x{s(h)}", f"xc:{colour}", out)
    return out


def draw_scaled(src, out, commands, fill, stroke, width, aa):
    """MVG commands, already at the scale being drawn, on a copy of src."""
    args = [src] + ([] if aa else ["+antialias"]) + ["-fill", fill, "-stroke", stroke, "-strokewidth", width]
    for c in commands:
        args += ["-draw", c]
    im(*args, out)
    return out


def draw(src, out, *commands, fill="none", stroke="none", width=1, aa=True, join=None):
    """MVG commands in 1x coordinates on a copy of src. A hard (not antialiased) stroke
    stays a whole number of pixels wide. join: the stroke's line join, if not the
    default miter join, which leaves slivers past the end of a polyline once its stroke
    is a few pixels wide (the 1x check mark and chevron come out the same either way)."""
    width = s(float(width)) if aa else rnd(width * K)
    commands = [mvg(c) for c in commands]
    if join:
        commands = [f"stroke-linejoin {join} {c}" for c in commands]
    return draw_scaled(src, out, commands, fill, stroke, width, aa)


def rules(src, out, lines, stroke):
    """One-pixel antialiased lines along pixel rows or columns, (x0, y0, x1, y1) at 1x.
    Across the line they stay on whole pixels, hairline() wide, so they are sharp at
    every scale."""
    e = hairline()
    commands = []
    for x0, y0, x1, y1 in lines:
        if y0 == y1:
            y = rnd(y0 * K) + (e - 1) / 2 if K != 1 else y0
            commands.append(f"line {num(pos(x0))},{num(y)} {num(pos(x1))},{num(y)}")
        else:
            x = rnd(x0 * K) + (e - 1) / 2 if K != 1 else x0
            commands.append(f"line {num(x)},{num(pos(y0))} {num(x)},{num(pos(y1))}")
    return draw_scaled(src, out, commands, "none", stroke, e, True)


def gradient(w, h, top, bottom, out):
    im("-size", f"{s(w)}x{s(h)}", f"gradient:{top}-{bottom}", out)
    return out


def radial(w, h, inner, outer, out):
    im("-size", f"{s(w)}x{s(h)}", f"radial-gradient:{inner}-{outer}", out)
    return out


def masked(fill, mask, out):
    """fill with the alpha of mask."""
    im(fill, "(", mask, "-alpha", "extract", ")", "-alpha", "off", "-compose", "CopyOpacity", "-composite", out)
    return out


def over(base, layer, out, x=0, y=0):
    """layer over base with its corner at (x, y) of the 1x picture."""
    im(base, layer, "-geometry", f"+{s(x)}+{s(y)}", "-compose", "Over", "-composite", out)
    return out


def shape(w, h, command, out, aa=True):
    return draw(canvas(w, h, t("blank.png")), out, command, fill="white", aa=aa)


def text(src, out, words, x, y, size, colour, font=FONT_BOLD, gravity=None, kerning=0):
    """words at (x, y) of the 1x picture, `size` points at 1x."""
    args = [src, "-font", font, "-pointsize", s(float(size)), "-fill", colour, "-stroke", "none", "-kerning",
            s(float(kerning))]
    if gravity:
        args += ["-gravity", gravity]
    im(*args, "-annotate", f"+{s(x)}+{s(y)}", words, out)
    return out


def glow(src, out, sigma, colour, strength=1.0):
    """A soft halo of src's alpha in one colour, behind src (sigma at 1x)."""
    halo = t("halo.png")
    im(src, "-alpha", "extract", "-blur", f"0x{s(sigma)}", "-evaluate", "multiply", strength, t("halo-a.png"))
    w, h = size_of(src)
    im("-size", f"{w}x{h}", f"xc:{colour}", t("halo-a.png"), "-alpha", "off", "-compose", "CopyOpacity",
       "-composite", halo)
    im(halo, src, "-compose", "Over", "-composite", out)
    return out


def save(src, name, alpha):
    out = os.path.join(OUT, name)
    im(src, "-strip", "-define", "png:exclude-chunks=date,time,bKGD",
       ("PNG32:" if alpha else "PNG24:") + out)
    return out


# ---------------------------------------------------------------- window backgrounds

def panel_base(w, h, footer_top, name):
    """The panel of a window: gradient body, header with the title, footer band, edge."""
    body = gradient(w, h, PANEL_TOP, PANEL_BOTTOM, t(f"{name}-body.png"))
    header = gradient(w, 38, HEADER_TOP, HEADER_BOTTOM, t(f"{name}-header.png"))
    p = over(body, header, t(f"{name}-1.png"))
    # Accent rule under the header, fading out toward the sides.
    rule = t(f"{name}-rule.png")
    fade = t(f"{name}-fade.png")
    im("-size", f"{s(2)}x{s(150)}", "gradient:black-white", "(", "-size", f"{s(2)}x{s(150)}",
       "gradient:white-black", ")", "-append", "-rotate", "90", fade)
    im("-size", f"{s(300)}x{s(2)}", f"xc:{ACCENT}", fade, "-alpha", "off", "-compose", "CopyOpacity", "-composite",
       rule)
    p = over(p, rule, t(f"{name}-2.png"), (w - 300) // 2, 38)
    footer = gradient(w, h - footer_top, "#1A1A21", "#15151B", t(f"{name}-footer.png"))
    p = over(p, footer, t(f"{name}-3.png"), 0, footer_top)
    p = rules(p, t(f"{name}-4.png"), [(14, footer_top, w - 15, footer_top)], stroke="#2E2E3A")
    # Title: a small accent bolt and the program's name.
    p = draw(p, t(f"{name}-5.png"), "polygon 20,9 13,21 18,21 15,30 24,17 19,17 22,9", fill=ACCENT)
    p = text(p, t(f"{name}-6.png"), "Surgepad", 31, 25, 13, TEXT)
    return p


def key_out(panel, w, h, radius, out, edge=EDGE):
    """Magenta outside a rounded panel with hard edges, and an edge line one pixel wide
    at 1x (hairline() at any scale)."""
    mask = shape(w, h, f"roundrectangle 0,0 {w - 1},{h - 1} {radius},{radius}", t("keymask.png"), aa=False)
    body = masked(panel, mask, t("keybody.png"))
    keyed = over(canvas(w, h, t("keybase.png"), KEY), body, t("keyed.png"))
    keyed = draw(keyed, t("keyed-edge.png"), f"roundrectangle 0,0 {w - 1},{h - 1} {radius},{radius}",
                 stroke=edge, aa=False)
    im(keyed, "-alpha", "off", out)
    return out


def settings_background():
    w, h = 329, 373
    p = panel_base(w, h, 296, "set")
    # The well behind the logo (logo 96 x 96 at 30, 52).
    well = radial(112, 112, "#34344A", "#1D1D26", t("well-fill.png"))
    well_mask = shape(112, 112, "circle 55.5,55.5 55.5,1", t("well-mask.png"))
    well = masked(well, well_mask, t("well.png"))
    well = draw(well, t("well-ring.png"), "circle 55.5,55.5 55.5,1.5", stroke="#383848")
    p = over(p, well, t("set-7.png"), 78 - 56, 100 - 56)
    # Engraved rules between the sections (headings at y 164 and 228).
    p = rules(p, t("set-8.png"), [(20, 156, 308, 156), (20, 220, 308, 220)], stroke="#30303D")
    p = rules(p, t("set-9.png"), [(20, 157, 308, 157), (20, 221, 308, 221)], stroke="#15151B")
    return key_out(p, w, h, 10, t("settings.png"))


def warning_triangle(size, out, glyph="#1A1A20"):
    """A rounded amber warning triangle with an exclamation mark, size x size (1x)."""
    z = size
    pts = f"{z / 2},{z * 0.1} {z * 0.93},{z * 0.86} {z * 0.07},{z * 0.86}"
    fill = gradient(z, z, "#F7C04A", "#E08A1E", t("tri-fill.png"))
    mask = draw(canvas(z, z, t("tri-blank.png")), t("tri-mask.png"), f"polygon {pts}", fill="white",
                stroke="white", width=z * 0.09)
    tri = masked(fill, mask, t("tri.png"))
    bar_w = z * 0.09
    tri = draw(tri, t("tri-2.png"),
               f"roundrectangle {z / 2 - bar_w / 2},{z * 0.34} {z / 2 + bar_w / 2},{z * 0.64} {bar_w / 2},{bar_w / 2}",
               f"circle {z / 2},{z * 0.75} {z / 2 + bar_w * 0.62},{z * 0.75}", fill=glyph)
    shutil.copy(tri, out)
    return out


def dialog_background():
    w, h = 329, 238
    p = panel_base(w, h, 162, "dlg")
    tri = warning_triangle(72, t("dlg-tri.png"))
    tri = glow(tri, t("dlg-tri-glow.png"), 6, "#E08A1E", 0.35)
    p = over(p, tri, t("dlg-7.png"), 62 - 36, 96 - 36)
    return key_out(p, w, h, 10, t("dialog.png"))


# The close button's fill, edge and cross in each state.
CLOSE_LOOKS = {"n": ("#2A2A35", "#3C3C4A", "#C8C8D2"), "o": (ACCENT, ACCENT_LIGHT, "#F4F0FA"),
               "d": (ACCENT_DARK, "#4A2F7A", "#E0D6F0")}


def close_button(state):
    w, h = 44, 20
    fill, edge, cross = CLOSE_LOOKS[state]
    base = canvas(w, h, t("close-base.png"), CLOSE_KEY)
    # The button's outline is hard (its outside is the key colour), hairline() wide; the
    # cross is smooth.
    b = draw(base, t("close-1.png"), f"roundrectangle 0,0 {w - 1},{h - 1} 4,4", fill=fill, stroke=edge, aa=False)
    b = draw(b, t("close-2.png"), "line 18,6 26,14", "line 26,6 18,14", stroke=cross, width=1.7)
    im(b, "-alpha", "off", t(f"close-{state}.png"))
    return t(f"close-{state}.png")


def shadow(w, h, out):
    """The settings window's drop shadow: it lies above the panel (its window is owned
    by the settings window), so it is transparent wherever the panel is. w, h at 1x."""
    sw, sh = w + 12, h + 14
    panel = shape(w, h, f"roundrectangle 0,0 {w - 1},{h - 1} 10,10", t("sh-panel.png"), aa=False)
    placed = over(canvas(sw, sh, t("sh-base.png")), panel, t("sh-placed.png"), 0, 0)
    offset = over(canvas(sw, sh, t("sh-base2.png")), panel, t("sh-offset.png"), 4, 6)
    im(offset, "-alpha", "extract", "-blur", f"0x{s(4.5)}", "-evaluate", "multiply", "0.65", t("sh-alpha.png"))
    im(placed, "-alpha", "extract", "-negate", t("sh-cut.png"))
    im(t("sh-alpha.png"), t("sh-cut.png"), "-compose", "Multiply", "-composite", t("sh-final-a.png"))
    im("-size", f"{s(sw)}x{s(sh)}", "xc:black", t("sh-final-a.png"), "-alpha", "off", "-compose", "CopyOpacity",
       "-composite", out)
    return out


# ---------------------------------------------------------------- controls

def check_box(checked, enabled):
    z = 17
    if enabled:
        fill, edge = (ACCENT, ACCENT_LIGHT) if checked else ("#15151B", "#6A6A7C")
        mark = "#F2EEF8"
    else:
        fill, edge = ("#3E3A4A", "#4A4656") if checked else ("#1C1C22", "#3A3A44")
        mark = "#8A8894"
    b = draw(canvas(z, z, t("cb.png")), t("cb-1.png"), "roundrectangle 1.5,1.5 15.5,15.5 3,3", fill=fill,
             stroke=edge)
    if checked:
        b = draw(b, t("cb-2.png"), "polyline 4.8,8.8 7.4,11.6 12.4,5.6", stroke=mark, width=2,
                 join="round")
    return b


def radio(checked):
    z = 17
    edge = ACCENT_LIGHT if checked else "#6A6A7C"
    b = draw(canvas(z, z, t("rb.png")), t("rb-1.png"), "circle 8.5,8.5 8.5,1.5", fill="#15151B", stroke=edge,
             width=1.2)
    if checked:
        dot = radial(9, 9, ACCENT_LIGHT, ACCENT, t("rb-dotfill.png"))
        dot = masked(dot, shape(9, 9, "circle 4.5,4.5 4.5,0.5", t("rb-dotmask.png")), t("rb-dot.png"))
        b = over(b, dot, t("rb-2.png"), 4, 4)
    return b


def push_button(state):
    w, h = 78, 21
    looks = {"n": ("#383845", "#292932", "#4C4C5C", "#4A4A58"),
             "o": ("#9468D8", "#6E42B0", ACCENT_LIGHT, "#B08CEA"),
             "d": ("#54358C", "#6A46A6", "#432A72", "#6A4AA0"),
             "un": ("#26262D", "#222228", "#303038", "#2A2A31")}
    top, bottom, edge, highlight = looks[state]
    fill = gradient(w, h, top, bottom, t("pb-fill.png"))
    mask = shape(w, h, f"roundrectangle 0.5,0.5 {w - 1.5},{h - 1.5} 4,4", t("pb-mask.png"))
    b = masked(fill, mask, t("pb-1.png"))
    b = draw(b, t("pb-2.png"), f"line 4,1.5 {w - 5},1.5", stroke=highlight)
    b = draw(b, t("pb-3.png"), f"roundrectangle 0.5,0.5 {w - 1.5},{h - 1.5} 4,4", stroke=edge)
    return b


def combo_body(enabled):
    w, h = 165, 22
    fill, edge = ("#15151B", "#4C4C5C") if enabled else ("#1A1A20", "#30303A")
    return draw(canvas(w, h, t("cbx.png")), t("cbx-1.png"), f"roundrectangle 0.5,0.5 {w - 1.5},{h - 1.5} 4,4",
                fill=fill, stroke=edge)


def combo_arrow(state):
    """26 x 20, laid on the body's right end at (138, 1)."""
    w, h = 26, 20
    looks = {"n": ("#22222B", "#B4B4C0"), "o": ("#3A2D54", "#D8C6F4"), "d": ("#2A2040", ACCENT_LIGHT),
             "un": ("#1A1A20", "#55555F")}
    fill, chevron = looks[state]
    mask = shape(w, h, f"roundrectangle -4,0 {w - 2},{h - 1} 3,3", t("ar-mask.png"))
    b = masked(canvas(w, h, t("ar-fill.png"), fill), mask, t("ar-1.png"))
    b = rules(b, t("ar-2.png"), [(0, 2, 0, h - 3)], stroke="#3A3A48")
    b = draw(b, t("ar-3.png"), "polyline 8.5,8 12.5,12 16.5,8", stroke=chevron, width=1.8, join="round")
    return b


def combo_pieces():
    """The drop-down panel's frame: top, body and bottom strips, 165 x 2 each (1x), with
    hard edge lines hairline() wide."""
    edge = "#4C4C5C"
    w, h, e = s(165), s(2), hairline()
    left, right = f"rectangle 0,0 {e - 1},{h - 1}", f"rectangle {w - e},0 {w - 1},{h - 1}"

    def piece(name, *lines):
        return draw_scaled(canvas(165, 2, t(f"cp-{name}.png"), LIST_BG), t(f"cp-{name}-1.png"), lines, edge, "none",
                           1, False)

    top = piece("top", f"rectangle 0,0 {w - 1},{e - 1}", left, right)
    body = piece("body", left, right)
    bottom = piece("bot", f"rectangle 0,{h - e} {w - 1},{h - 1}", left, right)
    return top, body, bottom


# ---------------------------------------------------------------- emblems and pages

def bolt(size, colour, out):
    """A lightning bolt filling a size x size box (1x)."""
    u = size / 100.0
    pts = [(58, 4), (22, 56), (46, 56), (38, 96), (78, 40), (54, 40), (62, 4)]
    poly = " ".join(f"{x * u:.2f},{y * u:.2f}" for x, y in pts)
    return draw(canvas(size, size, t("bolt-blank.png")), out, f"polygon {poly}", fill=colour,
                stroke=colour, width=max(1.0, size / 60))


def emblem(size, active, out):
    """The round emblem of the turbo action (active) or the power action, size x size
    (1x)."""
    z = size
    c = z / 2.0
    r = z / 2.0 - z * 0.08
    disc_mask = shape(z, z, f"circle {c},{c} {c},{c - r}", t("em-mask.png"))
    if active:
        fill = radial(z, z, "#E2405E", "#7A3CC0", t("em-fill.png"))
    else:
        fill = radial(z, z, "#3A3A48", "#1E1E27", t("em-fill.png"))
    disc = masked(fill, disc_mask, t("em-disc.png"))
    ring = ACCENT_LIGHT if active else "#4A4A5A"
    disc = draw(disc, t("em-ring.png"), f"circle {c},{c} {c},{c - r + z * 0.012}", stroke=ring,
                width=max(1.0, z * 0.025))
    # A soft highlight on the upper half.
    hl = shape(z, z, f"ellipse {c},{c - r * 0.45} {r * 0.72},{r * 0.42} 0,360", t("em-hl.png"))
    im(hl, "-alpha", "extract", "-blur", f"0x{s(z * 0.04):.2f}", "-evaluate", "multiply", "0.16", t("em-hl-a.png"))
    im("-size", f"{s(z)}x{s(z)}", "xc:white", t("em-hl-a.png"), "-alpha", "off", "-compose", "CopyOpacity",
       "-composite", t("em-hl-w.png"))
    im(t("em-hl-w.png"), disc_mask, "-compose", "DstIn", "-composite", t("em-hl-c.png"))
    disc = over(disc, t("em-hl-c.png"), t("em-2.png"))
    inner = int(z * 0.56)
    if active:
        sym = bolt(inner, "#FFF6FA", t("em-bolt.png"))
        sym = glow(sym, t("em-bolt-glow.png"), z * 0.03, "#FFD0E0", 0.6)
    else:
        sym = power_symbol(inner, "#9C9CAA", t("em-power.png"))
    disc = over(disc, sym, t("em-3.png"), (z - inner) // 2, (z - inner) // 2)
    if active:
        disc = glow(disc, t("em-4.png"), z * 0.045, ACCENT, 0.9)
    shutil.copy(disc, out)
    return out


def power_symbol(size, colour, out):
    z = size
    c = z / 2.0
    r = z * 0.36
    w = max(1.5, z * 0.085)
    return draw(canvas(z, z, t("pw-blank.png")), out, f"arc {c - r},{c - r + z * 0.06} {c + r},{c + r + z * 0.06} "
                f"-58,238", f"line {c},{z * 0.1} {c},{c + z * 0.02}", stroke=colour, width=w)


def osd_frame(out):
    """A display page: a dark rounded panel with an accent edge and a soft halo."""
    w, h = 326, 310
    m = 7
    mask = shape(w, h, f"roundrectangle {m},{m} {w - m - 1},{h - m - 1} 18,18", t("osd-mask.png"))
    fill = gradient(w, h, "#22222D", "#14141A", t("osd-fill.png"))
    panel = masked(fill, mask, t("osd-panel.png"))
    # Panel opacity 235 of 255: the desktop shows faintly through it.
    im(panel, "-channel", "A", "-evaluate", "multiply", "0.92", "+channel", t("osd-panel-a.png"))
    panel = draw(t("osd-panel-a.png"), t("osd-edge.png"),
                 f"roundrectangle {m + 0.5},{m + 0.5} {w - m - 1.5},{h - m - 1.5} 18,18", stroke=ACCENT, width=1.5)
    return glow(panel, out, 4, ACCENT, 0.55)


def osd_turbo(on):
    page = osd_frame(t("osd-base.png"))
    em = emblem(140, on, t("osd-emblem.png"))
    page = over(page, em, t("osd-1.png"), 163 - 70, 44)
    # Gravity North: the offsets place the top of each word.
    page = text(page, t("osd-2.png"), "TURBO", 0, 198, 34, TEXT if on else "#8A8A96", gravity="North", kerning=3)
    word = "ON" if on else "OFF"
    page = text(page, t("osd-3.png"), word, 0, 246, 22, ACCENT_LIGHT if on else "#6A6A76", gravity="North",
                kerning=6)
    return page


def osd_warning():
    page = osd_frame(t("osd-wbase.png"))
    # The title's place (103,53)-(223,91) and the explanation's (63,200)-(263,281)
    # stay plain; the triangle sits between them.
    tri = warning_triangle(92, t("osd-tri.png"))
    tri = glow(tri, t("osd-tri-glow.png"), 7, "#E08A1E", 0.45)
    page = over(page, tri, t("osd-w1.png"), 163 - 46, 99)
    page = rules(page, t("osd-w2.png"), [(83, 95, 243, 95)], stroke="#34343F")
    return page


def status_badge():
    w, h = 120, 40
    mask = shape(w, h, f"roundrectangle 1,1 {w - 2},{h - 2} 19,19", t("st-mask.png"))
    fill = gradient(w, h, "#2A2236", "#18141F", t("st-fill.png"))
    b = masked(fill, mask, t("st-1.png"))
    # A dark outer line: where the edge is half transparent its colour stays dark.
    b = draw(b, t("st-2.png"), f"roundrectangle 1.5,1.5 {w - 2.5},{h - 2.5} 19,19", stroke=ACCENT, width=1.2)
    em = emblem(30, True, t("st-em.png"))
    b = over(b, em, t("st-3.png"), 6, 5)
    b = text(b, t("st-4.png"), "TURBO", 42, 26, 15, TEXT, kerning=1)
    # The badge goes to its window as loaded, and a layered window reads colour as
    # premultiplied: no half-transparent edge pixel may be brighter than its alpha,
    # or the edge would glow. Premultiplying the edge gives it a dark hairline.
    im(b, "-channel", "RGB", "-fx", "u.a < 1 ? u * u.a : u", "+channel", t("st-5.png"))
    return t("st-5.png")


# ---------------------------------------------------------------- checks and sheet

def pixel(path, x, y):
    out = subprocess.run(["convert", path, "-format", f"%[pixel:p{{{x},{y}}}]", "info:"], stdout=subprocess.PIPE,
                         check=True).stdout.decode()
    return out.strip()


def size_of(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], stdout=subprocess.PIPE, check=True).stdout.decode()
    w, h = out.split()
    return int(w), int(h)


def check(condition, message):
    if not condition:
        sys.exit("make-skin: " + message)


def composed_colours(picture, background, x, y):
    """The set of colours of `picture` composed over `background` at (x, y) (pixels)."""
    w, h = size_of(picture)
    im(background, "-crop", f"{w}x{h}+{x}+{y}", "+repage", picture, "-compose", "Over", "-composite",
       "-alpha", "off", t("composed.png"))
    out = subprocess.run(["convert", t("composed.png"), "-unique-colors", "txt:-"], stdout=subprocess.PIPE,
                         check=True).stdout.decode()
    return out.lower()


def colours_of(path, *crop):
    """The colours (#rrggbb) of a picture or of a part of it (crop geometry)."""
    out = subprocess.run(["convert", path, "-alpha", "off"] + (["-crop", crop[0], "+repage"] if crop else []) +
                         ["-unique-colors", "-depth", "8", "txt:-"], stdout=subprocess.PIPE,
                         check=True).stdout.decode()
    return {line.split()[2][:7].lower() for line in out.splitlines() if not line.startswith("#")}


def check_hard_edge(path, key, edge):
    """A colour-keyed picture: every pixel beside (left, right, above, below) a key pixel
    is the edge colour, no blend of the two, and the edge line is hairline() wide in the
    middle of each side."""
    name = os.path.basename(path)
    im(path, "-alpha", "off", "-fill", "black", "+opaque", key, "-fill", "white", "-opaque", key, t("he-key.png"))
    im(t("he-key.png"), "-morphology", "Dilate", "Diamond:1", "(", t("he-key.png"), "-negate", ")", "-compose",
       "Multiply", "-composite", t("he-ring.png"))
    im(path, "-alpha", "off", t("he-ring.png"), "-alpha", "off", "-compose", "CopyOpacity", "-composite",
       "-background", key, "-alpha", "remove", t("he-beside.png"))
    beside = colours_of(t("he-beside.png")) - {key.lower()}
    check(beside == {edge.lower()}, f"{set_name()}{name}: beside the key colour {sorted(beside)}, not only {edge}")
    w, h = size_of(path)
    e = hairline()
    for label, line, inner in (("left", f"{e}x1+0+{h // 2}", f"1x1+{e}+{h // 2}"),
                               ("right", f"{e}x1+{w - e}+{h // 2}", f"1x1+{w - e - 1}+{h // 2}"),
                               ("top", f"1x{e}+{w // 2}+0", f"1x1+{w // 2}+{e}"),
                               ("bottom", f"1x{e}+{w // 2}+{h - e}", f"1x1+{w // 2}+{h - e - 1}")):
        check(colours_of(path, line) == {edge.lower()} and colours_of(path, inner) != {edge.lower()},
              f"{set_name()}{name}: the {label} edge line is not {e} pixels wide")


def set_name():
    """The folder being drawn, for messages."""
    return "" if K == 1 else os.path.basename(OUT) + "/"


def settings_preview():
    """The settings window as the program assembles it (controls composed at their
    places, texts in the window's fonts and colours): for the contact sheet only."""
    p = os.path.join(OUT, "setting_bg.png")
    parts = [("turbo_red.png", 30, 52), ("radio_n.png", 150, 84), ("radio_o.png", 150, 113),
             ("chack_o.png", 53, 192), ("chack_n.png", 178, 192), ("combo_box_bg.png", 75, 260),
             ("arrow_n.png", 213, 261), ("button_o.png", 128, 306), ("button_n.png", 218, 306)]
    for i, (name, x, y) in enumerate(parts):
        p = over(p, os.path.join(OUT, name), t(f"pv-{i}.png"), x, y)
    p = over(p, os.path.join(OUT, "close_n.png"), t("pv-close.png"), 262, 8)
    labels = [("Power Button Action", 145, 68, 13, "#DBDBDB", FONT_BOLD), ("Display Setting", 29, 181, 13, "#DBDBDB",
              FONT_BOLD), ("Surgepad Profile", 29, 245, 13, "#DBDBDB", FONT_BOLD),
              ("Surgepad Off", 172, 96, 11, TEXT, FONT), ("Surgepad On", 172, 125, 11, TEXT, FONT),
              ("Show OSD", 76, 204, 11, TEXT, FONT), ("Show Status", 201, 204, 11, TEXT, FONT),
              ("Turbo profile 1", 86, 276, 11, TEXT, FONT), ("Apply", 151, 321, 11, "#C8C4D5", FONT),
              ("Cancel", 238, 321, 11, "#C8C4D5", FONT)]
    for i, (words, x, y, size, colour, font) in enumerate(labels):
        p = text(p, t(f"pv-t{i}.png"), words, x, y, size, colour, font=font)
    im(p, "-fill", "#101014", "-opaque", KEY, t("preview.png"))
    return t("preview.png")


def tile(path, label, scale, out):
    """A picture on a checkerboard (where it is transparent), enlarged `scale` times."""
    w, h = size_of(path)
    im("-size", f"{w * scale}x{h * scale}", "pattern:checkerboard", "-fill", "#4A4A54", "-opaque", "#999999",
       "-fill", "#34343C", "-opaque", "#666666", "-fill", "#5A5A64", "-opaque", "white", "-fill", "#2A2A32",
       "-opaque", "black", "(", path, "-filter", "point", "-resize", f"{scale * 100}%", ")", "-compose", "Over",
       "-composite", out)
    return out, label


def contact_sheet(sheet):
    """The set being drawn on one sheet, the small pictures enlarged."""
    zoom = max(1, rnd(3 / K))
    sizes = {f: size_of(os.path.join(OUT, f)) for f in os.listdir(OUT) if f.endswith(".png")}
    groups = [
        ("Windows", ["setting_bg.png", "dialog_bg.png", "bg_shadow01.png"], 1),
        ("On-screen display, status badge, logos", ["turbo_on.png", "turbo_off.png", "warning.png",
                                                    "turbo_mode.png", "turbo_black.png", "turbo_red.png"], 1),
        (f"Controls ({zoom} x)", sorted(f for f, (w, h) in sizes.items() if w <= s(44) and h <= s(22)), zoom),
        (f"Buttons, drop-down list ({zoom} x)", sorted(f for f, (w, h) in sizes.items()
                                                       if s(44) < w <= s(165) and h <= s(22)), zoom),
    ]
    rows = []
    for i, (title, files, scale) in enumerate(groups):
        args = []
        for j, f in enumerate(files):
            out, label = tile(os.path.join(OUT, f), f"{f} {sizes[f][0]}x{sizes[f][1]}", scale,
                              t(f"tile-{i}-{j}.png"))
            if i == 2:
                # Room for the label under a small picture.
                im(out, "-background", "#101014", "-gravity", "center", "-extent",
                   f"{rnd(170 * K * zoom / 3)}x{size_of(out)[1]}", out)
            args += ["-label", label, out]
        if i == 0:
            args += ["-label", "assembled settings window (preview)", settings_preview()]
        run("montage", *args, "-tile", {2: "8x", 3: "4x"}.get(i, "x1"), "-geometry", "+12+10", "-background", "#101014",
            "-fill", TEXT, "-font", FONT, "-pointsize", 11, "-title", title, t(f"row-{i}.png"))
        rows.append(t(f"row-{i}.png"))
    im(*rows, "-background", "#101014", "-gravity", "West", "-append", "-strip",
       "-define", "png:exclude-chunks=date,time", "PNG24:" + sheet)


def pictures(folder):
    return sorted(f for f in os.listdir(folder) if f.endswith(".png"))


def make_set():
    """Every picture at scale K into OUT, and checks of what the windows rely on."""
    os.makedirs(OUT, exist_ok=True)
    for f in pictures(OUT):
        os.remove(os.path.join(OUT, f))
    settings = save(settings_background(), "setting_bg.png", alpha=False)
    save(dialog_background(), "dialog_bg.png", alpha=False)
    for state in ("n", "o", "d"):
        save(close_button(state), f"close_{state}.png", alpha=False)
    save(shadow(329, 373, t("shadow.png")), "bg_shadow01.png", alpha=True)
    save(check_box(False, True), "chack_n.png", alpha=True)
    save(check_box(False, False), "chack_un1.png", alpha=True)
    save(check_box(True, True), "chack_o.png", alpha=True)
    save(check_box(True, False), "chack_un2.png", alpha=True)
    save(radio(False), "radio_n.png", alpha=True)
    save(radio(True), "radio_o.png", alpha=True)
    for state in ("n", "o", "d", "un"):
        save(push_button(state), f"button_{state}.png", alpha=True)
        save(combo_arrow(state), f"arrow_{state}.png", alpha=True)
    save(combo_body(True), "combo_box_bg.png", alpha=True)
    save(combo_body(False), "combo_box_bg_un.png", alpha=True)
    top, body, bottom = combo_pieces()
    save(top, "combo_panel_top.png", alpha=False)
    save(body, "combo_panel_body.png", alpha=False)
    save(bottom, "combo_panel_bottom.png", alpha=False)
    save(emblem(96, False, t("logo-off.png")), "turbo_black.png", alpha=True)
    save(emblem(96, True, t("logo-on.png")), "turbo_red.png", alpha=True)
    save(osd_turbo(True), "turbo_on.png", alpha=True)
    save(osd_turbo(False), "turbo_off.png", alpha=True)
    save(osd_warning(), "warning.png", alpha=True)
    save(status_badge(), "turbo_mode.png", alpha=True)

    # What the windows rely on, at this scale.
    where = set_name()
    if K != 1:
        # The same pictures as the 1x set, each round(1x size * scale) in size.
        check(pictures(OUT) == pictures(SKIN), f"{OUT}: not the file names of the 1x set")
        for f in pictures(OUT):
            w, h = size_of(os.path.join(SKIN, f))
            check(size_of(os.path.join(OUT, f)) == (s(w), s(h)), f"{where}{f}: size {size_of(os.path.join(OUT, f))}"
                  f" for {w} x {h} at 1x")
    check(size_of(settings) == (s(329), s(373)), f"{where}settings background size")
    check(size_of(os.path.join(OUT, "dialog_bg.png")) == (s(329), s(238)), f"{where}dialog background size")
    for background in ("setting_bg.png", "dialog_bg.png"):
        path = os.path.join(OUT, background)
        w, h = size_of(path)
        for corner in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
            check(pixel(path, *corner) in ("srgb(255,0,255)", "rgb(255,0,255)"),
                  f"{where}{background}: magenta corner {corner}")
        check_hard_edge(path, KEY, EDGE)
    check(pixel(os.path.join(OUT, "radio_n.png"), 0, 0).endswith(",0)"), f"{where}radio corner transparent")
    for page in ("turbo_on.png", "turbo_off.png", "warning.png"):
        check(size_of(os.path.join(OUT, page)) == (s(326), s(310)), f"{where}{page} size")
    # A composed push button must never contain the button's transparent colours
    # (white on the dialog, 0xCACACB for Cancel): those pixels would be cut out.
    for state in ("n", "o", "d", "un"):
        colours = composed_colours(os.path.join(OUT, f"button_{state}.png"), settings, s(218), s(306))
        check("#ffffff" not in colours and "#cacacb" not in colours, f"{where}button_{state} holds a key colour")
    for state, (_, edge, _) in CLOSE_LOOKS.items():
        path = os.path.join(OUT, f"close_{state}.png")
        check(CLOSE_KEY.lower() not in colours_of(path, f"{s(36)}x{s(12)}+{s(4)}+{s(4)}"),
              f"{where}close_{state} holds its key colour inside")
        check_hard_edge(path, CLOSE_KEY, edge)
    print(f"make-skin: {len(pictures(OUT))} pictures at {K} x in {os.path.relpath(OUT, os.getcwd())}")


def main():
    global WORK, K, OUT
    try:
        wanted = [float(a) for a in sys.argv[1:]] or list(SCALES)
    except ValueError:
        wanted = [0]
    if any(a not in SCALES for a in wanted):
        sys.exit(f"usage: {sys.argv[0]} [SCALE...], scales {', '.join(str(k) for k in SCALES)} (all by default)")
    WORK = tempfile.mkdtemp(prefix="make-skin-")
    try:
        for scale in SCALES:
            if scale not in wanted:
                continue
            K, OUT = scale, SCALES[scale]
            make_set()
            if K == 1:
                contact_sheet(SHEET)
            elif K == 2:
                contact_sheet(SHEET_200)
    finally:
        shutil.rmtree(WORK)


if __name__ == "__main__":
    main()
