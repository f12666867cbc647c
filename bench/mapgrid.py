"""MapGrid per-call times beside the floor any Python API pays.

No other library numbers these map sheets, so most rows have no peer: the
floor (the same call with a C builtin that does nothing in place of the
method) shows the cost of the work itself over the cost of being called.
The first parse row also shows one search of the compact first-part pattern
that parse runs on every code: each reading runs two (a new number) to seven
(an old 1:500 number) such searches, which bounds how fast parse can be.
The corner row shows one search of the corner pattern beside it.  The last
rows time texts of blank runs and blank lines, which parse and the corner
refuse, beside lines of text of the same length.

    .venv/bin/python bench/mapgrid.py
"""
import re

from models.orbalt import MapGrid
from timer import FLOOR, compare


def drain(iterator):
    for _ in iterator:
        pass


FIRST_PART = re.compile(
    r"^[^\S\n]*+(?!\n)([NS]?)[\s]*+(\*?[A-W]{1})[\s]*+(([1-5][0-9])|(0[1-9])|(60))(.*)$",
    re.IGNORECASE | re.MULTILINE)

CORNER_PART = re.compile(
    r"^[^\S\n]*+(?!\n)([NS]?)[\s]*+([A-W]{1})[\s]*+[-]?[\s]*+(([1-5][0-9])|(0[1-9])|(60))",
    re.IGNORECASE | re.MULTILINE)
CORNER = MapGrid._MapGrid__corner1000000

CHINA = (53.6, 3.8, 73.5, 135.1, 9)   # north, south, west, east, zoom 9 (1:100,000)


def main():
    print("MapGrid per call")
    compare("map(116.4, 39.9, 1000000)",
            lambda: MapGrid.map(116.4, 39.9, 1000000), lambda: FLOOR(116.4, 39.9, 1000000))
    compare("map(116.4, 39.9, 500)",
            lambda: MapGrid.map(116.4, 39.9, 500), lambda: FLOOR(116.4, 39.9, 500))
    compare("parse('J50K00580922')",
            lambda: MapGrid.parse('J50K00580922'), lambda: FLOOR('J50K00580922'),
            [("1 re search", lambda: FIRST_PART.search('J50K00580922'))])
    compare("__corner1000000('J-50')", lambda: CORNER('J-50'), lambda: FLOOR('J-50'),
            [("1 re search", lambda: CORNER_PART.search('J-50'))])
    compare("parse('J-50-5-(23)-a-9-1-4')",
            lambda: MapGrid.parse('J-50-5-(23)-a-9-1-4'), lambda: FLOOR('J-50-5-(23)-a-9-1-4'))
    lines = sum(1 for _ in MapGrid.grid(*CHINA))
    compare(f"grid, China, zoom 9, {lines} lines",
            lambda: drain(MapGrid.grid(*CHINA)), lambda: FLOOR(*CHINA))
    blank_texts()


def refused(f, code):
    try:
        f(code)
    except Exception:
        pass


def blank_texts(k=100_000):
    """parse and the corner of texts of blank runs and blank lines that they
    refuse, beside lines of text of the same length (refused line by line)
    as the control."""
    texts = [("blank lines", "\n" * k + "x"),
             ("blank lines, CR LF", "\r\n" * (k // 2) + "x"),
             ("blank lines, then a hyphen", "\n" * k + "-x"),
             ("blank lines of spaces", " \n" * (k // 2) + "x"),
             ("blank line of spaces", " " * k + "x"),
             ("blank lines round a prefix", "\n" * (k // 2) + "N" + "\n" * (k // 2)),
             ("ideographic spaces", "\u3000" * k + "x")]
    for name, f, more in [("parse", MapGrid.parse, []),
                          ("corner", CORNER, [("blanks after the row", "J" + " " * k + "x"),
                                              ("blank lines round a hyphen",
                                               "J" + "\n" * (k // 2) + "-" + "\n" * (k // 2))])]:
        print(f"MapGrid.{f.__name__} of a refused text of about {k} characters, per call")
        for label, code in texts + more:
            control = ("abc\n" * (len(code) // 4 + 1))[:len(code)]
            compare(f"{name}, {label}", lambda: refused(f, code), lambda: FLOOR(code),
                    [("control: lines of text", lambda: refused(f, control))])


if __name__ == "__main__":
    main()
