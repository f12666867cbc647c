"""Values that change their own container while the module reads them.

A hostile value stands in for a number, a text or a vertex list, and one
of its methods (__float__, __index__, __repr__, __eq__ or __hash__) changes
a container of the argument when called: the list or dict the value sits
in, or one further out, or for a plain argument a container of another
argument.  The change clears the container, pops an item, replaces every
item by a new object, or adds items until the list or dict has to move its
storage.  Each value acts a bounded number of times, so a loop that reads a
length again at every step still ends.  Code that keeps a borrowed item, or
a length read once, across such a call reads freed memory, and the
sanitized build stops there.

    infect(args, rng)   # places hostile values in a list of call arguments
"""
import collections

HOOKS = ("__float__", "__index__", "__repr__", "__eq__", "__hash__")
ACTIONS = ("clear", "pop", "replace", "append")
# Dict keys a hostile key may share a hash with, so that looking one of them
# up compares against the hostile key.
KEYS = ("type", "coordinates", "geometries")

# (hook, action) -> number of times it acted, for the run's summary.
fired = collections.Counter()
# Off while values are being placed: placing them hashes and compares too.
armed = True


class Plan:
    """What a hostile value does to which container, and how often more."""

    def __init__(self, hook, home, action, times, shift):
        self.hook, self.home, self.action = hook, home, action
        self.left, self.shift = times, shift

    def run(self):
        if not armed or self.left <= 0 or self.home is None:
            return
        self.left -= 1
        fired[self.hook, self.action] += 1
        change(self.home, self.action, self.shift)


def fresh(value):
    """A new object in place of `value`, so that the old one can be freed."""
    if isinstance(value, list):
        return list(value)
    if isinstance(value, dict):
        return dict(value)
    return float(repr(0.5 + len(fired)))


def change(home, action, shift):
    # The containers' own methods, so that a hostile list's overrides stay out.
    if isinstance(home, list):
        if action == "clear":
            list.clear(home)
        elif action == "pop":
            if home:
                list.pop(home, shift % len(home) if shift else -1)
        elif action == "replace":
            home[:] = [fresh(v) for v in list(home)]
        else:
            # Past the spare room a list keeps, so its item array moves.
            filler = home[-1] if home else 0.0
            list.extend(home, [fresh(filler) for _ in range(8 + shift)])
    elif isinstance(home, dict):
        if action == "clear":
            dict.clear(home)
        elif action == "pop":
            if home:
                dict.popitem(home)
        elif action == "replace":
            for key in list(home):
                dict.__setitem__(home, key, fresh(dict.__getitem__(home, key)))
        else:
            for k in range(8 + shift):
                dict.__setitem__(home, f"extra{k}", 0.0)


# --- the hostile classes ------------------------------------------------------
#
# One class per (base, hook): the hook acts, then answers as the base value
# would.  Values on `object` carry their number in `_value` and convert
# quietly unless conversion is their hook (an __index__ value has no
# __float__, so float() reaches __index__).

def _hook_method(hook, base):
    def float_(self):
        self._plan.run()
        return float(self._value) if base is object else base.__float__(self)

    def index_(self):
        self._plan.run()
        v = self._value
        return int(v) if isinstance(v, (int, float)) and v == v and abs(v) != float("inf") else 0

    def repr_(self):
        self._plan.run()
        return repr(self._value) if base is object else base.__repr__(self)

    def eq_(self, other):
        self._plan.run()
        return self is other if base is object else base.__eq__(self, other)

    def hash_(self):
        self._plan.run()
        return self._hash

    return {"__float__": float_, "__index__": index_, "__repr__": repr_,
            "__eq__": eq_, "__hash__": hash_}[hook]


def _quiet_float(self):
    return float(self._value)


def _plain_hash(self):
    return self._hash


_classes = {}


def hostile_class(base, hook):
    key = (base, hook)
    if key not in _classes:
        body = {hook: _hook_method(hook, base)}
        if base is object and hook not in ("__float__", "__index__"):
            body["__float__"] = _quiet_float
        if hook == "__eq__" and base is not list:
            body["__hash__"] = _plain_hash   # defining __eq__ alone drops hashing
        name = f"Hostile{base.__name__.capitalize()}{hook.strip('_').capitalize()}"
        _classes[key] = type(name, (base,), body)
    return _classes[key]


def make(value, home, rng, key=False):
    """A hostile value standing for `value` that changes `home`."""
    if key:
        base, hooks = rng.choice([(str, ("__eq__", "__hash__")), (object, ("__eq__", "__hash__"))])
    elif isinstance(value, bool) or value is None:
        base, hooks = object, HOOKS
    elif isinstance(value, (int, float)):
        base, hooks = rng.choice([(float, ("__float__", "__repr__", "__eq__", "__hash__")),
                                  (object, HOOKS)])
    elif isinstance(value, str):
        base, hooks = str, ("__repr__", "__eq__", "__hash__")
    elif type(value) is list:
        base, hooks = list, ("__repr__", "__eq__", "__hash__")
    else:
        base, hooks = object, HOOKS
    # A number mostly acts when converted, the commonest call on it.
    converts = [h for h in hooks if h in ("__float__", "__index__")]
    hook = rng.choice(converts if converts and rng.random() < 0.6 else hooks)
    cls = hostile_class(base, hook)
    if base is object:
        h = cls.__new__(cls)
        h._value = value if isinstance(value, (int, float)) and not isinstance(value, bool) else 1.0
    elif base is float:
        h = cls(value)
        h._value = value
    elif base is str:
        # A key reads as none of the names it may share a hash with.
        h = cls(value if isinstance(value, str) else "x" + rng.choice(KEYS))
        h._value = str(h)
    else:
        h = cls(value)
        h._value = value
    # A key's hash meets one of the names looked up; other values hash as
    # their base does, so that they still find what they stand for.
    if key or base is object:
        h._hash = hash(rng.choice(KEYS)) if rng.random() < 0.7 else hash(id(h))
    else:
        h._hash = base.__hash__(h) if base is not list else hash(id(h))
    h._plan = Plan(hook, home, rng.choice(ACTIONS), rng.choice([1, 1, 2, 3]),
                   rng.choice([0, 0, 1, 2]))
    return h


# --- placing them -------------------------------------------------------------

def _slots(value, ancestors, out, depth=0):
    """(container, index or key, ancestors) of every place below `value`."""
    if depth > 12:
        return
    if type(value) is list:
        chain = ancestors + [value]
        for i, item in enumerate(value):
            out.append((value, i, chain))
            _slots(item, chain, out, depth + 1)
    elif type(value) is dict:
        chain = ancestors + [value]
        out.append((value, None, chain))     # a new key
        for k, item in list(value.items()):
            out.append((value, k, chain))
            _slots(item, chain, out, depth + 1)


def infect(args, rng):
    """Replaces a few values inside `args` (a list of call arguments) by
    hostile ones; with a chance, also a plain argument, which then changes a
    container of another argument."""
    global armed
    armed = False
    try:
        return _place(args, rng)
    finally:
        armed = True


def _place(args, rng):
    slots = []
    for arg in args:
        _slots(arg, [], slots)
    containers = [c for c, _, _ in slots]
    for _ in range(rng.choice([1, 2, 3, 4])):
        if not slots:
            break
        container, at, chain = rng.choice(slots)
        if at is not None and type(container[at]) in _classes.values():
            continue
        # The home: mostly the container itself, else one further out.
        home = container if rng.random() < 0.6 else rng.choice(chain)
        if type(container) is dict:
            if at is None:
                container[make(None, home, rng, key=True)] = rng.choice([0.0, None, []])
            else:
                container[at] = make(container[at], home, rng)
        else:
            container[at] = make(container[at], home, rng)
    if containers and rng.random() < 0.2:
        plain = [i for i, a in enumerate(args) if type(a) in (int, float, str, bool)]
        if plain:
            i = rng.choice(plain)
            args[i] = make(args[i], rng.choice(containers), rng)
    return args
