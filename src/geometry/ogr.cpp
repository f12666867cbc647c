// OGR conversion, a thin adapter: both directions pass through GeoJSON text,
// the one form that OGR and the geometry dict share.
#include "geometry/ogr.h"

#include "geometry/geometry_input.h"

namespace orb::geom {

Ref from_ogr(Args a) {
    Ref text = call_method(a[1], ORB_STR("ExportToJson"), {});
    return call(getattr(global(ORB_STR("json")), ORB_STR("loads")), {text.get()});
}

// None when OGR makes no geometry of the text, or an empty one.
Ref to_ogr(Args a) {
    Ref geojson = geometry_dict(a[0], a[1]);
    Ref text =
        call(getattr(global(ORB_STR("json")), ORB_STR("dumps")), {geojson.get()});
    Ref made = call(
        getattr(global(ORB_STR("ogr")), ORB_STR("CreateGeometryFromJson")), {text.get()});
    if (made.get() == Py_None) return made;
    Ref empty = call_method(made, ORB_STR("IsEmpty"), {});
    int is_empty = PyObject_IsTrue(empty);
    if (is_empty < 0) throw PyError{};
    return is_empty ? none() : made;
}

}  // namespace orb::geom
