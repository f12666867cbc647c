// The module global Projection as Topology's measuring methods use it.
#include "topology/projection_route.h"

#include "frame/method.h"
#include "frame/original.h"
#include "projection/projection_methods.h"
#include "projection/webmercator.h"
#include "projection/zones.h"


namespace orb::topology {

namespace pr = orb::projection;
namespace pm = orb::pymath;

namespace {

// The methods measuring relies on, by name; `zone` because the own
// centralMeridian calls cls.zone.
constexpr const char* kMethods[] = {"centralMeridian", "zone", "gaussKruger", "albers",
                                    "webMercator"};

}  // namespace

ProjectionRoute ProjectionRoute::current() {
    ProjectionRoute r;
    r.own_ = global_is_original(ORB_STR("Projection"));
    if (!r.own_) return r;
    Ref cls = global(ORB_STR("Projection"));
    static PyObject* const names[] = {ORB_STR(kMethods[0]), ORB_STR(kMethods[1]),
                                      ORB_STR(kMethods[2]), ORB_STR(kMethods[3]),
                                      ORB_STR(kMethods[4])};
    for (PyObject* name : names) {
        if (!original_method(cls, name)) {
            r.own_ = false;
            break;
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
    // Held: reading the attribute may run the record's code, which may
    // take the record out of the table.
    Ref record = Ref::borrow(PyDict_GetItemWithError(datum, key));
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
    if (!pr::in_longitude_range(longitude)) return false;
    cm = pr::central_meridian6(longitude);
    return true;
}

GkPlane fast_gk_plane(PyObject* datum, PyObject* crs, double cm) {
    GkPlane p;
    p.series = pr::gk_series(pr::code_of(crs));
    if (!p.series || !plain_record_field(datum, crs, ORB_STR("a"), p.a)) return p;
    if (!pr::in_longitude_range(cm)) return p;
    pm::MathStatus st;
    p.zone = pr::gk_zone_number(cm, st);
    p.cm = cm;
    p.ok = st.ok();
    return p;
}

bool fast_gk(const GkPlane& p, double longitude, double latitude, double& x,
             double& y) noexcept {
    if (!p.ok || !pr::in_longitude_range(longitude) || !pr::in_latitude_range(latitude)) return false;
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
    if (!pr::in_longitude_range(cm) || !pr::in_latitude_range(origin) || !pr::in_latitude_range(parallel1) ||
        !pr::in_latitude_range(parallel2))
        return p;
    pm::MathStatus st;
    p.cone = pr::albers_cone(a, cm, origin, parallel1, parallel2, st);
    p.ok = st.ok();
    return p;
}

bool fast_albers(const AlbersPlane& p, double longitude, double latitude, double& x,
                 double& y) noexcept {
    if (!p.ok || !pr::in_longitude_range(longitude) || !pr::in_latitude_range(latitude)) return false;
    pm::MathStatus st;
    const pr::PlanePoint r = pr::albers_forward(p.cone, longitude, latitude, st);
    x = r.x;
    y = r.y;
    return st.ok();
}

MercatorPlane fast_mercator_plane(PyObject* datum) {
    MercatorPlane p;
    p.ok = plain_record_field(datum, pr::key_1984(), ORB_STR("a"), p.a);
    return p;
}

bool fast_mercator(const MercatorPlane& p, double longitude, double latitude, double& x,
                   double& y) noexcept {
    if (!p.ok || !pr::in_longitude_range(longitude) || !pr::in_latitude_range(latitude)) return false;
    pm::MathStatus st;
    const pr::PlanePoint r = pr::web_mercator_forward(p.a, longitude, latitude, st);
    x = r.x;
    y = r.y;
    return st.ok();
}

}  // namespace orb::topology
