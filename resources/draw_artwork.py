#!/usr/bin/python3
"""Draw the editor's six bitmaps (ids 128 to 133) as 8-bit palettised BMPs.

    /usr/bin/python3 resources/draw_artwork.py [output directory]

The control positions below must match the editor's layout; every caption
is checked against them so that no text lands under a control.
"""
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/liberation2/"
W, H = 691, 371

BG_TOP = (30, 33, 39)
BG_BOTTOM = (18, 20, 24)
PANEL = (38, 43, 51)
PANEL_EDGE = (66, 74, 86)
PANEL_SHADOW = (10, 11, 13)
TITLE = (240, 180, 60)
CAPTION = (205, 210, 218)
DIM = (130, 138, 150)
GROOVE = (8, 9, 11)
GROOVE_LIGHT = (78, 86, 98)
TICK = (92, 100, 112)
LINE = (150, 158, 170)

SLIDER_TOP, SLIDER_BOTTOM, HANDLE_H, HANDLE_TRAVEL = 160, 320, 29, 130
DISPLAY_TOP, DISPLAY_BOTTOM = 326, 340

# (left, caption lines) per slider, in the editor's column order.
GROUPS = [
    ("OSCILLATOR", 22, 146, [(40, ["Amount"]), (75, ["Note"]), (110, ["Wave"])]),
    ("NOISE", 158, 241, [(176, ["Amount"]), (211, ["Color"])]),
    ("FILTER", 252, 338, [(274, ["Cutoff"]), (309, ["Reso"])]),
    ("ENVELOPE FOLLOWERS", 348, 573,
     [(364, ["Osc", "AM"]), (399, ["Noise", "AM"]), (434, ["Smooth"]),
      (469, ["Osc", "FM"]), (504, ["Cutoff"]), (539, ["Smooth"])]),
    ("OUTPUT", 582, 666, [(597, ["Dry", "Filter"]), (632, ["Dry"])]),
]
DISPLAY_LEFTS = [33, 68, 103, 166, 201, 264, 299, 358, 393, 428, 463, 498, 533, 591, 626]
BUTTONS = [(264, 40, 290, 58), (264, 58, 290, 76), (264, 76, 290, 94)]
KNOBS = [(339, 44, 371, 76), (396, 44, 428, 76)]


def font(bold, size):
    name = "LiberationSans-Bold.ttf" if bold else "LiberationSans-Regular.ttf"
    return ImageFont.truetype(FONT_DIR + name, size)


def control_rects():
    rects = []
    for _, _, _, cols in GROUPS:
        rects += [(left, SLIDER_TOP, left + 16, SLIDER_BOTTOM) for left, _ in cols]
    rects += [(x, DISPLAY_TOP, x + 30, DISPLAY_BOTTOM) for x in DISPLAY_LEFTS]
    return rects + BUTTONS + KNOBS


def overlaps(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


class Panel:
    """The background under construction, with a caption collision check."""

    def __init__(self):
        self.img = Image.new("RGB", (W, H))
        self.d = ImageDraw.Draw(self.img)
        self.controls = control_rects()

    def text(self, xy, s, f, fill, anchor="mm"):
        box = self.d.textbbox(xy, s, font=f, anchor=anchor)
        for r in self.controls:
            if overlaps(box, r):
                raise SystemExit("caption %r at %s collides with control %s" % (s, box, r))
        self.d.text(xy, s, font=f, fill=fill, anchor=anchor)
        return box

    def panel(self, box, radius=6):
        x0, y0, x1, y1 = box
        self.d.rounded_rectangle((x0 + 2, y0 + 2, x1 + 2, y1 + 2), radius, fill=PANEL_SHADOW)
        self.d.rounded_rectangle(box, radius, fill=PANEL, outline=PANEL_EDGE)
        self.d.line((x0 + radius, y0 + 1, x1 - radius, y0 + 1), fill=(52, 58, 68))


def draw_background():
    p = Panel()
    for y in range(H):
        t = y / (H - 1)
        c = tuple(int(a + (b - a) * t) for a, b in zip(BG_TOP, BG_BOTTOM))
        p.d.line((0, y, W, y), fill=c)
    p.d.rectangle((0, 0, W - 1, H - 1), outline=(56, 62, 72))

    # Title block.
    p.panel((12, 10, 240, 100))
    p.text((126, 42), "TRESSELIN", font(True, 26), TITLE)
    p.text((126, 70), "envelope-driven synthesis", font(False, 11), CAPTION)
    p.d.line((40, 84, 212, 84), fill=PANEL_EDGE)

    # Filter type and key tracking share a panel: the first knob sits close
    # to the buttons.
    p.panel((252, 10, 446, 100))
    p.text((289, 26), "TYPE", font(True, 9), TITLE)
    p.text((384, 26), "KEY TRACK", font(True, 9), TITLE)
    p.d.line((327, 22, 327, 92), fill=PANEL_EDGE)
    p.d.rectangle((263, 39, 290, 94), outline=PANEL_SHADOW)
    for (x0, y0, x1, y1), name in zip(BUTTONS, ["LP", "HP", "BP"]):
        p.text((297, (y0 + y1) // 2), name, font(True, 10), CAPTION, anchor="lm")
    for (x0, y0, x1, y1), name in zip(KNOBS, ["Filter", "Osc"]):
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        p.d.ellipse((cx - 18, cy - 18, cx + 18, cy + 18), outline=PANEL_EDGE)
        for i in range(11):  # scale dots from lower left over the top to lower right
            a = math.radians(-135 + 27 * i)
            r = 20.5
            x, y = cx + r * math.sin(a), cy - r * math.cos(a)
            p.d.ellipse((x - 0.8, y - 0.8, x + 0.8, y + 0.8), fill=LINE if i in (0, 10) else TICK)
        p.text((cx, 90), name, font(False, 9), CAPTION)
    draw_flow(p)

    # Slider groups.
    for title, x0, x1, cols in GROUPS:
        p.panel((x0, 108, x1, 356))
        p.text(((x0 + x1) / 2, 119), title, font(True, 9), TITLE)
        if title == "ENVELOPE FOLLOWERS":
            for sx, label in ((372, "1"), (477, "2")):
                p.d.line((sx - 4, 130, sx + 78, 130), fill=PANEL_EDGE)
                p.text((sx + 37, 130), " FOLLOWER %s " % label, font(False, 8), DIM)
                p.d.rectangle((sx + 8, 127, sx + 66, 133), fill=PANEL)
                p.text((sx + 37, 130), "FOLLOWER " + label, font(False, 8), DIM)
        for left, lines in cols:
            cx = left + 9
            y = 156 - 11 * len(lines) + 6
            for line in lines:
                p.text((cx, y), line, font(False, 9), CAPTION)
                y += 11
            draw_track(p.d, left)
    return p.img


def draw_track(d, left):
    # The groove follows the centre of the visible handle (drawn one pixel in).
    cx = left + 8
    top, bottom = SLIDER_TOP + HANDLE_H // 2, SLIDER_TOP + HANDLE_TRAVEL + HANDLE_H // 2
    for i in range(11):
        y = top + round(i * (bottom - top) / 10)
        w = 5 if i in (0, 5, 10) else 3
        d.line((left + 1, y, left + 1 + w - 1, y), fill=TICK)
        d.line((left + 15 - w + 1, y, left + 15, y), fill=TICK)
    d.rectangle((cx - 2, top - 3, cx + 2, bottom + 3), fill=GROOVE)
    d.line((cx - 2, bottom + 4, cx + 2, bottom + 4), fill=GROOVE_LIGHT)
    d.line((cx + 3, top - 3, cx + 3, bottom + 4), fill=GROOVE_LIGHT)


def draw_flow(p):
    """The signal flow, small, in the top right corner."""
    d = p.d
    p.panel((456, 10, 680, 100))
    f = font(False, 8)
    p.text((568, 20), "SIGNAL FLOW", font(True, 9), TITLE)

    def box(x, y, w, label, colour=CAPTION):
        d.rectangle((x, y, x + w, y + 12), fill=(28, 32, 38), outline=LINE)
        p.text((x + w / 2 + 0.5, y + 6.5), label, f, colour)

    def arrow(x0, y0, x1, y1):
        d.line((x0, y0, x1, y1), fill=LINE)
        if x1 > x0:
            d.polygon(((x1, y1), (x1 - 4, y1 - 2), (x1 - 4, y1 + 2)), fill=LINE)
        elif y1 > y0:
            d.polygon(((x1, y1), (x1 - 2, y1 - 4), (x1 + 2, y1 - 4)), fill=LINE)
        elif y1 < y0:
            d.polygon(((x1, y1), (x1 - 2, y1 + 4), (x1 + 2, y1 + 4)), fill=LINE)

    def mix(cx, cy):
        d.ellipse((cx - 5, cy - 5, cx + 5, cy + 5), outline=LINE)
        d.line((cx - 3, cy, cx + 3, cy), fill=LINE)
        d.line((cx, cy - 3, cx, cy + 3), fill=LINE)

    y = 66  # main row
    p.text((470, y + 6), "IN", f, CAPTION)
    box(482, 32, 28, "EF 1")
    box(482, 46, 28, "EF 2")
    d.line((478, 39, 478, y + 6), fill=LINE)
    d.line((478, y + 6, 478, 92), fill=LINE)
    arrow(478, 39, 482, 39)
    arrow(478, 53, 482, 53)
    box(522, 32, 28, "OSC")
    box(522, 46, 28, "NSE")
    arrow(510, 39, 522, 39)
    arrow(510, 53, 522, 53)
    mix(560, y + 6)
    arrow(550, 39, 560, y + 1)
    d.line((550, 53, 556, 53), fill=LINE)
    arrow(478, y + 6, 555, y + 6)
    box(570, y, 28, "SHP")
    arrow(565, y + 6, 570, y + 6)
    box(606, y, 28, "FLT")
    arrow(598, y + 6, 606, y + 6)
    d.line((510, 53, 516, 53), fill=LINE)
    d.line((516, 53, 516, 28), fill=DIM)
    d.line((516, 28, 620, 28), fill=DIM)
    arrow(620, 28, 620, y)
    mix(646, y + 6)
    arrow(634, y + 6, 641, y + 6)
    d.line((478, 92, 646, 92), fill=LINE)
    arrow(646, 92, 646, y + 11)
    p.text((560, 88), "dry", f, DIM)
    arrow(651, y + 6, 658, y + 6)
    p.text((668, y + 6), "OUT", f, CAPTION)


def supersampled(w, h, scale, painter):
    big = Image.new("RGB", (w * scale, h * scale))
    painter(ImageDraw.Draw(big), scale)
    return big.resize((w, h), Image.LANCZOS)


def draw_slider_body():
    img = Image.new("RGB", (16, 160), GROOVE)
    ImageDraw.Draw(img).rectangle((6, 0, 10, 159), fill=(20, 22, 26))
    return img


def draw_handle():
    def paint(d, s):
        # Fifteen visible columns: the sixteenth falls outside the slider.
        d.rectangle((0, 0, 16 * s, 29 * s), fill=PANEL)
        d.rounded_rectangle((0, 0, 15 * s - 1, 29 * s - 1), 3 * s, fill=(58, 63, 72))
        d.rounded_rectangle((s, s, 14 * s - 1, 28 * s - 1), 2 * s, fill=(170, 176, 186))
        for i in range(12):
            y = (2 + i * 2) * s
            shade = 196 - abs(i - 6) * 6
            d.rectangle((2 * s, y, 13 * s - 1, y + s - 1), fill=(shade, shade + 4, shade + 10))
        d.rectangle((s, 14 * s, 14 * s - 1, 15 * s - 1), fill=TITLE)
    return supersampled(16, 29, 4, paint)


def draw_button():
    img = Image.new("RGB", (26, 36))
    d = ImageDraw.Draw(img)
    for top, face, edge, glow in ((0, (250, 205, 40), (140, 100, 10), (255, 240, 160)),
                                  (18, (74, 78, 86), (30, 32, 36), (104, 108, 116))):
        d.rectangle((0, top, 25, top + 17), fill=edge)
        d.rectangle((1, top + 1, 24, top + 16), fill=face)
        d.line((2, top + 2, 23, top + 2), fill=glow)
        d.line((2, top + 15, 23, top + 15), fill=edge)
    return img


def draw_unused():
    return Image.new("RGB", (4, 7), PANEL)


def draw_knob_strip():
    frames = 32
    strip = Image.new("RGB", (32, 32 * frames))
    for i in range(frames):
        angle = math.radians(-135 + 270 * i / (frames - 1))

        def paint(d, s, angle=angle):
            d.rectangle((0, 0, 32 * s, 32 * s), fill=PANEL)
            c = 16 * s
            d.ellipse((c - 15 * s, c - 15 * s, c + 15 * s, c + 15 * s), fill=PANEL_SHADOW)
            d.ellipse((c - 14 * s, c - 14 * s, c + 14 * s, c + 14 * s), fill=(92, 98, 110))
            d.ellipse((c - 12 * s, c - 12 * s, c + 12 * s, c + 12 * s), fill=(54, 59, 68))
            d.ellipse((c - 11 * s, c - 12 * s, c + 11 * s, c + 8 * s), fill=(64, 70, 80))
            x0, y0 = c + 4 * s * math.sin(angle), c - 4 * s * math.cos(angle)
            x1, y1 = c + 12 * s * math.sin(angle), c - 12 * s * math.cos(angle)
            d.line((x0, y0, x1, y1), fill=TITLE, width=int(2.5 * s))

        strip.paste(supersampled(32, 32, 4, paint), (0, 32 * i))
    return strip


def save(img, path):
    pal = img.convert("P", palette=Image.ADAPTIVE, colors=256, dither=Image.NONE)
    pal.save(path, "BMP")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    images = {
        128: ("background.bmp", draw_background()),
        129: ("slider_body.bmp", draw_slider_body()),
        130: ("slider_handle.bmp", draw_handle()),
        131: ("filter_button.bmp", draw_button()),
        132: ("unused.bmp", draw_unused()),
        133: ("knob_strip.bmp", draw_knob_strip()),
    }
    os.makedirs(out, exist_ok=True)
    for rid, (name, img) in images.items():
        save(img, os.path.join(out, name))


if __name__ == "__main__":
    main()
