// The shared vertex pass of the measuring methods.
#include "topology/vertices.h"

#include "frame/errors.h"
#include "topology/pyobjects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace orb::topology {

namespace {

bool same_double(double a, double b) noexcept {
    // Floats print alike when they are the same double; every NaN prints
    // "nan".  0.0 and -0.0 print differently.
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// vertex[:2] of a vertex that is not an exact list or tuple, by its own
// item access; an object without one cannot be sliced.
Ref slice_first_two(PyObject* vertex) {
    PyMappingMethods* mp = Py_TYPE(vertex)->tp_as_mapping;
    if (!mp || !mp->mp_subscript)
        raisef(PyExc_TypeError, "'%.200s' object is unsliceable", Py_TYPE(vertex)->tp_name);
    Ref stop = integer(2);
    Ref slice = Ref::steal(PySlice_New(nullptr, stop, nullptr));
    return Ref::steal(mp->mp_subscript(vertex, slice));
}

}  // namespace

VertexText::VertexText(PyObject* vertex) {
    const bool list = PyList_CheckExact(vertex);
    if (list || PyTuple_CheckExact(vertex)) {
        container_ = list ? 'l' : 't';
        vertex_ = Ref::borrow(vertex);
        const Py_ssize_t size = list ? PyList_GET_SIZE(vertex) : PyTuple_GET_SIZE(vertex);
        count_ = static_cast<int>(std::min<Py_ssize_t>(size, 2));
        simple_ = true;
        for (int k = 0; k < count_; ++k) {
            PyObject* v = list ? PyList_GET_ITEM(vertex, k) : PyTuple_GET_ITEM(vertex, k);
            items_[k] = Ref::borrow(v);
            if (PyFloat_CheckExact(v)) {
                is_float_[k] = true;
                d_[k] = PyFloat_AS_DOUBLE(v);
            } else if (!PyLong_CheckExact(v)) {
                simple_ = false;
            }
        }
        return;
    }
    slice_ = slice_first_two(vertex);
}

const std::string& VertexText::text() {
    if (!has_text_) {
        if (!slice_) {
            slice_ = Ref::steal(container_ == 'l' ? PyList_GetSlice(vertex_, 0, 2)
                                                  : PyTuple_GetSlice(vertex_, 0, 2));
        }
        text_ = repr_of(slice_);
        has_text_ = true;
    }
    return text_;
}

bool VertexText::same_as(VertexText& o) {
    if (simple_ && o.simple_) {
        if (container_ != o.container_ || count_ != o.count_) return false;
        for (int k = 0; k < count_; ++k) {
            if (is_float_[k] != o.is_float_[k]) return false;
            if (is_float_[k]) {
                if (!same_double(d_[k], o.d_[k])) return false;
            } else {
                const int r = PyObject_RichCompareBool(items_[k], o.items_[k], Py_EQ);
                if (r < 0) throw PyError{};
                if (!r) return false;
            }
        }
        return true;
    }
    const std::string& mine = text();
    const std::string& theirs = o.text();
    return mine == theirs;
}

void VertexText::xy(double& x, double& y) {
    if (container_) {
        if (count_ > 0) x = is_float_[0] ? d_[0] : to_double(items_[0]);
        if (count_ > 1) y = is_float_[1] ? d_[1] : to_double(items_[1]);
        if (count_ < 2) raise_need_more(count_);
        return;
    }
    // Any other slice: its values one by one, as unpacking an iterator.
    Ref it = Ref::steal(PyObject_GetIter(slice_));
    double out[2];
    Py_ssize_t got = 0;
    for (;;) {
        Ref v = Ref::steal_or_null(PyIter_Next(it));
        if (!v) {
            check_error();
            break;
        }
        const double d = to_double(v);
        if (got == 2) raise(PyExc_ValueError, "too many values to unpack (expected 2)");
        out[got++] = d;
    }
    if (got < 2) raise_need_more(got);
    x = out[0];
    y = out[1];
}

Py_ssize_t vertex_count(PyObject* line) {
    const Py_ssize_t n = PyObject_Size(line);
    if (n < 0) throw PyError{};
    return n;
}

Box vertex_pass(PyObject* line, Py_ssize_t n, std::vector<Py_ssize_t>& repeats,
                std::vector<double>* xs, std::vector<double>* ys) {
    constexpr double inf = HUGE_VAL;
    Box b{inf, inf, -inf, -inf};
    repeats.clear();
    if (xs) xs->clear();
    if (ys) ys->clear();
    std::optional<VertexText> previous;
    for (Py_ssize_t i = 0; i < n; ++i) {
        Ref vertex = item_at(line, i);
        VertexText current(vertex);
        if (previous && current.same_as(*previous)) {
            repeats.push_back(i);
            continue;
        }
        previous.emplace(std::move(current));
        double x = 0.0, y = 0.0;
        previous->xy(x, y);
        if (xs) xs->push_back(x);
        if (ys) ys->push_back(y);
        if (x < b.west) b.west = x;
        if (x > b.east) b.east = x;
        if (y < b.south) b.south = y;
        if (y > b.north) b.north = y;
    }
    return b;
}

Ref coordinate_list(PyObject* cls, PyObject* value, const char* missing) {
    if (PyList_CheckExact(value)) return Ref::borrow(value);
    if (PyDict_CheckExact(value)) {
        PyObject* v = PyDict_GetItemWithError(value, ORB_STR("coordinates"));  // borrowed
        if (!v) {
            check_error();
            raise(PyExc_Exception, missing);
        }
        return Ref::borrow(v);
    }
    Ref loaded = call_method(cls, ORB_STR("loads"), {value});
    return Ref::steal(PyObject_GetItem(loaded, ORB_STR("coordinates")));
}

void unpack2(PyObject* value, Ref& first, Ref& second) {
    if ((PyTuple_CheckExact(value) && PyTuple_GET_SIZE(value) == 2) ||
        (PyList_CheckExact(value) && PyList_GET_SIZE(value) == 2)) {
        first = Ref::borrow(PySequence_Fast_GET_ITEM(value, 0));
        second = Ref::borrow(PySequence_Fast_GET_ITEM(value, 1));
        return;
    }
    Ref it = Ref::steal(PyObject_GetIter(value));
    Ref got[2];
    for (Py_ssize_t k = 0; k < 2; ++k) {
        got[k] = Ref::steal_or_null(PyIter_Next(it));
        if (!got[k]) {
            check_error();
            raise_need_more(k);
        }
    }
    Ref extra = Ref::steal_or_null(PyIter_Next(it));
    if (extra) raise(PyExc_ValueError, "too many values to unpack (expected 2)");
    check_error();
    first = got[0];
    second = got[1];
}

void first_two(PyObject* vertex, Ref& x, Ref& y) {
    if ((PyList_CheckExact(vertex) && PyList_GET_SIZE(vertex) >= 2) ||
        (PyTuple_CheckExact(vertex) && PyTuple_GET_SIZE(vertex) >= 2)) {
        x = Ref::borrow(PySequence_Fast_GET_ITEM(vertex, 0));
        y = Ref::borrow(PySequence_Fast_GET_ITEM(vertex, 1));
        return;
    }
    unpack2(slice_first_two(vertex), x, y);
}

// A value converted to a double without running interpreter code: an exact
// float, or (on the spheroid, where values are converted anyway) an exact
// int that fits.
namespace {
bool plain_value(PyObject* v, bool ints, double& out) {
    if (PyFloat_CheckExact(v)) {
        out = PyFloat_AS_DOUBLE(v);
        return true;
    }
    if (!ints || !PyLong_CheckExact(v)) return false;
    out = PyLong_AsDouble(v);
    if (out == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();  // the real route raises the OverflowError itself
        return false;
    }
    return true;
}

}  // namespace

bool plain_xy(PyObject* vertex, bool ints, double& x, double& y) {
    PyObject *vx, *vy;
    if (PyList_CheckExact(vertex) && PyList_GET_SIZE(vertex) >= 2) {
        vx = PyList_GET_ITEM(vertex, 0);
        vy = PyList_GET_ITEM(vertex, 1);
    } else if (PyTuple_CheckExact(vertex) && PyTuple_GET_SIZE(vertex) >= 2) {
        vx = PyTuple_GET_ITEM(vertex, 0);
        vy = PyTuple_GET_ITEM(vertex, 1);
    } else {
        return false;
    }
    return plain_value(vx, ints, x) && plain_value(vy, ints, y);
}

Ref boundary_dict(const Box& box) {
    return make_dict({{ORB_STR("west"), number(box.west)},
                      {ORB_STR("south"), number(box.south)},
                      {ORB_STR("east"), number(box.east)},
                      {ORB_STR("north"), number(box.north)}});
}

Box joined_box(const std::vector<Box>& boxes) noexcept {
    Box j = boxes.front();
    for (const Box& b : boxes) {
        if (b.west < j.west) j.west = b.west;
        if (b.south < j.south) j.south = b.south;
        if (b.east > j.east) j.east = b.east;
        if (b.north > j.north) j.north = b.north;
    }
    return j;
}

}  // namespace orb::topology
