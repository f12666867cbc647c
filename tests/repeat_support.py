"""Lines with repeated vertices, and repeated-vertex removal written plainly.

`removal_model` is the removal as the interpreter runs it: the repr of each
vertex's first two values against that of the vertex before, then one
deletion per repeat, highest index first.  `random_lines` draws lines whose
neighbours often print alike or almost alike (ints against floats, 0.0
against -0.0, NaNs of other bits, tuples against lists, shared objects).
"""
import copy
import hashlib
import math
import os
import random
import struct

from hostile_support import run_case

# A NaN whose bits differ from float("nan"): it still prints "nan".
OTHER_NAN = struct.unpack("<d", struct.pack("<Q", 0x7FF8000000000123))[0]
VALUES = [0, 1, 1.0, 0.0, -0.0, 2.5, math.nan, OTHER_NAN, -math.nan, math.inf, -math.inf,
          True, False, 2 ** 63, -2 ** 63 - 1, 2 ** 62, 10 ** 30, "1", "1.0"]


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


def random_vertex(rnd, previous):
    """A vertex like `previous` (when given) or a fresh one."""
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
                v[k] = rnd.choice(VALUES)          # one value written anew
            else:
                v.append(rnd.choice(VALUES))       # a further ordinate
            return v
    x, y = rnd.choice(VALUES), rnd.choice(VALUES)
    r = rnd.random()
    if r < 0.7:
        return [x, y]
    if r < 0.8:
        return [x, y, rnd.choice(VALUES)]
    if r < 0.87:
        return (x, y)
    if r < 0.92:
        return [x]
    if r < 0.96:
        return [x, y, 7, 8, 9]
    return [[x], y]                                # x that float() refuses


def random_lines(seed, count, longest=12):
    rnd = random.Random(seed)
    for _ in range(count):
        line, previous = [], None
        for _ in range(rnd.randrange(longest + 1)):
            previous = random_vertex(rnd, previous)
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


def check_edited(build, kind, source):
    """Runs `source` in a child interpreter after CHILD, where build() makes
    the line of `build` (one of EDITED_LINES) edited the way `kind` says;
    every comparison that `source` prints with both() must agree."""
    body = f"{CHILD}\ndef build():\n    {build.replace('KIND', repr(kind))}\n    return line\n{source}"
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
