#!/usr/bin/python3
"""Draws the viewer's compiled-in icons into src/ui/images/ and writes images.qrc,
and the application's icon for the desktop into packaging/icons/.

    scripts/make-images.py

Needs Python 3 with PIL (Debian package python3-pil, which installs for
/usr/bin/python3). The output is deterministic, so running it again without
changes leaves every file byte for byte as it was. The build compiles
images.qrc into the library.

Shapes are drawn SCALE times larger and reduced by area averaging in
premultiplied alpha, which gives clean antialiased edges without halos. The
icons are shown at 15 to 30 pixels, so strokes are kept thick.
"""

import colorsys
import math
import os

from PIL import Image, ImageDraw, ImageFilter

SCALE = 8
ROOT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
OUT_DIR = os.path.join(ROOT_DIR, "src", "ui", "images")
APP_ICON_DIR = os.path.join(ROOT_DIR, "packaging", "icons")

INK = (60, 64, 72, 255)
RED = (214, 48, 49, 255)
RED_DARK = (150, 24, 28, 255)
GREEN = (52, 158, 72, 255)
GREEN_DARK = (30, 110, 48, 255)
BAND = (66, 133, 222)


def canvas(width, height):
    """A transparent drawing surface SCALE times the final size."""
    return Image.new("RGBA", (width * SCALE, height * SCALE), (0, 0, 0, 0))


def reduce(image, width, height):
    """Area-averages a SCALE-times surface down to width x height."""
    small = image.convert("RGBa").resize((width, height), Image.BOX)
    return small.convert("RGBA")


def s(*values):
    """Scales final-pixel coordinates to the drawing surface."""
    scaled = [round(v * SCALE) for v in values]
    return scaled[0] if len(scaled) == 1 else scaled


def shadow(mask, offset, blur, opacity):
    """A soft grey shadow of the alpha mask, moved by offset (final pixels)."""
    alpha = mask.getchannel("A").point(lambda a: int(a * opacity))
    moved = Image.new("L", mask.size, 0)
    moved.paste(alpha, (s(offset[0]), s(offset[1])))
    moved = moved.filter(ImageFilter.GaussianBlur(s(blur)))
    result = Image.new("RGBA", mask.size, (20, 20, 30, 0))
    result.putalpha(moved)
    return result


def with_shadow(shape, offset, blur, opacity=0.55):
    return Image.alpha_composite(shadow(shape, offset, blur, opacity), shape)


def mix(color, amount):
    """color mixed with white; amount 0 gives white, 1 the colour itself."""
    return tuple(round(255 + (c - 255) * amount) for c in color) + (255,)


def opacity_icon(amount):
    """A page with code lines on a coloured band, the band at the given strength."""
    w, h = 51, 49
    img = canvas(w, h)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle(s(3, 3, 47, 45), radius=s(6), fill=mix(BAND, amount),
                        outline=INK, width=s(3))
    for y, right in ((14, 38), (22, 42), (30, 31), (38, 39)):
        d.rounded_rectangle(s(11, y - 2, right, y + 2), radius=s(2), fill=INK)
    return reduce(img, w, h)


def magnifier():
    w, h = 173, 170
    img = canvas(w, h)
    d = ImageDraw.Draw(img)
    cx, cy, r = 68, 66, 50
    # Handle first, so the ring covers its upper end.
    angle = math.radians(45)
    x0, y0 = cx + (r + 4) * math.cos(angle), cy + (r + 4) * math.sin(angle)
    x1, y1 = cx + (r + 68) * math.cos(angle), cy + (r + 68) * math.sin(angle)
    d.line(s(x0, y0, x1, y1), fill=INK, width=s(26))
    d.ellipse(s(x1 - 13, y1 - 13, x1 + 13, y1 + 13), fill=INK)
    d.ellipse(s(cx - r, cy - r, cx + r, cy + r), fill=(205, 228, 250, 200),
              outline=INK, width=s(16))
    # A glint on the glass.
    d.arc(s(cx - r + 22, cy - r + 22, cx + r - 22, cy + r - 22), 200, 250,
          fill=(255, 255, 255, 235), width=s(8))
    return reduce(img, w, h)


def wheel(size, inset):
    """A hue wheel whose saturation grows from the white centre to the rim."""
    big = size * SCALE
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    px = img.load()
    c = (big - 1) / 2
    radius = (size / 2 - inset) * SCALE
    for y in range(big):
        for x in range(big):
            dx, dy = x - c, y - c
            dist = math.hypot(dx, dy)
            if dist > radius:
                continue
            hue = (math.atan2(-dy, dx) / (2 * math.pi)) % 1.0
            sat = min(1.0, 0.15 + dist / radius)
            r, g, b = colorsys.hsv_to_rgb(hue, sat, 1.0)
            px[x, y] = (round(r * 255), round(g * 255), round(b * 255), 255)
    d = ImageDraw.Draw(img)
    d.ellipse((c - radius, c - radius, c + radius, c + radius),
              outline=(70, 70, 80, 255), width=s(2))
    return img


def spectrum():
    return reduce(wheel(70, 2), 70, 70)


def spectrum_shadow():
    size = 65
    shape = Image.new("RGBA", (size * SCALE, size * SCALE), (0, 0, 0, 0))
    shape.paste(wheel(56, 1), (s(2), s(2)))
    return reduce(with_shadow(shape, (3, 3), 2.5), size, size)


def plus():
    w = h = 80
    img = canvas(w, h)
    d = ImageDraw.Draw(img)
    for box in ((31, 8, 49, 72), (8, 31, 72, 49)):
        d.rounded_rectangle(s(*box), radius=s(5), fill=GREEN_DARK)
    for box in ((34, 11, 46, 69), (11, 34, 69, 46)):
        d.rounded_rectangle(s(*box), radius=s(3), fill=GREEN)
    return reduce(img, w, h)


def draw_cross(d, x0, y0, x1, y1, stroke, fill=RED, outline=RED_DARK, border=0):
    """Two crossing bars with round ends from (x0, y0) to (x1, y1)."""
    for (ax, ay, bx, by) in ((x0, y0, x1, y1), (x0, y1, x1, y0)):
        for colour, width in ((outline, stroke + 2 * border), (fill, stroke)):
            if width <= 0 or (colour == outline and border == 0):
                continue
            d.line(s(ax, ay, bx, by), fill=colour, width=s(width))
            for px, py in ((ax, ay), (bx, by)):
                d.ellipse(s(px - width / 2, py - width / 2, px + width / 2, py + width / 2),
                          fill=colour)
    # Redraw the fill of the first bar so the outline of the second does not cut it.
    if border:
        d.line(s(x0, y0, x1, y1), fill=fill, width=s(stroke))


def cross():
    w, h = 26, 27
    img = canvas(w, h)
    draw_cross(ImageDraw.Draw(img), 5.5, 6, 20.5, 21, 5, border=1)
    return reduce(img, w, h)


def cross_shadow():
    size = 70
    shape = canvas(size, size)
    draw_cross(ImageDraw.Draw(shape), 15, 15, 52, 52, 12, border=2)
    return reduce(with_shadow(shape, (4, 4), 3), size, size)


def remove_color_assignment():
    """A colour swatch with a small red cross over its corner."""
    w, h = 17, 19
    img = canvas(w, h)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle(s(1, 1, 12, 12), radius=s(2), fill=(66, 133, 222, 255),
                        outline=INK, width=s(1.5))
    draw_cross(d, 9, 11, 15, 17, 2.6, border=0.8)
    return reduce(img, w, h)


def empty():
    return Image.new("RGBA", (32, 30), (0, 0, 0, 0))


def shadow_square():
    """Four empty colour slots on a soft shadow. The save preview paints colours
    over the slots at (0,0)-(13,13), (15,0)-(28,13), (0,15)-(13,28), (15,15)-(28,28)."""
    size = 35
    shape = canvas(size, size)
    d = ImageDraw.Draw(shape)
    d.rectangle(s(0, 0, 29, 29), fill=(255, 255, 255, 255))
    img = with_shadow(shape, (3, 3), 1.8, opacity=0.6)
    img = reduce(img, size, size)
    d = ImageDraw.Draw(img)
    for x, y in ((0, 0), (15, 0), (0, 15), (15, 15)):
        d.rectangle((x, y, x + 13, y + 13), fill=(236, 236, 238, 255),
                    outline=(160, 160, 168, 255))
    return img


def app_icon(size):
    """The application's icon: a page of code whose fragments carry their
    features' colours as bands behind the lines and bars beside them. Drawn
    on a grid of 64 units."""
    u = size / 64

    def box(x0, y0, x1, y1):
        return s(x0 * u, y0 * u, x1 * u, y1 * u)

    page = canvas(size, size)
    ImageDraw.Draw(page).rounded_rectangle(box(6, 4, 58, 60), radius=s(6 * u),
                                           fill=(255, 255, 255, 255))
    img = with_shadow(page, (1.2 * u, 1.6 * u), 1.5 * u, opacity=0.45)
    d = ImageDraw.Draw(img)
    fragments = (((66, 133, 222), 11, 27), ((236, 142, 40), 31, 43), ((52, 158, 72), 47, 55))
    for colour, top, bottom in fragments:
        d.rectangle(box(21, top, 54, bottom), fill=mix(colour, 0.35))
        d.rounded_rectangle(box(12, top, 17, bottom), radius=s(1.5 * u), fill=colour + (255,))
    for y, right in ((15, 44), (23, 50), (35, 40), (39, 48), (51, 45)):
        d.rounded_rectangle(box(24, y - 1.6, right, y + 1.6), radius=s(1.6 * u), fill=INK)
    d.rounded_rectangle(box(6, 4, 58, 60), radius=s(6 * u), outline=INK, width=s(2.5 * u))
    return reduce(img, size, size)


APP_ICONS = {f"featurehue-{size}.png": size for size in (48, 256)}


IMAGES = {
    "opacity1.png": (lambda: opacity_icon(0.22), (51, 49)),
    "opacity2.png": (lambda: opacity_icon(0.9), (51, 49)),
    "lupe.png": (magnifier, (173, 170)),
    "spectrum_small.png": (spectrum, (70, 70)),
    "spectrumShadow_small.png": (spectrum_shadow, (65, 65)),
    "plus.png": (plus, (80, 80)),
    "cross.png": (cross, (26, 27)),
    "crossShadow.png": (cross_shadow, (70, 70)),
    "removeColorAssignment.png": (remove_color_assignment, (17, 19)),
    "leer.png": (empty, (32, 30)),
    "schatten.png": (shadow_square, (35, 35)),
}


def write_qrc(names):
    lines = ["<!DOCTYPE RCC>", '<RCC version="1.0">', '<qresource prefix="/images">']
    lines += [f"    <file>{name}</file>" for name in names]
    lines += ["</qresource>", "</RCC>", ""]
    with open(os.path.join(OUT_DIR, "images.qrc"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def main():
    for name, (draw, size) in IMAGES.items():
        image = draw()
        if image.size != size:
            raise SystemExit(f"{name}: drawn as {image.size}, must be {size}")
        image.save(os.path.join(OUT_DIR, name), optimize=True)
        print(f"{name} {size[0]}x{size[1]}")
    write_qrc(IMAGES.keys())
    os.makedirs(APP_ICON_DIR, exist_ok=True)
    for name, size in APP_ICONS.items():
        app_icon(size).save(os.path.join(APP_ICON_DIR, name), optimize=True)
        print(f"{name} {size}x{size}")


if __name__ == "__main__":
    main()
