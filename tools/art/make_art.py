#!/usr/bin/python3
"""Draws the tool's artwork into ui/art/: the main window skin, the bitmap buttons in their
focus, normal and disabled states, the two link images, the maker's logo, the four message icons
and the program icon. The images are committed, so the build never needs this script.

Run with Debian's Python (Pillow) and the DejaVu fonts:  /usr/bin/python3 tools/art/make_art.py
"""
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.path.join(ROOT, "ui", "art")
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
SS = 4  # supersampling factor for smooth edges

# The palette of the whole product.
MAGENTA = (255, 0, 255)          # outside the window's shape
LABEL_BLUE = (2, 77, 246)        # the coloured label's text background; the header band
NAVY = (8, 38, 120)
DEEP = (1, 52, 178)
PANEL = (207, 233, 254)          # the message dialog's background, used for every light panel
WHITE = (255, 255, 255)
ORANGE = (255, 146, 28)
ORANGE_DARK = (214, 96, 0)
PANEL_EDGE = (126, 166, 228)
# Palette images loaded with LR_LOADMAP3DCOLORS have these exact greys replaced by the system's
# 3-D colours, so none of our palettes may hold them.
THREE_D_GREYS = {(128, 128, 128), (192, 192, 192), (223, 223, 223)}


def font(size, bold=True):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    path = os.path.join(FONT_DIR, name)
    if not os.path.exists(path):
        sys.exit("missing font %s (Debian package fonts-dejavu-core)" % path)
    return ImageFont.truetype(path, size)


# ----------------------------------------------------------------------------------------------
# Writing bitmaps in the exact formats the resources need.

def nudge_greys(palette):
    out = []
    for colour in palette:
        if tuple(colour) in THREE_D_GREYS:
            colour = (colour[0] + 1, colour[1] + 1, colour[2] + 2)
        out.append(tuple(colour))
    return out


def to_indexed(img, max_colours, reserved=()):
    """Palette image of at most max_colours entries; colours in reserved keep their exact value."""
    img = img.convert("RGB")
    reserved = [tuple(c) for c in reserved]
    data = list(img.getdata())
    reserved_index = {c: i for i, c in enumerate(reserved)}
    free = max_colours - len(reserved)
    # Reserved pixels must not pull the quantiser's palette: give them a neighbouring colour.
    filler = next((c for c in data if c not in reserved_index), (0, 0, 0))
    others = []
    for c in data:
        if c in reserved_index:
            others.append(filler)
        else:
            filler = c
            others.append(c)
    rest = Image.new("RGB", img.size)
    rest.putdata(others)
    quantised = rest.quantize(colors=free, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    qpal = quantised.getpalette()[: free * 3]
    qcolours = [tuple(qpal[i:i + 3]) for i in range(0, len(qpal), 3)]
    palette = nudge_greys(reserved + qcolours)
    while len(palette) < max_colours:
        palette.append((0, 0, 0))
    indices = [reserved_index[c] if c in reserved_index else len(reserved) + q
               for c, q in zip(data, quantised.getdata())]
    return palette, indices


def write_indexed_bmp(path, size, palette, indices, bpp):
    width, height = size
    colours = 1 << bpp
    assert len(palette) <= colours and max(indices) < colours
    palette = list(palette) + [(0, 0, 0)] * (colours - len(palette))
    row_bytes = ((width * bpp + 31) // 32) * 4
    rows = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray(row_bytes)
        line = indices[y * width:(y + 1) * width]
        if bpp == 8:
            row[:width] = bytes(line)
        else:
            for x, value in enumerate(line):
                if x % 2 == 0:
                    row[x // 2] = value << 4
                else:
                    row[x // 2] |= value
        rows += row
    offset = 14 + 40 + 4 * colours
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, len(rows), 2835, 2835, colours, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    with open(path, "wb") as f:
        f.write(header + info + pal + rows)


def save_bmp(name, img, bpp, reserved=()):
    path = os.path.join(OUT, name)
    if bpp == 24:
        img.convert("RGB").save(path, "BMP")
    else:
        palette, indices = to_indexed(img, 1 << bpp, reserved)
        write_indexed_bmp(path, img.size, palette, indices, bpp)
    print("wrote", os.path.relpath(path, ROOT), "%dx%d" % img.size, "%d bpp" % bpp)


def write_icon(path, images):
    """An icon file of 256-colour images with transparency masks (readable by every Windows)."""
    entries = []
    blobs = []
    for img in images:  # RGBA
        w, h = img.size
        alpha = img.getchannel("A")
        rgb = Image.new("RGB", img.size, (0, 0, 0))
        rgb.paste(img.convert("RGB"), mask=alpha.point(lambda a: 255 if a >= 128 else 0))
        palette, indices = to_indexed(rgb, 256, [(0, 0, 0)])
        xor_row = ((w * 8 + 31) // 32) * 4
        and_row = ((w + 31) // 32) * 4
        xor = bytearray()
        mask = bytearray()
        amask = list(alpha.getdata())
        for y in range(h - 1, -1, -1):
            row = bytearray(xor_row)
            row[:w] = bytes(indices[y * w:(y + 1) * w])
            xor += row
            mrow = bytearray(and_row)
            for x in range(w):
                if amask[y * w + x] < 128:
                    mrow[x // 8] |= 0x80 >> (x % 8)
            mask += mrow
        info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 8, 0, len(xor) + len(mask), 0, 0, 256, 0)
        pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
        blob = info + pal + bytes(xor) + bytes(mask)
        blobs.append(blob)
        entries.append((w, h))
    offset = 6 + 16 * len(images)
    out = struct.pack("<HHH", 0, 1, len(images))
    for (w, h), blob in zip(entries, blobs):
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 8, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))
    print("wrote", os.path.relpath(path, ROOT), ", ".join("%dx%d" % e for e in entries), "8 bpp")


# ----------------------------------------------------------------------------------------------
# Drawing helpers (everything is drawn SS times larger, then reduced).

def big(size):
    return (size[0] * SS, size[1] * SS)


def reduce(img, size):
    return img.resize(size, Image.LANCZOS)


def arc_points(cx, cy, r, start_deg, end_deg, steps=24):
    import math
    pts = []
    for i in range(steps + 1):
        a = math.radians(start_deg + (end_deg - start_deg) * i / steps)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def rounded_polygon(x0, y0, x1, y1, tl, tr, br, bl):
    pts = []
    pts += arc_points(x0 + tl, y0 + tl, tl, 180, 270)
    pts += arc_points(x1 - tr, y0 + tr, tr, 270, 360)
    pts += arc_points(x1 - br, y1 - br, br, 0, 90)
    pts += arc_points(x0 + bl, y1 - bl, bl, 90, 180)
    return pts


def vertical_gradient(size, top, bottom):
    w, h = size
    grad = Image.new("RGB", (1, h))
    for y in range(h):
        t = y / max(1, h - 1)
        grad.putpixel((0, y), tuple(int(round(top[i] + (bottom[i] - top[i]) * t)) for i in range(3)))
    return grad.resize((w, h))


def centred_text(draw, box, text, fnt, fill, shadow=None):
    x0, y0, x1, y1 = box
    left, top, right, bottom = draw.textbbox((0, 0), text, font=fnt)
    x = x0 + (x1 - x0 - (right - left)) / 2 - left
    y = y0 + (y1 - y0 - (bottom - top)) / 2 - top
    if shadow:
        draw.text((x, y + SS), text, font=fnt, fill=shadow)
    draw.text((x, y), text, font=fnt, fill=fill)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


# ----------------------------------------------------------------------------------------------
# Buttons.

BUTTON_STYLES = {
    # state: (gradient top, gradient bottom, border, text, text shadow)
    "NOTFOCUS": ((58, 128, 255), (2, 62, 204), (1, 40, 140), WHITE, (0, 30, 110)),
    "FOCUS": ((255, 190, 80), (242, 118, 0), (170, 74, 0), WHITE, (150, 60, 0)),
    "DISABLE": ((226, 229, 235), (190, 195, 204), (150, 156, 168), (140, 146, 158), None),
}


def draw_glyph(draw, kind, box, colour, width):
    x0, y0, x1, y1 = box
    if kind == "scan":  # magnifier
        r = (y1 - y0) * 0.30
        cx, cy = x0 + r + width, y0 + (y1 - y0) * 0.42
        draw.ellipse([cx - r, cy - r, cx + r, cy + r], outline=colour, width=width)
        d = r * 0.72
        draw.line([cx + d, cy + d, cx + r * 1.75, cy + r * 1.75], fill=colour, width=int(width * 1.5))
    elif kind == "download":  # arrow into a tray
        cx = x0 + (x1 - x0) / 2
        top, bottom = y0 + (y1 - y0) * 0.12, y0 + (y1 - y0) * 0.62
        draw.line([cx, top, cx, bottom], fill=colour, width=width)
        a = (y1 - y0) * 0.22
        draw.line([cx - a, bottom - a, cx, bottom + width * 0.3, cx + a, bottom - a], fill=colour, width=width,
                  joint="curve")
        ty = y0 + (y1 - y0) * 0.86
        tw = (x1 - x0) * 0.42
        draw.line([cx - tw, ty - a * 0.7, cx - tw, ty, cx + tw, ty, cx + tw, ty - a * 0.7], fill=colour,
                  width=width, joint="curve")


def pill_button(size, caption, state, background, glyph=None, font_size=None):
    w, h = size
    W, H = big(size)
    top, bottom, border, text, shadow = BUTTON_STYLES[state]
    img = Image.new("RGB", (W, H), background)
    margin = SS
    radius = (H - 2 * margin) // 2
    shape = Image.new("L", (W, H), 0)
    ImageDraw.Draw(shape).rounded_rectangle([margin, margin, W - margin - 1, H - margin - 1], radius=radius,
                                            fill=255)
    # A soft shadow under the pill lifts it from the panel.
    shade = shape.filter(ImageFilter.GaussianBlur(SS * 0.9))
    shade = ImageChops.offset(shade, 0, SS)
    img.paste(mix(background, (40, 60, 110), 0.55), mask=shade.point(lambda a: a * 0.5))
    body = vertical_gradient((W, H), top, bottom)
    img.paste(border, mask=shape)
    inner = Image.new("L", (W, H), 0)
    ImageDraw.Draw(inner).rounded_rectangle(
        [margin + SS, margin + SS, W - margin - 1 - SS, H - margin - 1 - SS], radius=radius - SS, fill=255)
    img.paste(body, mask=inner)
    if state != "DISABLE":
        # Gloss over the upper half.
        gloss = Image.new("L", (W, H), 0)
        ImageDraw.Draw(gloss).rounded_rectangle(
            [margin + 2 * SS, margin + 2 * SS, W - margin - 1 - 2 * SS, margin + (H - 2 * margin) * 0.48],
            radius=radius - 2 * SS, fill=70)
        img.paste(WHITE, mask=ImageChops.multiply(gloss, inner))
    draw = ImageDraw.Draw(img)
    fnt = font(font_size or int(h * 0.5) * SS)
    text_box = [margin, margin, W - margin, H - margin]
    if glyph:
        gsize = (H - 2 * margin) * 0.62
        left, _, right, _ = draw.textbbox((0, 0), caption, font=fnt)
        total = gsize + SS * 3 + (right - left)
        gx = (W - total) / 2
        gy = (H - gsize) / 2
        if shadow:
            draw_glyph(draw, glyph, [gx, gy + SS, gx + gsize, gy + gsize + SS], shadow, int(SS * 2.2))
        draw_glyph(draw, glyph, [gx, gy, gx + gsize, gy + gsize], text, int(SS * 2.2))
        text_box = [gx + gsize + SS * 3, margin, gx + total, H - margin]
        tx = text_box[0] - left
        ty_box = draw.textbbox((0, 0), caption, font=fnt)
        ty = (H - (ty_box[3] - ty_box[1])) / 2 - ty_box[1]
        if shadow:
            draw.text((tx, ty + SS), caption, font=fnt, fill=shadow)
        draw.text((tx, ty), caption, font=fnt, fill=text)
    else:
        centred_text(draw, text_box, caption, fnt, text, shadow)
    return reduce(img, size)


def make_buttons():
    small = (92, 24)
    for stem, caption in (("OK", "OK"), ("CANCEL", "Cancel"), ("YES", "Yes"), ("NO", "No")):
        for state in ("FOCUS", "NOTFOCUS"):
            img = pill_button(small, caption, state, PANEL, font_size=12 * SS)
            save_bmp("%s_%s.bmp" % (stem.lower(), state.lower()), img, 8, [PANEL, WHITE])
    large = (180, 33)
    for stem, caption, glyph in (("SCAN", "Scan now", "scan"), ("DOWNLOAD", "Download", "download")):
        for state in ("FOCUS", "NOTFOCUS", "DISABLE"):
            img = pill_button(large, caption, state, PANEL, glyph=glyph, font_size=15 * SS)
            save_bmp("%s_%s.bmp" % (stem.lower(), state.lower()), img, 4 if state == "DISABLE" else 8, [PANEL])


def make_close_box():
    size = (21, 21)
    for state, fill, edge in (("NOTFOCUS", (1, 50, 170), (90, 140, 255)), ("FOCUS", (222, 44, 36), (255, 150, 140))):
        W, H = big(size)
        img = Image.new("RGB", (W, H), LABEL_BLUE)
        draw = ImageDraw.Draw(img)
        draw.rounded_rectangle([SS, SS, W - SS - 1, H - SS - 1], radius=5 * SS, fill=fill, outline=edge, width=SS)
        p = 6.5 * SS
        draw.line([p, p, W - p, H - p], fill=WHITE, width=int(2.2 * SS))
        draw.line([W - p, p, p, H - p], fill=WHITE, width=int(2.2 * SS))
        save_bmp("x_%s.bmp" % state.lower(), reduce(img, size), 8, [LABEL_BLUE, WHITE])


def logo_mark(size, ring, background, accent, scale=1.0):
    """The maker's mark: a ring with a swept tail, a stylised Q."""
    W, H = big(size)
    img = Image.new("RGB", (W, H), background)
    draw = ImageDraw.Draw(img)
    cx, cy = W / 2, H / 2 - SS
    r = min(W, H) * 0.40 * scale
    draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=ring)
    ri = r * 0.52
    draw.ellipse([cx - ri, cy - ri, cx + ri, cy + ri], fill=WHITE)
    draw.line([cx + r * 0.15, cy + r * 0.15, cx + r * 1.12, cy + r * 1.05], fill=accent, width=int(r * 0.34))
    return img


def make_logo():
    size = (38, 36)
    normal = logo_mark(size, NAVY, PANEL, (60, 120, 220))
    focus = logo_mark(size, LABEL_BLUE, PANEL, ORANGE)
    save_bmp("quorbislogo_notfocus.bmp", reduce(normal, size), 8, [PANEL, WHITE])
    save_bmp("quorbislogo_focus.bmp", reduce(focus, size), 8, [PANEL, WHITE])


def link_image(size, lines, background, colour, underline, arrow_colour):
    W, H = big(size)
    img = Image.new("RGB", (W, H), background)
    draw = ImageDraw.Draw(img)
    total = sum(fnt.getbbox(text)[3] for text, fnt, _ in lines) + SS * 2 * (len(lines) - 1)
    y = (H - total) / 2
    x0 = 16 * SS
    # An arrow bullet in front of the first line.
    first_h = lines[0][1].getbbox(lines[0][0])[3]
    ay = y + first_h * 0.58
    draw.polygon([(3 * SS, ay - 5 * SS), (11 * SS, ay), (3 * SS, ay + 5 * SS)], fill=arrow_colour)
    for i, (text, fnt, line_colour) in enumerate(lines):
        left, top, right, bottom = draw.textbbox((x0, y), text, font=fnt)
        draw.text((x0, y), text, font=fnt, fill=line_colour or colour)
        if underline and i == 0:
            draw.line([x0, bottom + SS, right, bottom + SS], fill=colour, width=SS)
        y += (bottom - top) + SS * 2 + (top - y)
    return reduce(img, size)


def make_links():
    size = (313, 43)
    for state, colour, sub, underline, arrow in (
            ("NOTFOCUS", NAVY, (70, 96, 150), False, (60, 120, 220)),
            ("FOCUS", LABEL_BLUE, (70, 96, 150), True, ORANGE)):
        img = link_image(size, [("Download Zentalor antivirus", font(14 * SS), colour),
                                ("Full protection for your computer, updated daily", font(10 * SS, False), sub)],
                         WHITE, colour, underline, arrow)
        save_bmp("dlink_%s.bmp" % state.lower(), img, 4, [WHITE])
    size = (244, 28)
    for state, colour, underline, arrow in (("NOTFOCUS", NAVY, False, (60, 120, 220)),
                                            ("FOCUS", LABEL_BLUE, True, ORANGE)):
        img = link_image(size, [("More free tools from Quorbis", font(12 * SS), colour)], PANEL, colour, underline,
                         arrow)
        save_bmp("ulink_%s.bmp" % state.lower(), img, 8, [PANEL])


# ----------------------------------------------------------------------------------------------
# Message icons (24 bits, on the message dialog's light blue).

def make_message_icons():
    size = (42, 40)
    # The symbol keeps to the left 36 pixels: the icon frame may be narrower than the bitmap.
    def disc(draw, top, bottom, edge):
        W = 36 * SS
        box = [2 * SS, 3 * SS, 2 * SS + 32 * SS, 3 * SS + 32 * SS]
        return box

    icons = {
        "msg_information.bmp": ("disc", (86, 160, 255), (0, 70, 210), (0, 48, 150), "i"),
        "msg_question.bmp": ("disc", (90, 200, 190), (0, 130, 140), (0, 90, 100), "?"),
        "msg_exclamation.bmp": ("triangle", (255, 220, 70), (246, 160, 0), (170, 100, 0), "!"),
        "msg_hand.bmp": ("disc", (255, 110, 100), (200, 20, 20), (140, 0, 0), "x"),
    }
    for name, (shape, top, bottom, edge, mark) in icons.items():
        W, H = big(size)
        img = Image.new("RGB", (W, H), PANEL)
        mask = Image.new("L", (W, H), 0)
        md = ImageDraw.Draw(mask)
        x0, y0, x1, y1 = 2 * SS, 3 * SS, 34 * SS, 35 * SS
        if shape == "disc":
            md.ellipse([x0, y0, x1, y1], fill=255)
        else:
            md.polygon([((x0 + x1) / 2, y0), (x1 + SS, y1 - SS), (x0 - SS, y1 - SS)], fill=255)
            mask = mask.filter(ImageFilter.MaxFilter(2 * SS + 1)).filter(ImageFilter.GaussianBlur(SS))
            mask = mask.point(lambda a: 255 if a > 100 else 0)
        shade = ImageChops.offset(mask.filter(ImageFilter.GaussianBlur(SS * 1.2)), SS, SS * 2)
        img.paste(mix(PANEL, (30, 50, 90), 0.5), mask=shade.point(lambda a: a * 0.45))
        img.paste(edge, mask=mask)
        inner = mask.filter(ImageFilter.MinFilter(2 * SS + 1))
        img.paste(vertical_gradient((W, H), top, bottom), mask=inner)
        gloss = Image.new("L", (W, H), 0)
        ImageDraw.Draw(gloss).ellipse([x0 + 5 * SS, y0 + 2 * SS, x1 - 5 * SS, y0 + 14 * SS], fill=80)
        img.paste(WHITE, mask=ImageChops.multiply(gloss, inner))
        draw = ImageDraw.Draw(img)
        cx = (x0 + x1) / 2
        ink = WHITE if shape == "disc" else (60, 30, 0)
        if mark == "x":
            p = 9.5 * SS
            draw.line([x0 + p, y0 + p, x1 - p, y1 - p], fill=WHITE, width=4 * SS)
            draw.line([x1 - p, y0 + p, x0 + p, y1 - p], fill=WHITE, width=4 * SS)
        else:
            fnt = font((22 if shape == "disc" else 20) * SS)
            box = [x0, y0 + (4 * SS if shape == "triangle" else 0), x1, y1]
            centred_text(draw, box, mark, fnt, ink)
        save_bmp(name, reduce(img, size), 24)


# ----------------------------------------------------------------------------------------------
# The skin: 527 x 338, laid out for the main window's 600 x 337 design.

def shield(draw, cx, top, width, height, fill, outline=None, width_px=0):
    import math
    pts = []
    w2 = width / 2
    pts.append((cx - w2, top + height * 0.12))
    pts.append((cx - w2 * 0.55, top + height * 0.06))
    pts.append((cx, top))
    pts.append((cx + w2 * 0.55, top + height * 0.06))
    pts.append((cx + w2, top + height * 0.12))
    steps = 16
    for i in range(steps + 1):
        t = i / steps
        pts.append((cx + w2 * (1 - t) ** 0.9 * math.cos(t * math.pi / 2) ** 0.3,
                    top + height * 0.12 + (height * 0.88) * math.sin(t * math.pi / 2)))
    for i in range(steps, -1, -1):
        t = i / steps
        pts.append((cx - w2 * (1 - t) ** 0.9 * math.cos(t * math.pi / 2) ** 0.3,
                    top + height * 0.12 + (height * 0.88) * math.sin(t * math.pi / 2)))
    draw.polygon(pts, fill=fill, outline=outline)
    return pts


def make_skin():
    size = (527, 338)
    W, H = big(size)
    img = Image.new("RGB", (W, H), PANEL)
    draw = ImageDraw.Draw(img)

    # Header band, flat label blue so the label's text cells melt into it, with soft light arcs
    # on the left behind the product name.
    band_bottom = 60 * SS
    draw.rectangle([0, 0, W, band_bottom], fill=LABEL_BLUE)
    glow = Image.new("L", (W, H), 0)
    gd = ImageDraw.Draw(glow)
    gd.ellipse([-120 * SS, -150 * SS, 230 * SS, 40 * SS], fill=46)
    gd.ellipse([-60 * SS, -200 * SS, 330 * SS, 22 * SS], fill=26)
    glow = glow.filter(ImageFilter.GaussianBlur(6 * SS))
    band_mask = Image.new("L", (W, H), 0)
    ImageDraw.Draw(band_mask).rectangle([0, 0, W, 36 * SS], fill=255)
    img.paste(WHITE, mask=ImageChops.multiply(glow, band_mask))
    # Orange accent under the band.
    draw.rectangle([0, band_bottom, W, band_bottom + 2 * SS], fill=ORANGE)

    # Product name and tag line.
    title = font(23 * SS)
    draw.text((24 * SS, 5 * SS), "Tarvex", font=title, fill=WHITE)
    tl = draw.textbbox((24 * SS, 5 * SS), "Tarvex", font=title)
    draw.text((tl[2] + 10 * SS, 15 * SS), "TROJAN REMOVAL TOOL", font=font(9 * SS), fill=(190, 214, 255))
    # Small shield mark in front of the name... placed after it would crowd the tag line: none.

    # Emblem between the Scan and Download buttons.
    cx = 262 * SS
    shield(draw, cx, 66 * SS, 28 * SS, 32 * SS, NAVY)
    shield(draw, cx, 68 * SS, 23 * SS, 27 * SS, LABEL_BLUE)
    draw.line([cx - 7 * SS, 82 * SS, cx - 2 * SS, 87 * SS, cx + 7 * SS, 76 * SS], fill=WHITE, width=3 * SS,
              joint="curve")

    # The white content panel that holds the text lines, the status frame and the result list.
    draw.rounded_rectangle([8 * SS, 104 * SS, 519 * SS, 278 * SS], radius=9 * SS, fill=PANEL_EDGE)
    draw.rounded_rectangle([9 * SS, 105 * SS, 518 * SS, 277 * SS], radius=8 * SS, fill=WHITE)

    # Maker's word mark on the bottom strip, left of the utilities link.
    draw.text((22 * SS, 291 * SS), "Quorbis", font=font(13 * SS), fill=NAVY)
    draw.text((22 * SS, 308 * SS), "security software", font=font(8 * SS, False), fill=(70, 96, 150))

    # The outline: asymmetric corners give the window its leaf-like shape.
    outline = rounded_polygon(0, 0, W - 1, H - 1, 46 * SS, 20 * SS, 46 * SS, 20 * SS)
    shape = Image.new("L", (W, H), 0)
    ImageDraw.Draw(shape).polygon(outline, fill=255)
    small_shape = reduce(shape, size).point(lambda a: 255 if a >= 128 else 0)
    rim = ImageChops.subtract(small_shape, small_shape.filter(ImageFilter.MinFilter(5)))

    picture = reduce(img, size)
    picture.paste(NAVY, mask=rim)
    inner_rim = ImageChops.subtract(small_shape.filter(ImageFilter.MinFilter(5)),
                                    small_shape.filter(ImageFilter.MinFilter(7)))
    picture.paste((70, 130, 255), mask=ImageChops.multiply(inner_rim, Image.new("L", size, 120)))
    picture.paste(MAGENTA, mask=ImageChops.invert(small_shape))
    save_bmp("skin.bmp", picture, 8, [MAGENTA, LABEL_BLUE, PANEL, WHITE, NAVY, ORANGE, PANEL_EDGE])


# ----------------------------------------------------------------------------------------------
# The program icon: a blue shield with a white check.

def make_program_icon():
    images = []
    for side in (16, 32, 48):
        S = 8
        W = side * S
        img = Image.new("RGBA", (W, W), (0, 0, 0, 0))
        draw = ImageDraw.Draw(img)
        cx = W / 2
        shield(draw, cx, W * 0.04, W * 0.86, W * 0.92, NAVY + (255,))
        shield(draw, cx, W * 0.10, W * 0.72, W * 0.80, LABEL_BLUE + (255,))
        lw = max(S * 2, int(W * 0.11))
        draw.line([cx - W * 0.20, W * 0.50, cx - W * 0.05, W * 0.66, cx + W * 0.22, W * 0.32], fill=WHITE + (255,),
                  width=lw, joint="curve")
        images.append(img.resize((side, side), Image.LANCZOS))
    write_icon(os.path.join(OUT, "tarvex.ico"), images)


def main():
    os.makedirs(OUT, exist_ok=True)
    make_skin()
    make_buttons()
    make_close_box()
    make_logo()
    make_links()
    make_message_icons()
    make_program_icon()


if __name__ == "__main__":
    main()
