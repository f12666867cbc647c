// The module global Projection as Topology's measuring methods use it.
#include "topology/projection_route.h"

#include "frame/method.h"
#include "projection/webmercator.h"
#include "projection/zones.h"

#include <cstring>

namespace orb::topology {

namespace pr = orb::projection;
namespace pm = orb::pymath;

namespace {

// The methods measuring relies on, by name; `zone` because the own
// centralMeridian calls cls.zone.
constexpr const char* kMethods[] = {"centralMeridian", "zone", "gaussKruger", "albers",
                                    "webMercator"};
constexpr int kMethodCount = 5;

// The module's own method objects once recognised, kept for the life of
// the process (the module is made once per process).  Never destroyed: a
// static destructor would release them after the interpreter has gone.
Ref* const own_functions = new Ref[kMethodCount];

// A method object of the module frame: its type cannot be instantiated
// or changed from Python, so the type name and the qualified name it
// reports identify the module's own method.
bool is_own_function(PyObject* f, const char* name) {
    PyTypeObject* tp = Py_TYPE(f);
    if (!(tp->tp_flags & Py_TPFLAGS_IMMUTABLETYPE) ||
        std::strcmp(tp->tp_name, "models.orbalt.function") != 0)
        return false;
    Ref qualname = Ref::steal_or_null(PyObject_GetAttr(f, ORB_STR("__qualname__")));
    if (!qualname) {
        PyErr_Clear();
        return false;
    }
    return PyUnicode_Check(qualname.get()) &&
           utf8(qualname) == std::string("Projection.") + name;
}

bool range_longitude(double v) noexcept { return -180 <= v && v <= 180; }
bool range_latitude(double v) noexcept { return -90 <= v && v <= 90; }

long code_of(PyObject* crs) {
    int overflow = 0;
    const long v = PyLong_AsLongAndOverflow(crs, &overflow);
    if (v == -1 && !overflow) check_error();
    return overflow ? 0 : v;
}

PyObject* key_1984() {
    static PyObject* key = PyLong_FromLong(1984);
    return key;
}

}  // namespace

ProjectionRoute ProjectionRoute::current() {
    ProjectionRoute r;
    Ref cls = global(ORB_STR("Projection"));
    r.own_ = true;
    for (int k = 0; k < kMethodCount && r.own_; ++k) {
        Ref m = Ref::steal_or_null(PyObject_GetAttrString(cls, kMethods[k]));
        if (!m) {
            // The real call will raise the AttributeError itself.
            PyErr_Clear();
            r.own_ = false;
            break;
        }
        // A class method read from the class is bound to that class.
        if (!PyMethod_Check(m.get()) || PyMethod_GET_SELF(m.get()) != cls.get()) {
            r.own_ = false;
            break;
        }
        PyObject* f = PyMethod_GET_FUNCTION(m.get());
        if (own_functions[k]) {
            r.own_ = f == own_functions[k].get();
        } else if (is_own_function(f, kMethods[k])) {
            own_functions[k] = Ref::borrow(f);
        } else {
            r.own_ = false;
        }
    }
    return r;
}

Ref ProjectionRoute::central_meridian(PyObject* longitude) {
    Ref m = getattr(global(ORB_STR("Projection")), ORB_STR("centralMeridian"));
    return call(m, {}, {{"longitude", longitude}});
}

Ref ProjectionRoute::gauss_kruger(PyObject* cm, PyObject* longitude, PyObject* latitude,
                                  PyObject* crs) {
    Ref m = getattr(global(ORB_STR("Projection")), ORB_STR("gaussKruger"));
    return call(m, {},
                {{"centralMeridian", cm}, {"longitude", longitude}, {"latitude", latitude},
                 {"crs", crs}});
}

Ref ProjectionRoute::albers(PyObject* longitude, PyObject* latitude, PyObject* cm,
                            PyObject* origin, PyObject* parallel1, PyObject* parallel2,
                            PyObject* crs) {
    Ref m = getattr(global(ORB_STR("Projection")), ORB_STR("albers"));
    return call(m, {},
                {{"longitude", longitude},
                 {"latitude", latitude},
                 {"centralMeridian", cm},
                 {"originLatitude", origin},
                 {"parallel1", parallel1},
                 {"parallel2", parallel2},
                 {"crs", crs}});
}

Ref ProjectionRoute::web_mercator(PyObject* longitude, PyObject* latitude) {
    Ref m = getattr(global(ORB_STR("Projection")), ORB_STR("webMercator"));
    return call(m, {}, {{"longitude", longitude}, {"latitude", latitude}});
}

Ref ProjectionRoute::datum() { return getattr(global(ORB_STR("Projection")), ORB_STR("datum")); }

bool ProjectionRoute::has_code(PyObject* crs) {
    const int r = PySequence_Contains(datum(), crs);
    if (r < 0) throw PyError{};
    return r == 1;
}

// --- fast helpers --------------------------------------------------------------

bool plain_record_field(PyObject* datum, PyObject* key, PyObject* name, double& out) {
    if (!PyDict_CheckExact(datum)) return false;
    PyObject* record = PyDict_GetItemWithError(datum, key);  // borrowed
    if (!record) {
        check_error();
        return false;
    }
    Ref v = Ref::steal_or_null(PyObject_GetAttr(record, name));
    if (!v) {
        PyErr_Clear();
        return false;
    }
    if (!PyFloat_CheckExact(v.get())) return false;
    out = PyFloat_AS_DOUBLE(v.get());
    return true;
}

bool fast_central_meridian(double longitude, double& cm) noexcept {
    if (!range_longitude(longitude)) return false;
    cm = pr::central_meridian6(longitude);
    return true;
}

GkPlane fast_gk_plane(PyObject* datum, PyObject* crs, double cm) {
    GkPlane p;
    p.series = pr::gk_series(code_of(crs));
    if (!p.series || !plain_record_field(datum, crs, ORB_STR("a"), p.a)) return p;
    if (!range_longitude(cm)) return p;
    pm::MathStatus st;
    p.zone = pr::gk_zone_number(cm, st);
    p.cm = cm;
    p.ok = st.ok();
    return p;
}

bool fast_gk(const GkPlane& p, double longitude, double latitude, double& x,
             double& y) noexcept {
    if (!p.ok || !range_longitude(longitude) || !range_latitude(latitude)) return false;
    pm::MathStatus st;
    const pr::GkForward r = pr::gk_forward(*p.series, p.a, p.zone, p.cm, longitude, latitude, st);
    x = r.easting;
    y = r.northing;
    return st.ok();
}

AlbersPlane fast_albers_plane(PyObject* datum, PyObject* crs, double cm, double origin,
                              double parallel1, double parallel2) {
    AlbersPlane p;
    double a = 0.0;
    if (!plain_record_field(datum, crs, ORB_STR("a"), a)) return p;
    if (!range_longitude(cm) || !range_latitude(origin) || !range_latitude(parallel1) ||
        !range_latitude(parallel2))
        return p;
    pm::MathStatus st;
    p.cone = pr::albers_cone(a, cm, origin, parallel1, parallel2, st);
    p.ok = st.ok();
    return p;
}

bool fast_albers(const AlbersPlane& p, double longitude, double latitude, double& x,
                 double& y) noexcept {
    if (!p.ok || !range_longitude(longitude) || !range_latitude(latitude)) return false;
    pm::MathStatus st;
    const pr::PlanePoint r = pr::albers_forward(p.cone, longitude, latitude, st);
    x = r.x;
    y = r.y;
    return st.ok();
}

MercatorPlane fast_mercator_plane(PyObject* datum) {
    MercatorPlane p;
    p.ok = plain_record_field(datum, key_1984(), ORB_STR("a"), p.a);
    return p;
}

bool fast_mercator(const MercatorPlane& p, double longitude, double latitude, double& x,
                   double& y) noexcept {
    if (!p.ok || !range_longitude(longitude) || !range_latitude(latitude)) return false;
    pm::MathStatus st;
    const pr::PlanePoint r = pr::web_mercator_forward(p.a, longitude, latitude, st);
    x = r.x;
    y = r.y;
    return st.ok();
}

}  // namespace orb::topology
