// Topology.area.
//
// Each ring is closed, cleared of repeated vertices and measured by the
// shoelace sum and the sum of its edge lengths in one plane: Gauss-Kruger
// when it spans at most 6 degrees (about its zone's meridian when its west
// and east edges share a zone, else about its middle), else Albers with a
// cone fitted to its box when it keeps to one side of the equator, else web
// Mercator; a code outside Projection.datum measures the values as they
// stand.  The ring of largest area is the outer ring; the others are
// subtracted, moved behind it and reoriented in the caller's lists.
//
// A ring on a code of Projection.datum is read the short way round: a step
// of more than half a turn in longitude between consecutive vertices
// crosses the antimeridian.  Such a ring is measured in the plane of its
// unwrapped longitudes (the span and the middle of its continuous range),
// and its box is written across the antimeridian (west greater than east).
// A ring that, read so, winds once round a pole encloses that pole: it is
// measured in the Albers plane (the cone fitted to its vertices' latitudes)
// as the polygon closed through the pole, and its box runs from -180 to 180
// and to the pole.
//
// Every edge projects both of its ends through the module global
// Projection.  While that is the module's own class the cores are called
// directly and each vertex is projected once (the projection of a point is
// the same whichever edge asks for it); a value the own methods would
// refuse sends that edge through the real calls, which raise.
#include "topology/area.h"

#include "projection/zones.h"
#include "topology/number.h"
#include "topology/projection_route.h"
#include "topology/pyobjects.h"
#include "topology/vertices.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace orb::topology {

namespace {

// sys.float_info.epsilon: central meridians closer than this are equal.
constexpr double kEpsilon = 2.220446049250313e-16;
// Rings spanning at most this many degrees of longitude stay in one
// Gauss-Kruger plane even across a zone boundary.
constexpr double kGaussKrugerSpan = 6;
// Half a turn and a turn of longitude, degrees; the latitude of the poles.
constexpr double kHalfTurn = 180;
constexpr double kTurn = 360;
constexpr double kPole = 90;
// Degrees of longitude between the points that trace a pole in the Albers
// plane, where it is an arc round the cone's apex: the chords lose at most
// 4e-7 of a polar cap's area (6e-6 at a step of 1 degree, for a cap at 30
// degrees of latitude).
constexpr double kPoleStep = 0.25;

[[noreturn]] void invalid_shape() {
    raise(PyExc_Exception, "Invalid geometric shape in [coordinates] parameter.");
}

enum class Mode : unsigned char { GaussKruger, Albers, Mercator, Plane };

// The plane of one ring, and the arguments every edge passes on.
struct RingPlane {
    Mode mode;
    PyObject* crs;
    Num cm;                                      // Gauss-Kruger meridian
    double albers_cm, origin, parallel1, parallel2;  // Albers cone
    // Web Mercator across the antimeridian: vertex k lies turns[k] x
    // `period` east of where its own longitude projects (empty otherwise).
    std::vector<int> turns;
    Num period;
    // Albers for a ring that runs the whole turn from -180 to 180: a vertex
    // at 180 lies on the east edge of the cone.
    bool east_edge = false;
};

// The x shift of vertex k, as a count of periods; 0 for a ring read as
// written and for an index the ring no longer has.
int turns_of(const RingPlane& p, Py_ssize_t k, Py_ssize_t size) {
    if (p.turns.empty()) return 0;
    if (k < 0) k += size;
    if (k < 0 || static_cast<size_t>(k) >= p.turns.size()) return 0;
    return p.turns[static_cast<size_t>(k)];
}

// --- rings across the antimeridian -----------------------------------------------

// A ring read the short way round: lon[k] + 360 turns[k] runs continuously
// from `west` (in [-180, 180)) to `east`, less than a turn further; or,
// with `winding` not 0, the ring comes back that many turns from where it
// started and winds round a pole (only `turns` is set then).
struct Unwrapped {
    std::vector<int> turns;
    int winding = 0;
    double west = 0, east = 0;
    size_t west_at = 0, east_at = 0;  // vertices of the two extremes
};

// The short reading of a closed ring of longitudes xs, when it differs from
// the ring as written: some step crosses the antimeridian, and read that
// way the ring winds round a pole or closes and spans less than a turn.
// Otherwise nothing, and the ring is measured as written: every step is at
// most half a turn, a value is no longitude in range (the ring fails the
// range tests, or holds plane values), or the ring closes but spans a turn
// or more.
std::optional<Unwrapped> unwrap(const std::vector<double>& xs) {
    const size_t n = xs.size();
    // Nearly every ring has no step across: it is found so before anything
    // is allocated.
    bool crosses = false;
    for (size_t k = 0; k < n; ++k) {
        if (!projection::in_longitude_range(xs[k])) return std::nullopt;
        if (k > 0 && std::fabs(xs[k] - xs[k - 1]) > kHalfTurn) crosses = true;
    }
    if (!crosses) return std::nullopt;
    Unwrapped u;
    u.turns.assign(n, 0);
    for (size_t k = 1; k < n; ++k) {
        const double step = xs[k] - xs[k - 1];
        int t = u.turns[k - 1];
        if (step > kHalfTurn)
            --t;
        else if (step < -kHalfTurn)
            ++t;
        u.turns[k] = t;
    }
    // The closing vertex repeats the first: a ring round a pole comes back
    // a turn away from where it started.
    u.winding = u.turns[n - 1];
    if (u.winding != 0) return u;
    auto at = [&](size_t k) { return xs[k] + kTurn * u.turns[k]; };
    for (size_t k = 1; k < n; ++k) {
        if (at(k) < at(u.west_at)) u.west_at = k;
        if (at(k) > at(u.east_at)) u.east_at = k;
    }
    // Whole turns so that the west edge lies in [-180, 180).
    const int shift = static_cast<int>(std::floor((at(u.west_at) + kHalfTurn) / kTurn));
    if (shift != 0)
        for (int& t : u.turns) t -= shift;
    u.west = at(u.west_at);
    u.east = at(u.east_at);
    if (!(u.east - u.west < kTurn)) return std::nullopt;
    return u;
}

// The box of an unwrapped ring as written for the caller: the longitudes of
// its west and east vertices, so east is less than west when the ring
// crosses the antimeridian; an edge that unwraps to exactly -180 (west) or
// 180 (east) is written so, and the box does not cross.
Box box_across(const Unwrapped& u, const std::vector<double>& xs, const Box& box) {
    return {u.west == -kHalfTurn ? -kHalfTurn : xs[u.west_at], box.south,
            u.east == kHalfTurn ? kHalfTurn : xs[u.east_at], box.north};
}

// --- rings round a pole -----------------------------------------------------------

// The latitude of the pole a ring that winds round one encloses: the pole
// on its side of the equator.  A ring that winds more than once, or that
// reaches both sides of the equator (or lies on it), has no plane here.
double enclosed_pole(const Unwrapped& u, const Box& box) {
    if (u.winding != 1 && u.winding != -1)
        raise(PyExc_Exception,
              "Invalid [coordinates] parameter. A ring should wind round a pole at most once.");
    if (box.south >= 0 && box.north > 0) return kPole;
    if (box.north <= 0 && box.south < 0) return -kPole;
    raise(PyExc_Exception,
          "Invalid [coordinates] parameter. A ring that winds round a pole should keep to one "
          "side of the equator.");
}

// The box of a ring round a pole as RFC 7946 writes a box holding a pole:
// every longitude, and from the ring to the pole.
Box box_round_pole(const Box& box, double pole) {
    if (pole > 0) return {-kHalfTurn, box.south, kHalfTurn, kPole};
    return {-kHalfTurn, -kPole, kHalfTurn, box.north};
}

// A ring round a pole closed through it, as a new list: each step across
// the antimeridian is cut on the meridian 180 (its latitude there taken in
// proportion to longitude along the step), and the two sides of the cut
// are joined up that meridian, over the pole and back down.  Once, at the
// first step across in the sense the ring winds, the way over the pole
// follows the pole the long way round; every other step across goes
// straight from the pole's point at 180 to its point at -180, and these
// cancel in pairs, so a ring crossing back and forth adds four vertices a
// crossing.  The vertices are the ring's own objects and new [longitude,
// latitude] lists; own[i] tells whether the edge ending at vertex i is a
// piece of the ring's own edges, which the way over the pole is not.
struct ClosedRing {
    Ref ring;
    std::vector<bool> own;
};

ClosedRing closed_through_pole(PyObject* ring, const std::vector<double>& xs,
                               const std::vector<double>& ys, const Unwrapped& u, double pole) {
    require(ring, Exact::List);
    ClosedRing c{Ref::steal(PyList_New(0)), {}};
    auto put = [&](PyObject* vertex, bool own) {
        append(c.ring, vertex);
        c.own.push_back(own);
    };
    auto put_new = [&](double longitude, double latitude, bool own) {
        put(Ref::steal(Py_BuildValue("[dd]", longitude, latitude)), own);
    };
    constexpr int kPolePoints = static_cast<int>(kTurn / kPoleStep);
    const std::vector<int>& turns = u.turns;
    bool round = false;
    // Sizes read anew at each vertex: the list is the caller's.
    for (Py_ssize_t k = 0; k < PyList_GET_SIZE(ring); ++k) {
        const size_t j = static_cast<size_t>(k);
        if (k > 0 && j < turns.size() && j < ys.size() && turns[j] != turns[j - 1]) {
            // Eastward across 180 when the count of turns goes up.
            const bool eastward = turns[j] > turns[j - 1];
            const double cut = eastward ? kHalfTurn : -kHalfTurn;
            const double step = xs[j] - xs[j - 1] + (eastward ? kTurn : -kTurn);
            // A step of no longitude (from 180 to -180 or back) is cut at
            // its start.
            const double t = step != 0 ? (cut - xs[j - 1]) / step : 0.0;
            const double latitude = ys[j - 1] + (ys[j] - ys[j - 1]) * t;
            put_new(cut, latitude, true);
            if (!round && eastward == (u.winding > 0)) {
                round = true;
                const double toward = eastward ? -kPoleStep : kPoleStep;
                for (int s = 0; s <= kPolePoints; ++s) put_new(cut + s * toward, pole, false);
            } else {
                put_new(cut, pole, false);
                put_new(-cut, pole, false);
            }
            put_new(-cut, latitude, false);
        }
        put(Ref::borrow(PyList_GET_ITEM(ring, k)), true);
    }
    return c;
}

// --- edges along a pole ----------------------------------------------------------

// An edge between two vertices on the same pole is one point on the
// spheroid and has no length.  The Albers plane draws the pole as an arc
// round the cone's apex, and that arc would otherwise count in the
// perimeter by how the pole is stepped (one edge or one a degree).  Plane
// values are no latitudes.
int pole_of(double latitude) { return latitude == kPole ? 1 : latitude == -kPole ? -1 : 0; }
// A value of the edges through the real calls: any float (a subclass, such
// as numpy.float64, included) by the double it holds, which is what float's
// own comparison and abs() read, and an int by its exact value, so that 90
// is on the pole whatever number type carries it.  Both are read without
// running interpreter code; a value of any other type (a Fraction, a
// Decimal, which only a host's projection takes) would compare by its own
// code, and keeps its edges.
int pole_of(PyObject* latitude) {
    if (PyFloat_Check(latitude)) return pole_of(PyFloat_AS_DOUBLE(latitude));
    if (!PyLong_Check(latitude)) return 0;
    int overflow = 0;
    const long v = PyLong_AsLongAndOverflow(latitude, &overflow);
    if (overflow) return 0;
    return v == static_cast<long>(kPole) ? 1 : v == -static_cast<long>(kPole) ? -1 : 0;
}
bool along_pole(int a, int b) { return a != 0 && a == b; }

// --- one edge through the real calls ------------------------------------------

// The projection puts a longitude half a turn from the central meridian on
// the west edge of the cone.  Of a ring from -180 to 180, about the
// meridian 0, the vertices at 180 belong on the east edge: the mirror image
// in the central meridian, x negated.
bool at_east_edge(PyObject* longitude) { return equal(Num::of(longitude), Num(kHalfTurn)); }

void project_slow(const RingPlane& p, Ref& x, Ref& y) {
    Ref pair;
    switch (p.mode) {
        case Mode::GaussKruger:
            pair = ProjectionRoute::gauss_kruger(p.cm.object(), x, y, p.crs);
            break;
        case Mode::Albers:
            pair = ProjectionRoute::albers(x, y, number(p.albers_cm), number(p.origin),
                                           number(p.parallel1), number(p.parallel2), p.crs);
            break;
        case Mode::Mercator: pair = ProjectionRoute::web_mercator(x, y); break;
        case Mode::Plane: return;
    }
    unpack2(pair, x, y);
}

struct Edge {
    Num term;          // shoelace term
    Num length;
    bool along_pole;   // both ends on one pole: no length on the spheroid
};

// The edge from vertex i - 1 to vertex i.
Edge edge_slow(PyObject* ring, Py_ssize_t i, const RingPlane& p) {
    require(ring, Exact::List);
    Ref vi = item_at(ring, i), vj = item_at(ring, i - 1);
    Ref xi, yi, xj, yj;
    first_two(vi, xi, yi);
    first_two(vj, xj, yj);
    const Ref lon_i = xi, lon_j = xj;
    const bool pole = p.mode != Mode::Plane && along_pole(pole_of(yi), pole_of(yj));
    if (p.mode == Mode::Albers) {
        // A ring south of the equator is projected as its mirror image.
        yi = Ref::steal(PyNumber_Absolute(yi));
        yj = Ref::steal(PyNumber_Absolute(yj));
    }
    project_slow(p, xi, yi);
    project_slow(p, xj, yj);
    Num Xi = Num::of(xi), Xj = Num::of(xj);
    if (p.east_edge) {
        if (at_east_edge(lon_i)) Xi = mul(Num(-1.0), Xi);
        if (at_east_edge(lon_j)) Xj = mul(Num(-1.0), Xj);
    }
    const Num Yi = Num::of(yi), Yj = Num::of(yj);
    const Py_ssize_t size = PyList_GET_SIZE(ring);
    if (const int t = turns_of(p, i, size)) Xi = add(Xi, mul(Num(t), p.period));
    if (const int t = turns_of(p, i - 1, size)) Xj = add(Xj, mul(Num(t), p.period));
    // (yj - yi) * (xj + xi), the difference first as the interpreter takes
    // it: the operands of one C++ call are evaluated in no fixed order.
    const Num dy = sub(Yj, Yi);
    Num term = mul(dy, add(Xj, Xi));
    Num length = edge_length(Xi, Yi, Xj, Yj);
    return {term, length, pole};
}

// --- fast edges ----------------------------------------------------------------

// The planes of the own projection methods for one ring.
struct FastPlanes {
    GkPlane gk;
    AlbersPlane albers;
    MercatorPlane mercator;
};

// Vertex k of the ring in the ring's plane, and the pole it lies on (see
// pole_of), or false where the real call has to be made.
bool project_fast(PyObject* ring, Py_ssize_t k, const RingPlane& p, const FastPlanes& f,
                  double& x, double& y, int& pole) {
    if (k < 0) k += PyList_GET_SIZE(ring);
    if (k < 0 || k >= PyList_GET_SIZE(ring)) return false;
    double lon, lat;
    if (!plain_xy(PyList_GET_ITEM(ring, k), false, lon, lat)) return false;
    pole = p.mode == Mode::Plane ? 0 : pole_of(lat);
    switch (p.mode) {
        case Mode::GaussKruger: return fast_gk(f.gk, lon, lat, x, y);
        case Mode::Albers:
            if (!fast_albers(f.albers, lon, std::fabs(lat), x, y)) return false;
            if (p.east_edge && lon == kHalfTurn) x = -x;
            return true;
        case Mode::Mercator: {
            if (!fast_mercator(f.mercator, lon, lat, x, y)) return false;
            if (const int t = turns_of(p, k, PyList_GET_SIZE(ring))) {
                if (!p.period.is_double()) return false;
                x = x + t * p.period.d();
            }
            return true;
        }
        case Mode::Plane: x = lon; y = lat; return true;
    }
    return false;
}

// Sums of one ring's edges, in index order, by plain addition from 0.0.
struct RingSums {
    Num cross{0.0};
    Num perimeter{0.0};
};

// With `own`, only the edges it marks add to the perimeter (edge i ends at
// vertex i), and no edge along a pole adds to it; every edge adds to the
// shoelace sum.
RingSums sum_edges(PyObject* ring, Py_ssize_t n, const RingPlane& p, bool fast,
                   const std::vector<bool>* own = nullptr) {
    auto counts = [own](Py_ssize_t i) {
        return !own || static_cast<size_t>(i) >= own->size() || (*own)[static_cast<size_t>(i)];
    };
    RingSums s;
    Py_ssize_t i = 0;
    if (fast && PyList_CheckExact(ring)) {
        FastPlanes f;
        Ref datum = p.mode == Mode::Plane ? Ref() : ProjectionRoute::datum();
        if (p.mode == Mode::GaussKruger) {
            fast = p.cm.is_double();
            if (fast) f.gk = fast_gk_plane(datum, p.crs, p.cm.d());
        } else if (p.mode == Mode::Albers) {
            f.albers = fast_albers_plane(datum, p.crs, p.albers_cm, p.origin, p.parallel1,
                                         p.parallel2);
        } else if (p.mode == Mode::Mercator) {
            f.mercator = fast_mercator_plane(datum);
        }
        double cross = 0.0, perimeter = 0.0;
        double xi = 0, yi = 0, xj = 0, yj = 0, xlast = 0, ylast = 0;
        int pi = 0, pj = 0, plast = 0;
        bool ok = fast && n > 0 && project_fast(ring, 0, p, f, xi, yi, pi) &&
                  project_fast(ring, n - 1, p, f, xlast, ylast, plast);
        if (ok) {
            xj = xlast;
            yj = ylast;
            pj = plast;
            for (; i < n; ++i) {
                if (i > 0) {
                    xj = xi;
                    yj = yi;
                    pj = pi;
                    if (i == n - 1) {
                        xi = xlast;
                        yi = ylast;
                        pi = plast;
                    } else if (!project_fast(ring, i, p, f, xi, yi, pi)) {
                        break;
                    }
                }
                double length;
                if (!float_distance(xj - xi, yj - yi, length)) break;
                cross = cross + (yj - yi) * (xj + xi);
                if (counts(i) && !along_pole(pj, pi)) perimeter = perimeter + length;
            }
        }
        s.cross = Num(cross);
        s.perimeter = Num(perimeter);
    }
    // The rest (all of it when the fast route does not apply) through the
    // real calls: the edge that stopped the fast loop raises there.
    for (; i < n; ++i) {
        const Edge e = edge_slow(ring, i, p);
        s.cross = add(s.cross, e.term);
        if (counts(i) && !e.along_pole) s.perimeter = add(s.perimeter, e.length);
    }
    return s;
}

// --- one ring --------------------------------------------------------------------

struct RingMeasure {
    Num area;
    Num perimeter;
    Box box;
    int sign;
    bool across;  // the box is written across the antimeridian
};

// (v > 0) - (v < 0), against the int 0.
int sign_of(const Num& v) {
    if (v.is_double()) return (v.d() > 0) - (v.d() < 0);
    const Num zero = Num::of(integer(0));
    const int gt = greater(v, zero);
    return gt - less(v, zero);
}

// The web Mercator easting of a whole turn, x(180) - x(-180) at the
// equator, by the same route as the ring's vertices.
Num mercator_period(const ProjectionRoute& route) {
    if (route.own()) {
        const MercatorPlane plane = fast_mercator_plane(ProjectionRoute::datum());
        double east = 0, west = 0, y = 0;
        if (fast_mercator(plane, kHalfTurn, 0.0, east, y) &&
            fast_mercator(plane, -kHalfTurn, 0.0, west, y))
            return Num(east - west);
    }
    Ref east_x, west_x, y;
    unpack2(ProjectionRoute::web_mercator(number(kHalfTurn), number(0.0)), east_x, y);
    unpack2(ProjectionRoute::web_mercator(number(-kHalfTurn), number(0.0)), west_x, y);
    return sub(Num::of(east_x), Num::of(west_x));
}

Num central_meridian(const ProjectionRoute& route, double longitude) {
    double cm;
    if (route.own() && fast_central_meridian(longitude, cm)) return Num(cm);
    return Num::of(ProjectionRoute::central_meridian(number(longitude)));
}

RingMeasure measure_ring(PyObject* ring, PyObject* crs) {
    if (vertex_count(ring) < 3)
        raise(PyExc_Exception, "At least 3 vertices are required in [coordinates] parameter.");
    {
        Ref first = item_at(ring, 0);
        Ref last = item_at(ring, -1);
        VertexText first_text(first), last_text(last);
        if (!first_text.same_as(last_text)) {
            // Closed with the first vertex object itself.
            if (PyList_CheckExact(ring)) {
                if (PyList_Append(ring, first) < 0) throw PyError{};
            } else {
                call_method(ring, ORB_STR("append"), {first.get()});
            }
        }
    }
    Py_ssize_t n = vertex_count(ring);
    std::vector<Py_ssize_t> repeats;
    std::vector<double> xs, ys;
    Box box = vertex_pass(ring, n, repeats, &xs, &ys);
    if (!repeats.empty()) {
        delete_vertices(ring, repeats);
        n = vertex_count(ring);
    }

    // West and east of the plane choice: the box's, or for a ring across
    // the antimeridian the ends of its continuous range, east beyond 180.
    // A ring round a pole spans the whole turn from -180 to 180.
    double west = box.west, east = box.east;
    // The latitudes an Albers cone is fitted to: those of the ring's
    // vertices, also for a ring round a pole, whose box reaches the pole
    // (a cone fitted to the box would stretch the ring's own parallels).
    const double cone_south = box.south, cone_north = box.north;
    std::optional<Unwrapped> across = unwrap(xs);
    if (across && !ProjectionRoute::has_code(crs)) across.reset();  // plane values
    std::optional<Unwrapped> round_pole;
    double pole = 0;
    if (across && across->winding != 0) {
        pole = enclosed_pole(*across, box);
        round_pole = std::move(across);
        across.reset();
        box = box_round_pole(box, pole);
        west = box.west;
        east = box.east;
    } else if (across) {
        box = box_across(*across, xs, box);
        west = across->west;
        east = across->east;
    }

    const ProjectionRoute route = ProjectionRoute::current();
    const Num west6 = central_meridian(route, box.west);
    const Num east6 = central_meridian(route, box.east);
    // One Gauss-Kruger plane holds a ring of at most a zone's width: about
    // the zone's meridian when both edges lie in one zone, else about the
    // ring's middle.  Sharing a zone meridian says nothing of the width:
    // -180 and 180 lie in one zone, and so do two edges a turn apart across
    // the antimeridian.
    const bool narrow = east - west <= kGaussKrugerSpan;
    const bool one_zone = less(absolute(sub(east6, west6)), Num(kEpsilon)) && narrow;
    const bool gaussian = narrow && ProjectionRoute::has_code(crs);
    const bool cartesian = !ProjectionRoute::has_code(crs);
    // The middle of the range, within [-180, 180] again.
    const double middle =
        across ? projection::wrapped_longitude((east + west) * 0.5) : (east + west) * 0.5;

    RingPlane p{Mode::Plane, crs, Num(0.0), 0, 0, 0, 0, {}, Num(0.0)};
    if (gaussian) {
        p.mode = Mode::GaussKruger;
        p.cm = one_zone ? west6 : Num(middle);
    } else if (cartesian) {
        p.mode = Mode::Plane;
    } else if (box.south * box.north >= 0) {
        p.mode = Mode::Albers;
        const double s = std::fabs(cone_south), t = std::fabs(cone_north);
        const double lo = t < s ? t : s;
        const double hi = t > s ? t : s;
        // Standard parallels at 2/7 and 5/7 of the ring's latitude range.
        p.albers_cm = middle;
        p.origin = lo;
        p.parallel1 = lo + (hi - lo) * 2 / 7;
        p.parallel2 = lo + (hi - lo) * 5 / 7;
        p.east_edge = !across && box.west == -kHalfTurn && box.east == kHalfTurn;
        // A ring on the equator has no cone (n = 0): its shape cannot be
        // measured in this plane.
        pymath::MathStatus st;
        const projection::AlbersCone cone =
            projection::albers_cone(1.0, p.albers_cm, p.origin, p.parallel1, p.parallel2, st);
        if (cone.n == 0.0) invalid_shape();
    } else {
        p.mode = Mode::Mercator;
        if (across) {
            p.turns = std::move(across->turns);
            p.period = mercator_period(route);
        }
    }

    // Plane mode needs no projection; exact floats are summed directly there
    // too, and anything else through the interpreter's arithmetic.
    const bool fast = route.own() || p.mode == Mode::Plane;
    RingSums sums;
    if (round_pole) {
        // Measured in the Albers plane, where the pole is an arc round the
        // apex: the area between the ring and that arc is the cap.
        const ClosedRing closed = closed_through_pole(ring, xs, ys, *round_pole, pole);
        sums = sum_edges(closed.ring, PyList_GET_SIZE(closed.ring.get()), p, fast, &closed.own);
    } else {
        sums = sum_edges(ring, n, p, fast);
    }
    return {mul(Num(0.5), absolute(sums.cross)), sums.perimeter, box, sign_of(sums.cross),
            across && box.west > box.east};
}

// --- one polygon -----------------------------------------------------------------

// The box around boxes of which some cross the antimeridian (west greater
// than east): south and north as joined_box gives them, and the shortest
// run of longitude, eastward from west to east, that covers every box,
// found as the complement of the widest gap between them.  Boxes covering
// every longitude give -180 to 180.
Box joined_box_across(const std::vector<Box>& boxes) {
    // Each box as one or two runs within [-180, 180], by west.
    std::vector<std::pair<double, double>> runs;
    for (const Box& b : boxes) {
        if (b.west > b.east) {
            runs.emplace_back(b.west, kHalfTurn);
            runs.emplace_back(-kHalfTurn, b.east);
        } else {
            runs.emplace_back(b.west, b.east);
        }
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    // Walking east, a gap opens where a run starts beyond every run so far.
    // The circle closes without one: a crossing box gives a run ending at
    // 180 and one starting at -180.
    double gap = 0, west = -kHalfTurn, east = kHalfTurn;
    double reach = runs.front().second;
    for (size_t k = 1; k < runs.size(); ++k) {
        if (runs[k].first - reach > gap) {
            gap = runs[k].first - reach;
            west = runs[k].first;
            east = reach;
        }
        if (runs[k].second > reach) reach = runs[k].second;
    }
    const Box j = joined_box(boxes);
    return {west, j.south, east, j.north};
}

struct PolygonMeasure {
    Num area;
    Num perimeter;
    Box box;
    bool across;
};

PolygonMeasure measure_polygon(PyObject* polygon, PyObject* crs) {
    std::vector<RingMeasure> rings;
    for (Py_ssize_t k = 0; k < PyList_GET_SIZE(polygon); ++k) {
        Ref ring = Ref::borrow(PyList_GET_ITEM(polygon, k));
        rings.push_back(measure_ring(ring, crs));
    }
    if (rings.empty()) raise(PyExc_Exception, "Invalid polygon in [coordinates] parameter.");

    // The largest area, of equal ones the first, is the outer ring.
    size_t max_at = 0;
    Num max_area = rings[0].area;
    for (size_t k = 1; k < rings.size(); ++k)
        if (greater(rings[k].area, max_area)) {
            max_area = rings[k].area;
            max_at = k;
        }
    size_t outer = max_at;
    for (size_t k = 0; k < max_at; ++k) {
        if (equal(rings[k].area, max_area)) {
            outer = k;
            break;
        }
    }
    Num area = max_area;
    for (size_t k = 0; k < rings.size(); ++k)
        if (k != outer) area = sub(area, rings[k].area);

    std::vector<int> signs;
    for (const RingMeasure& r : rings) signs.push_back(r.sign);
    if (outer != 0) {
        Ref a = item_at(polygon, 0);
        Ref b = item_at(polygon, static_cast<Py_ssize_t>(outer));
        if (PyList_SetItem(polygon, 0, b.release()) < 0) throw PyError{};
        if (PyList_SetItem(polygon, static_cast<Py_ssize_t>(outer), a.release()) < 0)
            throw PyError{};
        std::swap(signs[0], signs[outer]);
    }
    // The outer ring ends with a negative shoelace sum (counter-clockwise in
    // its plane), every other ring with a positive one.
    for (size_t k = 0; k < signs.size(); ++k) {
        const int target = k == 0 ? -1 : 1;
        if (signs[k] == 0) invalid_shape();
        if (signs[k] == target) continue;
        Ref ring = item_at(polygon, static_cast<Py_ssize_t>(k));
        Ref reversed = Ref::steal(PySequence_GetSlice(ring, 0, PY_SSIZE_T_MAX));
        if (!PyList_CheckExact(reversed.get()))
            require(ring, Exact::List);
        if (PyList_Reverse(reversed) < 0) throw PyError{};
        if (PyList_SetItem(polygon, static_cast<Py_ssize_t>(k), reversed.release()) < 0)
            throw PyError{};
    }
    return {area, rings[outer].perimeter, rings[outer].box, rings[outer].across};
}

}  // namespace

Ref area(Args a) {
    PyObject* cls = a[0];
    PyObject* crs = a[2];
    Ref coords = coordinate_list(cls, a[1],
                                 "Invalid [coordinates] parameter. [\"coordinates\" key-name not found]");
    if (!PyList_CheckExact(coords.get()) || PyList_GET_SIZE(coords.get()) == 0)
        raise(PyExc_Exception, "Invalid [coordinates] parameter.");
    // By nesting depth alone: a ring becomes a polygon of one ring.
    if (!PyList_CheckExact(item_at(item_at(coords, 0), 0).get())) {
        Ref wrapped = Ref::steal(PyList_New(0));
        if (PyList_Append(wrapped, coords) < 0) throw PyError{};
        coords = wrapped;
    }
    const bool multi = PyList_CheckExact(item_at(item_at(item_at(coords, 0), 0), 0).get());

    if (!multi) {
        const PolygonMeasure m = measure_polygon(coords, crs);
        return make_dict({{ORB_STR("area"), m.area.object()},
                          {ORB_STR("perimeter"), m.perimeter.object()},
                          {ORB_STR("boundary"), boundary_dict(m.box)},
                          {ORB_STR("type"), ORB_STR("Polygon")}});
    }
    std::vector<PolygonMeasure> polygons;
    for (Py_ssize_t k = 0; k < PyList_GET_SIZE(coords.get()); ++k) {
        Ref member = Ref::borrow(PyList_GET_ITEM(coords.get(), k));
        // None is refused like any other member that is not a list.
        require(member, Exact::List);
        polygons.push_back(measure_polygon(member, crs));
    }
    std::vector<Num> areas, perimeters;
    std::vector<Box> boxes;
    bool across = false;
    for (const PolygonMeasure& m : polygons) {
        areas.push_back(m.area);
        perimeters.push_back(m.perimeter);
        boxes.push_back(m.box);
        across = across || m.across;
    }
    const Box joined = across ? joined_box_across(boxes) : joined_box(boxes);
    return make_dict({{ORB_STR("type"), ORB_STR("MultiPolygon")},
                      {ORB_STR("area"), py_sum(areas).object()},
                      {ORB_STR("perimeter"), py_sum(perimeters).object()},
                      {ORB_STR("boundary"), boundary_dict(joined)}});
}

}  // namespace orb::topology
