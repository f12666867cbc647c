// Label point search: the point inside a polygon farthest from its outline
// (holes counting as outline), by a best-first search over square cells.
//
// Every cell centre asks shapely two things: whether the polygon contains
// it and how far it lies from each ring.  A cell whose centre is d from the
// outline holds no point farther than d + h*sqrt(2) (h: half its side), so
// cells are popped by that bound, largest first, and split into quarters
// while the bound beats the best centre found by more than the tolerance.
//
// The queue reproduces the interpreter's heapq (push and pop on a list with
// the same sift steps), with `a < b` meaning a's bound is the larger: cells
// with equal bounds are common (symmetric shapes) and come out in exactly
// the order heapq gives them.  Distances and bounds are plain doubles, the
// values shapely returned, so every comparison is the interpreter's.
#include "topology/labelpoint.h"

#include "topology/pyobjects.h"

#include <cmath>
#include <utility>
#include <vector>

namespace orb::topology {

namespace {

// The double nearest to sqrt(2): no point of a square lies farther than
// h * sqrt(2) from its centre.
constexpr double kSqrt2 = 1.4142135623730951;

// A tolerance that is not positive never lets a cell drop for being close
// enough, so the search could split forever (a rectangle's pole lies on a
// ridge where every level doubles the cells worth splitting).  Such a
// search is refined best-first for at most this many splits.
constexpr long kUntoleratedSplits = 10000;

// The shapely polygon and what every cell asks of it, read once.
struct Outline {
    Ref contains;                 // polygon.contains, bound
    Ref exterior;                 // polygon.exterior
    std::vector<Ref> interiors;   // polygon.interiors, in order
    Ref point_type;               // shapely.geometry.Point
};

struct Cell {
    double x = 0.0, y = 0.0;  // centre
    double h = 0.0;           // half the side
    double distance = 0.0;    // signed distance of the centre to the outline
    double max_distance = 0.0;
    Ref centroid;             // shapely Point of the centre
};

// Signed distance of a centre to the outline: the distance to the nearest
// ring, positive when the polygon contains the centre, negated otherwise (so
// -0.0 on the outline).  An error of the containment test is swallowed and
// the centre counts as inside: shapely may refuse to relate a point to an
// invalid polygon while its distances are still sound.
double signed_distance(const Outline& o, PyObject* centroid) {
    bool inside = true;
    Ref verdict = Ref::steal_or_null(PyObject_CallOneArg(o.contains, centroid));
    if (verdict) {
        int t = PyObject_IsTrue(verdict);
        if (t < 0) throw PyError{};
        inside = t != 0;
    } else {
        PyErr_Clear();
    }
    double distance = to_double(call_method(centroid, ORB_STR("distance"), {o.exterior}));
    for (const Ref& ring : o.interiors) {
        double d = to_double(call_method(centroid, ORB_STR("distance"), {ring}));
        if (d < distance) distance = d;
    }
    return inside ? distance : distance * -1.0;
}

Cell make_cell(const Outline& o, double x, double y, double h) {
    Cell c;
    c.x = x;
    c.y = y;
    c.h = h;
    c.centroid = call(o.point_type, {number(x), number(y)});
    c.distance = signed_distance(o, c.centroid);
    c.max_distance = c.distance + h * kSqrt2;
    return c;
}

// heapq's list heap, ordered by `before` (heapq's `<`).
class CellQueue {
public:
    bool empty() const noexcept { return heap_.empty(); }

    void push(Cell c) {
        heap_.push_back(std::move(c));
        sift_down(0, heap_.size() - 1);
    }

    Cell pop() {
        Cell last = std::move(heap_.back());
        heap_.pop_back();
        if (heap_.empty()) return last;
        Cell top = std::move(heap_[0]);
        heap_[0] = std::move(last);
        sift_up(0);
        return top;
    }

private:
    // Cell.__lt__: the larger bound comes first.
    static bool before(const Cell& a, const Cell& b) noexcept {
        return a.max_distance > b.max_distance;
    }

    // heapq._siftdown: the item at pos moves up past every parent it is
    // before.
    void sift_down(size_t start, size_t pos) {
        Cell item = std::move(heap_[pos]);
        while (pos > start) {
            size_t parent = (pos - 1) >> 1;
            if (!before(item, heap_[parent])) break;
            heap_[pos] = std::move(heap_[parent]);
            pos = parent;
        }
        heap_[pos] = std::move(item);
    }

    // heapq._siftup: the smaller child moves up until a leaf is reached (the
    // right child unless the left is before it), then the item sifts down.
    void sift_up(size_t pos) {
        const size_t end = heap_.size(), start = pos, limit = end >> 1;
        while (pos < limit) {
            size_t child = 2 * pos + 1;
            if (child + 1 < end && !before(heap_[child], heap_[child + 1])) ++child;
            std::swap(heap_[pos], heap_[child]);
            pos = child;
        }
        sift_down(start, pos);
    }

    std::vector<Cell> heap_;
};

Ref attr(PyObject* o, const char* name) { return getattr(o, name); }

}  // namespace

Ref polygon_label(PyObject* polygon, bool simplify, double tolerance) {
    Ref geometry = getattr(global(ORB_STR("shapely")), ORB_STR("geometry"));
    Ref shape = call(attr(geometry, "shape"), {polygon});

    Ref bounds[4];
    unpack(attr(shape, "bounds"), bounds, 4);
    const double west = to_double(bounds[0]), south = to_double(bounds[1]);
    const double east = to_double(bounds[2]), north = to_double(bounds[3]);
    const double width = east - west, height = north - south;
    const double cell_size = height < width ? height : width;
    const double h = cell_size / 2.0;

    Outline o;
    o.point_type = attr(geometry, "Point");
    o.contains = attr(shape, "contains");

    // First seed: shapely's centroid (IndexError for an empty polygon).
    Ref seed[2];
    unpack(at(attr(attr(shape, "centroid"), "coords"), 0), seed, 2);
    o.exterior = attr(shape, "exterior");
    Ref interiors = Ref::steal(PySequence_List(attr(shape, "interiors")));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(interiors.get()); ++i)
        o.interiors.push_back(Ref::borrow(PyList_GET_ITEM(interiors.get(), i)));

    Cell best = make_cell(o, to_double(seed[0]), to_double(seed[1]), 0.0);
    // Second seed: the centre of the bounding box, kept only when strictly
    // better.  Neither seed is queued.
    Cell box = make_cell(o, west + width / 2, south + height / 2, 0.0);
    if (box.distance > best.distance) best = std::move(box);

    // The covering grid, column by column from the west, each column from
    // the south, positions advancing by repeated addition.  It is skipped
    // when the squares have no positive finite side (all vertices on one
    // line, or an unbounded box) and a row or column ends where adding the
    // side no longer moves the position: otherwise neither would end.
    CellQueue queue;
    if (cell_size > 0 && std::isfinite(width) && std::isfinite(height)) {
        for (double x = west; x < east;) {
            for (double y = south; y < north;) {
                queue.push(make_cell(o, x + h, y + h, h));
                const double next = y + cell_size;
                if (next == y) break;
                y = next;
            }
            const double next = x + cell_size;
            if (next == x) break;
            x = next;
        }
    }

    const bool tolerated = tolerance > 0;
    const double slack = tolerated ? tolerance : 0.0;
    long splits_left = kUntoleratedSplits;
    while (!queue.empty()) {
        Cell cell = queue.pop();
        if (cell.distance > best.distance) best = cell;
        // A bound that does not beat the best centre by more than the
        // tolerance drops the cell; so does a NaN bound, which no split
        // could ever resolve.
        if (!(cell.max_distance - best.distance > slack)) continue;
        if (!tolerated && splits_left-- <= 0) continue;
        const double q = cell.h / 2.0;
        queue.push(make_cell(o, cell.x - q, cell.y - q, q));
        queue.push(make_cell(o, cell.x + q, cell.y - q, q));
        queue.push(make_cell(o, cell.x - q, cell.y + q, q));
        queue.push(make_cell(o, cell.x + q, cell.y + q, q));
    }

    // The label point is read back from the best centre's point.
    Ref xy = attr(best.centroid, "xy");
    Ref x = at(at(xy, 0), 0);
    Ref y = at(at(xy, 1), 0);
    Ref centroid = make_dict({{ORB_STR("x"), x}, {ORB_STR("y"), y}});
    if (simplify) return make_dict({{ORB_STR("centroid"), centroid}});
    Ref perimeter = attr(shape, "length");
    Ref area = attr(shape, "area");
    Ref boundary = make_dict({{ORB_STR("west"), bounds[0]},
                              {ORB_STR("south"), bounds[1]},
                              {ORB_STR("east"), bounds[2]},
                              {ORB_STR("north"), bounds[3]}});
    return make_dict({{ORB_STR("centroid"), centroid},
                      {ORB_STR("perimeter"), perimeter},
                      {ORB_STR("area"), area},
                      {ORB_STR("boundary"), boundary}});
}

}  // namespace orb::topology
