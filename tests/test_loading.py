"""Loading the module: each scenario runs in a fresh interpreter."""
import subprocess
import sys
import textwrap

import pytest

from models import orbalt


def run(code):
    """Runs `code` in a new interpreter and returns its standard output."""
    result = subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code)],
        capture_output=True, text=True, timeout=120,
    )
    assert result.returncode == 0, result.stderr
    return result.stdout.strip()


def test_attributes():
    assert orbalt.__version__ == "2025.2.7"
    assert type(orbalt.__all__) is list
    assert orbalt.__all__ == ["Geometry", "Topology", "MapGrid", "Projection",
                              "ProjectionHelper", "Astronomy"]
    for name in orbalt.__all__:
        assert getattr(orbalt, name).__module__ == "models.orbalt"
    assert orbalt.__builtins__ is __import__("builtins")


def test_globals_in_order():
    names = [k for k in vars(orbalt) if not k.startswith("__")]
    assert names == ["collections", "json", "math", "re", "sys", "dataclass", "datetime",
                     "heappop", "heappush", "Iterator", "Any", "pygml", "pytz", "shapely",
                     "tz", "parser", "etree", "osr", "ogr", "Geometry", "Topology", "MapGrid",
                     "Projection", "ProjectionHelper", "Astronomy"]
    import datetime, dateutil.tz, lxml.etree, osgeo.ogr, typing
    assert orbalt.datetime is datetime.datetime
    assert orbalt.tz is dateutil.tz
    assert orbalt.etree is lxml.etree
    assert orbalt.ogr is osgeo.ogr
    assert orbalt.Iterator is typing.Iterator


def test_reimport_and_removal_give_the_same_module():
    assert run("""
        import sys, importlib
        import models.orbalt as m
        geometry = m.Geometry
        import models.orbalt as again
        del sys.modules["models.orbalt"]
        third = importlib.import_module("models.orbalt")
        print(again is m, third is m, third.Geometry is geometry)
    """) == "True True True"


def test_reload_changes_nothing():
    assert run("""
        import importlib
        import models.orbalt as m
        classes = [getattr(m, n) for n in m.__all__]
        m.marker = 1
        assert importlib.reload(m) is m
        print([getattr(m, n) for n in m.__all__] == classes, m.marker)
    """) == "True 1"


def test_legacy_subinterpreter_is_refused(tmp_path):
    out = tmp_path / "message.txt"
    inner = ("try:\n    import models.orbalt\nexcept ImportError as e:\n"
             f"    open({str(out)!r}, 'w').write(str(e))\n")
    assert run(f"""
        import _testcapi
        import models.orbalt
        print(_testcapi.run_in_subinterp({inner!r}))
    """) == "0"
    assert out.read_text() == ("Interpreter change detected - this module can only be loaded "
                               "into one interpreter per process.")


def test_loading_under_another_name():
    assert run(f"""
        import importlib.util, sys
        spec = importlib.util.spec_from_file_location("orbalt", {orbalt.__file__!r})
        m = importlib.util.module_from_spec(spec)
        sys.modules["orbalt"] = m
        spec.loader.exec_module(m)
        print(m.__name__, sys.modules["models.orbalt"] is m, m.Geometry.__module__,
              m.Geometry.loads.__module__)
    """) == "orbalt True models.orbalt models.orbalt"


def test_second_module_object_is_refused():
    assert run(f"""
        import importlib.util
        spec = importlib.util.spec_from_file_location("models.orbalt", {orbalt.__file__!r})
        first = spec.loader.create_module(spec)
        second = spec.loader.create_module(spec)
        spec.loader.exec_module(first)
        try:
            spec.loader.exec_module(second)
        except RuntimeError as e:
            print(e)
    """) == "Module 'orbalt' has already been imported. Re-initialisation is not supported."


def test_missing_dependency_fails_and_a_later_import_succeeds():
    assert run("""
        import sys
        sys.modules["osgeo"] = None          # makes `import osgeo` fail
        try:
            import models.orbalt
        except ModuleNotFoundError as e:
            print(type(e).__name__, "models.orbalt" in sys.modules)
        del sys.modules["osgeo"]
        import models.orbalt as m
        print(m.Astronomy.__name__, m.Projection.datum[2000].a)
    """) == "ModuleNotFoundError False\nAstronomy 6378137.0"


def test_failed_load_under_another_name_leaves_no_entry():
    # The module registered itself as "models.orbalt"; a failed load takes
    # that entry back so nobody imports a half-built module.
    assert run(f"""
        import importlib.util, sys
        sys.modules["shapely"] = None
        spec = importlib.util.spec_from_file_location("orbalt", {orbalt.__file__!r})
        m = importlib.util.module_from_spec(spec)
        try:
            spec.loader.exec_module(m)
        except ModuleNotFoundError:
            print("models.orbalt" in sys.modules, hasattr(m, "Geometry"))
        del sys.modules["shapely"]
        import models.orbalt as fresh
        print(fresh is not m, fresh.Geometry.__name__)
    """) == "False False\nTrue Geometry"


def test_names_from_a_module():
    # A name missing from the module is taken from the module table under
    # "module.name"; missing there too, the import fails.
    assert run("""
        import sys, types
        import dateutil.tz, dateutil.parser, osgeo
        real_osgeo = sys.modules["osgeo"]
        sys.modules["dateutil"] = types.ModuleType("dateutil")
        sys.modules["osgeo"] = types.ModuleType("osgeo")
        try:
            import models.orbalt
        except ImportError as e:
            print(type(e).__name__, e)
        sys.modules["osgeo"] = real_osgeo
        import models.orbalt as m
        print(m.tz is dateutil.tz, m.parser is dateutil.parser)
    """) == "ImportError cannot import name osr\nTrue True"


def test_generator_type_is_registered():
    import collections.abc
    gen = orbalt.MapGrid.grid(100.0, 30.0, 101.0, 31.0, 1000000)
    assert isinstance(gen, collections.abc.Generator)
    assert iter(gen) is gen


def test_only_the_entry_point_is_exported():
    nm = subprocess.run(["nm", "-D", "--defined-only", orbalt.__file__],
                        capture_output=True, text=True)
    if nm.returncode != 0:
        pytest.skip("nm is not available")
    symbols = [line.split()[-1] for line in nm.stdout.splitlines() if line.strip()]
    assert symbols == ["PyInit_orbalt"]


def test_installed_as_namespace_module():
    import models
    assert not hasattr(models, "__file__") or models.__file__ is None
    assert orbalt.__file__.endswith("models/orbalt.cpython-312-x86_64-linux-gnu.so")
