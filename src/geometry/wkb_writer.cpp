// Geometry.toWkb: hexadecimal extended WKB written by shapely.
//
// The geometry reaches shapely through the class's toShapely, which stamps
// the SRID (or keeps a shapely geometry's own when srid is None) and gives
// None for an empty geometry.
#include "geometry/wkb_writer.h"

namespace geometry {
namespace {

// shapely.to_wkb as upper-case hex, little endian, with the SRID written
// whenever the geometry carries a non-zero one (EWKB).  shapely is read at
// call time, so a host that patches it is obeyed; None gives None.
orb::Ref hex_ewkb(PyObject* shape) {
    constexpr long long kLittleEndian = 1;  // shapely's byte_order for NDR
    orb::Ref to_wkb = orb::getattr(orb::global(ORB_STR("shapely")), ORB_STR("to_wkb"));
    orb::Ref order = orb::integer(kLittleEndian);
    return orb::call(to_wkb, {shape},
                     {{"hex", Py_True}, {"byte_order", order}, {"include_srid", Py_True}});
}

}  // namespace

orb::Ref toWkb(orb::Args a) {
    orb::Ref shape = orb::call_method(a[0], ORB_STR("toShapely"), {a[1], a[2]});
    return hex_ewkb(shape);
}

}  // namespace geometry
