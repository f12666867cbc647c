// toShapely and fromShapely.  shapely is the module global, looked up on
// each call so that a host's patch is obeyed.
#include "geometry/shapely_io.h"

#include "geometry/dict_walk.h"
#include "geometry/geomtype.h"
#include "geometry/loads.h"
#include "geometry/messages.h"
#include "geometry/textutil.h"

#include "frame/shortcut.h"

namespace orb::geom {
namespace {

// shapely.is_empty only forwards its argument to shapely.lib.is_empty.
const Shortcut kIsEmpty("is_empty");

// shapely.geometry.shape(d)
Ref shape(PyObject* shapely, PyObject* d) {
    Ref geometry = getattr(shapely, ORB_STR("geometry"));
    return call_method(geometry, ORB_STR("shape"), {d});
}

}  // namespace

bool shapely_is_empty(PyObject* shapely, PyObject* geometry) {
    Ref fn = getattr(shapely, ORB_STR("is_empty"));
    PyObject* callee = plain_geometry(geometry) ? kIsEmpty.resolve(fn) : fn.get();
    return truth(call(callee, {geometry}));
}

Ref to_shapely(Args a) {
    PyObject* cls = a[0];
    PyObject* value = a[1];
    PyObject* srid = a[2];
    Ref shapely = global(ORB_STR("shapely"));
    Ref result;
    if (PyDict_CheckExact(value)) {
        result = shape(shapely, value);
    } else if (PyList_CheckExact(value) || PyUnicode_CheckExact(value)) {
        Ref d = load_again(cls, value);
        result = shape(shapely, d);
    } else if (shapely_type(value) != Type::None) {
        result = Ref::borrow(value);
    } else {
        raise_format(msg::kNotValidGeometry, class_name(value));
    }
    if (srid != Py_None) result = call_method(shapely, ORB_STR("set_srid"), {result.get(), srid});
    if (result.get() == Py_None) return result;
    return shapely_is_empty(shapely, result) ? none() : result;
}

Ref from_shapely(Args a) {
    Ref shapely = global(ORB_STR("shapely"));
    Ref geojson = call_method(shapely, ORB_STR("to_geojson"), {a[1]});
    return json_loads(geojson);
}

}  // namespace orb::geom
