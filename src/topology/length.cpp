// Topology.length.
//
// A segment whose ends share a 6-degree zone, or lie at most 6 degrees of
// longitude apart, is measured as the distance of its ends in one
// Gauss-Kruger plane; any other as the geodesic distance on the code's
// spheroid.  A code outside Projection.datum measures plane distances of
// the values as they stand.  Whatever fails while one segment is measured
// is raised again as "[...] in [coordinates] parameter.".
//
// While the module global Projection is the module's own class, the
// projection cores are called directly (see projection_route.h); a segment
// the own methods would refuse goes through the real calls, which raise.
#include "topology/length.h"

#include "frame/errors.h"
#include "topology/geodesic.h"
#include "topology/number.h"
#include "topology/projection_route.h"
#include "topology/pyobjects.h"
#include "topology/vertices.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace orb::topology {

namespace {

// sys.float_info.epsilon: central meridians closer than this are equal.
constexpr double kEpsilon = 2.220446049250313e-16;
// Ends at most this many degrees of longitude apart share one
// Gauss-Kruger plane about their mean longitude.
constexpr double kGaussKrugerSpan = 6.0;

// Raises the pending exception again as the base exception with its text
// in brackets, the caught one as its context; exceptions outside the
// Exception family (KeyboardInterrupt, SystemExit) pass unchanged.
[[noreturn]] void raise_in_coordinates() {
    if (!PyErr_ExceptionMatches(PyExc_Exception)) throw PyError{};
    Ref caught = Ref::steal(PyErr_GetRaisedException());
    const std::string message = "[" + str_of(caught) + "] in [coordinates] parameter.";
    Ref wrapped = call(PyExc_Exception, {text(message).get()});
    PyException_SetContext(wrapped, caught.release());
    PyErr_SetRaisedException(wrapped.release());
    throw PyError{};
}

// Latitudes outside [-90, +90] have no geodesic: refused with the range
// message the projections use.
void test_latitude(double v) {
    if (!(-90 <= v && v <= 90))
        raise_invalid_between("latitude", float_str(v), "-90 and +90");
}

// The spheroid of a code, read from Projection.datum.
struct Spheroid {
    double a, f;
};
Spheroid spheroid_of(PyObject* crs) {
    Ref record = Ref::steal(PyObject_GetItem(ProjectionRoute::datum(), crs));
    const double a = as_float(getattr(record, ORB_STR("a")));
    const double f = as_float(getattr(record, ORB_STR("f")));
    return {a, f};
}

double geodesic(const Spheroid& s, double lon1, double lat1, double lon2, double lat2) {
    test_latitude(lat1);
    test_latitude(lat2);
    return geodesic_distance(s.a, s.f, lon1, lat1, lon2, lat2).s12;
}

// --- one segment through the real calls --------------------------------------

Num distance_slow(double lon1, double lat1, double lon2, double lat2, PyObject* crs) {
    Ref lon1_obj = number(lon1), lon2_obj = number(lon2);
    const Num m1 = Num::of(ProjectionRoute::central_meridian(lon1_obj));
    const Num m2 = Num::of(ProjectionRoute::central_meridian(lon2_obj));
    Num m;
    if (less(absolute(sub(m1, m2)), Num(kEpsilon))) {
        m = m1;
    } else if (std::fabs(lon1 - lon2) <= kGaussKrugerSpan) {
        m = Num((lon1 + lon2) * 0.5);
    } else {
        return Num(geodesic(spheroid_of(crs), lon1, lat1, lon2, lat2));
    }
    Ref cm = m.object();
    Ref x1, y1, x2, y2;
    unpack2(ProjectionRoute::gauss_kruger(cm, lon1_obj, number(lat1), crs), x1, y1);
    unpack2(ProjectionRoute::gauss_kruger(cm, lon2_obj, number(lat2), crs), x2, y2);
    return edge_length(Num::of(x1), Num::of(y1), Num::of(x2), Num::of(y2));
}

Num segment_slow(PyObject* line, Py_ssize_t i, PyObject* crs) {
    Ref v1 = item_at(line, i), v2 = item_at(line, i + 1);
    try {
        Ref x1, y1, x2, y2;
        first_two(v1, x1, y1);
        first_two(v2, x2, y2);
        if (ProjectionRoute::has_code(crs)) {
            // Converted as a float parameter converts them.
            const double lon1 = as_float(x1), lat1 = as_float(y1);
            const double lon2 = as_float(x2), lat2 = as_float(y2);
            return distance_slow(lon1, lat1, lon2, lat2, crs);
        }
        return edge_length(Num::of(x1), Num::of(y1), Num::of(x2), Num::of(y2));
    } catch (const PyError&) {
        raise_in_coordinates();
    }
}

// --- fast segments ---------------------------------------------------------------

bool same_bits(double a, double b) noexcept { return std::memcmp(&a, &b, sizeof a) == 0; }

// The state of the fast loop over one line on a code of the table: the
// table's constants and the last Gauss-Kruger plane and projected point,
// which the next segment reuses when it starts there in the same plane.
struct FastLine {
    PyObject* crs;
    Ref datum;
    bool spheroid_ok = false;
    Spheroid spheroid{0, 0};
    GkPlane gk;
    bool have_last = false;
    double last_lon = 0, last_lat = 0, last_x = 0, last_y = 0;
};

bool gk_point(FastLine& s, double lon, double lat, double& x, double& y) {
    if (s.have_last && same_bits(lon, s.last_lon) && same_bits(lat, s.last_lat)) {
        x = s.last_x;
        y = s.last_y;
        return true;
    }
    return fast_gk(s.gk, lon, lat, x, y);
}

// Length of segment i, or false where the real calls have to measure it.
bool segment_fast(PyObject* line, Py_ssize_t i, FastLine& s, double& out) {
    double lon1, lat1, lon2, lat2;
    if (i + 1 >= PyList_GET_SIZE(line)) return false;
    if (!plain_xy(PyList_GET_ITEM(line, i), true, lon1, lat1) ||
        !plain_xy(PyList_GET_ITEM(line, i + 1), true, lon2, lat2))
        return false;
    double m1, m2;
    if (!fast_central_meridian(lon1, m1) || !fast_central_meridian(lon2, m2)) return false;
    double m;
    if (std::fabs(m1 - m2) < kEpsilon) {
        m = m1;
    } else if (std::fabs(lon1 - lon2) <= kGaussKrugerSpan) {
        m = (lon1 + lon2) * 0.5;
    } else {
        if (!s.spheroid_ok) return false;
        if (!(-90 <= lat1 && lat1 <= 90 && -90 <= lat2 && lat2 <= 90)) return false;
        out = geodesic_distance(s.spheroid.a, s.spheroid.f, lon1, lat1, lon2, lat2).s12;
        s.have_last = false;
        return true;
    }
    if (!s.gk.ok || !same_bits(s.gk.cm, m)) {
        s.gk = fast_gk_plane(s.datum, s.crs, m);
        s.have_last = false;
        if (!s.gk.ok) return false;
    }
    double x1, y1, x2, y2;
    if (!gk_point(s, lon1, lat1, x1, y1) || !fast_gk(s.gk, lon2, lat2, x2, y2)) return false;
    if (!float_distance(x2 - x1, y2 - y1, out)) return false;
    s.have_last = true;
    s.last_lon = lon2;
    s.last_lat = lat2;
    s.last_x = x2;
    s.last_y = y2;
    return true;
}

bool plane_segment_fast(PyObject* line, Py_ssize_t i, double& out) {
    double x1, y1, x2, y2;
    if (i + 1 >= PyList_GET_SIZE(line)) return false;
    // Plane distances of ints are exact integer arithmetic: left to the
    // interpreter.
    if (!plain_xy(PyList_GET_ITEM(line, i), false, x1, y1) ||
        !plain_xy(PyList_GET_ITEM(line, i + 1), false, x2, y2))
        return false;
    return float_distance(x2 - x1, y2 - y1, out);
}

// --- one line ----------------------------------------------------------------------

struct LineMeasure {
    Num length;
    Box box;
};

LineMeasure measure_line(PyObject* line, PyObject* crs) {
    Py_ssize_t n = vertex_count(line);
    std::vector<Py_ssize_t> repeats;
    const Box box = vertex_pass(line, n, repeats);
    if (!repeats.empty()) {
        delete_vertices(line, repeats);
        n = vertex_count(line);
    }
    if (n < 2)
        raise(PyExc_Exception, "At least 2 vertices are required in [coordinates] parameter.");

    std::vector<Num> lengths;
    lengths.reserve(static_cast<size_t>(n - 1));
    Py_ssize_t i = 0;
    const ProjectionRoute route = ProjectionRoute::current();
    const bool on_spheroid = ProjectionRoute::has_code(crs);
    if (!on_spheroid) {
        double d;
        for (; i < n - 1 && plane_segment_fast(line, i, d); ++i) lengths.emplace_back(d);
    } else if (route.own()) {
        FastLine s{crs, ProjectionRoute::datum()};
        s.spheroid_ok = plain_record_field(s.datum, crs, ORB_STR("a"), s.spheroid.a) &&
                        plain_record_field(s.datum, crs, ORB_STR("f"), s.spheroid.f);
        double d;
        for (; i < n - 1 && segment_fast(line, i, s, d); ++i) lengths.emplace_back(d);
    }
    // The rest through the real calls; the segment that stopped the fast
    // loop raises there.
    for (; i < n - 1; ++i) lengths.push_back(segment_slow(line, i, crs));
    return {py_sum(lengths), box};
}

Ref line_result(const Num& length, const Box& box) {
    return make_dict(
        {{ORB_STR("length"), length.object()}, {ORB_STR("boundary"), boundary_dict(box)}});
}

}  // namespace

Ref length(Args a) {
    PyObject* cls = a[0];
    PyObject* crs = a[2];
    Ref coords = coordinate_list(cls, a[1],
                                 "Invalid [coordinates] parameter. [\"coordinates\" not found]");
    if (!PyList_CheckExact(coords.get()) || PyList_GET_SIZE(coords.get()) == 0 ||
        !PyList_CheckExact(PyList_GET_ITEM(coords.get(), 0)) ||
        PyList_GET_SIZE(PyList_GET_ITEM(coords.get(), 0)) == 0)
        raise(PyExc_Exception, "Invalid [coordinates] parameter.");
    PyObject* first = PyList_GET_ITEM(coords.get(), 0);
    if (!PyList_CheckExact(PyList_GET_ITEM(first, 0))) {
        const LineMeasure m = measure_line(coords, crs);
        return line_result(m.length, m.box);
    }
    std::vector<LineMeasure> lines;
    for (Py_ssize_t k = 0; k < PyList_GET_SIZE(coords.get()); ++k) {
        Ref member = Ref::borrow(PyList_GET_ITEM(coords.get(), k));
        // None is refused like any other member that is not a list.
        require(member, Exact::List);
        lines.push_back(measure_line(member, crs));
    }
    std::vector<Num> lengths;
    std::vector<Box> boxes;
    for (const LineMeasure& m : lines) {
        lengths.push_back(m.length);
        boxes.push_back(m.box);
    }
    return line_result(py_sum(lengths), joined_box(boxes));
}

}  // namespace orb::topology
