// OGR conversion, a thin adapter: both directions pass through GeoJSON text,
// the one form that OGR and the geometry dict share.
#include "geometry/ogr.h"

#include "geometry/dict_walk.h"
#include "geometry/geometry_input.h"
#include "geometry/textutil.h"

namespace orb::geom {

Ref from_ogr(Args a) {
    Ref text = call_method(a[1], ORB_STR("ExportToJson"), {});
    return json_loads(text);
}

// None when OGR makes no geometry of the text, or an empty one.
Ref to_ogr(Args a) {
    Ref geojson = geometry_dict(a[0], a[1]);
    Ref text = json_dumps(geojson);
    Ref made = call_method(global(ORB_STR("ogr")), ORB_STR("CreateGeometryFromJson"), {text});
    if (made.get() == Py_None) return made;
    return truth(call_method(made, ORB_STR("IsEmpty"), {})) ? none() : made;
}

}  // namespace orb::geom
