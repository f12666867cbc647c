// SVG writing: shapely's fragment of the geometry inside one <svg> root in
// the SVG namespace, with nothing else around it.
#include "geometry/svg.h"

#include "geometry/dict_walk.h"

namespace orb::geom {

namespace {
constexpr const char* kOpen = "<svg xmlns=\"http://www.w3.org/2000/svg\">";
constexpr const char* kClose = "</svg>";
}  // namespace

// a: cls, geometry, scale_factor (exact float), color (str or None),
// opacity (float or None).  An empty geometry has no fragment: None.
Ref to_svg(Args a) {
    Ref shape = call_method(a[0], ORB_STR("toShapely"), {a[1], Py_None});
    if (shape.get() == Py_None) return shape;
    // A collection's fragment takes no opacity.
    Ref fragment = is_collection(getattr(shape, ORB_STR("geom_type")))
                       ? call_method(shape, ORB_STR("svg"), {a[2], a[3]})
                       : call_method(shape, ORB_STR("svg"), {a[2], a[3], a[4]});
    Ref shown = format(fragment, "");
    return Ref::steal(PyUnicode_FromFormat("%s%U%s", kOpen, shown.get(), kClose));
}

}  // namespace orb::geom
