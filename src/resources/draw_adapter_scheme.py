#!/usr/bin/env python3
# Draws the K-Line adapter's wiring diagram (bitmap 152, 457 x 220, black on white) as an
# Run from a scratch directory: python3 draw_adapter_scheme.py <path of the .xpm>.
# ImageMagick drawing, then turns it into a two-colour XPM.
import subprocess, sys

W, H = 457, 220
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
ops = []

def line(*pts):
    for (x1, y1), (x2, y2) in zip(pts, pts[1:]):
        ops.append(f"line {x1},{y1} {x2},{y2}")

def rect(x1, y1, x2, y2):
    ops.append(f"fill none rectangle {x1},{y1} {x2},{y2}")

def dot(x, y):
    ops.append(f"fill black rectangle {x-1},{y-1} {x+1},{y+1}")

def text(x, y, s, size=9):
    s = s.replace('"', '\\"')
    ops.append(f'fill black stroke none font-size {size} text {x},{y} "{s}" stroke black fill none')

def poly(*pts, fill="none"):
    ops.append(f"fill {fill} polygon " + " ".join(f"{x},{y}" for x, y in pts))

def res_h(x, y, label=None, w=16):   # horizontal resistor from x to x+w+8 (leads 4 each)
    line((x, y), (x + 4, y)); rect(x + 4, y - 3, x + 4 + w, y + 3); line((x + 4 + w, y), (x + 8 + w, y))
    if label: text(x + 4, y - 5, label, 8)

def res_v(x, y, label=None, h=16):   # vertical resistor from y to y+h+8
    line((x, y), (x, y + 4)); rect(x - 3, y + 4, x + 3, y + 4 + h); line((x, y + 4 + h), (x, y + 8 + h))
    if label: text(x + 5, y + 8 + h // 2, label, 8)

def cap_v(x, y, label=None):          # vertical capacitor, leads from y to y+14
    line((x, y), (x, y + 6)); line((x - 5, y + 6), (x + 5, y + 6))
    line((x - 5, y + 9), (x + 5, y + 9)); line((x, y + 9), (x, y + 15))
    if label: text(x + 6, y + 11, label, 8)

def ground(x, y):
    line((x, y), (x, y + 3)); line((x - 6, y + 3), (x + 6, y + 3))
    line((x - 4, y + 5), (x + 4, y + 5)); line((x - 2, y + 7), (x + 2, y + 7))

def diode_h(x, y, label=None, zener=False):  # anode at x, cathode at x+14, current to the right
    line((x, y), (x + 4, y)); poly((x + 4, y - 4), (x + 4, y + 4), (x + 10, y), fill="black")
    line((x + 10, y - 4), (x + 10, y + 4)); line((x + 10, y), (x + 14, y))
    if zener: line((x + 10, y - 4), (x + 12, y - 5))
    if label: text(x - 2, y - 6, label, 8)

def diode_h_left(x, y):  # cathode at x, anode at x+14: current to the left
    line((x, y), (x + 4, y)); line((x + 4, y - 4), (x + 4, y + 4))
    poly((x + 10, y - 4), (x + 10, y + 4), (x + 4, y), fill="black"); line((x + 10, y), (x + 14, y))

def diode_v_up(x, y, label=None, zener=False):  # anode at y (bottom), cathode at y-14 (top)
    line((x, y), (x, y - 4)); poly((x - 4, y - 4), (x + 4, y - 4), (x, y - 10), fill="black")
    line((x - 4, y - 10), (x + 4, y - 10)); line((x, y - 10), (x, y - 14))
    if zener: line((x - 4, y - 10), (x - 5, y - 12))
    if label: text(x + 6, y - 4, label, 8)

def npn(bx, by, label):  # base lead enters at (bx,by); collector up, emitter down, at x=bx+12
    ops.append(f"fill none circle {bx+9},{by} {bx+9+8},{by}")
    line((bx, by), (bx + 6, by)); line((bx + 6, by - 5), (bx + 6, by + 5))
    line((bx + 6, by - 2), (bx + 12, by - 7), (bx + 12, by - 12))
    line((bx + 6, by + 2), (bx + 12, by + 7), (bx + 12, by + 12))
    poly((bx + 12, by + 7), (bx + 8, by + 7), (bx + 11, by + 4), fill="black")
    text(bx + 19, by + 3, label, 8)

# --- PC side: the COM port connector.
rect(4, 40, 38, 122)
text(8, 36, "COM")
for y, pin, name in ((58, "3", "TxD"), (84, "2", "RxD"), (110, "5", "GND")):
    text(7, y + 3, name, 8); text(31, y - 2, pin, 8); line((38, y), (52, y))
line((52, 110), (52, 118)); ground(52, 118)

# --- MAX232 (DA1) with its four capacitors.
rect(88, 44, 150, 124)
text(108, 74, "DA1", 9); text(96, 114, "MAX232", 9)
line((52, 58), (88, 58)); text(90, 61, "R1i", 7)
line((52, 84), (88, 84)); text(90, 87, "T1o", 7)
text(133, 61, "R1o", 7); text(133, 87, "T1i", 7)
for i, x in enumerate((96, 110, 124, 138)):
    line((x, 44), (x, 40)); cap_v(x, 25); text(x - 4, 22, f"C{i+1}", 7)
line((119, 124), (119, 130)); ground(119, 130)

# --- Transmit: MAX232 -> КТ630А -> КТ660Б -> K-Line.
line((150, 58), (160, 58)); res_h(160, 58, "R1")
npn(184, 58, "VT1")
line((196, 70), (196, 78)); ground(196, 78)
line((196, 46), (196, 38), (236, 38))
res_v(236, 12, "R2")     # pull-up of VT1's collector from +5 V... drawn from the rail
line((236, 36), (236, 38), (236, 60)); dot(236, 38)
res_h(236, 60, None, 10)
npn(254, 60, "VT2")
line((266, 72), (266, 80)); ground(266, 80)
line((266, 48), (266, 42), (300, 42), (300, 100)); dot(300, 100)

# --- K-Line bus with its pull-up to the supply, and the vehicle connector.
res_v(318, 12, "R3 510")
line((318, 36), (318, 100)); dot(318, 100)
line((300, 100), (440, 100))
rect(440, 6, 453, 170)
text(404, 97, "K-Line", 8)
text(382, 166, "Масса", 8)
line((440, 160), (420, 160)); ground(420, 160)

# --- Supply: +10..18 V through КД522Б, the 18 V zener, the 5 V regulator.
text(372, 9, "+10..18В", 8)
line((410, 12), (418, 12)); diode_h_left(418, 12); line((432, 12), (440, 12)); text(420, 26, "VD1", 7)
line((410, 12), (230, 12)); dot(398, 12); dot(318, 12)
line((398, 12), (398, 26)); line((398, 40), (398, 44)); diode_v_up(398, 40, None, zener=True)
text(370, 36, "VD3", 7); ground(398, 44)
rect(168, 4, 214, 20); text(172, 15, "DA3 5В", 8)
line((214, 12), (230, 12))
line((191, 20), (191, 26)); ground(191, 26)
line((168, 12), (150, 12)); dot(160, 12); text(130, 10, "+5В", 8)
cap_v(160, 12); ground(160, 27); text(165, 35, "C5", 7)
dot(236, 12)

# --- Receive: K-Line -> divider -> LM311 (2.5 V reference) -> MAX232 -> RxD.
line((360, 100), (360, 112)); dot(360, 100)
res_v(360, 112, "R4"); line((360, 136), (360, 140)); dot(360, 140)
res_v(360, 140, "R5", 8); line((360, 156), (360, 158)); ground(360, 158)
diode_v_up(380, 140, None); line((380, 126), (380, 120)); text(384, 134, "VD2", 7)
line((360, 140), (380, 140)); text(384, 121, "+5В", 7)
poly((280, 148), (320, 128), (320, 168))      # LM311, output to the left
text(298, 152, "DA2", 7); text(286, 182, "LM311", 8)
line((360, 140), (320, 140)); text(322, 138, "+", 8)
text(322, 167, "−", 8)
line((320, 158), (330, 158), (330, 172)); ops.append("fill none circle 330,175 333,175")
text(337, 179, "2,5В", 8)
line((280, 148), (170, 148), (170, 84), (150, 84))

# --- Legend.
text(4, 196, "DA1 MAX232, DA2 LM311, DA3 стабилизатор 5В, VT1 КТ630А, VT2 КТ660Б,", 8)
text(4, 207, "VD1, VD2 КД522Б, VD3 стабилитрон 18В, R3 510 Ом,", 8)
text(4, 218, "C1–C4 1мкФ (MAX232), C5 0,1мкФ.", 8)

mvg = "viewbox 0 0 %d %d\nstroke black stroke-width 1 fill none\nfont '%s'\n" % (W, H, FONT)
mvg += "\n".join(ops) + "\n"
open("scheme.mvg", "w").write(mvg)
subprocess.run(["convert", "-size", f"{W}x{H}", "xc:white", "+antialias", "-draw", mvg,
                "-threshold", "50%", "-monochrome", "-colors", "2", "scheme.png"], check=True)

# The picture as a two-colour XPM, from ImageMagick's plain bitmap.
pbm = subprocess.run(["convert", "scheme.png", "-compress", "none", "pbm:-"], check=True,
                     capture_output=True, text=True).stdout.split()
assert pbm[0] == "P1" and (int(pbm[1]), int(pbm[2])) == (W, H)
bits = "".join(pbm[3:])
rows = [bits[y * W:(y + 1) * W].replace("0", ".").replace("1", "X") for y in range(H)]
out = sys.argv[1] if len(sys.argv) > 1 else "adapter_scheme_152.xpm"
with open(out, "w") as f:
    f.write("/* XPM */\n/* Bitmap 152: the K-Line adapter's wiring diagram, black on white. Drawn by\n"
            "   draw_adapter_scheme.py; edit that and run it again rather than this file. */\n"
            "static const char* const adapter_scheme_152[] = {\n"
            f'"{W} {H} 2 1",\n". c #FFFFFF",\n"X c #000000",\n')
    f.write(",\n".join(f'"{r}"' for r in rows) + "};\n")
