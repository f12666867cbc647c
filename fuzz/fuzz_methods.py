"""Fuzz target: every method of every class with random arguments.

Each call picks a method, then arguments shaped by the parameters' declared
types (floats for float, codes and scales for int, sheet numbers, WKT and
angle texts for str, random geometry dicts, coordinate lists, texts and
shapely geometries for geometry inputs), with a share of wholly random
values.  Generators are iterated.  A run passes when nothing crashes or
hangs: against the sanitized build any memory error or undefined behaviour
ends the process.  Exceptions are expected (most random arguments are
refused) and not judged here; their messages are the unit tests' business.

    fuzz/run.sh [seconds]          # against the sanitized build (make fuzz)
    .venv/bin/python fuzz/fuzz_methods.py [seconds] [seed]
"""
import inspect
import random
import sys
import time

import shapely

from models import orbalt

NUMBERS = [0, 1, -1, 2, 3, 6, 500, 2000, 1984, 10**20, -10**20, 0.0, -0.0, 1.5, -180.0, 180.0,
           90.0, -90.0, float("nan"), float("inf"), -float("inf"), 1e308, 5e-324, True, False]
INTS = [0, 1, 2, 3, 6, -1, 9, 16, 31, 1954, 1980, 1984, 2000, 2001, 1000000, 500000, 250000,
        100000, 50000, 25000, 10000, 5000, 2000, 1000, 500, 10**20]
TYPES = ["Point", "MultiPoint", "LineString", "MultiLineString", "Polygon", "MultiPolygon",
         "GeometryCollection", "Foo", None, 1]
TEXTS = ["POINT (1 2)", "LINESTRING (0 0, 1 1)", "POLYGON ((0 0, 1 0, 1 1, 0 0))",
         "MULTIPOINT (1 2, 3 4)", "GEOMETRYCOLLECTION (POINT (1 2), LINESTRING (0 0, 1 1))",
         '{"type":"Point","coordinates":[1,2]}', "1 2 3 4",
         "0101000000000000000000F03F0000000000000040", "J50D001001", "J-50-5-(23)-a-9-1-4",
         "116°24′0″", "", " ", "((((", "EPSG:4326", "<Point><coordinates>1,2</coordinates></Point>",
         "NaN", "1e400", "GaussKruger", "Albers", "Lambert", "WebMercator"]
NOISE = ["(", ")", ",", " ", "1", "e", "\u00a0", "\x00", "-", "K", "\u212a"]


class Inputs:
    def __init__(self, rng):
        self.rng = rng

    def number(self):
        r = self.rng
        return r.choice(NUMBERS + [r.uniform(-200, 200), r.uniform(-90, 90)])

    def vertex(self):
        # Ordinates near the largest double make GEOS's topology-preserving
        # simplification loop for ever (shapely.simplify alone does it), so
        # vertices stop at 1e300; parameters still get the extremes.
        def ordinate():
            v = self.number()
            return 1e300 if v == 1e308 else v
        return [ordinate() for _ in range(self.rng.choice([0, 1, 2, 2, 2, 3, 4, 5]))]

    def nested(self, depth):
        if depth == 0:
            return self.vertex()
        return [self.nested(depth - 1) for _ in range(self.rng.choice([0, 1, 2, 3, 4]))]

    def geometry(self, depth=0):
        r = self.rng
        d = {"type": r.choice(TYPES)}
        if r.random() < 0.8 or depth >= 3:
            d["coordinates"] = None if r.random() < 0.1 else self.nested(r.choice([0, 1, 2, 3, 4]))
        else:
            d["geometries"] = [self.geometry(depth + 1) for _ in range(r.choice([0, 1, 2]))]
        return d

    def text(self):
        r = self.rng
        t = r.choice(TEXTS)
        if t and r.random() < 0.5:
            i = r.randrange(len(t))
            t = t[:i] + r.choice(NOISE) + t[i + 1:]
        return t

    def shape(self):
        text = self.rng.choice(TEXTS[:5] + ["POINT EMPTY", "POLYGON EMPTY"])
        return shapely.from_wkt(text)

    def anything(self):
        r, k = self.rng, self.rng.random()
        if k < 0.25:
            return self.number()
        if k < 0.45:
            return self.geometry()
        if k < 0.6:
            return self.nested(r.choice([1, 2, 3, 4]))
        if k < 0.8:
            return self.text()
        if k < 0.88:
            return self.shape()
        if k < 0.93:
            return None
        if k < 0.96:
            return (self.number(), self.number())
        return [self.geometry() for _ in range(2)]

    def for_parameter(self, name, annotation):
        r = self.rng
        if name == "quad_segs":
            # Segments per quarter circle go straight to GEOS, which spends
            # minutes on a buffer of 250,000; that is GEOS's time, not a hang.
            return r.choice([-1, 0, 1, 8, 16])
        if r.random() < 0.1:
            return self.anything()
        if annotation == "float":
            return float(r.choice([self.number(), r.uniform(-200, 200), r.uniform(-90, 90)]))
        if annotation == "int":
            return r.choice(INTS)
        if annotation == "str":
            return self.text()
        if annotation == "bool":
            return r.choice([True, False])
        return self.anything()


def methods():
    """(name, bound method) of every method a host can call, __init__ aside."""
    found = []
    for class_name in orbalt.__all__:
        cls = getattr(orbalt, class_name)
        for key, value in vars(cls).items():
            f = getattr(value, "__func__", value)
            if type(f).__module__ == "models.orbalt" and key != "__init__":
                found.append((f"{class_name}.{key}", getattr(cls, key)))
    return found


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 30.0
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    rng = random.Random(seed)
    inputs = Inputs(rng)
    table = [(name, m, list(inspect.signature(m).parameters.values())) for name, m in methods()]
    calls = returned = 0
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        name, method, params = rng.choice(table)
        args = []
        for p in params:
            if p.default is not inspect.Parameter.empty and rng.random() < 0.4:
                break
            annotation = p.annotation if p.annotation is not inspect.Parameter.empty else None
            args.append(inputs.for_parameter(p.name, annotation))
        calls += 1
        try:
            result = method(*args)
            if name == "MapGrid.grid":
                for _, _line in zip(range(200), result):
                    pass
            returned += 1
        except Exception:
            pass
    print(f"fuzz_methods: {calls} calls, {returned} returned, seed {seed}, {seconds:.0f} s")


if __name__ == "__main__":
    main()
