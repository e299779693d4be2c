#!/usr/bin/env python3
"""Writes KeyInfo.config, the on-screen keyboard shipped with the tool.

Run by hand after changing the key table below, then commit both files:

    python3 configDir/genKeyInfo.py            # rewrites configDir/KeyInfo.config
    python3 configDir/genKeyInfo.py --check    # only verifies the committed file is current

One layout serves every variant (US, UK, KR, JP): it holds the union of their
keys, and the keyboard page blacks out the ones a variant lacks. So the bottom
row carries the Japanese and Korean keys around a short space bar, the number
row a Yen key, and the Shift row both the ISO key and Ro.

Geometry: a 1u key pitch of 40 px across and 37 px down (keys 37 x 35, gaps of
3 and 2 px), the full-size arrangement of main block, navigation block and
keypad, all inside the page's backdrop (x 9..992, y 70..330). Row 0 holds what
the keyboard matrix does not: the media and browser keys in a strip on top and
the lock indicators above the keypad.

"Dec" is the key's HID usage. Keyboard-page usages (page 0x07) are written as
the bare usage ID, which is how the firmware's matrix and results name them.
Keys of other pages carry the full 32-bit usage (page << 16 | ID), so they can
never be mistaken for a keyboard usage in a device result: consumer-page keys
0x000C_xxxx, LED-page indicators 0x0008_00xx, and the Fn key the vendor page
usage 0x00FF_0003 that keyboards commonly report Fn with.

Labels are ASCII only: the tool decodes them with the system's 8-bit code page.
"""

import argparse
import json
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUTPUT = os.path.join(HERE, "KeyInfo.config")

BACKDROP = (9, 70, 992, 330)  # left, top, right, bottom (exclusive)
PITCH_X = 40
GAP_X = 3
PITCH_Y = 37
KEY_H = 35
ORIGIN_X = 40

# Top edge of each matrix row: the function row stands a little apart.
ROW_Y = {1: 104, 2: 146, 3: 146 + PITCH_Y, 4: 146 + 2 * PITCH_Y, 5: 146 + 3 * PITCH_Y, 6: 146 + 4 * PITCH_Y}
MEDIA_Y, MEDIA_H = 74, 24

NAV_U = 15.5  # navigation block column 0
PAD_U = 19.0  # keypad column 0

CONSUMER = 0x000C0000
LED = 0x00080000
FN_USAGE = 0x00FF0003


def px(u):
    return ORIGIN_X + round(u * PITCH_X)


def span(w):
    return round(w * PITCH_X) - GAP_X


def tall(rows):
    return (rows - 1) * PITCH_Y + KEY_H


keys = []  # (row, record dict)


def add(row, u, w, qt, dec, char, flags=None, y=None, h=None):
    rec = {
        "PosX": px(u),
        "PosY": ROW_Y[row] if y is None else y,
        "Width": span(w),
        "Height": KEY_H if h is None else h,
        "Dec": dec,
        "qtDec": qt,
    }
    if flags is not None:
        rec["keyFlags"] = flags
    rec["Character"] = char
    keys.append((row, rec))


def row_of(row, start_u, items):
    """items: (width_u, qtDec, Dec, label[, keyFlags]) laid left to right from start_u."""
    u = start_u
    for item in items:
        w, qt, dec, char = item[:4]
        flags = item[4] if len(item) > 4 else None
        add(row, u, w, qt, dec, char, flags)
        u += w
    return u


def letters(text):
    # Windows VK of a letter is its upper-case ASCII code; HID usage is 4 for A onwards.
    return [(1, ord(c), 4 + ord(c) - ord("A"), c) for c in text]


# Row 0: media and browser keys (consumer page), then the lock indicators.
media_groups = [
    [(166, 0x224, "Back"), (167, 0x225, "Fwd"), (168, 0x227, "Refresh"), (169, 0x226, "Stop"),
     (170, 0x221, "Search"), (171, 0x22A, "Fav"), (172, 0x223, "Home")],
    [(173, 0xE2, "Mute"), (174, 0xEA, "Vol-"), (175, 0xE9, "Vol+")],
    [(176, 0xB5, "Next"), (177, 0xB6, "Prev"), (178, 0xB7, "Stop"), (179, 0xCD, "Play")],
    [(180, 0x18A, "Mail"), (181, 0x183, "Media"), (182, 0x194, "App1"), (183, 0x192, "App2")],
]
u = 0.0
for group in media_groups:
    for qt, usage, char in group:
        add(0, u, 1, qt, CONSUMER | usage, char, y=MEDIA_Y, h=MEDIA_H)
        u += 1
    u += 0.25

for i, (qt, led, char) in enumerate([(-11, 0x01, "Num"), (-12, 0x02, "Caps"), (-13, 0x03, "Scrl"),
                                     (-14, 0x05, "Kana")]):
    add(0, PAD_U + i, 1, qt, LED | led, char, y=ROW_Y[1])

# Row 1: Esc, Fn, F1-F12; Print Screen, Scroll Lock, Pause.
add(1, 0, 1, 27, 41, "Esc")
add(1, 1.25, 1, 1010, FN_USAGE, "Fn")
for i in range(12):
    group_start = (2.5, 6.75, 11.0)[i // 4]
    add(1, group_start + i % 4, 1, 112 + i, 58 + i, "F%d" % (i + 1))
row_of(1, NAV_U, [(1, 44, 70, "PrtSc"), (1, 145, 71, "ScrLk"), (1, 19, 72, "Pause")])

# Row 2: number row with the Yen key before a short Backspace.
digits = [(1, ord(str(d)), 30 + (d - 1) % 10, str(d)) for d in list(range(1, 10)) + [0]]
row_of(2, 0, [(1, 192, 53, "`")] + digits + [
    (1, 189, 45, "-"), (1, 187, 46, "="), (1, 255, 137, "Yen", 0), (1, 8, 42, "Bksp")])
row_of(2, NAV_U, [(1, 45, 73, "Ins"), (1, 36, 74, "Home"), (1, 33, 75, "PgUp")])
row_of(2, PAD_U, [(1, 144, 83, "Num"), (1, 111, 84, "/"), (1, 106, 85, "*"), (1, 109, 86, "-")])

# Row 3: Tab row. Backslash is shown as "|": a printed backslash would appear doubled.
row_of(3, 0, [(1.5, 9, 43, "Tab")] + letters("QWERTYUIOP") + [
    (1, 219, 47, "["), (1, 221, 48, "]"), (1.5, 220, 49, "|")])
row_of(3, NAV_U, [(1, 46, 76, "Del"), (1, 35, 77, "End"), (1, 34, 78, "PgDn")])
row_of(3, PAD_U, [(1, 103, 95, "7"), (1, 104, 96, "8"), (1, 105, 97, "9")])
add(3, PAD_U + 3, 1, 107, 87, "+", h=tall(2))

# Row 4: home row with the main Enter.
row_of(4, 0, [(1.75, 20, 57, "Caps")] + letters("ASDFGHJKL") + [
    (1, 186, 51, ";"), (1, 222, 52, "'"), (2.25, 13, 40, "Enter", 0)])
row_of(4, PAD_U, [(1, 100, 92, "4"), (1, 101, 93, "5"), (1, 102, 94, "6")])

# Row 5: a shortened left Shift makes room for the ISO key, a shortened right Shift for Ro.
row_of(5, 0, [(1.25, 160, 225, "Shift"), (1, 226, 100, "<>")] + letters("ZXCVBNM") + [
    (1, 188, 54, ","), (1, 190, 55, "."), (1, 191, 56, "/"), (1, 193, 135, "Ro"), (1.75, 161, 229, "Shift")])
add(5, NAV_U + 1, 1, 38, 82, "Up")
row_of(5, PAD_U, [(1, 97, 89, "1"), (1, 98, 90, "2"), (1, 99, 91, "3")])
add(5, PAD_U + 3, 1, 13, 88, "Enter", flags=1, h=tall(2))

# Row 6: modifiers around a short space bar flanked by the JIS and Korean keys.
row_of(6, 0, [
    (1.25, 162, 224, "Ctrl"), (1, 91, 227, "Win"), (1, 164, 226, "Alt"), (1, 235, 139, "Muhen"),
    (1, 2350, 145, "Hanja"), (2.5, 32, 44, "Space"), (1, 2360, 144, "Han/Yeong"), (1, 255, 138, "Henkan", 1),
    (1, 255, 136, "Kana", 2), (1, 165, 230, "Alt"), (1, 92, 231, "Win"), (1, 93, 101, "Menu"),
    (1.25, 163, 228, "Ctrl")])
row_of(6, NAV_U, [(1, 37, 80, "Left"), (1, 40, 81, "Down"), (1, 39, 79, "Right")])
row_of(6, PAD_U, [(2, 96, 98, "0"), (1, 110, 99, ".")])


REQUIRED = (
    [226, 193, 235, 701, 702, 703, 2350, 2360, 601, 602, 1010, -11, -12, -13, -14]
    + list(range(160, 166)) + [91, 92, 93]
    + list(range(96, 106)) + [110, 106, 107, 109, 111, 144]
    + [45, 46, 36, 35, 33, 34, 37, 38, 39, 40, 44, 145, 19]
    + list(range(112, 124)) + list(range(166, 184))
)


def identity(rec):
    qt = rec["qtDec"]
    if qt == 13:
        return 601 if rec["keyFlags"] == 0 else 602
    if qt == 255:
        return {0: 701, 1: 702}.get(rec["keyFlags"], 703)
    return qt


def verify(records):
    problems = []
    left, top, right, bottom = BACKDROP
    for row, r in records:
        name = "%s (row %d)" % (r["Character"], row)
        if not (r["PosX"] >= left and r["PosY"] >= top and r["PosX"] + r["Width"] <= right
                and r["PosY"] + r["Height"] <= bottom):
            problems.append("%s lies outside the backdrop" % name)
        if not r["Character"].isascii() or '"' in r["Character"] or "\\" in r["Character"]:
            problems.append("%s: label must be plain ASCII without quotes or backslashes" % name)
        usage = r["Dec"]
        if row == 0 and 0 <= usage <= 255:
            problems.append("%s: row 0 keys must not carry a keyboard-page usage" % name)
        if row != 0 and identity(r) != 1010 and not 1 <= usage <= 255:
            problems.append("%s: matrix keys need a keyboard-page usage" % name)
    for i, (_, a) in enumerate(records):
        for _, b in records[i + 1:]:
            if (a["PosX"] < b["PosX"] + b["Width"] and b["PosX"] < a["PosX"] + a["Width"]
                    and a["PosY"] < b["PosY"] + b["Height"] and b["PosY"] < a["PosY"] + a["Height"]):
                problems.append("%s overlaps %s" % (a["Character"], b["Character"]))
    for what, values in (("qtDec", [identity(r) for _, r in records]), ("Dec", [r["Dec"] for _, r in records])):
        seen = set()
        for v in values:
            if v in seen:
                problems.append("%s %d appears twice" % (what, v))
            seen.add(v)
    present = {identity(r) for _, r in records}
    for qt in REQUIRED:
        if qt not in present:
            problems.append("identity %d is missing" % qt)
    return problems


def render(records):
    lines = ["{"]
    for row in range(7):
        members = [r for rr, r in records if rr == row]
        lines.append('    "EveryKeyInfo_Row0%d": [' % row)
        for i, r in enumerate(members):
            lines.append("        " + json.dumps(r) + ("," if i + 1 < len(members) else ""))
        lines.append("    ]" + ("," if row < 6 else ""))
    lines.append("}")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="verify that the committed file matches")
    args = parser.parse_args()

    problems = verify(keys)
    if problems:
        for p in problems:
            print("genKeyInfo: " + p, file=sys.stderr)
        return 1
    text = render(keys)
    if args.check:
        with open(OUTPUT, encoding="ascii") as f:
            if f.read() != text:
                print("genKeyInfo: %s is out of date; run %s" % (OUTPUT, sys.argv[0]), file=sys.stderr)
                return 1
        print("genKeyInfo: %s is current (%d keys)" % (OUTPUT, len(keys)))
        return 0
    with open(OUTPUT, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    print("genKeyInfo: wrote %d keys to %s" % (len(keys), OUTPUT))
    return 0


if __name__ == "__main__":
    sys.exit(main())
