// How Topology reaches Projection: through the module global `Projection`,
// with keyword arguments, at every use.
//
// When the global and the methods measuring uses (centralMeridian, zone,
// gaussKruger, albers and webMercator) are still the module's own, the
// numeric cores in src/projection are called directly instead: the own
// methods do nothing but test ranges, read the reference table and run
// those cores, so the figures are the same.  The fast helpers below only
// take the happy path; wherever an own method would raise (a value out of
// range, a value that is not exactly a float, an arithmetic failure of a
// core) they answer false and the caller makes the real call, which raises
// the method's own exception.
#pragma once

#include "frame/ref.h"
#include "projection/albers.h"
#include "projection/gausskruger.h"

namespace orb::topology {

class ProjectionRoute {
public:
    // Reads the global now and tests whether it and its methods are the
    // module's own.
    static ProjectionRoute current();
    bool own() const noexcept { return own_; }

    // --- the real calls: global and method looked up at each call ---------
    static Ref central_meridian(PyObject* longitude);
    static Ref gauss_kruger(PyObject* cm, PyObject* longitude, PyObject* latitude, PyObject* crs);
    static Ref albers(PyObject* longitude, PyObject* latitude, PyObject* cm, PyObject* origin,
                      PyObject* parallel1, PyObject* parallel2, PyObject* crs);
    static Ref web_mercator(PyObject* longitude, PyObject* latitude);
    // Projection.datum.
    static Ref datum();
    // crs in Projection.datum.
    static bool has_code(PyObject* crs);

private:
    bool own_ = false;
};

// --- fast helpers, valid while ProjectionRoute::own() ------------------------

// Projection.centralMeridian(longitude=...) of a longitude in range.
bool fast_central_meridian(double longitude, double& cm) noexcept;

// Gauss-Kruger about one central meridian for one code: the constants the
// own method reads from the table and the zone number it prefixes.
struct GkPlane {
    const projection::GkSeries* series = nullptr;
    double a = 0.0;
    double zone = 0.0;
    double cm = 0.0;
    bool ok = false;
};
GkPlane fast_gk_plane(PyObject* datum, PyObject* crs, double cm);
bool fast_gk(const GkPlane& p, double longitude, double latitude, double& x, double& y) noexcept;

// Albers with the cone of one ring.
struct AlbersPlane {
    projection::AlbersCone cone{};
    bool ok = false;
};
AlbersPlane fast_albers_plane(PyObject* datum, PyObject* crs, double cm, double origin,
                              double parallel1, double parallel2);
bool fast_albers(const AlbersPlane& p, double longitude, double latitude, double& x,
                 double& y) noexcept;

// Web Mercator on the radius of code 1984.
struct MercatorPlane {
    double a = 0.0;
    bool ok = false;
};
MercatorPlane fast_mercator_plane(PyObject* datum);
bool fast_mercator(const MercatorPlane& p, double longitude, double latitude, double& x,
                   double& y) noexcept;

// The record Projection.datum holds for a code, field `name` as a float
// (the plain case: an exact dict holding a record whose field is an exact
// float); false for anything else.
bool plain_record_field(PyObject* datum, PyObject* key, PyObject* name, double& out);

}  // namespace orb::topology
