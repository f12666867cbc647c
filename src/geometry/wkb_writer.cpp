// Geometry.toWkb: hexadecimal extended WKB written by shapely.
//
// The geometry reaches shapely through the class's toShapely, which stamps
// the SRID (or keeps a shapely geometry's own when srid is None) and gives
// None for an empty geometry.  shapely's writer is asked for upper-case hex,
// little-endian byte order and the SRID whenever the geometry carries a
// non-zero one; it returns None for None.
#include "geometry/wkb_writer.h"

namespace geometry {

orb::Ref toWkb(orb::Args a) {
    orb::Ref shape = orb::call_method(a[0], ORB_STR("toShapely"), {a[1], a[2]});
    orb::Ref to_wkb = orb::getattr(orb::global(ORB_STR("shapely")), ORB_STR("to_wkb"));
    constexpr long long kLittleEndian = 1;  // shapely's byte_order for NDR
    orb::Ref order = orb::integer(kLittleEndian);
    return orb::call(to_wkb, {shape},
                     {{"hex", Py_True}, {"byte_order", order}, {"include_srid", Py_True}});
}

}  // namespace geometry
