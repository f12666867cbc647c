"""Fuzz target: ProjectionHelper on reference texts with URLs and paths
spliced into them.

Each case takes a text GDAL reads (WKT 1 and 2, ESRI WKT, PROJJSON, PROJ
strings, the texts of ProjectionHelper.definition, short forms such as
"EPSG:4326") and splices into it, at random places, URLs of a loopback
listener, paths on GDAL's virtual file systems, devices, a FIFO and a
socket: as raw text anywhere, in place of a quoted value or a word, as an
identifier's authority or code, as a JSON value written with escaped
slashes, or as the whole text.  The text then goes to ProjectionHelper as
the source, the target or both, and a point is projected when that
succeeds.

PROJ text (a PROJ string, the PROJ4 EXTENSION of WKT, the method of a
reference that PROJ has no name for, "PROJ ob_tran ...", with its
parameters) is also rewritten by the rules of PROJ's tokeniser, so that
what PROJ reads is a name no word of the text is: ';' as a blank, a '#'
comment, a '+' after a blank dropped ("= +/path"), '=' and ',' taking in
the blanks around them ("@null, +url"), quoted values, and, in WKT,
EXTENSION nodes with '(' brackets, printed or doubled quotes; relative
names with ':' go into lists of grids and init files.

Now and then a case is a large text instead, up to 10 MB: one of the
shapes of tests/large_references.py, a spliced text repeated, or a piece
repeated.

A run passes when nothing crashes (the sanitized build ends the process on
a memory error), no connection reaches the listener (GDAL's HTTP proxy and
the endpoints of its cloud file systems point at it, PROJ's networking is
on, and any request GDAL or PROJ makes lands there; requests for plain grid
names under PROJ's configured endpoint are the host's and only counted),
no call hangs (the standard input is a pipe that never delivers, the FIFOs
have no writer, /proc/kmsg blocks once the kernel log is drained, and a
watching parent process ends the run, naming the text, when one call takes
longer than the deadline), and no call takes memory or time out of
proportion to its text: the peak memory of each call, above what the
process held before it, stays under MEMORY_FLOOR plus MEMORY_PER_CHARACTER
bytes a character, and its time under SLOW_FLOOR plus SLOW_PER_MB seconds
a megabyte.  Refusals and GDAL's errors are expected and only counted.

    fuzz/run.sh [seconds]          # against the sanitized build (make fuzz)
    .venv/bin/python fuzz/fuzz_references.py [seconds] [seed]

With FUZZ_TRACE set, each call's number goes to standard error before it is
made.
"""
import json
import math
import os
import random
import socket
import subprocess
import sys
import tempfile
import threading
import time

# Longest time one case may take before the run counts it as a hang.
DEADLINE = 60.0
# Texts shown in a finding are cut to this many characters.
SHOWN = 600
# Share of cases that are large texts, and the largest size.
LARGE_SHARE = 0.03
LARGE_MAX = 10 << 20
# Shapes left out of the large texts: a valid PROJJSON list of many grids
# costs GDAL and PROJ themselves seconds per 100,000 grids, and with PROJ's
# networking on a request to the endpoint for each (the bench measures it).
LARGE_LEFT_OUT = {"bound grid list"}
# Memory and time above which a call counts as out of proportion to its
# text (a sanitized build runs a few times slower than these assume).
MEMORY_FLOOR = 64 << 20
# The sanitizer holds freed memory back (its quarantine, 256 MB unless
# ASAN_OPTIONS says otherwise) before reusing it, so under it a call's peak
# may include that much of what calls before it freed.
if "libasan" in os.environ.get("LD_PRELOAD", ""):
    MEMORY_FLOOR += 256 << 20
MEMORY_PER_CHARACTER = 64
SLOW_FLOOR = 10.0
SLOW_PER_MB = 3.0
# The path under the listener that PROJ's networking endpoint names.
ENDPOINT = "/endpoint"

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
import large_references  # noqa: E402  (the shapes the tests use)


def watch(seconds, seed):
    """Runs the cases in a child process whose standard input never delivers,
    and ends it when its current case stalls."""
    with tempfile.TemporaryDirectory(prefix="fuzz-references-") as home:
        current = os.path.join(home, "current")
        open(current, "w").close()
        # The listener answers from this process: one in the child could not
        # while GDAL holds the child's interpreter.
        listener = Listener(os.path.join(home, "requests"))
        quiet, held = os.pipe()
        child = subprocess.Popen([sys.executable, *sys.argv[:1], "--cases", str(seconds),
                                  str(seed), home, str(listener.port)], stdin=quiet)
        os.close(quiet)
        try:
            last, since = os.stat(current).st_mtime_ns, time.monotonic()
            while child.poll() is None:
                time.sleep(0.5)
                mark = os.stat(current).st_mtime_ns
                if mark != last:
                    last, since = mark, time.monotonic()
                elif time.monotonic() - since > DEADLINE:
                    child.kill()
                    child.wait()
                    with open(current, encoding="utf-8", errors="replace") as f:
                        case = f.read()
                    print(f"fuzz_references: no answer in {DEADLINE:.0f} s to "
                          f"{case[:SHOWN]!r}", file=sys.stderr)
                    return 1
            return child.returncode
        finally:
            os.close(held)


class Listener:
    """A loopback HTTP server, in the watching process, that answers every
    request at once with 404 (PROJ waits for an answer without a time limit
    of its own) after writing its first line to the file `log`."""

    def __init__(self, log):
        self.server = socket.socket()
        self.server.bind(("127.0.0.1", 0))
        self.server.listen(64)
        self.port = self.server.getsockname()[1]
        self.log = open(log, "a", encoding="latin-1")
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                conn, _ = self.server.accept()
            except OSError:
                return
            with conn:
                conn.settimeout(1)
                try:
                    line = conn.recv(65536).split(b"\r\n", 1)[0].decode("latin-1")
                except OSError:
                    line = "?"
                self.log.write(line.replace("\n", " ") + "\n")
                self.log.flush()
                try:
                    conn.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n"
                                 b"Connection: close\r\n\r\n")
                except OSError:
                    pass


class Requests:
    """The listener's address, as the case process sees it, and the requests
    it has logged."""

    def __init__(self, port, log):
        self.host = f"127.0.0.1:{port}"
        self.url = "http://" + self.host
        self.log, self.read = log, 0

    def environment(self):
        """GDAL's settings that send its requests here."""
        return dict(GDAL_HTTP_PROXY=self.host, GDAL_HTTP_TIMEOUT="3", GDAL_HTTP_CONNECTTIMEOUT="3",
                    GDAL_HTTP_MAX_RETRY="0",
                    AWS_NO_SIGN_REQUEST="YES", AWS_S3_ENDPOINT=self.host, AWS_HTTPS="NO",
                    AWS_VIRTUAL_HOSTING="FALSE", GS_NO_SIGN_REQUEST="YES",
                    CPL_GS_ENDPOINT=self.url + "/", AZURE_NO_SIGN_REQUEST="YES",
                    AZURE_STORAGE_ACCOUNT="acc", OSS_ACCESS_KEY_ID="id",
                    OSS_SECRET_ACCESS_KEY="key", OSS_ENDPOINT=self.host, OSS_HTTPS="NO",
                    SWIFT_STORAGE_URL=self.url + "/v1/acc", SWIFT_AUTH_TOKEN="token",
                    # /vsistdin/ reads, so that a text reaching it would hang.
                    CPL_ALLOW_VSISTDIN="YES",
                    # PROJ fetches grids named by URLs, and plain grid names
                    # from the endpoint.
                    PROJ_NETWORK="ON", PROJ_NETWORK_ENDPOINT=self.url + ENDPOINT)

    def drain(self):
        """The first lines of the requests logged since the last call."""
        with open(self.log, encoding="latin-1") as f:
            f.seek(self.read)
            text = f.read()
        done = text.rfind("\n") + 1
        self.read += len(text[:done].encode("latin-1"))
        return text[:done].splitlines()


def bases(osr, ProjectionHelper):
    """Reference texts GDAL reads, in every form."""
    texts = ["EPSG:4326", "epsg:3857", "urn:ogc:def:crs:EPSG::4326", "OGC:CRS84", "WGS84",
             "http://www.opengis.net/def/crs/EPSG/0/4326", "+init=epsg:4326",
             "+proj=longlat +datum=WGS84 +no_defs", "+proj=utm +zone=33 +datum=WGS84 +units=m",
             "+proj=merc +a=6378137 +b=6378137 +lat_ts=0 +lon_0=0 +x_0=0 +y_0=0 +k=1 +units=m "
             "+nadgrids=@null +wktext +no_defs",
             "+proj=longlat +ellps=intl +towgs84=-87,-98,-121 +no_defs"]
    for code in (4326, 32650, 3857, 4230, 2056):
        srs = osr.SpatialReference()
        srs.ImportFromEPSG(code)
        texts += [srs.ExportToWkt(), srs.ExportToWkt(["FORMAT=WKT2_2019"]),
                  srs.ExportToPROJJSON()]
        srs.MorphToESRI()
        texts.append(srs.ExportToWkt())
    bound = osr.SpatialReference()
    bound.SetFromUserInput("+proj=longlat +ellps=WGS84 +nadgrids=@null +type=crs")
    texts.append(bound.ExportToPROJJSON())
    # A PROJ4 EXTENSION of WKT 1, and a method PROJ has no name for.
    for proj in ("+proj=merc +a=6378137 +b=6378137 +lat_ts=0 +lon_0=0 +x_0=0 +y_0=0 +k=1 "
                 "+units=m +nadgrids=@null +wktext +no_defs",
                 "+proj=ob_tran +o_proj=longlat +o_lon_p=0 +o_lat_p=30 +lon_0=0 +ellps=WGS84 "
                 "+type=crs"):
        srs = osr.SpatialReference()
        srs.SetFromUserInput(proj)
        texts += [srs.ExportToWkt(), srs.ExportToWkt(["FORMAT=WKT2_2019"]), srs.ExportToPROJJSON()]
    for name in ("GaussKruger", "Lambert", "Albers", "WebMercator"):
        for crs in (1954, 1984, 2000):
            texts.append(ProjectionHelper.definition(name, crs, 99.0))
    return texts


def fragments(listener, home):
    """Pieces that would make GDAL connect or block if it acted on them."""
    u, h = listener.url, listener.host
    fifo, sock = os.path.join(home, "pipe"), os.path.join(home, "sock")
    return {
        "url": [u + "/a", "HTTP://" + h + "/b", "https://" + h + "/c", u, "//" + h + "/d",
                "ftp://" + h + "/e", "ESRI::" + u + "/f", "hTtPs://" + h + "/g:4326",
                "http://www.opengis.net/def/crs-compound?1=" + u + "/h"],
        "vsi": ["/vsicurl/" + u + "/v", "/vsicurl?url=" + u + "/w",
                "/vsizip//vsicurl/" + u + "/z.zip/a.prj", "/vsis3/b/k", "/vsigs/b/k",
                "/vsiaz/c/k", "/vsiadls/c/k", "/vsioss/b/k", "/vsiswift/c/k",
                "/vsiwebhdfs/" + u + "/webhdfs/v1/x", "/vsicurl_streaming/" + u + "/s",
                "/vsigzip//dev/stdin", "/vsigzip/" + fifo, "/vsigzip/pipe",
                "/vsizip/{" + fifo + "}/a.prj", "/vsitar/{" + fifo + "}/a.prj",
                "/vsisubfile/0_10," + fifo, "/vsistdin/", "/vsistdin?buffer_limit=1",
                "/vsitar//vsigzip//dev/stdin/x.tar/a",
                # relative names with blanks and separators, as GDAL opens them
                "/vsigzip/my pipe", "/vsisubfile/0_10,my pipe", "/vsizip/{my pipe}/a.prj",
                "/vsigzip/a:b", "/vsigzip/d,e/p", "/vsigzip//vsigzip/my pipe",
                "/vsizip/{/vsigzip/a:b}/x.prj", "/vsigzip/d,e/../my pipe", "/vsigzip/kmsg"],
        "path": ["/dev/stdin", "/proc/self/fd/0", "/dev/fd/0", fifo, "pipe", "./pipe", sock,
                 "/dev/zero", home, fifo + "\0.prj", os.path.join(home, "a:b"),
                 os.path.join(home, "my pipe"), "/proc/kmsg", "kmsg", "/dev/../proc/kmsg",
                 os.path.join(home, "kmsg"), "/proc/self/root/proc/kmsg"],
        "wkt": [',AUTHORITY["' + u + '/i","4326"]', ',AUTHORITY["http","//' + h + '/j"]',
                ',ID["' + u + '/k",4326]', ',AUTHORITY["EPSG","' + u + '/l"]',
                ',ID["EPSG",4326,URI["' + u + '/m"]]',
                ',EXTENSION["PROJ4_GRIDS","' + fifo + '"]',
                ',EXTENSION["PROJ4","+proj=longlat +ellps=WGS84 +nadgrids=' + fifo + '"]',
                ',EXTENSION["PROJ4_GRIDS","' + u + '/t.tif"]',
                ',EXTENSION["PROJ4","+proj=longlat +ellps=WGS84 +nadgrids=' + u + '/u.tif"]',
                ',PARAMETERFILE["Geoid (height correction) model file","' + u + '/x.tif"]'],
        "proj": [" +init=" + fifo + ":x", " +nadgrids=" + fifo, " +nadgrids=@pipe,@null",
                 " +geoidgrids=" + fifo, " +init=" + u + "/n:4326", " +nadgrids=" + u + "/o",
                 " +init=" + os.path.join(home, "a:b") + ":x",
                 ' +nadgrids="' + os.path.join(home, "my pipe") + '"',
                 " +nadgrids=@" + u + "/p.tif,@null", ' +nadgrids="' + u + '/q.tif"',
                 " +geoidgrids=" + u + "/r.tif", " +nadgrids=  " + u + "/s.tif",
                 " +nadgrids=@null," + u + "/y.tif", " +init=/proc/kmsg:x",
                 # relative names with ':' as members of a list and as init files
                 " +nadgrids=@null,a:b", " +init=a:b:x", " +nadgrids=@null,d,e/p",
                 " +init=" + u + "/t:x", " +nadgrids=@null,@kmsg"],
    }


# How PROJ's tokeniser rewrites PROJ text before it splits it into tokens:
# each of these, applied to the value after a '=' (or the rest after a ','),
# makes PROJ read a value that no word of the text is.
REWRITES = [
    lambda v: v + ";",           # ';' counts as a blank
    lambda v: ";" + v,
    lambda v: v + "#" + v,       # '#' starts a comment to the end
    lambda v: " +" + v,          # '=' takes in the blank, the '+' after it is dropped
    lambda v: "\t+" + v,
    lambda v: " ++" + v,
    lambda v: "  " + v,
    lambda v: '"' + v + '"',     # a quoted value keeps its blanks
    lambda v: '"' + v + '" ',
]
# Blanks PROJ also takes between tokens.
SEPARATORS = [";", " ; ", "\t;", " # ", "\n+", " + ", " ", "\t"]


def extensions(text):
    """WKT EXTENSION nodes holding `text` as PROJ reads them, in the forms
    PROJ's WKT reader takes besides EXTENSION["PROJ4","..."]."""
    return [',EXTENSION["PROJ4","' + text + '"]', ',extension ( "proj4" , "' + text + '" )',
            ',EXTENSION[\u201cPROJ4\u201d,\u201c' + text + '\u201d]',
            ',EXTENSION["PROJ4","' + text.replace('"', '""') + '"]',
            ',EXTENSION["PROJ4","' + text + ' +wktext"]']


class Cases:
    def __init__(self, rng, texts, pieces):
        self.rng, self.texts, self.pieces = rng, texts, pieces
        self.every = [p for group in pieces.values() for p in group]
        self.proj = pieces["proj"]

    def piece(self):
        r = self.rng
        p = r.choice(self.every)
        if r.random() < 0.2:
            # letter case and blanks GDAL may or may not mind
            p = "".join(c.upper() if r.random() < 0.3 else c for c in p)
        if r.random() < 0.1:
            p = r.choice([" ", "\t", "\n"]) + p
        if r.random() < 0.1 and "=" in p:
            p = self.rewrite(p)
        return p

    def text(self):
        r = self.rng
        if r.random() < LARGE_SHARE:
            return self.large()
        k = r.random()
        if k < 0.15:
            return self.piece()
        if k < 0.3:
            return self.proj_text()
        base = r.choice(self.texts)
        if base.lstrip().startswith("{") and k < 0.55:
            return self.json_splice(base)
        for _ in range(r.choice([1, 1, 2, 3])):
            base = self.splice(base)
        if r.random() < 0.3:
            base = self.rewrite(base)
        return base

    def rewrite(self, t):
        """t with one of PROJ's rewritings at a random '=', ',' or blank."""
        r = self.rng
        places = [i for i, c in enumerate(t) if c in "=, "]
        if not places:
            return t
        i = r.choice(places)
        if t[i] == " ":
            return t[:i] + r.choice(SEPARATORS) + t[i + 1:]
        j = i + 1
        while j < len(t) and t[j] not in " \t\",[]{}":
            j += 1
        return t[:i + 1] + r.choice(REWRITES)(t[i + 1:j]) + t[j:]

    def proj_piece(self):
        """A PROJ fragment, its value rewritten as PROJ's tokeniser would read
        it otherwise, often."""
        p = self.rng.choice(self.proj)
        return self.rewrite(p) if self.rng.random() < 0.7 else p

    def proj_text(self):
        """PROJ text with a rewritten fragment: a PROJ string, the PROJ4
        EXTENSION of WKT 1, or a method PROJ has no name for (its text or a
        parameter name), as WKT 2 or PROJJSON."""
        r = self.rng
        proj = "+proj=longlat +ellps=WGS84" + self.proj_piece()
        k = r.random()
        if k < 0.4:
            return proj + (r.choice(self.proj) if r.random() < 0.3 else "")
        if k < 0.65:
            wkt = [t for t in self.texts if t.startswith("GEOGCS[") or t.startswith("PROJCS[")]
            base = r.choice(wkt)
            return base[:-1] + r.choice(extensions(proj)) + "]"
        methods = [t for t in self.texts if "PROJ ob_tran" in t]
        base = r.choice(methods)
        piece = self.proj_piece().strip()
        json_base = base.startswith("{")
        quote = (lambda v: json.dumps(v)[1:-1]) if json_base else (lambda v: v.replace('"', '""'))
        if r.random() < 0.5:
            # the text of the method
            return base.replace("PROJ ob_tran o_proj=longlat",
                                "PROJ ob_tran o_proj=longlat " + quote(piece), 1)
        # a parameter name, which PROJ writes before "=value" when it makes
        # the transformation
        name = quote("lon_0 " + piece + " +k")
        if json_base:
            return base.replace('"name": "lon_0"', '"name": "' + name + '"', 1)
        return base.replace('PARAMETER["lon_0"', 'PARAMETER["' + name + '"', 1)

    def large(self):
        """A text of 64 kB to LARGE_MAX characters (log-uniform)."""
        r = self.rng
        size = int(math.exp(r.uniform(math.log(64 << 10), math.log(LARGE_MAX))))
        k = r.random()
        if k < 0.5:
            shape = r.choice([s for s in large_references.SHAPES if s not in LARGE_LEFT_OUT])
            return large_references.text(shape, size)
        unit = self.piece() if k < 0.75 else self.splice(r.choice(self.texts))
        unit += r.choice(["", " ", ",", "\n", "/", ":"])
        return (unit * (size // len(unit) + 1))[:size]

    def splice(self, t):
        r = self.rng
        k = r.random()
        p = self.piece()
        if k < 0.4:
            i = r.randrange(len(t) + 1)
            return t[:i] + p + t[i:]
        quotes = [i for i, c in enumerate(t) if c == '"']
        if k < 0.7 and len(quotes) >= 2:
            # a quoted value, or a WKT AUTHORITY/ID member, becomes the piece
            a = r.randrange(len(quotes) - 1)
            return t[:quotes[a] + 1] + p + t[quotes[a + 1]:]
        brackets = [i for i, c in enumerate(t) if c == "]"]
        if k < 0.9 and brackets:
            i = r.choice(brackets)
            return t[:i] + r.choice(self.pieces["wkt"]) + t[i:]
        words = [i for i, c in enumerate(t) if c in " =,@"]
        if words:
            i = r.choice(words) + 1
            j = i
            while j < len(t) and t[j] not in " ,\"[]{}":
                j += 1
            return t[:i] + p + t[j:]
        return p

    def json_splice(self, base):
        r = self.rng
        value = json.loads(base)
        places = []

        def walk(v):
            if isinstance(v, dict):
                places.append(v)
                for x in v.values():
                    walk(x)
            elif isinstance(v, list):
                for x in v:
                    walk(x)

        walk(value)
        for _ in range(r.choice([1, 2, 3])):
            d = r.choice(places)
            k = r.random()
            if k < 0.4:
                d["id"] = {"authority": self.piece(), "code": r.choice([4326, "4326", self.piece()])}
            elif k < 0.55:
                d["ids"] = [{"authority": "EPSG", "code": 4326},
                            {"authority": self.piece(), "code": 1}][::r.choice([1, -1])]
            else:
                keys = [key for key, x in d.items() if isinstance(x, str)] or ["name"]
                d[r.choice(keys)] = self.piece()
        text = json.dumps(value, ensure_ascii=r.random() < 0.5)
        if r.random() < 0.5:
            text = text.replace("/", "\\/")
        return text


def run_cases(seconds, seed, home, port):
    listener = Requests(port, os.path.join(home, "requests"))
    os.environ.update(listener.environment())
    for name in ("http_proxy", "https_proxy", "all_proxy", "no_proxy",
                 "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "NO_PROXY"):
        os.environ.pop(name, None)
    os.environ["PROJ_USER_WRITABLE_DIRECTORY"] = home
    os.mkdir(os.path.join(home, "d,e"))
    for name in ("pipe", "a:b", "my pipe", os.path.join("d,e", "p")):
        os.mkfifo(os.path.join(home, name))
    os.symlink("/proc/kmsg", os.path.join(home, "kmsg"))
    unix = socket.socket(socket.AF_UNIX)
    unix.bind(os.path.join(home, "sock"))
    unix.listen(1)
    os.chdir(home)

    from osgeo import osr
    from models.orbalt import ProjectionHelper

    rng = random.Random(seed)
    cases = Cases(rng, bases(osr, ProjectionHelper), fragments(listener, home))
    current = os.open(os.path.join(home, "current"), os.O_WRONLY)
    trace = bool(os.environ.get("FUZZ_TRACE"))
    counts = {"calls": 0, "built": 0, "network": 0, "files": 0, "authorities": 0, "plain": 0,
              "other": 0, "large": 0, "endpoint": 0}
    findings = []
    largest = {"characters": 0, "memory": 0, "seconds": 0.0}
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        text = cases.text()
        role = rng.choice(["source", "target", "both"])
        other = rng.choice([4326, 3857, "EPSG:32650", None])
        args = {"source": (text, other), "target": (other, text), "both": (text, text)}[role]
        # A large text is shown by its start and its length.
        shown = repr(args) if len(text) <= 100_000 else f"{repr(args)[:100_000]}... ({len(text)} characters)"
        data = shown.encode("utf-8", "replace")
        os.ftruncate(current, 0)
        os.pwrite(current, data, 0)
        counts["calls"] += 1
        counts["large"] += len(text) > 100_000
        if trace:
            os.write(2, f"fuzz_references: call {counts['calls']}\n".encode())
        memory = Memory()
        started = time.monotonic()
        try:
            helper = ProjectionHelper(*args)
            helper.project({"type": "Point", "coordinates": [10.0, 50.0]})
            counts["built"] += 1
        except Exception as e:
            message = str(e)
            if "Authority names" in message:
                counts["authorities"] += 1
            elif "over a network" in message:
                counts["network"] += 1
            elif "name a device" in message or "kernel's own files" in message:
                counts["files"] += 1
            elif "plain form" in message:
                counts["plain"] += 1
            else:
                counts["other"] += 1
        spent = time.monotonic() - started
        grown = memory.grown()
        largest["characters"] = max(largest["characters"], len(text))
        largest["memory"] = max(largest["memory"], grown)
        largest["seconds"] = max(largest["seconds"], spent)
        if grown > MEMORY_FLOOR + MEMORY_PER_CHARACTER * len(text):
            findings.append((args, "memory"))
            print(f"fuzz_references: {grown >> 20} MB for {len(text)} characters: {shown[:SHOWN]}",
                  file=sys.stderr)
        if spent > SLOW_FLOOR + SLOW_PER_MB * len(text) / (1 << 20):
            findings.append((args, "time"))
            print(f"fuzz_references: {spent:.1f} s for {len(text)} characters: {shown[:SHOWN]}",
                  file=sys.stderr)
        requests = listener.drain()
        # Plain grid names go to PROJ's endpoint, as the host configured.
        counts["endpoint"] += sum(f" {ENDPOINT}/" in line for line in requests)
        requests = [line for line in requests if f" {ENDPOINT}/" not in line]
        if requests:
            findings.append((args, requests))
            print(f"fuzz_references: connection {requests} from {shown[:SHOWN]}",
                  file=sys.stderr)
    unix.close()
    summary = ", ".join(f"{n} {k}" for k, n in counts.items())
    print(f"fuzz_references: {summary} (refusals by kind, GDAL's own errors as other; large: "
          f"texts over 100,000 characters, the largest {largest['characters']:,}; endpoint: "
          f"requests for plain grid names), {len(findings)} findings, most memory "
          f"{largest['memory'] >> 20} MB and time {largest['seconds']:.2f} s of one call, "
          f"seed {seed}, {seconds:.0f} s")
    return 1 if findings else 0


class Memory:
    """The peak of the process's resident memory from now on, above what it
    holds now.  The kernel's mark of the peak is set back to the present
    (/proc/self/clear_refs), so each call is measured on its own."""

    def __init__(self):
        with open("/proc/self/clear_refs", "w") as f:
            f.write("5")
        self.start = self.field("VmRSS")

    @staticmethod
    def field(name):
        with open("/proc/self/status") as f:
            for line in f:
                if line.startswith(name + ":"):
                    return int(line.split()[1]) * 1024
        return 0

    def grown(self):
        return max(0, self.field("VmHWM") - self.start)


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--cases":
        sys.exit(run_cases(float(sys.argv[2]), int(sys.argv[3]), sys.argv[4], int(sys.argv[5])))
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 30.0
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    sys.exit(watch(seconds, seed))


if __name__ == "__main__":
    main()
