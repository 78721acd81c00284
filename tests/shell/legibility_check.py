"""Reads every text of a unit's last drawn frame with tesseract, each cut out of the
screenshot in its own box, and says how many read exactly.

Usage: legibility_check.py MIN_PERCENT UNIT_DIR...
Each UNIT_DIR holds shot.ppm (the screenshot), trace.jsonl (the text trace) and
data/fonts/Orvex*.ttf (the advances that give a text's width). Exit 1 when the texts of
all units together read below MIN_PERCENT.
"""
import json
import os
import subprocess
import sys

from fontTools.ttLib import TTFont

READABLE = set("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,:/-+()")
SCALE = 4   # tesseract reads best at 30 pixels or more a line


def advances(path):
    font = TTFont(path)
    cmap, hmtx, units = font.getBestCmap(), font["hmtx"], font["head"].unitsPerEm
    table = {}
    for code in range(32, 255):
        try:
            char = bytes([code]).decode("cp1252")
        except UnicodeDecodeError:
            continue
        name = cmap.get(ord(char))
        table[code] = hmtx[name][0] / units if name else 0.0
    return table


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:   # magic, width, height, maximum; '#' comments skipped
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    assert fields[0] == b"P6" and fields[3] == b"255", path
    return int(fields[1]), int(fields[2]), data[pos + 1:]


def crop(image, box, colour, out):
    """The box, dark text on white, scaled up and framed by a white margin, as a PGM. A pixel
    counts as much as it holds of the text's colour; one of another colour (the box round a
    readout, a needle, a symbol) is background: the text's legibility is the question."""
    width, height, pixels = image
    x0, y0, x1, y1 = box
    w, h, pad = (x1 - x0) * SCALE, (y1 - y0) * SCALE, 12
    cr, cg, cb = (255 * c for c in colour)
    norm = cr * cr + cg * cg + cb * cb or 1.0
    rows = [b"\xff" * (w + 2 * pad)] * pad
    for y in range(y0, y1):
        line = bytearray()
        for x in range(x0, x1):
            i = 3 * (y * width + x)
            r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
            a = max(0.0, min(1.0, (r * cr + g * cg + b * cb) / norm))
            off = abs(r - a * cr) + abs(g - a * cg) + abs(b - a * cb)
            v = 255 - int(255 * a) if off < 90 else 255
            line += bytes([v]) * SCALE
        rows += [b"\xff" * pad + bytes(line) + b"\xff" * pad] * SCALE
    rows += [b"\xff" * (w + 2 * pad)] * pad
    with open(out, "wb") as f:
        f.write(b"P5\n%d %d\n255\n" % (w + 2 * pad, h + 2 * pad))
        f.write(b"".join(rows))


def check(unit):
    fonts = {2: advances(os.path.join(unit, "data/fonts/Orvex.ttf")),
             3: advances(os.path.join(unit, "data/fonts/Orvex-Bold.ttf"))}
    texts = [json.loads(line) for line in open(os.path.join(unit, "trace.jsonl")) if line.strip()]
    last = max(t["frame"] for t in texts)
    image = read_ppm(os.path.join(unit, "shot.ppm"))
    width, height, _ = image
    chosen, listing, boxes = [], [], []
    for t in texts:
        s = t["text"]
        if t["frame"] != last or t["clipped"] or not t.get("upright", True):
            continue
        if len(s.strip()) < 2 or not set(s) <= READABLE or not any(c.isalnum() for c in s):
            continue
        em = t["em"]
        advance = sum(fonts[t["font"]].get(ord(c), 0.0) for c in s) * t.get("emx", em)
        box = (int(t["x"] - 0.1 * em), int(t["y"] - 0.95 * em), int(t["x"] + advance + 0.1 * em) + 1,
               int(t["y"] + 0.25 * em) + 1)
        if box[0] < 0 or box[1] < 0 or box[2] > width or box[3] > height:
            continue
        boxes.append((box, t))
    # A text drawn over another (map labels of stations close together) is no question of
    # the glyphs; both are left out.
    def overlaps(a, b):
        return a[0] < b[2] and b[0] < a[2] and a[1] + 2 < b[3] and b[1] + 2 < a[3]
    for box, t in boxes:
        if any(other is not t and overlaps(box, b) for b, other in boxes):
            continue
        s = t["text"]
        path = os.path.join(unit, "text%03d.pgm" % len(chosen))
        crop(image, box, t["rgb"], path)
        chosen.append(" ".join(s.split()))
        listing.append(path)
    with open(os.path.join(unit, "list.txt"), "w") as f:
        f.write("\n".join(listing) + "\n")
    subprocess.run(["tesseract", os.path.join(unit, "list.txt"), os.path.join(unit, "ocr"), "--psm", "7", "-l", "eng"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    read = open(os.path.join(unit, "ocr.txt"), encoding="utf-8", errors="replace").read().split("\f")
    misread = []
    for i, want in enumerate(chosen):
        got = " ".join(read[i].split()) if i < len(read) else ""
        if got != want:
            misread.append("%r read as %r" % (want, got))
    return len(chosen), misread


def main():
    minimum = float(sys.argv[1])
    total = wrong = 0
    for unit in sys.argv[2:]:
        count, misread = check(unit)
        total += count
        wrong += len(misread)
        rate = 100.0 * (count - len(misread)) / count if count else 0.0
        print("%-6s %3d of %3d texts read exactly (%5.1f %%)" % (os.path.basename(unit), count - len(misread), count, rate))
        for m in misread:
            print("         " + m)
    rate = 100.0 * (total - wrong) / total if total else 0.0
    ok = total > 0 and rate >= minimum
    print("all    %3d of %3d texts read exactly (%5.1f %%; at least %g %% wanted)%s" %
          (total - wrong, total, rate, minimum, "" if ok else "  BELOW"))
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
