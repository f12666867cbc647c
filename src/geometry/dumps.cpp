// Serialisation by format name.  The name is matched after str.lower(),
// untrimmed; nothing about the geometry is read before a name matches, so
// an unknown name leaves a caller's list untouched.  Every writer is called
// through the class, so a subclass's own writer is used.
#include "geometry/dumps.h"

#include "geometry/loads.h"
#include "geometry/messages.h"
#include "geometry/textutil.h"

namespace orb::geom {

namespace {

// etree.tostring(element).decode(): element trees as text.
Ref serialise(PyObject* element) {
    Ref markup =
        call(getattr(global(ORB_STR("etree")), ORB_STR("tostring")), {element});
    return call_method(markup, ORB_STR("decode"), {});
}

bool named(PyObject* lowered, const char* name) {
    return PyUnicode_CheckExact(lowered) && PyUnicode_CompareWithASCIIString(lowered, name) == 0;
}

}  // namespace

// a: cls, geometry, format (exact str).
Ref dumps(Args a) {
    PyObject* cls = a[0];
    PyObject* geometry = a[1];
    Ref lowered = call_method(a[2], ORB_STR("lower"), {});
    if (named(lowered, "gml")) return serialise(call_method(cls, ORB_STR("toGml"), {geometry}));
    if (named(lowered, "kml")) return serialise(call_method(cls, ORB_STR("toKml"), {geometry}));
    if (named(lowered, "wkt")) return call_method(cls, ORB_STR("toWkt"), {geometry});
    if (named(lowered, "wkb")) return call_method(cls, ORB_STR("toWkb"), {geometry});
    if (named(lowered, "json") || named(lowered, "geojson")) {
        Ref geojson = PyDict_CheckExact(geometry)
                          ? Ref::borrow(geometry)
                          : call_method(cls, ORB_STR("loads"), {geometry});
        return json_dumps(geojson);
    }
    raise_format(msg::kNotValidFormat, a[2]);
}

}  // namespace orb::geom
