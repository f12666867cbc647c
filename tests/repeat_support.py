"""Lines with repeated vertices, and repeated-vertex removal written plainly.

`removal_model` is the removal as the interpreter runs it: the repr of each
vertex's first two values against that of the vertex before, then one
deletion per repeat, highest index first.  `random_lines` draws lines whose
neighbours often print alike or almost alike (ints against floats, 0.0
against -0.0, NaNs of other bits, tuples against lists, shared objects).
`NUMBER_LINES` are the edited lines of `EDITED_LINES` written in Decimal,
numpy and Fraction values, whose release runs no interpreter code unless
the value was made to.
"""
import copy
import hashlib
import math
import os
import random
import re
import struct
from decimal import Decimal
from fractions import Fraction

import numpy

from hostile_support import run_case

# A NaN whose bits differ from float("nan"): it still prints "nan".
OTHER_NAN = struct.unpack("<d", struct.pack("<Q", 0x7FF8000000000123))[0]
VALUES = [0, 1, 1.0, 0.0, -0.0, 2.5, math.nan, OTHER_NAN, -math.nan, math.inf, -math.inf,
          True, False, 2 ** 63, -2 ** 63 - 1, 2 ** 62, 10 ** 30, "1", "1.0"]
# Decimal, numpy and Fraction values, some printing alike, with ints and
# floats that print like some of them.
NUMBER_VALUES = [Decimal("1"), Decimal("1.0"), Decimal("-0"), Decimal("NaN"), Decimal("sNaN"),
                 Decimal("2.5"), numpy.float64(1.0), numpy.float64(-0.0), numpy.float64("nan"),
                 numpy.float32(2.5), numpy.int64(1), numpy.uint8(1), numpy.bool_(True),
                 numpy.longdouble(1), Fraction(1), Fraction(5, 2), Fraction(-1, 3), 1, 1.0, 2.5]


def removal_model(line, measure=False):
    """Removes the repeats from `line` in place.  With `measure`, each vertex
    kept is unpacked and float-converted as the measuring methods do, before
    the deletions."""
    n = len(line)
    overlays, previous = [], None
    for i in range(n):
        xy = line[i][:2]
        text = repr(xy)
        if text == previous:
            overlays.append(i)
            continue
        previous = text
        if measure:
            x, y = xy
            float(x), float(y)
            del x, y
        del xy
    for i in sorted(overlays, reverse=True):
        del line[i]


def random_vertex(rnd, previous, values=VALUES):
    """A vertex like `previous` (when given) or a fresh one, of `values`."""
    if previous is not None and rnd.random() < 0.6:
        r = rnd.random()
        if r < 0.25:
            return previous                       # the same object again
        if r < 0.5:
            return copy.copy(previous)            # an equal copy
        if isinstance(previous, list) and len(previous) >= 2:
            v = list(previous)
            k = rnd.randrange(len(v) + 1)
            if k < len(v):
                v[k] = rnd.choice(values)          # one value written anew
            else:
                v.append(rnd.choice(values))       # a further ordinate
            return v
    x, y = rnd.choice(values), rnd.choice(values)
    r = rnd.random()
    if r < 0.7:
        return [x, y]
    if r < 0.8:
        return [x, y, rnd.choice(values)]
    if r < 0.87:
        return (x, y)
    if r < 0.92:
        return [x]
    if r < 0.96:
        return [x, y, 7, 8, 9]
    return [[x], y]                                # x that float() refuses


def random_lines(seed, count, longest=12, values=VALUES):
    rnd = random.Random(seed)
    for _ in range(count):
        line, previous = [], None
        for _ in range(rnd.randrange(longest + 1)):
            previous = random_vertex(rnd, previous, values)
            line.append(previous)
        yield line


def shape(line, originals):
    """The line as the positions, in `originals`, of the vertex objects it
    holds."""
    where = {}
    for k, v in enumerate(originals):
        where.setdefault(id(v), k)
    return [where.get(id(v), "new") for v in line]


def plain_lines(seed, count):
    """random_lines whose vertices are all lists of values that are not
    lists: lines that the measuring methods read as lines."""
    for line in random_lines(seed, count):
        if all(type(v) is list and not any(type(x) is list for x in v) for v in line):
            yield line


def removal_outcome(load, line, measure=False, prepare=None):
    """Loads `line`, and removes the repeats from a copy of it with the model
    (after `prepare` of the copy, when given); returns the outcome of the
    load, the line after it as positions of the vertices first given, and
    the same of the copy after the model."""
    originals = list(line)
    expected = copy.deepcopy(line)       # shares vertices where the line does
    expected_originals = list(expected)
    try:
        if prepare:
            prepare(expected)
        removal_model(expected, measure)
        model_error = None
    except Exception as e:
        model_error = type(e).__name__
    try:
        outcome = repr(load(line))
    except Exception as e:
        outcome = f"{type(e).__name__}: {e}"
        if model_error:
            assert outcome.startswith(model_error), (outcome, model_error)
    return outcome, shape(line, originals), shape(expected, expected_originals)


def check_edited(builds, kinds, source, prelude=""):
    """Runs `source` in a child interpreter after CHILD and `prelude`, once
    for each line of `builds` (one of EDITED_LINES, or a list of such lines)
    edited the way each of `kinds` (one or a list) says, build() making that
    line; every comparison that `source` prints with both() must agree."""
    body = CHILD + prelude
    for build in [builds] if isinstance(builds, str) else builds:
        for kind in [kinds] if isinstance(kinds, str) else kinds:
            body += f"\ndef build():\n    {build.replace('KIND', repr(kind))}\n    return line\n{source}"
    for line in run_case(body):
        assert line.startswith("True True"), line


def digest(rows):
    return hashlib.sha256("\n".join(rows).encode()).hexdigest()[:16]


# For a child interpreter (hostile_support.run_case): the model, and a value
# that edits the line it was given when it is freed, which happens when the
# vertex holding it is deleted from the line.
CHILD = f'''
import sys
sys.path.insert(0, {os.path.dirname(os.path.abspath(__file__))!r})
from repeat_support import removal_model


class Gone:
    def __init__(self, home, kind):
        self.home, self.kind = home, kind

    def __repr__(self):
        return "0"

    def __del__(self):
        change(self.home, self.kind)


def both(build, load, model):
    """Runs `load` on one line and `model` on another built alike; prints
    whether outcomes and lines agree."""
    got, expected = build(), build()
    results = []
    for f, line in ((load, got), (model, expected)):
        try:
            results.append(repr(f(line)))
        except Exception as e:
            results.append(f"{{type(e).__name__}}: {{e}}")
    print(results[0] == results[1], repr(got) == repr(expected), results, got, expected)
'''


# Lines whose values edit the line while the repeats are found (a repr) or
# deleted (a value freed with its vertex); `line` is the line built.
EDITED_LINES = [
    "line = []; line += [[0, 0], [0, 0, Gone(line, KIND)], [1, 1], [1, 1], [2, 2]]",
    "line = []; line += [[0, 0], [0, 0, Gone(line, KIND)], [0, 0], [1, 1], [1, 1, Gone(line, KIND)],"
    " [1, 1], [2, 2], [2, 2], [2, 2, Gone(line, KIND)]]",
    "line = []; line += [[Gone(line, KIND), 0], [Gone(line, KIND), 0], [1, 1]]",
    "line = []; line += [[0, 0], [0, 0, Gone(line, KIND)], [1, 1], [1, 1, [Gone(line, KIND)]], [2, 2]]",
    # one vertex object in several places: freed with the last of them
    "line = []; v = [0, 0, Gone(line, KIND)]; line += [[0, 0], v, v, [1, 1], v, v, [2, 2]]; del v",
    "line = []; v = [0, 0, Gone(line, KIND)]; line += [v, v, [0, 0], v, [1, 1], [1, 1]]; del v",
    "h = hostile(1.0, '__repr__', KIND); line = h.home = [[0, 0], [0, 0], [2, 2], [2, 2], [h, 1]]",
    "h = hostile(1.0, '__repr__', KIND); line = h.home = [[0, 0], [0, 0], [h, 1], [h, 1], [2, 2]]",
    "h = hostile(1.0, '__eq__', KIND, base=float); line = h.home = [[h, 1], [h, 1], [1.0, 1]]",
]


# For a child interpreter, after CHILD: the numbers of NUMBER_LINES, and
# values of their kinds made to run code when freed.
NUMBER_CHILD = """
import numbers
from decimal import Decimal
from fractions import Fraction

import numpy


class GoneDecimal(Decimal):
    def __del__(self):
        change(self.home, self.kind)


class GoneFloat64(numpy.float64):
    def __del__(self):
        change(self.home, self.kind)


def gone(cls, home, kind):
    value = cls(0)
    value.home, value.kind = home, kind
    return value


# A __del__ set on Fraction or a base acts on the home of the Fractions
# placed here (a Fraction holds no attributes of its own).
HOMES = {}


def on_free(self):
    home = HOMES.pop(id(self), None)
    if home:
        change(*home)


def homed(value, home, kind):
    HOMES[id(value)] = (home, kind)
    return value


class Patcher:
    \"\"\"Gives `cls` the __del__ on_free when freed.\"\"\"
    def __init__(self, cls):
        self.cls = cls

    def __del__(self):
        self.cls.__del__ = on_free


def unpatched():
    for cls in (Fraction, numbers.Rational):
        if "__del__" in vars(cls):
            del cls.__del__
"""


def numbers_as(build, number):
    """An edited line with the numbers that start its vertices written as
    `number` (a callable's name in the child)."""
    return re.sub(r"\[(\d), (\d)", lambda m: f"[{number}({m[1]}), {number}({m[2]})", build)


# The edited lines in each kind of number, and lines whose numbers of those
# kinds run code when freed, each above a repeat that runs none: a subclass
# with a __del__, a Fraction holding a value that has one, and a __del__
# given to Fraction or its base while the repeats leave (by the release of
# the vertex above, after a Fraction has been met).
NUMBER_LINES = {
    number: [numbers_as(b, number) for b in EDITED_LINES if numbers_as(b, number) != b]
    for number in ("Decimal", "numpy.float64", "numpy.int32", "Fraction")}
NUMBER_LINES["Fraction"].append(
    "line = [[0, 0], [1, 1], [1, 1, object.__new__(Fraction)], [2, 2], [2, 2, Fraction(1)]]")
NUMBER_LINES["code when freed"] = [
    "line = []; line += [[0, 0], [0, 0], [1, 1], [1, 1, gone(GoneDecimal, line, KIND)],"
    " [Decimal(1), 1], [Decimal(1), 1]]",
    "line = []; line += [[0, 0], [0, 0], [gone(GoneFloat64, line, KIND), 1],"
    " [gone(GoneFloat64, line, KIND), 1], [numpy.float64(0), 1], [numpy.float64(0), 1]]",
    "line = []; f = Fraction(1); f._numerator = Gone(line, KIND); line += [[0, 0],"
    " [0, 0, Fraction(0)], [1, 1], [1, 1, f], [2, 2]]; del f",
    *(f"unpatched(); line = []; line += [[0, 0], [0, 0, Fraction(0)], [1, 1],"
      f" [1, 1, homed(Fraction(1), line, KIND)], [2, 2], [2, 2, Patcher({cls})], [3, 3],"
      f" [3, 3, Fraction(5)]]"
      for cls in ("Fraction", "numbers.Rational")),
]
