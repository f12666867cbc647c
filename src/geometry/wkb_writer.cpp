// Geometry.toWkb: hexadecimal extended WKB written by shapely.
//
// The geometry reaches shapely through the class's toShapely, which stamps
// the SRID (or keeps a shapely geometry's own when srid is None) and gives
// None for an empty geometry.
#include "geometry/wkb_writer.h"

namespace orb::geom {
namespace {

// shapely.to_wkb as upper-case hex, little endian, with the SRID written
// whenever the geometry carries a non-zero one (EWKB).  shapely is read at
// call time, so a host that patches it is obeyed; None gives None.
Ref hex_ewkb(PyObject* shape) {
    constexpr long long kLittleEndian = 1;  // shapely's byte_order for NDR
    Ref write = getattr(global(ORB_STR("shapely")), ORB_STR("to_wkb"));
    Ref order = integer(kLittleEndian);
    return call(write, {shape},
                {{"hex", Py_True}, {"byte_order", order}, {"include_srid", Py_True}});
}

}  // namespace

Ref to_wkb(Args a) {
    Ref shape = call_method(a[0], ORB_STR("toShapely"), {a[1], a[2]});
    return hex_ewkb(shape);
}

}  // namespace orb::geom
