// MapGrid.grid: the sheet lines of one scale for a view window, produced
// one at a time as the host iterates.
//
// Line positions come from an integer line index, written exactly as the
// south or west edge of the sheet they bound, so a line lies on the edge
// that MapGrid.map and MapGrid.parse report, no rounding accumulates, and
// the run visits exactly the positions that the summary counts.
#include "mapgrid/mapgrid.h"
#include "mapgrid/sheet.h"

#include "frame/errors.h"

#include <cmath>
#include <cstdint>

namespace mapgrid {

namespace {

// Scale of a display zoom level: 6 is 1:500,000, each level up one rung of
// the ladder, 16 and above 1:500; 5 and below 1:1,000,000.
const Scale& scale_of_zoom(PyObject* zoom) {
    int overflow = 0;
    const long long z = PyLong_AsLongLongAndOverflow(zoom, &overflow);
    orb::check_error();
    if (overflow > 0 || (overflow == 0 && z >= 16)) return kLadder[kLadderSize - 1];
    if (overflow == 0 && z >= 6) return kLadder[z - 5];
    return kLadder[0];
}

orb::Ref pair(PyObject* a, PyObject* b) {
    orb::Ref list = orb::Ref::steal(PyList_New(2));
    PyList_SET_ITEM(list.get(), 0, orb::Ref::borrow(a).release());
    PyList_SET_ITEM(list.get(), 1, orb::Ref::borrow(b).release());
    return list;
}

class GridRun : public orb::Producer {
public:
    GridRun(double north, double south, double west, double east, const Scale& s, bool summary)
        : north_(north), south_(south), west_(west), east_(east), s_(s), summary_(summary) {
        // Widen the window outward to whole lines: the nearest line at or
        // beyond each edge.  The quotient gives the index up to one line,
        // as it can round across an edge that lies on a line.
        iw_ = outward(std::floor(west / s.width), west, -1, meridian_at);
        ie_ = outward(std::ceil(east / s.width), east, +1, meridian_at);
        is_ = outward(std::floor(south / s.height), south, -1, parallel_at);
        in_ = outward(std::ceil(north / s.height), north, +1, parallel_at);
        westGrid_ = meridian_at(iw_, s.n);
        eastGrid_ = meridian_at(ie_, s.n);
        southGrid_ = parallel_at(is_, s.n);
        northGrid_ = parallel_at(in_, s.n);
        k_ = iw_;
    }

    orb::Ref next(PyObject*) override {
        if (summary_) return summary();
        // Meridians west to east, then parallels south to north; positions
        // outside the view are passed over.
        while (phase_ == Phase::Meridians) {
            if (k_ > ie_) {
                phase_ = Phase::Parallels;
                k_ = is_;
                break;
            }
            const double lng = meridian_at(k_++, s_.n);
            if (west_ <= lng && lng <= east_) {
                const double y0 = south_ > southGrid_ ? south_ : southGrid_;
                const double y1 = north_ < northGrid_ ? north_ : northGrid_;
                orb::Ref x = orb::number(lng);
                return line(ORB_STR("longitude"), pair(x, orb::number(y0)), pair(x, orb::number(y1)));
            }
        }
        while (phase_ == Phase::Parallels) {
            if (k_ > in_) {
                phase_ = Phase::Done;
                break;
            }
            const double lat = parallel_at(k_++, s_.n);
            if (south_ <= lat && lat <= north_) {
                const double x0 = west_ > westGrid_ ? west_ : westGrid_;
                const double x1 = east_ < eastGrid_ ? east_ : eastGrid_;
                orb::Ref y = orb::number(lat);
                return line(ORB_STR("latitude"), pair(orb::number(x0), y), pair(orb::number(x1), y));
            }
        }
        return orb::Ref();
    }

private:
    enum class Phase : unsigned char { Meridians, Parallels, Done };

    // Index of the line nearest to `edge` on the side `dir` (-1 for west or
    // south, +1 for east or north), starting from the estimate `guess`.
    std::int64_t outward(double guess, double edge, int dir, double (*at)(std::int64_t, int)) const {
        std::int64_t k = static_cast<std::int64_t>(guess);
        if (dir < 0) {
            if (at(k, s_.n) > edge) --k;
            else if (at(k + 1, s_.n) <= edge) ++k;
        } else {
            if (at(k, s_.n) < edge) ++k;
            else if (at(k - 1, s_.n) >= edge) --k;
        }
        return k;
    }

    orb::Ref line(PyObject* remarks, orb::Ref from, orb::Ref to) {
        orb::Ref d = new_dict();
        put(d, ORB_STR("remarks"), remarks);
        put(d, ORB_STR("type"), ORB_STR("LineString"));
        put(d, ORB_STR("coordinates"), pair(from, to));
        put(d, ORB_STR("scale"), orb::integer(s_.denominator));
        return d;
    }

    // The one summary item; the request after it ends the run.
    orb::Ref summary() {
        if (phase_ == Phase::Done) return orb::Ref();
        phase_ = Phase::Done;
        orb::Ref d = new_dict();
        put(d, ORB_STR("count"), pair(orb::integer(ie_ - iw_ + 1), orb::integer(in_ - is_ + 1)));
        put(d, ORB_STR("step"), pair(orb::number(s_.width), orb::number(s_.height)));
        put(d, ORB_STR("scale"), orb::integer(s_.denominator));
        return d;
    }

    double north_, south_, west_, east_;
    const Scale& s_;
    bool summary_;
    std::int64_t iw_, ie_, is_, in_;  // first and last line indexes of the widened window
    double westGrid_, eastGrid_, southGrid_, northGrid_;
    std::int64_t k_;
    Phase phase_ = Phase::Meridians;
};

}  // namespace

std::unique_ptr<orb::Producer> grid(orb::Args a) {
    const double north = a.num(0), south = a.num(1), west = a.num(2), east = a.num(3);
    if (!(-90 <= north && north <= 90))
        orb::raise_between(orb::float_str(north), "-90 ～ +90", "north");
    if (!(-90 <= south && south <= 90))
        orb::raise_between(orb::float_str(south), "-90 ～ +90", "south");
    if (north < south) fail("[north:{}] should be greater than [south:{}] in parameters.", {a[0], a[1]});
    if (!(-180 <= west && west <= 180))
        orb::raise_between(orb::float_str(west), "-180 ～ +180", "west");
    if (!(-180 <= east && east <= 180))
        orb::raise_between(orb::float_str(east), "-180 ～ +180", "east");
    if (west > east) fail("[east:{}] should be greater than [west:{}] in parameters.", {a[3], a[2]});
    const Scale& s = scale_of_zoom(a[4]);
    const int summary = PyObject_IsTrue(a[5]);
    if (summary < 0) throw orb::PyError{};
    return std::make_unique<GridRun>(north, south, west, east, s, summary != 0);
}

}  // namespace mapgrid
