#!/usr/bin/env python3
"""Makes Surgepad's skin: every picture of resources/skin/ and resources/contact-sheet.png.

Only Debian's ImageMagick (convert, montage) and its DejaVu fonts are used, with fixed
parameters and no time stamps in the files, so a run gives the same pictures again.

Style: a dark panel, the accent RGB 128, 80, 199, light text RGB 218, 218, 218.
Pictures with an alpha channel (controls, logos, display pages, badge, shadow) have
smooth edges. The two window backgrounds are opaque and colour-keyed: everything
outside the panel is magenta (RGB 255, 0, 255), with hard edges, since a colour key
cannot show half-transparent pixels; the close-button pictures use the key colour
RGB 0x69, 0x69, 0x6B the same way.

Geometry follows the windows: settings panel 329 x 373 (controls at fixed places,
closing strip rows 336 to 372), dialog 329 x 238, display pages 326 x 310 (the
warning texts fill 103,53-223,91 and 63,200-263,281), badge 120 x 40.
"""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SKIN = os.path.join(HERE, "skin")
SHEET = os.path.join(HERE, "contact-sheet.png")

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


def run(tool, *args):
    subprocess.run([tool] + [str(a) for a in args], check=True)


def im(*args):
    run("convert", *args)


def t(name):
    return os.path.join(WORK, name)


def canvas(w, h, out, colour="none"):
    im("-size", f"{w}x{h}", f"xc:{colour}", out)
    return out


def draw(src, out, *commands, fill="none", stroke="none", width=1, aa=True):
    """MVG commands on a copy of src."""
    args = [src] + ([] if aa else ["+antialias"]) + ["-fill", fill, "-stroke", stroke, "-strokewidth", width]
    for c in commands:
        args += ["-draw", c]
    im(*args, out)
    return out


def gradient(w, h, top, bottom, out):
    im("-size", f"{w}x{h}", f"gradient:{top}-{bottom}", out)
    return out


def radial(w, h, inner, outer, out):
    im("-size", f"{w}x{h}", f"radial-gradient:{inner}-{outer}", out)
    return out


def masked(fill, mask, out):
    """fill with the alpha of mask."""
    im(fill, "(", mask, "-alpha", "extract", ")", "-alpha", "off", "-compose", "CopyOpacity", "-composite", out)
    return out


def over(base, layer, out, x=0, y=0):
    im(base, layer, "-geometry", f"+{x}+{y}", "-compose", "Over", "-composite", out)
    return out


def shape(w, h, command, out, aa=True):
    return draw(canvas(w, h, t("blank.png")), out, command, fill="white", aa=aa)


def text(src, out, words, x, y, size, colour, font=FONT_BOLD, gravity=None, kerning=0):
    args = [src, "-font", font, "-pointsize", size, "-fill", colour, "-stroke", "none", "-kerning", kerning]
    if gravity:
        args += ["-gravity", gravity]
    im(*args, "-annotate", f"+{x}+{y}", words, out)
    return out


def glow(src, out, sigma, colour, strength=1.0):
    """A soft halo of src's alpha in one colour, behind src."""
    halo = t("halo.png")
    im(src, "-alpha", "extract", "-blur", f"0x{sigma}", "-evaluate", "multiply", strength, t("halo-a.png"))
    w, h = size_of(src)
    im("-size", f"{w}x{h}", f"xc:{colour}", t("halo-a.png"), "-alpha", "off", "-compose", "CopyOpacity",
       "-composite", halo)
    im(halo, src, "-compose", "Over", "-composite", out)
    return out


def save(src, name, alpha):
    out = os.path.join(SKIN, name)
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
    im("-size", "2x300", f"gradient:{ACCENT}-{ACCENT}", rule)
    fade = t(f"{name}-fade.png")
    im("-size", "2x150", "gradient:black-white", "(", "-size", "2x150", "gradient:white-black", ")", "-append",
       "-rotate", "90", fade)
    im("-size", "300x2", f"xc:{ACCENT}", fade, "-alpha", "off", "-compose", "CopyOpacity", "-composite", rule)
    p = over(p, rule, t(f"{name}-2.png"), (w - 300) // 2, 38)
    footer = gradient(w, h - footer_top, "#1A1A21", "#15151B", t(f"{name}-footer.png"))
    p = over(p, footer, t(f"{name}-3.png"), 0, footer_top)
    p = draw(p, t(f"{name}-4.png"), f"line 14,{footer_top} {w - 15},{footer_top}", stroke="#2E2E3A")
    # Title: a small accent bolt and the program's name.
    p = draw(p, t(f"{name}-5.png"), "polygon 20,9 13,21 18,21 15,30 24,17 19,17 22,9", fill=ACCENT)
    p = text(p, t(f"{name}-6.png"), "Surgepad", 31, 25, 13, TEXT)
    return p


def key_out(panel, w, h, radius, out, edge=EDGE):
    """Magenta outside a rounded panel with hard edges, and a one-pixel edge line."""
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
    p = draw(p, t("set-8.png"), "line 20,156 308,156", "line 20,220 308,220", stroke="#30303D")
    p = draw(p, t("set-9.png"), "line 20,157 308,157", "line 20,221 308,221", stroke="#15151B")
    return key_out(p, w, h, 10, t("settings.png"))


def warning_triangle(size, out, glyph="#1A1A20"):
    """A rounded amber warning triangle with an exclamation mark, size x size."""
    s = size
    pts = f"{s / 2},{s * 0.1} {s * 0.93},{s * 0.86} {s * 0.07},{s * 0.86}"
    fill = gradient(s, s, "#F7C04A", "#E08A1E", t("tri-fill.png"))
    mask = draw(canvas(s, s, t("tri-blank.png")), t("tri-mask.png"), f"polygon {pts}", fill="white",
                stroke="white", width=s * 0.09)
    tri = masked(fill, mask, t("tri.png"))
    bar_w = s * 0.09
    tri = draw(tri, t("tri-2.png"),
               f"roundrectangle {s / 2 - bar_w / 2},{s * 0.34} {s / 2 + bar_w / 2},{s * 0.64} {bar_w / 2},{bar_w / 2}",
               f"circle {s / 2},{s * 0.75} {s / 2 + bar_w * 0.62},{s * 0.75}", fill=glyph)
    shutil.copy(tri, out)
    return out


def dialog_background():
    w, h = 329, 238
    p = panel_base(w, h, 162, "dlg")
    tri = warning_triangle(72, t("dlg-tri.png"))
    tri = glow(tri, t("dlg-tri-glow.png"), 6, "#E08A1E", 0.35)
    p = over(p, tri, t("dlg-7.png"), 62 - 36, 96 - 36)
    return key_out(p, w, h, 10, t("dialog.png"))


def close_button(state):
    w, h = 44, 20
    fills = {"n": ("#2A2A35", "#3C3C4A", "#C8C8D2"), "o": (ACCENT, ACCENT_LIGHT, "#F4F0FA"),
             "d": (ACCENT_DARK, "#4A2F7A", "#E0D6F0")}
    fill, edge, cross = fills[state]
    base = canvas(w, h, t("close-base.png"), CLOSE_KEY)
    # The button's outline is hard (its outside is the key colour); the cross is smooth.
    b = draw(base, t("close-1.png"), f"roundrectangle 0,0 {w - 1},{h - 1} 4,4", fill=fill, stroke=edge, aa=False)
    b = draw(b, t("close-2.png"), "line 18,6 26,14", "line 26,6 18,14", stroke=cross, width=1.7)
    im(b, "-alpha", "off", t(f"close-{state}.png"))
    return t(f"close-{state}.png")


def shadow(w, h, out):
    """The settings window's drop shadow: it lies above the panel (its window is owned
    by the settings window), so it is transparent wherever the panel is."""
    sw, sh = w + 12, h + 14
    panel = shape(w, h, f"roundrectangle 0,0 {w - 1},{h - 1} 10,10", t("sh-panel.png"), aa=False)
    placed = over(canvas(sw, sh, t("sh-base.png")), panel, t("sh-placed.png"), 0, 0)
    offset = over(canvas(sw, sh, t("sh-base2.png")), panel, t("sh-offset.png"), 4, 6)
    im(offset, "-alpha", "extract", "-blur", "0x4.5", "-evaluate", "multiply", "0.65", t("sh-alpha.png"))
    im(placed, "-alpha", "extract", "-negate", t("sh-cut.png"))
    im(t("sh-alpha.png"), t("sh-cut.png"), "-compose", "Multiply", "-composite", t("sh-final-a.png"))
    im("-size", f"{sw}x{sh}", "xc:black", t("sh-final-a.png"), "-alpha", "off", "-compose", "CopyOpacity",
       "-composite", out)
    return out


# ---------------------------------------------------------------- controls

def check_box(checked, enabled):
    s = 17
    if enabled:
        fill, edge = (ACCENT, ACCENT_LIGHT) if checked else ("#15151B", "#6A6A7C")
        mark = "#F2EEF8"
    else:
        fill, edge = ("#3E3A4A", "#4A4656") if checked else ("#1C1C22", "#3A3A44")
        mark = "#8A8894"
    b = draw(canvas(s, s, t("cb.png")), t("cb-1.png"), "roundrectangle 1.5,1.5 15.5,15.5 3,3", fill=fill,
             stroke=edge)
    if checked:
        b = draw(b, t("cb-2.png"), "polyline 4.8,8.8 7.4,11.6 12.4,5.6", stroke=mark, width=2)
    return b


def radio(checked):
    s = 17
    edge = ACCENT_LIGHT if checked else "#6A6A7C"
    b = draw(canvas(s, s, t("rb.png")), t("rb-1.png"), "circle 8.5,8.5 8.5,1.5", fill="#15151B", stroke=edge,
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
    b = draw(b, t("ar-2.png"), f"line 0,2 0,{h - 3}", stroke="#3A3A48")
    b = draw(b, t("ar-3.png"), "polyline 8.5,8 12.5,12 16.5,8", stroke=chevron, width=1.8)
    return b


def combo_pieces():
    """The drop-down panel's frame: top, body and bottom strips, 165 x 2 each."""
    edge = "#4C4C5C"
    top = draw(canvas(165, 2, t("cp-top.png"), LIST_BG), t("cp-top-1.png"), "line 0,0 164,0", "line 0,1 0,1",
               "line 164,1 164,1", stroke=edge, aa=False)
    body = draw(canvas(165, 2, t("cp-body.png"), LIST_BG), t("cp-body-1.png"), "line 0,0 0,1", "line 164,0 164,1",
                stroke=edge, aa=False)
    bottom = draw(canvas(165, 2, t("cp-bot.png"), LIST_BG), t("cp-bot-1.png"), "line 0,1 164,1", "line 0,0 0,0",
                  "line 164,0 164,0", stroke=edge, aa=False)
    return top, body, bottom


# ---------------------------------------------------------------- emblems and pages

def bolt(size, colour, out):
    """A lightning bolt filling a size x size box."""
    s = size / 100.0
    pts = [(58, 4), (22, 56), (46, 56), (38, 96), (78, 40), (54, 40), (62, 4)]
    poly = " ".join(f"{x * s:.2f},{y * s:.2f}" for x, y in pts)
    return draw(canvas(size, size, t("bolt-blank.png")), out, f"polygon {poly}", fill=colour,
                stroke=colour, width=max(1.0, size / 60))


def emblem(size, active, out):
    """The round emblem of the turbo action (active) or the power action."""
    s = size
    c = s / 2.0
    r = s / 2.0 - s * 0.08
    disc_mask = shape(s, s, f"circle {c},{c} {c},{c - r}", t("em-mask.png"))
    if active:
        fill = radial(s, s, "#E2405E", "#7A3CC0", t("em-fill.png"))
    else:
        fill = radial(s, s, "#3A3A48", "#1E1E27", t("em-fill.png"))
    disc = masked(fill, disc_mask, t("em-disc.png"))
    ring = ACCENT_LIGHT if active else "#4A4A5A"
    disc = draw(disc, t("em-ring.png"), f"circle {c},{c} {c},{c - r + s * 0.012}", stroke=ring,
                width=max(1.0, s * 0.025))
    # A soft highlight on the upper half.
    hl = shape(s, s, f"ellipse {c},{c - r * 0.45} {r * 0.72},{r * 0.42} 0,360", t("em-hl.png"))
    im(hl, "-alpha", "extract", "-blur", f"0x{s * 0.04:.2f}", "-evaluate", "multiply", "0.16", t("em-hl-a.png"))
    im("-size", f"{s}x{s}", "xc:white", t("em-hl-a.png"), "-alpha", "off", "-compose", "CopyOpacity", "-composite",
       t("em-hl-w.png"))
    im(t("em-hl-w.png"), disc_mask, "-compose", "DstIn", "-composite", t("em-hl-c.png"))
    disc = over(disc, t("em-hl-c.png"), t("em-2.png"))
    inner = int(s * 0.56)
    if active:
        sym = bolt(inner, "#FFF6FA", t("em-bolt.png"))
        sym = glow(sym, t("em-bolt-glow.png"), s * 0.03, "#FFD0E0", 0.6)
    else:
        sym = power_symbol(inner, "#9C9CAA", t("em-power.png"))
    disc = over(disc, sym, t("em-3.png"), (s - inner) // 2, (s - inner) // 2)
    if active:
        disc = glow(disc, t("em-4.png"), s * 0.045, ACCENT, 0.9)
    shutil.copy(disc, out)
    return out


def power_symbol(size, colour, out):
    s = size
    c = s / 2.0
    r = s * 0.36
    w = max(1.5, s * 0.085)
    return draw(canvas(s, s, t("pw-blank.png")), out, f"arc {c - r},{c - r + s * 0.06} {c + r},{c + r + s * 0.06} "
                f"-58,238", f"line {c},{s * 0.1} {c},{c + s * 0.02}", stroke=colour, width=w)


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
    page = draw(page, t("osd-w2.png"), "line 83,95 243,95", stroke="#34343F")
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
    """The set of colours of `picture` composed over `background` at (x, y)."""
    w, h = size_of(picture)
    im(background, "-crop", f"{w}x{h}+{x}+{y}", "+repage", picture, "-compose", "Over", "-composite",
       "-alpha", "off", t("composed.png"))
    out = subprocess.run(["convert", t("composed.png"), "-unique-colors", "txt:-"], stdout=subprocess.PIPE,
                         check=True).stdout.decode()
    return out.lower()


def settings_preview():
    """The settings window as the program assembles it (controls composed at their
    places, texts in the window's fonts and colours): for the contact sheet only."""
    p = os.path.join(SKIN, "setting_bg.png")
    parts = [("turbo_red.png", 30, 52), ("radio_n.png", 150, 84), ("radio_o.png", 150, 113),
             ("chack_o.png", 53, 192), ("chack_n.png", 178, 192), ("combo_box_bg.png", 75, 260),
             ("arrow_n.png", 213, 261), ("button_o.png", 128, 306), ("button_n.png", 218, 306)]
    for i, (name, x, y) in enumerate(parts):
        p = over(p, os.path.join(SKIN, name), t(f"pv-{i}.png"), x, y)
    p = over(p, os.path.join(SKIN, "close_n.png"), t("pv-close.png"), 262, 8)
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


def contact_sheet():
    groups = [
        ("Windows", ["setting_bg.png", "dialog_bg.png", "bg_shadow01.png"], 1),
        ("On-screen display, status badge, logos", ["turbo_on.png", "turbo_off.png", "warning.png",
                                                    "turbo_mode.png", "turbo_black.png", "turbo_red.png"], 1),
        ("Controls (3 x)", sorted(f for f in os.listdir(SKIN) if f.endswith(".png") and size_of(
            os.path.join(SKIN, f))[0] <= 44 and size_of(os.path.join(SKIN, f))[1] <= 22), 3),
        ("Buttons, drop-down list (3 x)", sorted(f for f in os.listdir(SKIN) if f.endswith(".png") and 44 < size_of(
            os.path.join(SKIN, f))[0] <= 165 and size_of(os.path.join(SKIN, f))[1] <= 22), 3),
    ]
    rows = []
    for i, (title, files, scale) in enumerate(groups):
        args = []
        for j, f in enumerate(files):
            out, label = tile(os.path.join(SKIN, f), f"{f} {size_of(os.path.join(SKIN, f))[0]}x"
                              f"{size_of(os.path.join(SKIN, f))[1]}", scale, t(f"tile-{i}-{j}.png"))
            if i == 2:
                # Room for the label under a small picture.
                im(out, "-background", "#101014", "-gravity", "center", "-extent",
                   f"170x{size_of(out)[1]}", out)
            args += ["-label", label, out]
        if i == 0:
            args += ["-label", "assembled settings window (preview)", settings_preview()]
        run("montage", *args, "-tile", {2: "8x", 3: "4x"}.get(i, "x1"), "-geometry", "+12+10", "-background", "#101014",
            "-fill", TEXT, "-font", FONT, "-pointsize", 11, "-title", title, t(f"row-{i}.png"))
        rows.append(t(f"row-{i}.png"))
    im(*rows, "-background", "#101014", "-gravity", "West", "-append", "-strip",
       "-define", "png:exclude-chunks=date,time", "PNG24:" + SHEET)


def main():
    global WORK
    os.makedirs(SKIN, exist_ok=True)
    for f in os.listdir(SKIN):
        if f.endswith(".png"):
            os.remove(os.path.join(SKIN, f))
    WORK = tempfile.mkdtemp(prefix="make-skin-")
    try:
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

        # What the windows rely on.
        check(size_of(settings) == (329, 373), "settings background size")
        check(size_of(os.path.join(SKIN, "dialog_bg.png")) == (329, 238), "dialog background size")
        for corner in ((0, 0), (328, 0), (0, 372), (328, 372)):
            check(pixel(settings, *corner) in ("srgb(255,0,255)", "rgb(255,0,255)"), f"magenta corner {corner}")
        check(pixel(os.path.join(SKIN, "radio_n.png"), 0, 0).endswith(",0)"), "radio corner transparent")
        for page in ("turbo_on.png", "turbo_off.png", "warning.png"):
            check(size_of(os.path.join(SKIN, page)) == (326, 310), f"{page} size")
        # A composed push button must never contain the button's transparent colours
        # (white on the dialog, 0xCACACB for Cancel): those pixels would be cut out.
        for state in ("n", "o", "d", "un"):
            colours = composed_colours(os.path.join(SKIN, f"button_{state}.png"), settings, 218, 306)
            check("#ffffff" not in colours and "#cacacb" not in colours, f"button_{state} holds a key colour")
        for state in ("n", "o", "d"):
            colours = subprocess.run(["convert", os.path.join(SKIN, f"close_{state}.png"), "-crop", "36x12+4+4",
                                      "-unique-colors", "txt:-"], stdout=subprocess.PIPE, check=True).stdout.decode()
            check("#69696b" not in colours.lower(), f"close_{state} holds its key colour inside")
        contact_sheet()
    finally:
        shutil.rmtree(WORK)
    print(f"make-skin: {len([f for f in os.listdir(SKIN) if f.endswith('.png')])} pictures in "
          f"{os.path.relpath(SKIN, os.getcwd())}, contact sheet {os.path.relpath(SHEET, os.getcwd())}")


if __name__ == "__main__":
    main()
