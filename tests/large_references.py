"""Large reference texts of the shapes that cost the reference guard most:
many spellings of existing directories, long chains of "./" and "..",
names with separators in existing directories, many relative words, quoted
and JSON-escaped texts, virtual file system prefixes and their braces, and
a PROJJSON text that GDAL reads, with a long remark; and for PROJ text,
long PROJ strings of plain tokens, lists of grids and init names with many
':', WKT with many PROJ4 extensions, a method PROJ has no name for with
many tokens, and a PROJJSON list of many grids.  `text(shape, size)`
makes one of about `size` characters; the tests, the bench and the fuzzing
share them."""
import json
import itertools


def repeated(word, size, cut=True):
    """Words made by word(k) for k = 1, 2, ..., joined and cut to size (or,
    with `cut` false, as many whole words as fit)."""
    parts, n = [], 0
    for k in itertools.count(1):
        w = word(k)
        if not cut and n + len(w) > size:
            return "".join(parts)
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


GEOGRAPHIC = ('GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563]],'
              'PRIMEM["Greenwich",0],UNIT["degree",0.0174532925199433]')


def proj_extensions(size):
    # WKT whose PROJ4 extensions are each read as PROJ text, each value looked up.
    return GEOGRAPHIC + repeated(
        lambda k: f',EXTENSION["PROJ4","+proj=longlat +ellps=WGS84 +nadgrids=@g{k}"]',
        size - len(GEOGRAPHIC) - 1, cut=False) + "]"


def method_tokens(size):
    # A method PROJ has no name for, its PROJ text of many tokens with values.
    head = ('PROJCRS["x",BASEGEOGCRS["WGS 84",DATUM["World Geodetic System 1984",ELLIPSOID['
            '"WGS 84",6378137,298.257223563]],PRIMEM["Greenwich",0],UNIT["degree",'
            '0.0174532925199433]],CONVERSION["unknown",METHOD["PROJ tmerc')
    tail = ('"],PARAMETER["lon_0",0]],CS[Cartesian,2],AXIS["easting",east,ORDER[1],'
            'LENGTHUNIT["metre",1]],AXIS["northing",north,ORDER[2],LENGTHUNIT["metre",1]]]')
    return head + repeated(lambda k: f" a{k}=@b{k},c:{k}", size - len(head) - len(tail), cut=False) + tail


def bound_grid_list(size):
    # PROJJSON of a reference bound through a list of many optional grids.
    import osgeo.osr as osr
    srs = osr.SpatialReference()
    srs.SetFromUserInput("+proj=longlat +ellps=WGS84 +nadgrids=@null +type=crs")
    value = json.loads(srs.ExportToPROJJSON())
    head = len(json.dumps(value))
    value["transformation"]["parameters"][0]["value"] = "@null" + repeated(
        lambda k: f",@g{k}", size - head, cut=False)
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
    # PROJ text: plain through its last character, every value looked up
    "proj tokens": lambda n: "+proj=longlat +ellps=WGS84" + repeated(
        lambda k: f" +a{k}=b{k}", n - 26, cut=False),
    "proj grid members": lambda n: "+proj=longlat +ellps=WGS84 +nadgrids=@null" + repeated(
        lambda k: f",@g{k}", n - 42, cut=False),
    "proj init colons": lambda n: "+proj=longlat +init=" + repeated(lambda k: f"a{k}:", n - 21) + "x",
    "proj not plain at the end": lambda n: "+proj=longlat" + repeated(lambda k: f" +a{k}=b", n - 14) + ";",
    "proj4 extensions": proj_extensions,
    "method tokens": method_tokens,
    "bound grid list": bound_grid_list,
    "bound grid list, no JSON": lambda n: bound_grid_list(n)[:-1],
}
# The shapes of PROJ text.
PROJ_SHAPES = ["proj tokens", "proj grid members", "proj init colons", "proj not plain at the end",
               "proj4 extensions", "method tokens", "bound grid list", "bound grid list, no JSON"]


def text(shape, size):
    return SHAPES[shape](int(size))
