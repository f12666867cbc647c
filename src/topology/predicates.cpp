// Spatial predicates of Topology through shapely.  The relation itself is
// always shapely's; this layer fixes the conversion order (a, then b), the
// in-place preparation of the first geometry, and the range tests of the
// point forms.
#include "topology/predicates.h"

#include "frame/errors.h"
#include "topology/shapely_calls.h"

#include <string>

namespace orb::topology {

namespace {

// Each of these shapely functions only forwards its two geometries to the
// compiled function of the same name.
const Shortcut kContains("contains");
const Shortcut kCovers("covers");
const Shortcut kCrosses("crosses");
const Shortcut kIntersects("intersects");
const Shortcut kOverlaps("overlaps");
const Shortcut kTouches("touches");
const Shortcut kRelate("relate");
// These two prepare a geometry argument and then forward geometry, x and y.
const Shortcut kContainsXy("contains_xy");
const Shortcut kIntersectsXy("intersects_xy");

// a is converted and prepared before b is looked at, so a failing b leaves
// a prepared; b itself is never prepared.
struct Pair {
    Ref a;
    Ref b;
};
Pair convert_pair(Args a, bool prepare_first) {
    Pair p;
    p.a = to_shapely(a[0], a[1]);
    if (prepare_first) prepare(p.a);
    p.b = to_shapely(a[0], a[2]);
    return p;
}

// shapely.<name>(shapeA, shapeB), its value returned as shapely gives it.
Ref binary(Args a, const Shortcut& fn, bool prepare_first = true) {
    Pair p = convert_pair(a, prepare_first);
    return call_geometries(fn, {p.a, p.b});
}

// "[{}] should be between [-180 ～ +180] in [longitude] parameter."; the
// bounds are inclusive and the test is written so that NaN fails it.  The
// tilde is the fullwidth U+FF5E.
void test_point(double longitude, double latitude) {
    if (!(-180 <= longitude && longitude <= 180))
        raise_between(float_str(longitude), "-180 \uFF5E +180", "longitude");
    if (!(-90 <= latitude && latitude <= 90))
        raise_between(float_str(latitude), "-90 \uFF5E +90", "latitude");
}

// shapely.<name>(shapeGeometry, longitude, latitude) after the geometry has
// been converted and prepared and the point tested.
Ref point(Args a, const Shortcut& fn) {
    Ref geometry = to_shapely(a[0], a[1]);
    prepare(geometry);
    test_point(a.num(2), a.num(3));
    Ref current = shapely_fn(fn.key());
    if (fn.is_wrapper(current) && compiled_prepare() && plain_geometry(geometry)) {
        // The wrapper's own steps for a scalar point: prepare a geometry
        // (None is left alone), then the compiled predicate.
        if (geometry.get() != Py_None) call(compiled_prepare(), {geometry});
        return call(fn.target(), {geometry, a[2], a[3]});
    }
    return call(current, {geometry, a[2], a[3]});
}

// An empty geometry converts to None, which has no equality of its own
// that means anything here: two empty geometries are equal, an empty one
// and a non-empty one are not.
bool either_empty(const Pair& p) { return p.a.get() == Py_None || p.b.get() == Py_None; }
Ref both_empty(const Pair& p) { return boolean(p.a.get() == Py_None && p.b.get() == Py_None); }

}  // namespace

Ref contains(Args a) { return binary(a, kContains); }
Ref covers(Args a) { return binary(a, kCovers); }
Ref crosses(Args a) { return binary(a, kCrosses); }
Ref intersects(Args a) { return binary(a, kIntersects); }
Ref overlaps(Args a) { return binary(a, kOverlaps); }
Ref touches(Args a) { return binary(a, kTouches); }
Ref relate(Args a) { return binary(a, kRelate, false); }

Ref contains_point(Args a) { return point(a, kContainsXy); }
Ref intersects_point(Args a) { return point(a, kIntersectsXy); }

// Topological equality: the operation `equals` of the first geometry.
Ref equals(Args a) {
    Pair p = convert_pair(a, true);
    if (either_empty(p)) return both_empty(p);
    return call_method(p.a, ORB_STR("equals"), {p.b});
}

// Structural equality: the first geometry's own `__eq__`.
Ref equal(Args a) {
    Pair p = convert_pair(a, true);
    if (either_empty(p)) return both_empty(p);
    return call_method(p.a, ORB_STR("__eq__"), {p.b});
}

}  // namespace orb::topology
