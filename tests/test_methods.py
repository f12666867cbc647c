"""Method objects: defaults, descriptors, signatures as the host sees them."""
import inspect
import pickle

import pytest

from models.orbalt import Astronomy, Geometry, MapGrid, Projection, ProjectionHelper, Topology


@pytest.mark.parametrize("method, fresh", [
    (Topology.area, True),            # int default: a new tuple on each read
    (MapGrid.map, True),
    (ProjectionHelper.__init__, True),
    (Geometry.loads, False),          # the same tuple every time
    (Geometry.toSvg, False),
    (Astronomy.sun, False),
])
def test_defaults_identity(method, fresh):
    first, second = method.__defaults__, method.__defaults__
    assert first == second
    assert (first is not second) == fresh


def test_float_defaults_are_floats():
    assert [type(v) for v in Geometry.scale.__defaults__] == [float, float, float, tuple]
    assert Geometry.toSvg.__defaults__ == (1.0, None, None)
    assert type(Geometry.toSvg.__defaults__[0]) is float


def test_instance_methods_bind_like_functions():
    helper = object.__new__(ProjectionHelper)
    bound = helper.project
    assert bound.__self__ is helper and bound.__func__ is ProjectionHelper.project
    assert ProjectionHelper.__dict__["project"] is ProjectionHelper.project
    assert inspect.signature(bound).parameters.keys() == {"geometry"}
    assert list(inspect.signature(ProjectionHelper.project).parameters) == ["self", "geometry"]


def test_class_and_static_kinds():
    assert isinstance(Geometry.__dict__["loads"], classmethod)
    assert isinstance(Projection.__dict__["angle"], staticmethod)
    assert isinstance(MapGrid.__dict__["grid"], staticmethod)
    assert Topology.loads.__self__ is Topology          # cls is the class reached through
    assert ProjectionHelper.gaussKruger.__self__ is ProjectionHelper
    assert Topology.loads.__func__ is Geometry.loads.__func__


def test_signature_omits_cls_through_the_class():
    sig = inspect.signature(Geometry.loads)
    assert str(sig) == "(coordinates: 'str | list | dict', code: 'int | None' = -1) -> 'dict'"
    assert list(inspect.signature(Geometry.__dict__["loads"].__func__).parameters)[0] == "cls"


def test_unbuilt_body_names_the_method():
    # Rows whose body is not built yet still bind, then say so.
    for method in (ProjectionHelper.project,):
        try:
            method(object.__new__(ProjectionHelper), {})
        except NotImplementedError as e:
            assert str(e) == "ProjectionHelper.project() is not implemented yet"
        except Exception:
            pass


def test_module_of_method_objects_and_their_type():
    f = Geometry.loads.__func__
    assert f.__module__ == type(f).__module__ == "models.orbalt"
    assert Geometry.__dict__["loads"].__module__ == "models.orbalt"


def test_method_objects_are_not_instantiable_or_mutable():
    f = Geometry.loads.__func__
    with pytest.raises(TypeError):
        type(f)()
    with pytest.raises(AttributeError):
        f.__defaults__ = (1,)
    assert repr(f) == "<function Geometry.loads>"
    with pytest.raises(Exception):
        pickle.dumps(f)
