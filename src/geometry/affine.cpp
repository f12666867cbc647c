// Geometry.rotate, scale, skew and translate: affine transforms by shapely.
//
// No coordinate is computed here.  Each method looks up its function in
// shapely.affinity when it runs (a host may patch it), converts the geometry
// with the class's toShapely and no SRID, and hands over the numbers as
// floats with the options by keyword: angles always in degrees
// (use_radians=False) and the origin always given, so shapely's own default
// origin ("center") never applies.
//
// An empty geometry converts to None; shapely's transforms fail on None
// with an AttributeError from deep inside, so None is returned for it
// instead, without calling shapely.
#include "geometry/affine.h"

namespace orb::geom {
namespace {

// shapely.affinity.<name>, read at call time.
Ref affinity(PyObject* name) {
    Ref module = getattr(global(ORB_STR("shapely")), ORB_STR("affinity"));
    return getattr(module, name);
}

// The geometry as shapely sees it, with whatever SRID it carries.
Ref shape_of(Args a) { return call_method(a[0], ORB_STR("toShapely"), {a[1], Py_None}); }

}  // namespace

Ref rotate(Args a) {
    Ref f = affinity(ORB_STR("rotate"));
    Ref shape = shape_of(a);
    if (shape.get() == Py_None) return shape;
    Ref angle = number(a.num(2));
    return call(f, {shape, angle}, {{"origin", a[3]}, {"use_radians", Py_False}});
}

Ref scale(Args a) {
    Ref f = affinity(ORB_STR("scale"));
    Ref shape = shape_of(a);
    if (shape.get() == Py_None) return shape;
    Ref xfact = number(a.num(2)), yfact = number(a.num(3)), zfact = number(a.num(4));
    return call(f, {shape},
                {{"xfact", xfact}, {"yfact", yfact}, {"zfact", zfact}, {"origin", a[5]}});
}

Ref skew(Args a) {
    Ref f = affinity(ORB_STR("skew"));
    Ref shape = shape_of(a);
    if (shape.get() == Py_None) return shape;
    Ref xs = number(a.num(2)), ys = number(a.num(3));
    return call(f, {shape},
                {{"xs", xs}, {"ys", ys}, {"origin", a[4]}, {"use_radians", Py_False}});
}

Ref translate(Args a) {
    Ref f = affinity(ORB_STR("translate"));
    Ref shape = shape_of(a);
    if (shape.get() == Py_None) return shape;
    Ref xoff = number(a.num(2)), yoff = number(a.num(3)), zoff = number(a.num(4));
    return call(f, {shape}, {{"xoff", xoff}, {"yoff", yoff}, {"zoff", zoff}});
}

}  // namespace orb::geom
