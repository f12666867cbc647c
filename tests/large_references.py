"""Large reference texts of the shapes that cost the reference guard most:
many spellings of existing directories, long chains of "./" and "..",
names with separators in existing directories, many relative words, quoted
and JSON-escaped texts, virtual file system prefixes and their braces, and
a PROJJSON text that GDAL reads, with a long remark.  `text(shape, size)`
makes one of about `size` characters; the tests, the bench and the fuzzing
share them."""
import json
import itertools


def repeated(word, size):
    """Words made by word(k) for k = 1, 2, ..., joined and cut to size."""
    parts, n = [], 0
    for k in itertools.count(1):
        w = word(k)
        parts.append(w)
        n += len(w)
        if n >= size:
            return "".join(parts)[:size]


def directories(size):
    # Distinct spellings of one large directory, each a word.
    return "".join("/" * a + "usr" + "/" * b + "lib" + "/" * c + "x86_64-linux-gnu/ "
                   for a in range(1, 60) for b in range(1, 60) for c in range(1, 60))[:size]


def projjson_remark(size):
    import osgeo.osr as osr
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(32650)
    value = json.loads(srs.ExportToPROJJSON())
    value["remarks"] = "a:b /usr/lib/x c " * (size // 17)
    return json.dumps(value)


SHAPES = {
    "directories": directories,
    "dot chains": lambda n: repeated(lambda k: "/" * k + "./" * 300 + " ", n),
    "parent chains": lambda n: repeated(lambda k: "/" * k + "usr/../" * 300 + " ", n),
    "separators in names": lambda n: repeated(lambda k: "/usr/" + "a:" * 125 + "/", n),
    "relative words": lambda n: repeated(lambda k: f"a{k}:", n),
    "quoted paths": lambda n: repeated(lambda k: f'"/usr/lib/{k}"', n),
    "escaped quotes": lambda n: repeated(lambda k: '"\\/"', n),
    "virtual rests": lambda n: repeated(lambda k: "/vsi/" + "a:" * 120 + "/", n),
    "nested braces": lambda n: "/vsizip/{" * (n // 12) + "}/x" * (n // 12),
    "subfiles": lambda n: repeated(lambda k: "/vsisubfile/", n),
    "projjson remark": projjson_remark,
}


def text(shape, size):
    return SHAPES[shape](int(size))
