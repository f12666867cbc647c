"""Values that change the list or dict they sit in while a method reads it.

`hostile(value, hook, kind)` (defined in the child interpreter) stands in
for `value`; its `hook` (__float__, __index__, __repr__, __eq__ or
__hash__) applies `kind` (clear, pop, replace, append) once to the
container assigned to its `home`, then answers as `value` would.  Each case
runs in a fresh interpreter, so that a crash fails its own test only.
"""
import os
import subprocess
import sys
import textwrap

HOOKS = ("__float__", "__index__", "__repr__", "__eq__", "__hash__")
KINDS = ("clear", "pop", "replace", "append")

PRELUDE = '''
from models import orbalt
from models.orbalt import Geometry, Projection, Topology


def change(home, kind):
    if kind == "clear":
        home.clear()
    elif kind == "pop":
        home.pop() if isinstance(home, list) else home.popitem()
    elif kind == "replace":
        # New objects in every place, so the old ones are freed.
        fresh = lambda v: list(v) if isinstance(v, list) else float(repr(0.25))
        if isinstance(home, list):
            home[:] = [fresh(v) for v in list(home)]
        else:
            for k in list(home):
                home[k] = fresh(home[k])
    else:
        # Enough to make the container move its storage.
        if isinstance(home, list):
            home.extend([home[-1] if home else 0.0] * 20)
        else:
            home.update({f"extra{i}": 0 for i in range(20)})


def hostile(value, hook, kind, hash_as=None, base=object):
    def act(self):
        home, self.home = self.home, None
        if home is not None:
            change(home, kind)

    def float_(self):
        act(self)
        return float(value)

    def index_(self):
        act(self)
        return int(value)

    def repr_(self):
        act(self)
        return repr(value)

    def eq_(self, other):
        act(self)
        return value == other

    def hash_(self):
        act(self)
        return hash(value if hash_as is None else hash_as)

    body = {"__float__": float_, "__index__": index_, "__repr__": repr_, "__eq__": eq_,
            "__hash__": hash_}
    methods = {hook: body[hook]}
    if hook not in ("__float__", "__index__"):
        methods["__float__"] = lambda self: float(value)   # converts quietly
    if hook == "__eq__":
        methods["__hash__"] = lambda self: hash(value if hash_as is None else hash_as)
    h = type("Hostile", (base,), methods)(*(() if base is object else (value,)))
    h.home = None
    return h


def outcome(f, *args):
    try:
        result = f(*args)
    except Exception as e:
        return type(e).__name__
    return type(result).__name__
'''


def run_case(body, timeout=120):
    """Runs `body` after the prelude in a fresh interpreter; returns the
    lines it prints.  A crash, an outcome of SystemError (an error the C
    layer set wrongly) or a run longer than `timeout` seconds fails."""
    code = PRELUDE + textwrap.dedent(body)
    # Objects from malloc, so that a sanitized build also sees one read
    # after it was freed.
    env = dict(os.environ, PYTHONMALLOC="malloc")
    result = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                            timeout=timeout, env=env)
    assert result.returncode == 0, f"exit {result.returncode}\n{result.stderr[-3000:]}"
    lines = result.stdout.strip().splitlines()
    assert "SystemError" not in lines, result.stdout
    return lines


def run_call(build, hook, kind, call):
    """The outcome (the result's type name, or the exception's) of the
    expression `call` after `build` has placed the hostile value `h`; HOOK
    and KIND in `build` stand for `hook` and `kind`."""
    build = build.replace("HOOK", repr(hook)).replace("KIND", repr(kind))
    return run_case(f"{build}\nprint(outcome(lambda: {call}))")[-1]
