"""Fuzz target: every method of every class with random arguments.

Each call picks a method, then arguments shaped by the parameters' declared
types (floats for float, codes and scales for int, sheet numbers, WKT and
angle texts for str, random geometry dicts, coordinate lists, texts and
shapely geometries for geometry inputs), with a share of wholly random
values.  Generators are iterated.  A share of the calls gets hostile
values (hostile.py) among its arguments: numbers, texts, vertices and dict
keys whose conversion, repr, comparison or hash changes the list or dict
they sit in.  A run passes when nothing crashes or hangs: against the
sanitized build any memory error or undefined behaviour ends the process.
Exceptions are expected (most random arguments are refused) and not judged
here; their messages are the unit tests' business.

    fuzz/run.sh [seconds]          # against the sanitized build (make fuzz)
    .venv/bin/python fuzz/fuzz_methods.py [seconds] [seed]

With FUZZ_TRACE set, each call's number and method go to standard error
before it is made, so the last line before a crash report names the method.
"""
import inspect
import os
import random
import sys
import time

import shapely

import hostile
from models import orbalt

NUMBERS = [0, 1, -1, 2, 3, 6, 500, 2000, 1984, 10**20, -10**20, 0.0, -0.0, 1.5, -180.0, 180.0,
           90.0, -90.0, float("nan"), float("inf"), -float("inf"), 1e308, 5e-324, True, False]
INTS = [0, 1, 2, 3, 6, -1, 9, 16, 31, 1954, 1980, 1984, 2000, 2001, 1000000, 500000, 250000,
        100000, 50000, 25000, 10000, 5000, 2000, 1000, 500, 10**20]
TYPES = ["Point", "MultiPoint", "LineString", "MultiLineString", "Polygon", "MultiPolygon",
         "GeometryCollection", "Foo", None, 1]
# Nesting depth of the coordinates of each coordinate type.
DEPTHS = {"Point": 0, "MultiPoint": 1, "LineString": 1, "MultiLineString": 2, "Polygon": 2,
          "MultiPolygon": 3}
# Share of the calls whose arguments carry hostile values.
HOSTILE_SHARE = 0.5
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

    def ordinate(self):
        # Ordinates near the largest double make GEOS's topology-preserving
        # simplification loop for ever (shapely.simplify alone does it), so
        # vertices stop at 1e300; parameters still get the extremes.  Floats
        # are new objects, held by their vertex alone, so that a vertex
        # changed under its reader frees them.
        v = self.number()
        v = 1e300 if v == 1e308 else v
        return float(repr(v)) if type(v) is float else v

    def vertex(self):
        return [self.ordinate() for _ in range(self.rng.choice([0, 1, 2, 2, 2, 3, 4, 5]))]

    def nested(self, depth):
        if depth == 0:
            return self.vertex()
        return [self.nested(depth - 1) for _ in range(self.rng.choice([0, 1, 2, 3, 4, 4, 5]))]

    def well_formed(self, kind):
        """Coordinates of a type that loading accepts: vertices of two or
        three values, lines of two vertices or more, rings of three or more."""
        r = self.rng

        def line(least):
            return [[self.ordinate() for _ in range(r.choice([2, 2, 3]))]
                    for _ in range(r.randint(least, least + 3))]

        def polygon():
            return [line(3) for _ in range(r.choice([1, 1, 2]))]

        if kind == "Point":
            return line(1)[0]
        if kind in ("MultiPoint", "LineString"):
            return line(1 if kind == "MultiPoint" else 2)
        if kind == "MultiLineString":
            return [line(2) for _ in range(r.randint(1, 3))]
        if kind == "Polygon":
            return polygon()
        return [polygon() for _ in range(r.randint(1, 2))]

    def geometry(self, depth=0):
        r = self.rng
        # Mostly a known type with the key it needs and coordinates that
        # load, so that calls get past the first tests; now and then
        # anything.
        d = {"type": r.choice(TYPES if r.random() < 0.2 else TYPES[:7])}
        members = d["type"] == "GeometryCollection"
        if r.random() < 0.2:
            members = not members
        if not members or depth >= 3:
            k = r.random()
            if d["type"] in DEPTHS and k < 0.5:
                d["coordinates"] = self.well_formed(d["type"])
            elif d["type"] in DEPTHS and k < 0.8:
                d["coordinates"] = self.nested(DEPTHS[d["type"]])
            else:
                d["coordinates"] = None if k > 0.95 else self.nested(r.choice([0, 1, 2, 3, 4]))
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

    def for_parameter(self, name, annotation, method=None):
        r = self.rng
        if name == "quad_segs":
            # Segments per quarter circle go straight to GEOS, which spends
            # minutes on a buffer of 250,000; that is GEOS's time, not a hang.
            return r.choice([-1, 0, 1, 8, 16])
        if method == "Topology.clip" and name in ("west", "south", "east", "north"):
            # A NaN side makes GEOS's clip_by_rect loop for ever on a polygon
            # with an infinite vertex (shapely.clip_by_rect alone does it).
            return float(r.choice([v for v in NUMBERS if v == v] + [r.uniform(-200, 200)]))
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
        if annotation == "list":
            return [r.choice([self.geometry, lambda: self.nested(r.choice([1, 2, 3]))])()
                    for _ in range(r.choice([1, 1, 2, 3, 4]))]
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
    trace = bool(os.environ.get("FUZZ_TRACE"))
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        name, method, params = rng.choice(table)
        args = []
        for p in params:
            if p.default is not inspect.Parameter.empty and rng.random() < 0.4:
                break
            annotation = p.annotation if p.annotation is not inspect.Parameter.empty else None
            args.append(inputs.for_parameter(p.name, annotation, name))
        if rng.random() < HOSTILE_SHARE:
            hostile.infect(args, rng)
        calls += 1
        if trace:
            os.write(2, f"fuzz_methods: call {calls} {name}\n".encode())
        try:
            result = method(*args)
            if name == "MapGrid.grid":
                for _, _line in zip(range(200), result):
                    pass
            returned += 1
        except Exception:
            pass
    print(f"fuzz_methods: {calls} calls, {returned} returned, seed {seed}, {seconds:.0f} s")
    acted = ", ".join(f"{hook} {action} {n}" for (hook, action), n in sorted(hostile.fired.items()))
    print(f"fuzz_methods: hostile values acted: {acted or 'never'}")


if __name__ == "__main__":
    main()
