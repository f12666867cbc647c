"""The one way the scripts in bench/ time a call.

A row sets the module's call ("ours") beside the calls a user would otherwise
make for the same result (the peers) and beside a floor, and times them all
interleaved in one process: round after round, each candidate in turn takes
one sample, and a candidate's figure is its best sample of REPEAT.  Whatever
slows the machine for a while (another process's build, a frequency change)
then falls on every candidate of the row alike instead of on whichever
happened to run at that moment.

A sample calls the candidate `number` times in a loop and reads the thread's
CPU clock before and after, so time spent while the scheduler runs other
processes is not counted.  `number` is chosen per candidate so that a sample
lasts at least SAMPLE seconds, 10 ms or a hundred steps of the clock if that
is longer (on Linux a step is about a microsecond: the cost of one read); one
call before that settles first-call work (imports, caches).  The garbage
collector is off while samples run, as in timeit, and collects between
rounds: a collection falls where the heap happens to cross a threshold, which
would charge one candidate for another's garbage.

On a shared machine the thread's CPU time still stretches while other work
competes for the core and its caches, by up to half for spells of a second
or more, longer than a row, and not by the same factor for every candidate.
So a canary, a fixed small loop, takes a short sample between rounds, and a
round counts towards REPEAT only when the canary ran within SLACK of its best
in this process on both sides of it; rounds go on until REPEAT such rounds
or four times as many in all.  On a quiet machine that is REPEAT rounds.

The floor is the same call, made the same way from the same lambda or loop,
with the cheapest C builtin that takes those arguments in place of the
module's function.  That is sys.audit: a METH_FASTCALL builtin that takes
any number of arguments of any type and, with no audit hook installed,
returns None without looking at them (checked below), so it costs the
argument passing and nothing else.  type(x) is a few nanoseconds cheaper but
exists for one argument only; operator functions have fixed arities; max and
min compare their arguments (and need them comparable); "".format packs a
tuple first.  A call that passes keywords uses FLOOR_KW, "".format, the
cheapest builtin that accepts and ignores any keywords.  ours/floor is then
the cost of the work over the cost of being called at all.

Each row prints its per-call times, peer/ours for each peer (above 1: ours is
faster) and ours/floor.  When ORBALT_BENCH_RECORD names a file, each row is
also appended to it as one JSON line; bench/run_all.py runs every script in
several processes that way and closes with a table of the best figures.
"""
import gc
import itertools
import json
import math
import os
import sys
import time

REPEAT = 7
SLACK = 0.10
FLOOR = sys.audit
FLOOR_KW = "".format

try:
    # With a hook installed, sys.audit passes its arguments on and wants a
    # text first: a float tells whether it returns at once.
    FLOOR(0.0)
except TypeError:
    sys.exit("bench: an audit hook is installed, so sys.audit is no floor here")

_clock = time.thread_time


def _clock_step():
    """The smallest step the thread's CPU clock shows: its stated resolution,
    or the least change between two reads when that is coarser."""
    step = time.get_clock_info("thread_time").resolution
    seen = math.inf
    for _ in range(20):
        start = now = _clock()
        while now == start:
            now = _clock()
        seen = min(seen, now - start)
    return max(step, seen)


SAMPLE = max(0.01, 100 * _clock_step())


def _sample(fn, number):
    loop = itertools.repeat(None, number)
    start = _clock()
    for _ in loop:
        fn()
    return _clock() - start


def _calibrate(fn, target=SAMPLE):
    """The number of calls that makes one sample last target seconds."""
    fn()
    number = 1
    while True:
        spent = _sample(fn, number)
        if spent >= target:
            return number
        # Aim a quarter past the mark so that the next try reaches it.
        grow = 10 if spent <= 0 else target * 1.25 / spent
        number = max(number + 1, math.ceil(number * min(grow, 10)))


def _canary_call():
    FLOOR(0.0)


_canary_number = _calibrate(_canary_call, SAMPLE / 4)
_canary_best = min(_sample(_canary_call, _canary_number) for _ in range(10))


def _calm():
    """Whether the canary runs at its best speed so far, within SLACK."""
    global _canary_best
    spent = _sample(_canary_call, _canary_number)
    _canary_best = min(_canary_best, spent)
    return spent <= _canary_best * (1 + SLACK)


def measure(fns, repeat=REPEAT):
    """Best time per call of each callable, sampled in turn, over `repeat`
    calm rounds (or four times as many rounds in all)."""
    enabled = gc.isenabled()
    gc.collect()
    gc.disable()
    try:
        numbers = [_calibrate(fn) for fn in fns]
        best = [math.inf] * len(fns)
        calm, quiet = _calm(), 0
        for r in range(4 * repeat):
            # Each round starts one candidate further on, so none always
            # follows the same one.
            for k in range(len(fns)):
                i = (r + k) % len(fns)
                best[i] = min(best[i], _sample(fns[i], numbers[i]))
            after = _calm()
            quiet += calm and after
            calm = after
            gc.collect()
            if quiet >= repeat:
                break
    finally:
        if enabled:
            gc.enable()
    return [b / n for b, n in zip(best, numbers)]


def duration(seconds):
    """Seconds as a short text in ns, us, ms or s."""
    for unit, scale in (("ns", 1e9), ("us", 1e6), ("ms", 1e3)):
        if seconds * scale < 999.95:
            return f"{seconds * scale:.4g} {unit}"
    return f"{seconds:.4g} s"


def ratio(value):
    """A ratio to three figures, or to the unit from 100 on."""
    return f"{value:.0f}" if value >= 99.5 else f"{value:#.3g}"


def _script():
    return os.path.splitext(os.path.basename(sys.argv[0]))[0]


def compare(label, ours, floor, peers=(), per=1, repeat=REPEAT):
    """Times ours, each (name, callable) of peers and floor, prints the row
    and records it; returns the times per call in that order.

    Each callable takes no arguments.  per: the items one call handles when a
    candidate loops over a batch, to give the time per item.  repeat: the
    calm rounds to take, fewer for calls of seconds, whose samples differ by
    less than the canary's slack."""
    peers = list(peers)
    times = [t / per for t in measure([ours] + [fn for _, fn in peers] + [floor], repeat)]
    t_ours, t_floor = times[0], times[-1]
    print(f"  {label}")
    print(f"      {'ours':<28} {duration(t_ours):>10}")
    for (name, _), t in zip(peers, times[1:-1]):
        print(f"      {name:<28} {duration(t):>10}   peer/ours  {ratio(t / t_ours)}")
    print(f"      {'floor':<28} {duration(t_floor):>10}   ours/floor {ratio(t_ours / t_floor)}",
          flush=True)
    path = os.environ.get("ORBALT_BENCH_RECORD")
    if path:
        with open(path, "a", encoding="utf-8") as out:
            out.write(json.dumps({
                "script": _script(), "label": label, "ours": t_ours, "floor": t_floor,
                "peers": [[name, t] for (name, _), t in zip(peers, times[1:-1])],
            }) + "\n")
    return times


def summary(rows):
    """One line per row: the script (on its first row), the row, ours and the
    floor per call, ours/floor, and peer/ours for each peer."""
    script_width = max([len("script")] + [len(row["script"]) for row in rows]) + 2
    label_width = max([len("row")] + [len(row["label"]) for row in rows]) + 2
    lines = [f"{'script':<{script_width}}{'row':<{label_width}}{'ours':>10}{'floor':>10}"
             f"{'/floor':>7}   peer/ours (above 1: ours faster)"]
    last = None
    for row in rows:
        script = row["script"] if row["script"] != last else ""
        last = row["script"]
        peers = "  ".join(f"{name} {ratio(t / row['ours'])}" for name, t in row["peers"])
        lines.append(f"{script:<{script_width}}{row['label']:<{label_width}}"
                     f"{duration(row['ours']):>10}{duration(row['floor']):>10}"
                     f"{ratio(row['ours'] / row['floor']):>7}   {peers}".rstrip())
    return "\n".join(lines)
