// Repeated-vertex removal, ring closing and the float conversion of x and y.
//
// The comparisons are those of repr text, but building that text for every
// vertex of a long line would cost more than all the rest of loading.  A
// vertex whose values are plain floats and ints is therefore compared by
// value, in the way its repr would compare: floats by their bits (0.0 and
// -0.0 print differently, every NaN prints "nan"), ints by value, and a
// float never equals an int ("1.0" against "1").  Anything else is compared
// by its real repr text.
#include "geometry/vertex.h"

#include "geometry/messages.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace orb::geom {
namespace {

// A vertex list longer than this is compared by its repr text.
constexpr Py_ssize_t kMaxPlainValues = 4;

// The repr of a list or tuple of up to kMaxPlainValues values, held as the
// values themselves when all are exact floats or ints of 64 bits, else as
// the text.
class ReprKey {
public:
    // The repr of `vertex[:2]` (head) or of the whole vertex.
    static ReprKey of(PyObject* vertex, bool head) {
        ReprKey k;
        if (k.take_plain(vertex, head)) return k;
        k.plain_ = false;
        if (head) {
            Ref slice = head_slice(vertex);
            k.text_ = Ref::steal(PyObject_Repr(slice));
        } else {
            k.text_ = Ref::steal(PyObject_Repr(vertex));
        }
        return k;
    }

    bool operator==(const ReprKey& o) const {
        if (plain_ && o.plain_) {
            if (tuple_ != o.tuple_ || n_ != o.n_) return false;
            for (int i = 0; i < n_; ++i)
                if (!same(v_[i], o.v_[i])) return false;
            return true;
        }
        Ref a = plain_ ? render() : text_;
        Ref b = o.plain_ ? o.render() : o.text_;
        int eq = PyUnicode_Compare(a, b);
        if (eq == -1 && PyErr_Occurred()) throw PyError{};
        return eq == 0;
    }

private:
    struct Value {
        bool is_float;
        double d;
        long long i;
    };

    static bool same(const Value& a, const Value& b) {
        if (a.is_float != b.is_float) return false;
        if (!a.is_float) return a.i == b.i;
        if (std::isnan(a.d) || std::isnan(b.d)) return std::isnan(a.d) && std::isnan(b.d);
        return std::memcmp(&a.d, &b.d, sizeof(double)) == 0;
    }

    // Reads the values of an exact list or tuple when all the values
    // compared (the first two for the head) are plain numbers.
    bool take_plain(PyObject* vertex, bool head) {
        PyObject* const* items;
        Py_ssize_t size;
        if (PyList_CheckExact(vertex)) {
            items = PySequence_Fast_ITEMS(vertex);
            size = PyList_GET_SIZE(vertex);
        } else if (PyTuple_CheckExact(vertex)) {
            items = PySequence_Fast_ITEMS(vertex);
            size = PyTuple_GET_SIZE(vertex);
            tuple_ = true;
        } else {
            return false;
        }
        if (head && size > 2) size = 2;
        if (size > kMaxPlainValues) return false;
        for (Py_ssize_t i = 0; i < size; ++i) {
            PyObject* x = items[i];
            Value& v = v_[i];
            if (PyFloat_CheckExact(x)) {
                v = {true, PyFloat_AS_DOUBLE(x), 0};
            } else if (PyLong_CheckExact(x)) {
                int overflow = 0;
                long long value = PyLong_AsLongLongAndOverflow(x, &overflow);
                if (overflow) return false;
                v = {false, 0.0, value};
            } else {
                return false;
            }
        }
        n_ = static_cast<int>(size);
        return true;
    }

    // The repr text of held values: "[1.0, 2]", "(1.0,)".
    Ref render() const {
        std::string s(1, tuple_ ? '(' : '[');
        for (int i = 0; i < n_; ++i) {
            if (i) s += ", ";
            s += v_[i].is_float ? float_str(v_[i].d) : std::to_string(v_[i].i);
        }
        if (tuple_ && n_ == 1) s += ',';
        s += tuple_ ? ')' : ']';
        return text(s);
    }

    bool plain_ = true;
    bool tuple_ = false;
    int n_ = 0;
    Value v_[kMaxPlainValues];
    Ref text_;
};

}  // namespace

Ref head_slice(PyObject* vertex) {
    if (PyList_CheckExact(vertex)) return Ref::steal(PyList_GetSlice(vertex, 0, 2));
    if (PyTuple_CheckExact(vertex)) return Ref::steal(PyTuple_GetSlice(vertex, 0, 2));
    Ref two = integer(2);
    Ref slice = Ref::steal(PySlice_New(nullptr, two, nullptr));
    return Ref::steal(PyObject_GetItem(vertex, slice));
}

void remove_repeats(PyObject* line) {
    const Py_ssize_t n = length(line);
    std::vector<Py_ssize_t> overlays;
    ReprKey previous;
    bool have_previous = false;
    for (Py_ssize_t i = 0; i < n; ++i) {
        Ref vertex = item_at(line, i);
        ReprKey key = ReprKey::of(vertex, true);
        if (have_previous && key == previous) {
            overlays.push_back(i);
        } else {
            previous = std::move(key);
            have_previous = true;
        }
    }
    // Highest index first, so the indices still to delete stay valid.
    for (auto it = overlays.rbegin(); it != overlays.rend(); ++it) {
        Py_ssize_t i = *it;
        if (PyList_CheckExact(line)) {
            if (i >= PyList_GET_SIZE(line))
                raise(PyExc_IndexError, "list assignment index out of range");
            if (PyList_SetSlice(line, i, i + 1, nullptr) < 0) throw PyError{};
        } else if (PyObject_DelItem(line, integer(i)) < 0) {
            throw PyError{};
        }
    }
}

void close_ring(PyObject* ring) {
    Ref first = item_at(ring, 0);
    Ref last = item_at(ring, -1);
    if (ReprKey::of(first, false) == ReprKey::of(last, false)) return;
    if (PyList_CheckExact(ring)) {
        if (PyList_Append(ring, first) < 0) throw PyError{};
    } else {
        call_method(ring, ORB_STR("append"), {first.get()});
    }
}

void set_point(PyObject* vertex) {
    const Py_ssize_t n = PyList_GET_SIZE(vertex);
    for (Py_ssize_t i = 0; i < n && i < 2; ++i) {
        PyObject* borrowed = PyList_GetItem(vertex, i);
        if (!borrowed) throw PyError{};
        if (PyFloat_CheckExact(borrowed)) continue;  // float(x) is x itself
        Ref value = Ref::borrow(borrowed);
        Ref converted = Ref::steal(PyNumber_Float(value));
        if (PyList_SetItem(vertex, i, converted.release()) < 0) throw PyError{};
    }
}

void check_vertex(PyObject* vertex) {
    if (!PyList_CheckExact(vertex)) raise(PyExc_Exception, msg::kDimension);
    set_point(vertex);
    if (PyList_GET_SIZE(vertex) < 2) raise(PyExc_Exception, msg::kDimension);
}

}  // namespace orb::geom
