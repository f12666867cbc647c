"""MapGrid per-call times beside the floor any Python API pays.

No other library numbers these map sheets, so each figure is set beside a
call of a trivial Python function with the same arguments, timed in the same
run: the ratio is the cost of the work itself over the cost of being called.

    .venv/bin/python bench/mapgrid.py
"""
import re
import timeit

from models.orbalt import MapGrid


def trivial_map(longitude, latitude, scale=1000000):
    return None


def trivial_parse(code):
    return None


def trivial_grid(north, south, west, east, zoom=0, summary=False):
    return None


def drain(iterator):
    for _ in iterator:
        pass


# One search of the compact first-part pattern that parse runs on every code:
# each reading runs two (a new number) to seven (an old 1:500 number) such
# searches, which bounds how fast parse can be.
FIRST_PART = re.compile(r"^[\s]*([NS]?)[\s]*(\*?[A-W]{1})[\s]*(([1-5][0-9])|(0[1-9])|(60))(.*)$",
                        re.IGNORECASE | re.MULTILINE)

CHINA = (53.6, 3.8, 73.5, 135.1, 9)   # north, south, west, east, zoom 9 (1:100,000)


def per_call(stmt, number):
    best = min(timeit.repeat(stmt, number=number, repeat=7, globals=globals()))
    return best / number


def row(label, call, floor, number):
    t = per_call(call, number)
    f = per_call(floor, number)
    unit, scale = ("us", 1e6) if t < 1e-3 else ("ms", 1e3)
    print(f"{label:<40} {t * scale:9.3f} {unit}   floor {f * 1e9:6.1f} ns   ratio {t / f:7.1f}")


def main():
    print(f"{'call':<40} {'per call':>12}   {'trivial function':>16}")
    row("map(116.4, 39.9, 1000000)",
        "MapGrid.map(116.4, 39.9, 1000000)", "trivial_map(116.4, 39.9, 1000000)", 200000)
    row("map(116.4, 39.9, 500)",
        "MapGrid.map(116.4, 39.9, 500)", "trivial_map(116.4, 39.9, 500)", 100000)
    row("parse('J50K00580922')",
        "MapGrid.parse('J50K00580922')", "trivial_parse('J50K00580922')", 100000)
    row("parse('J-50-5-(23)-a-9-1-4')",
        "MapGrid.parse('J-50-5-(23)-a-9-1-4')", "trivial_parse('J-50-5-(23)-a-9-1-4')", 50000)
    row("re search, one parse pattern (reference)",
        "FIRST_PART.search('J50K00580922')", "trivial_parse('J50K00580922')", 100000)
    lines = sum(1 for _ in MapGrid.grid(*CHINA))
    row(f"grid over China, zoom 9 ({lines} lines)",
        "drain(MapGrid.grid(*CHINA))", "trivial_grid(*CHINA)", 50)


if __name__ == "__main__":
    main()
