#!/usr/bin/python3
"""Checks what a screenshot of a skinned window shows, by colour class rather than exact pixels.

    shot_check.py SHOT.bmp BACKGROUND CHECK...

BACKGROUND (RRGGBB) is the window's client background; the client area's origin is found from it.
Each CHECK is KIND@X,Y,W,H with the rectangle in client coordinates (as the automation client's
"state" prints it). KIND is one of:
  focus     the orange highlighted button image      normal  the blue image
  disabled  the grey disabled image                  empty   no image: one flat colour
  icon-information, icon-question, icon-exclamation, icon-hand: the icon's main colour
Exit 0 when every check holds; otherwise prints what was seen and exits 1.
"""
import sys

from PIL import Image


def parse_colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def near(a, b, tolerance=10):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def client_origin(img, background):
    w, h = img.size
    for y in range(h):
        if near(img.getpixel((w // 2, y)), background):
            for x in range(w):
                if near(img.getpixel((x, y + 1)), background):
                    return x, y
    sys.exit("client background %s not found" % (background,))


def button_class(pixel):
    r, g, b = pixel
    if r > 200 and 80 < g < 215 and b < 100:
        return "focus"
    if b > 170 and r < 120 and g < 170:
        return "normal"
    if abs(r - g) < 16 and abs(g - b) < 22 and 160 < r < 240 and b >= g - 4:
        return "disabled"
    return "other %02X%02X%02X" % pixel


def icon_class(img, box):
    x0, y0, x1, y1 = box
    counts = {"icon-information": 0, "icon-question": 0, "icon-exclamation": 0, "icon-hand": 0}
    for y in range(y0, y1):
        for x in range(x0, x1):
            r, g, b = img.getpixel((x, y))
            if r > 180 and g < 90 and b < 90:
                counts["icon-hand"] += 1
            elif r > 200 and g > 130 and b < 90:
                counts["icon-exclamation"] += 1
            elif r < 60 and g > 100 and b > 100 and abs(g - b) < 60:
                counts["icon-question"] += 1
            elif r < 90 and b > 170 and g < 150:
                counts["icon-information"] += 1
    best = max(counts, key=counts.get)
    return best if counts[best] >= 40 else "no icon %s" % counts


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    img = Image.open(sys.argv[1]).convert("RGB")
    background = parse_colour(sys.argv[2])
    ox, oy = client_origin(img, background)
    failed = False
    for check in sys.argv[3:]:
        kind, rect = check.split("@")
        x, y, w, h = (int(v) for v in rect.split(","))
        box = (ox + x, oy + y, ox + x + w, oy + y + h)
        if kind.startswith("icon-"):
            seen = icon_class(img, box)
        elif kind == "empty":
            colours = {img.getpixel((px, py)) for py in range(box[1], box[3]) for px in range(box[0], box[2])}
            seen = "empty" if len(colours) == 1 else "%d colours" % len(colours)
        else:
            seen = button_class(img.getpixel((box[0] + 9, box[1] + h // 2)))
        status = "ok" if seen == kind else "FAIL"
        failed |= seen != kind
        print("%s: %s at %s, seen %s" % (status, kind, rect, seen))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
