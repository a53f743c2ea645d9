#!/usr/bin/env python3
"""Draws the preview toolbar's 16x16 icons into one 16x400 24-bit bitmap
(icons stacked from the top down, background = transparent colour taken from
the bottom-left pixel) and writes it gzip-compressed, MTIME holding the
Adler-32 of the bitmap as the engine's resource reader expects, as a C++ byte
array: PreviewButtons.cpp. Run it again after changing an icon."""
import os, struct, zlib

W, H = 16, 16
BG = (255, 0, 255)
K = (0, 0, 0); G = (128, 128, 128); L = (192, 192, 192); Wh = (255, 255, 255)
B = (0, 0, 160); LB = (96, 160, 255); R = (200, 0, 0); Gr = (0, 128, 0)
Y = (255, 224, 64); Br = (160, 96, 32)

class Icon:
    def __init__(self):
        self.p = [[BG] * W for _ in range(H)]
    def px(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.p[y][x] = c
    def rect(self, x0, y0, x1, y1, c):            # frame, inclusive corners
        for x in range(x0, x1 + 1):
            self.px(x, y0, c); self.px(x, y1, c)
        for y in range(y0, y1 + 1):
            self.px(x0, y, c); self.px(x1, y, c)
    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px(x, y, c)
    def box(self, x0, y0, x1, y1, edge, inside):
        self.fill(x0, y0, x1, y1, inside); self.rect(x0, y0, x1, y1, edge)
    def hline(self, x0, x1, y, c):
        for x in range(x0, x1 + 1): self.px(x, y, c)
    def vline(self, x, y0, y1, c):
        for y in range(y0, y1 + 1): self.px(x, y, c)
    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.px(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)
    def circle(self, cx, cy, r, c):
        for y in range(H):
            for x in range(W):
                d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
                if r - 0.6 <= d <= r + 0.5: self.px(x, y, c)
    def tri_right(self, x, y, h, c):             # solid triangle pointing right
        for i in range(h):
            self.vline(x + i, y + i, y + 2 * h - 2 - i, c)
    def tri_left(self, x, y, h, c):
        for i in range(h):
            self.vline(x - i, y + i, y + 2 * h - 2 - i, c)
    def page(self, x0=3, y0=1, x1=12, y1=14):
        self.box(x0, y0, x1, y1, K, Wh)
    def text_lines(self, x0, x1, ys, c=G):
        for y in ys: self.hline(x0, x1, y, c)

def print_icon(i):
    i.box(4, 1, 11, 6, K, Wh); i.box(1, 6, 14, 12, K, L); i.hline(2, 13, 9, G)
    i.px(12, 8, Gr); i.box(4, 10, 11, 14, K, Wh)
def open_icon(i):
    i.box(1, 4, 8, 13, K, Y); i.fill(2, 5, 7, 12, Y)
    for k in range(5): i.hline(3 + k, 14 - k, 13 - k, Br)
    i.line(3, 13, 8, 7, K); i.line(14, 9, 9, 13, K); i.hline(9, 14, 8, K)
def save_icon(i):
    i.box(1, 1, 14, 14, K, B); i.box(4, 1, 11, 6, K, Wh); i.fill(9, 2, 10, 5, B)
    i.box(3, 9, 12, 14, K, L)
def export_icon(i):
    i.page(1, 1, 9, 14); i.text_lines(3, 7, (4, 6, 8, 10))
    i.hline(8, 13, 8, Gr); i.hline(8, 13, 7, Gr); i.tri_right(12, 4, 4, Gr)
def find_icon(i):
    i.circle(6, 6, 4, K); i.fill(4, 4, 8, 8, LB); i.circle(6, 6, 4, K)
    i.line(9, 9, 14, 14, K); i.line(10, 9, 14, 13, K)
def zoom_in_icon(i):
    find_icon(i); i.hline(4, 8, 6, K); i.vline(6, 4, 8, K)
def zoom_out_icon(i):
    find_icon(i); i.hline(4, 8, 6, K)
def outline_icon(i):
    i.box(1, 1, 4, 4, K, Y); i.vline(2, 5, 12, G); i.hline(3, 5, 8, G); i.hline(3, 5, 12, G)
    i.box(6, 6, 9, 9, K, Wh); i.box(6, 10, 9, 13, K, Wh); i.hline(11, 14, 8, K); i.hline(11, 14, 12, K)
    i.hline(6, 13, 2, K)
def thumbs_icon(i):
    for (x, y) in ((1, 1), (9, 1), (1, 9), (9, 9)):
        i.box(x, y, x + 5, y + 5, K, Wh); i.hline(x + 1, x + 4, y + 2, G)
def page_setup_icon(i):
    i.page(1, 1, 10, 14); i.rect(3, 3, 8, 12, LB)
    i.line(9, 14, 14, 9, R); i.line(10, 14, 14, 10, R); i.px(9, 13, K)
def design_icon(i):
    i.page(1, 1, 10, 14); i.text_lines(3, 8, (4, 6, 8))
    i.line(7, 13, 14, 6, Br); i.line(8, 13, 14, 7, Y); i.px(7, 14, K)
def first_icon(i):
    i.vline(4, 3, 12, K); i.vline(5, 3, 12, K); i.tri_left(11, 3, 5, K)
def prior_icon(i):
    i.tri_left(9, 3, 5, K)
def next_icon(i):
    i.tri_right(6, 3, 5, K)
def last_icon(i):
    i.tri_right(4, 3, 5, K); i.vline(10, 3, 12, K); i.vline(11, 3, 12, K)
def fullscreen_icon(i):
    i.box(1, 2, 14, 13, K, LB); i.fill(2, 3, 13, 4, B)
    for (x, y, dx, dy) in ((3, 6, 1, 1), (12, 6, -1, 1), (3, 11, 1, -1), (12, 11, -1, -1)):
        i.px(x, y, Wh); i.px(x + dx, y, Wh); i.px(x, y + dy, Wh)
def pdf_icon(i):
    i.page(2, 1, 13, 14); i.fill(3, 6, 12, 10, R)
    for x in (4, 7, 10): i.vline(x, 7, 9, Wh)
    i.px(5, 7, Wh); i.px(8, 7, Wh); i.px(8, 9, Wh); i.px(11, 7, Wh); i.px(11, 8, Wh)
def email_icon(i):
    i.box(1, 3, 14, 12, K, Wh); i.line(1, 3, 7, 8, K); i.line(14, 3, 8, 8, K)
def close_icon(i):
    i.line(3, 3, 12, 12, R); i.line(4, 3, 12, 11, R); i.line(12, 3, 3, 12, R); i.line(11, 3, 3, 11, R)
def whole_page_icon(i):
    i.box(1, 1, 14, 14, G, L); i.page(5, 2, 10, 13); i.text_lines(6, 9, (4, 6, 8))
def page_width_icon(i):
    i.box(1, 1, 14, 14, G, L); i.box(1, 3, 14, 14, K, Wh); i.text_lines(3, 12, (5, 7, 9, 11))
def hundred_icon(i):
    i.vline(2, 5, 11, K); i.px(1, 6, K); i.rect(4, 5, 7, 11, K); i.rect(9, 5, 12, 11, K)
    i.px(14, 5, K); i.px(14, 10, K)
def add_page_icon(i):
    i.page(1, 1, 10, 14); i.text_lines(3, 8, (4, 6, 8)); i.fill(9, 10, 14, 11, Gr); i.fill(11, 8, 12, 13, Gr)
def delete_page_icon(i):
    i.page(1, 1, 10, 14); i.text_lines(3, 8, (4, 6, 8)); i.line(9, 9, 14, 14, R); i.line(14, 9, 9, 14, R)
def tools_icon(i):
    i.line(2, 13, 9, 6, G); i.line(3, 13, 10, 6, G); i.line(2, 12, 9, 5, G)
    i.circle(11, 4, 3, K); i.fill(11, 1, 14, 4, BG); i.px(12, 4, K)

ICONS = [print_icon, open_icon, save_icon, export_icon, find_icon, zoom_in_icon, zoom_out_icon,
         outline_icon, thumbs_icon, page_setup_icon, design_icon, first_icon, prior_icon,
         next_icon, last_icon, fullscreen_icon, pdf_icon, email_icon, close_icon,
         whole_page_icon, page_width_icon, hundred_icon, add_page_icon, delete_page_icon,
         tools_icon]
assert len(ICONS) == 25

rows = []                       # top-down
for draw in ICONS:
    ic = Icon(); draw(ic); rows.extend(ic.p)
width, height = W, len(rows)
stride = width * 3              # 48: already a multiple of four
pixels = b''.join(bytes((c[2], c[1], c[0])) for row in reversed(rows) for c in row)   # bottom-up, BGR
image_size = stride * height
bmp = (b'BM' + struct.pack('<IHHI', 14 + 40 + image_size, 0, 0, 54)
       + struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, image_size, 3780, 3780, 0, 0)
       + pixels)
assert len(bmp) == 19254, len(bmp)

comp = zlib.compressobj(9, zlib.DEFLATED, -15)
raw = comp.compress(bmp) + comp.flush()
gz = (bytes((31, 139, 8, 0)) + struct.pack('>I', zlib.adler32(bmp)) + bytes((2, 0)) + raw
      + struct.pack('<II', zlib.crc32(bmp), len(bmp)))

out = ['// The preview toolbar\'s 16x16 icons: a 16x400 bitmap, gzip-compressed with',
       '// the Adler-32 of the bitmap in MTIME. Generated by make_preview_buttons.py.',
       '#include <QByteArray>', '', 'QByteArray qdzPreviewButtonsResource();', '',
       'QByteArray qdzPreviewButtonsResource()', '{',
       '    static const unsigned char Data[] = {']
for k in range(0, len(gz), 16):
    out.append('        ' + ', '.join('0x%02x' % b for b in gz[k:k + 16]) + ',')
out += ['    };', '    return QByteArray::fromRawData(reinterpret_cast<const char *>(Data), sizeof Data);', '}', '']
here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, 'PreviewButtons.cpp'), 'w') as f:
    f.write('\n'.join(out))
print(len(bmp), len(gz))
