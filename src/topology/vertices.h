// The vertex pass shared by Topology.area and Topology.length: the text of
// a vertex's first two values (the repeat test), their float conversion,
// the bounding box and the in-place removal of repeated vertices (the
// deletion that Geometry.loads makes too).
//
// A vertex is compared by the repr text of vertex[:2], so [1, 2] and
// [1.0, 2.0] differ and [1.0, 2.0] and [1.0, 2.0, 7.0] do not.  For list and
// tuple vertices of exact floats and ints the text is compared without being
// written: two floats print alike exactly when they are the same double or
// both NaN, two ints when they are equal, and an int never prints like a
// float.  Any other value is compared by its repr.
#pragma once

#include "frame/ref.h"
#include "geometry/vertex.h"

#include <string>
#include <vector>

namespace orb::topology {

// vertex[:2] of one vertex.
class VertexText {
public:
    // Slices the vertex: TypeError "'%.200s' object is unsliceable" for an
    // object without item access; errors of its own slicing pass unchanged.
    explicit VertexText(PyObject* vertex);

    // True when repr(vertex[:2]) of both is the same text.
    bool same_as(VertexText& other);
    // x and y by float conversion of the values, in order; ValueError
    // "need more than %zd value%.1s to unpack" for fewer than two.
    void xy(double& x, double& y);

private:
    const std::string& text();

    char container_ = 0;   // 'l' list, 't' tuple, 0 any other slice
    bool simple_ = false;  // list or tuple of exact floats and ints
    int count_ = 0;        // values in the slice (list or tuple)
    Ref items_[2];
    double d_[2] = {0.0, 0.0};
    bool is_float_[2] = {false, false};
    Ref vertex_;           // the vertex itself (list or tuple)
    Ref slice_;            // the slice, made when needed
    std::string text_;
    bool has_text_ = false;
};

struct Box {
    double west, south, east, north;
};

// len(line).
Py_ssize_t vertex_count(PyObject* line);

// One pass over the first n vertices: the box of the vertices that are not
// repeats (west and south from +inf, east and north from -inf) and the
// indices of the repeats, ascending.  With `xs`, the x of every vertex that
// is not a repeat is kept there too, in order: the x values of the line
// once the repeats are removed; with `ys` their y values the same way.
Box vertex_pass(PyObject* line, Py_ssize_t n, std::vector<Py_ssize_t>& repeats,
                std::vector<double>* xs = nullptr, std::vector<double>* ys = nullptr);
// Deletes the repeats from the line in place, as deleting them one by one
// from the highest index down would.
using geom::delete_vertices;

// The coordinate list of a measuring method's input: an exact list itself,
// the "coordinates" of an exact dict (`missing` raised as Exception when
// the key is absent), else the "coordinates" of cls.loads(value).
Ref coordinate_list(PyObject* cls, PyObject* value, const char* missing);

// a, b = value: the items of a pair, with ValueError "need more than %zd
// value%.1s to unpack" or "too many values to unpack (expected 2)".
void unpack2(PyObject* value, Ref& first, Ref& second);
// x, y = vertex[:2], the values as they stand.
void first_two(PyObject* vertex, Ref& x, Ref& y);

// x and y of a list or tuple vertex whose first two values are exact
// floats (or, with `ints`, exact ints that fit a double), read without
// running interpreter code; false for any other vertex.
bool plain_xy(PyObject* vertex, bool ints, double& x, double& y);

// A new boundary dict: west, south, east, north.
Ref boundary_dict(const Box& box);

// The box around a non-empty list of boxes: each side by the interpreter's
// min or max over the boxes in order, where the first value stays unless a
// later one compares strictly below (above) it.
Box joined_box(const std::vector<Box>& boxes) noexcept;

}  // namespace orb::topology
