// Label point search: the point inside a polygon farthest from its outline
// (holes counting as outline), by a best-first search over square cells.
//
// Every cell centre asks shapely two things: whether the polygon contains
// it and how far it lies from each ring; the cells made together (the
// seeds, the covering grid, the quarters of a split) ask together.  A cell whose centre is d from the
// outline holds no point farther than d + h*sqrt(2) (h: half its side), so
// cells are popped by that bound, largest first, and split into quarters
// while the bound beats the best centre found by more than the tolerance.
//
// The queue reproduces the interpreter's heapq (push and pop on a list with
// the same sift steps), with `a < b` meaning a's bound is the larger: cells
// with equal bounds are common (symmetric shapes) and come out in exactly
// the order heapq gives them.  Distances and bounds are plain doubles, the
// values shapely returned, so every comparison is the interpreter's.
//
// The tolerance is in the unit of the coordinates, so a polygon narrower
// than it (most polygons in degrees) drops every grid square at its first
// pop, and the best of the seeds and the square centres may lie outside it
// (in a hole, beside a C shape, in the bend of a thin arc or river).  When
// the search ends so, and the polygon has an inside to find (a positive
// area), the label is the centre of shapely's maximum inscribed circle at
// its own default tolerance: GEOS searches the same kind of cells over an
// index of the outline, and starts from an interior point, so its centre
// lies inside, as deep as that circle.  It costs milliseconds on most
// polygons of thousands of vertices (but most of a second on a band 1e-6
// wide zig-zagging over 4,000), where refining our own cells (one
// containment test and one distance per ring for every cell, without an
// index) costs seconds on thin ones.  A search that ends with its
// best centre inside keeps its label to the last bit.
#include "topology/labelpoint.h"

#include "topology/pyobjects.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace orb::topology {

namespace {

// The most squares the covering grid may hold: a polygon 100,000 times
// longer than wide, searched in about a quarter of a second.
constexpr double kMaxGridCells = 1e5;

// A failed containment test counts the centre as inside, and a failed
// inscribed circle leaves the label as it was; only errors are swallowed,
// so an interrupt (KeyboardInterrupt, SystemExit) still stops the search.
void swallow_error() {
    if (!PyErr_ExceptionMatches(PyExc_Exception)) throw PyError{};
    PyErr_Clear();
}

// The double nearest to sqrt(2): no point of a square lies farther than
// h * sqrt(2) from its centre.
constexpr double kSqrt2 = 1.4142135623730951;

// A tolerance that is not positive never lets a cell drop for being close
// enough, so the search could split forever (a rectangle's pole lies on a
// ridge where every level doubles the cells worth splitting).  Such a
// search is refined best-first for at most this many splits.
constexpr long kUntoleratedSplits = 10000;
// Splits allowed under a positive tolerance.  A polygon whose extent dwarfs
// the tolerance (a sliver 1e20 long searched to 1.0) would need cells without
// number to meet it; past this bound the search ends with the best centre
// found.  Polygons of ordinary shape finish long before it (about half a
// second of search).
constexpr long kToleratedSplits = 100000;

// The shapely polygon and the shapely functions every cell asks, read once
// per search from the shapely module global.
struct Outline {
    Ref polygon;
    Ref exterior;                 // polygon.exterior
    std::vector<Ref> interiors;   // polygon.interiors, in order
    Ref points;                   // shapely.points
    Ref contains;                 // shapely.contains
    Ref distance;                 // shapely.distance
};

struct Cell {
    double x = 0.0, y = 0.0;  // centre
    double h = 0.0;           // half the side
    double distance = 0.0;    // signed distance of the centre to the outline
    double max_distance = 0.0;
    bool inside = false;      // the centre counts as inside the polygon
};

// A batch of cells to be measured together: shapely's functions take
// arrays, and each element of an array is measured by the same GEOS call as
// a single geometry would be, so the distances are those of one point at a
// time while the interpreter is crossed a few times per batch, not per cell.
class Batch {
public:
    void add(double x, double y, double h) {
        Cell c;
        c.x = x;
        c.y = y;
        c.h = h;
        cells_.push_back(c);
    }
    // Measures every cell: the signed distance of its centre and its bound.
    std::vector<Cell>& measure(const Outline& o);

private:
    std::vector<Cell> cells_;
};

Ref as_list(Ref values) { return call_method(values, ORB_STR("tolist"), {}); }

std::vector<Cell>& Batch::measure(const Outline& o) {
    const Py_ssize_t n = static_cast<Py_ssize_t>(cells_.size());
    if (n == 0) return cells_;
    Ref centres = Ref::steal(PyList_New(n));
    for (Py_ssize_t i = 0; i < n; ++i)
        PyList_SET_ITEM(centres.get(), i,
                        Ref::steal(Py_BuildValue("[dd]", cells_[i].x, cells_[i].y)).release());
    Ref points = call(o.points, {centres});

    // Containment, where an error is swallowed and the centre counts as
    // inside: shapely may refuse to relate a point to an invalid polygon
    // while its distances are still sound.  When the whole batch fails, each
    // centre is asked alone so that only the failing ones count as inside.
    std::vector<char> inside(cells_.size(), 1);
    Ref all = Ref::steal_or_null(PyObject_CallFunctionObjArgs(o.contains, o.polygon.get(),
                                                              points.get(), nullptr));
    if (all) {
        Ref verdicts = as_list(all);
        for (Py_ssize_t i = 0; i < n; ++i) {
            inside[i] = truth(item_at(verdicts, i));
        }
    } else {
        swallow_error();
        for (Py_ssize_t i = 0; i < n; ++i) {
            Ref point = item_at(points, i);
            Ref verdict = Ref::steal_or_null(
                PyObject_CallFunctionObjArgs(o.contains, o.polygon.get(), point.get(), nullptr));
            if (!verdict) {
                swallow_error();
                continue;
            }
            inside[i] = truth(verdict);
        }
    }

    // The distance to the exterior ring, then to each hole taken when
    // strictly nearer.
    Ref to_exterior = as_list(call(o.distance, {points, o.exterior}));
    for (Py_ssize_t i = 0; i < n; ++i) cells_[i].distance = to_double(item_at(to_exterior, i));
    for (const Ref& ring : o.interiors) {
        Ref to_ring = as_list(call(o.distance, {points, ring}));
        for (Py_ssize_t i = 0; i < n; ++i) {
            const double d = to_double(item_at(to_ring, i));
            if (d < cells_[i].distance) cells_[i].distance = d;
        }
    }
    for (Py_ssize_t i = 0; i < n; ++i) {
        Cell& c = cells_[i];
        // distance * 1 or * -1: a centre on the outline gives -0.0.
        c.inside = inside[i] != 0;
        if (!c.inside) c.distance = c.distance * -1.0;
        c.max_distance = c.distance + c.h * kSqrt2;
    }
    return cells_;
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

// The centre of shapely's maximum inscribed circle of the polygon, when
// the polygon contains it: the label of a polygon whose own search ended
// outside.  The circle is a two-point line from its centre to the outline.
// An error of either call (a polygon GEOS cannot search, a host's shapely
// without the function) keeps the search's own label, as does a centre the
// containment test does not hold inside; a containment test that fails
// counts the centre inside, as it does for every cell.
bool inscribed_centre(PyObject* shapely, const Outline& o, double& x, double& y) {
    double cx, cy;
    try {
        Ref circle = call(getattr(shapely, "maximum_inscribed_circle"), {},
                          {{"geometry", o.polygon.get()}});
        Ref xy[2];
        unpack(item_at(getattr(circle, ORB_STR("coords")), 0), xy, 2);
        cx = to_double(xy[0]);
        cy = to_double(xy[1]);
    } catch (const PyError&) {
        swallow_error();
        return false;
    }
    Batch one;
    one.add(cx, cy, 0.0);
    if (!one.measure(o)[0].inside) return false;
    x = cx;
    y = cy;
    return true;
}

}  // namespace

Ref polygon_label(PyObject* polygon, bool simplify, double tolerance) {
    Ref shapely = global(ORB_STR("shapely"));
    Ref geometry = getattr(shapely, ORB_STR("geometry"));
    Ref shape = call(attr(geometry, "shape"), {polygon});

    Ref bounds[4];
    unpack(attr(shape, "bounds"), bounds, 4);
    const double west = to_double(bounds[0]), south = to_double(bounds[1]);
    const double east = to_double(bounds[2]), north = to_double(bounds[3]);
    const double width = east - west, height = north - south;
    // A sliver's grid has about (long side / short side) squares, so one a
    // billion times longer than wide would exhaust memory.  Past
    // kMaxGridCells the squares grow until the grid holds about that many;
    // the search refines them from there.  Every other polygon keeps squares
    // of its short side.
    double cell_size = height < width ? height : width;
    if (cell_size > 0 && std::isfinite(width) && std::isfinite(height) &&
        (width / cell_size) * (height / cell_size) > kMaxGridCells) {
        // Squares of side c cover the box in about max(1, w/c) * max(1, h/c)
        // cells: c = sqrt(w h / N) while that is no longer than the short
        // side, else one row of squares of the long side over N.
        const double longer = height < width ? width : height;
        cell_size = std::max(std::sqrt(width * height / kMaxGridCells), longer / kMaxGridCells);
    }
    const double h = cell_size / 2.0;

    Outline o;
    o.polygon = shape;
    o.points = attr(shapely, "points");
    o.contains = attr(shapely, "contains");
    o.distance = attr(shapely, "distance");

    // First seed: shapely's centroid (IndexError for an empty polygon).
    Ref seed[2];
    unpack(item_at(attr(attr(shape, "centroid"), "coords"), 0), seed, 2);
    o.exterior = attr(shape, "exterior");
    Ref interiors = Ref::steal(PySequence_List(attr(shape, "interiors")));
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(interiors.get()); ++i)
        o.interiors.push_back(Ref::borrow(PyList_GET_ITEM(interiors.get(), i)));

    // Second seed: the centre of the bounding box, kept only when strictly
    // better.  Neither seed is queued.
    Batch seeds;
    seeds.add(to_double(seed[0]), to_double(seed[1]), 0.0);
    seeds.add(west + width / 2, south + height / 2, 0.0);
    std::vector<Cell>& measured = seeds.measure(o);
    Cell best = measured[0];
    if (measured[1].distance > best.distance) best = measured[1];

    // The covering grid, column by column from the west, each column from
    // the south, positions advancing by repeated addition.  It is skipped
    // when the squares have no positive finite side (all vertices on one
    // line, or an unbounded box) and a row or column ends where adding the
    // side no longer moves the position: otherwise neither would end.
    CellQueue queue;
    if (cell_size > 0 && std::isfinite(width) && std::isfinite(height)) {
        Batch grid;
        for (double x = west; x < east;) {
            for (double y = south; y < north;) {
                grid.add(x + h, y + h, h);
                const double next = y + cell_size;
                if (next == y) break;
                y = next;
            }
            const double next = x + cell_size;
            if (next == x) break;
            x = next;
        }
        for (Cell& c : grid.measure(o)) queue.push(c);
    }

    const bool tolerated = tolerance > 0;
    const double slack = tolerated ? tolerance : 0.0;
    long splits_left = tolerated ? kToleratedSplits : kUntoleratedSplits;
    while (!queue.empty()) {
        Cell cell = queue.pop();
        if (cell.distance > best.distance) best = cell;
        // A bound that does not beat the best centre by more than the
        // tolerance drops the cell; so does a NaN bound, which no split
        // could ever resolve.
        if (!(cell.max_distance - best.distance > slack)) continue;
        if (splits_left-- <= 0) continue;
        const double q = cell.h / 2.0;
        Batch quarters;
        quarters.add(cell.x - q, cell.y - q, q);
        quarters.add(cell.x + q, cell.y - q, q);
        quarters.add(cell.x - q, cell.y + q, q);
        quarters.add(cell.x + q, cell.y + q, q);
        for (Cell& c : quarters.measure(o)) queue.push(c);
    }

    // A best centre outside a polygon that has an inside: the label is the
    // centre of the polygon's maximum inscribed circle.  A centre whose
    // containment test failed counts as inside, so a polygon that shapely
    // cannot relate points to keeps the search's label.
    if (!best.inside && to_double(attr(shape, "area")) > 0) {
        double x, y;
        if (inscribed_centre(shapely, o, x, y)) {
            best.x = x;
            best.y = y;
        }
    }

    // The label point is read back from a shapely point of the best centre.
    Ref xy = attr(call(attr(geometry, "Point"), {number(best.x), number(best.y)}), "xy");
    Ref x = item_at(item_at(xy, 0), 0);
    Ref y = item_at(item_at(xy, 1), 0);
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
