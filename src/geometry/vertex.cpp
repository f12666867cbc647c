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

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <unordered_map>
#include <utility>
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
    delete_vertices(line, overlays);
}

namespace {

// The numpy scalar types of booleans, integers, floats and complex numbers:
// each instance is the object header and the value's bytes, and numpy frees
// it without doing anything else.
constexpr const char* kNumpyNumbers[] = {
    "numpy.bool",      "numpy.int8",       "numpy.int16",      "numpy.int32",
    "numpy.int64",     "numpy.uint8",      "numpy.uint16",     "numpy.uint32",
    "numpy.uint64",    "numpy.longlong",   "numpy.ulonglong",  "numpy.float16",
    "numpy.float32",   "numpy.float64",    "numpy.longdouble", "numpy.complex64",
    "numpy.complex128", "numpy.clongdouble"};

// The flags of a type whose instances carry a dictionary or weak references.
constexpr unsigned long kPreheader = Py_TPFLAGS_MANAGED_DICT | Py_TPFLAGS_MANAGED_WEAKREF;

// Whether instances of `t` have no dictionary, no weak references and no
// finalizer of their own type.
bool no_extras(const PyTypeObject* t) {
    return !(t->tp_flags & kPreheader) && t->tp_dictoffset == 0 && t->tp_weaklistoffset == 0 &&
           t->tp_itemsize == 0 && !t->tp_finalize && !t->tp_del;
}

// Which values can be given up without running interpreter code, whatever
// else holds them.  The decision reads the values and types alone and runs
// no code itself; the one look-up that can run code (finding the Fraction
// class) is asked for through `wants_look_up` and made by the caller where
// code may run.
class QuietRelease {
public:
    // True for the values whose deallocation calls nothing (exact floats,
    // ints, bools, texts, bytes, None, the C decimal type's Decimal and
    // numpy's numbers), for Fractions holding such values, and for short
    // exact lists and tuples of them, two levels deep; false for anything
    // else, which may have a finalizer or weak references with callbacks.
    bool operator()(PyObject* o, int depth = 0) {
        if (PyFloat_CheckExact(o) || PyLong_CheckExact(o) || PyBool_Check(o) ||
            PyUnicode_CheckExact(o) || PyBytes_CheckExact(o) || o == Py_None)
            return true;
        PyTypeObject* t = Py_TYPE(o);
        if (!(t->tp_flags & Py_TPFLAGS_HEAPTYPE)) {
            if (PyList_CheckExact(o) || PyTuple_CheckExact(o)) return quiet_items(o, depth);
            return static_number(t);
        }
        if (t == fraction_) return fraction_ok_ && quiet_fraction(o);
        // A heap type named Fraction may be the class of the fractions
        // module, which is known only once looked up.
        if (!looked_up_ && std::strcmp(t->tp_name, "Fraction") == 0) wants_look_up_ = true;
        return false;
    }

    bool wants_look_up() const { return wants_look_up_; }

    // Finds fractions.Fraction through sys.modules and checks its layout.
    // Dictionary look-ups may run the equality of a key already there, so
    // this runs only where interpreter code may run.
    void look_up() {
        looked_up_ = true;
        wants_look_up_ = false;
        PyObject* module = dict_item(PyImport_GetModuleDict(), ORB_STR("fractions"));
        if (!module || !PyModule_CheckExact(module)) return;
        PyObject* cls = dict_item(PyModule_GetDict(module), ORB_STR("Fraction"));
        if (!cls || !PyType_Check(cls)) return;
        PyTypeObject* t = reinterpret_cast<PyTypeObject*>(cls);
        // The two slots, and nothing else, past the header.
        if (!(t->tp_flags & Py_TPFLAGS_HEAPTYPE) || !t->tp_dict ||
            t->tp_basicsize != static_cast<Py_ssize_t>(sizeof(PyObject) + 2 * sizeof(PyObject*)))
            return;
        PyObject* names[2] = {ORB_STR("_numerator"), ORB_STR("_denominator")};
        for (int i = 0; i < 2; ++i) {
            PyObject* d = dict_item(t->tp_dict, names[i]);
            if (!d || Py_TYPE(d) != &PyMemberDescr_Type) return;
            const auto* member = reinterpret_cast<PyMemberDescrObject*>(d);
            if (PyDescr_TYPE(d) != t || member->d_member->type != Py_T_OBJECT_EX) return;
            offsets_[i] = member->d_member->offset;
        }
        if (offsets_[0] == offsets_[1]) return;
        for (Py_ssize_t at : offsets_)
            if (at < static_cast<Py_ssize_t>(sizeof(PyObject)) ||
                at > t->tp_basicsize - static_cast<Py_ssize_t>(sizeof(PyObject*)))
                return;
        fraction_ref_ = Ref::borrow(cls);
        fraction_ = t;
        check_fraction();
    }

    // Reads again what interpreter code may have changed since the last
    // run (a __del__ set on the class or a base, new bases).
    void check_fraction() {
        fraction_ok_ = false;
        if (!fraction_ || !no_extras(fraction_)) return;
        // Every base but object is a class of the interpreter's own making,
        // freed as the class itself is (its slots cleared, then object's).
        const PyTypeObject* base = fraction_->tp_base;
        if (base == &PyBaseObject_Type) return;
        for (; base != &PyBaseObject_Type; base = base->tp_base)
            if (!base || !(base->tp_flags & Py_TPFLAGS_HEAPTYPE) ||
                base->tp_dealloc != fraction_->tp_dealloc || Py_SIZE(base) != 0 ||
                !no_extras(base))
                return;
        fraction_ok_ = true;
    }

private:
    static PyObject* dict_item(PyObject* dict, PyObject* key) {
        if (!dict || !PyDict_Check(dict)) return nullptr;
        PyObject* item = PyDict_GetItemWithError(dict, key);
        if (!item && PyErr_Occurred()) throw PyError{};
        return item;
    }

    bool quiet_items(PyObject* o, int depth) {
        constexpr Py_ssize_t kMaxItems = 16;  // a vertex, or a value made of a few
        if (depth >= 2) return false;
        const Py_ssize_t n = PySequence_Fast_GET_SIZE(o);
        if (n > kMaxItems) return false;
        PyObject* const* items = PySequence_Fast_ITEMS(o);
        for (Py_ssize_t i = 0; i < n; ++i)
            if (!(*this)(items[i], depth + 1)) return false;
        return true;
    }

    // A Fraction holds two exact ints (a slot may also be unset); a value
    // set there by hand makes it take the careful path.
    bool quiet_fraction(PyObject* o) const {
        for (Py_ssize_t at : offsets_) {
            PyObject* value = *reinterpret_cast<PyObject**>(reinterpret_cast<char*>(o) + at);
            if (value && !PyLong_CheckExact(value)) return false;
        }
        return true;
    }

    // A type defined in C (not a heap type) cannot be made or changed by
    // interpreter code, and its name is the one its extension gave it:
    // "decimal.Decimal" is the C decimal type, which frees its digits and
    // nothing else (the pure-Python fallback's class is a heap type, named
    // "Decimal"), and kNumpyNumbers are numpy's.
    bool static_number(PyTypeObject* t) {
        for (const auto& [type, quiet] : static_seen_)
            if (type == t) return quiet;
        const auto named = [t](const char* name) { return std::strcmp(t->tp_name, name) == 0; };
        const bool quiet = !(t->tp_flags & Py_TPFLAGS_HAVE_GC) && no_extras(t) &&
                           (named("decimal.Decimal") ||
                            std::any_of(std::begin(kNumpyNumbers), std::end(kNumpyNumbers), named));
        static_seen_.emplace_back(t, quiet);
        return quiet;
    }

    std::vector<std::pair<PyTypeObject*, bool>> static_seen_;
    bool looked_up_ = false, wants_look_up_ = false, fraction_ok_ = false;
    PyTypeObject* fraction_ = nullptr;
    Ref fraction_ref_;
    Py_ssize_t offsets_[2] = {0, 0};
};

}  // namespace

void delete_vertices(PyObject* line, const std::vector<Py_ssize_t>& indices) {
    if (!PyList_CheckExact(line)) {
        for (auto it = indices.rbegin(); it != indices.rend(); ++it)
            if (PyObject_DelItem(line, integer(*it)) < 0) throw PyError{};
        return;
    }
    // Deleting one index at a time moves the rest of the list each time.
    // Instead, the deletions go in runs, from the highest index down: all
    // of a run leave the list at once, and only the lowest of a run may be
    // a vertex whose release runs interpreter code.  That code then finds
    // the list as the deletions one by one would have left it at that
    // moment, and the run after it starts from whatever it made of the list.
    size_t end = indices.size();  // indices[0, end) are still to delete
    std::unordered_map<PyObject*, Py_ssize_t> released;  // by the run, so far
    QuietRelease quiet;
    while (end > 0) {
        quiet.check_fraction();
        const Py_ssize_t size = PyList_GET_SIZE(line);
        const Py_ssize_t top = indices[end - 1];
        if (top >= size) raise(PyExc_IndexError, "list assignment index out of range");
        // An object of another type is kept alive by the list as long as it
        // holds a reference more than the run gives up: the same vertex
        // object given again is deleted quietly but for its last place.
        size_t begin = end;
        released.clear();
        while (begin > 0) {
            --begin;
            PyObject* item = PyList_GET_ITEM(line, indices[begin]);
            if (quiet(item)) continue;
            if (quiet.wants_look_up()) break;
            Py_ssize_t& times = released[item];
            if (Py_REFCNT(item) <= times + 1) break;
            ++times;
        }
        if (quiet.wants_look_up()) {
            // Nothing has moved yet: the run starts again after the look-up,
            // from the list as it then stands.
            quiet.look_up();
            continue;
        }
        // Within [lo, size): the vertices kept move down in order, stretch
        // by stretch (those after the j-th leaving one by j + 1 places), the
        // leaving ones go after them in order, and that tail is deleted.
        // Nothing runs while the items are moved, and the list owns every
        // one of them throughout.
        PyObject** items = PySequence_Fast_ITEMS(line);
        const size_t count = end - begin;
        const Py_ssize_t* at = indices.data() + begin;
        const auto stretch = [&](size_t j) {
            const Py_ssize_t next = j + 1 < count ? at[j + 1] : size;
            return static_cast<size_t>(next - at[j] - 1) * sizeof(PyObject*);
        };
        std::vector<PyObject*> leaving(count);
        for (size_t j = 0; j < count; ++j) {
            leaving[j] = items[at[j]];
            std::memmove(items + at[j] - j, items + at[j] + 1, stretch(j));
        }
        std::memcpy(items + size - count, leaving.data(), count * sizeof(PyObject*));
        if (PyList_SetSlice(line, size - static_cast<Py_ssize_t>(count), size, nullptr) < 0) {
            // Back to the order the list had, from the top down.
            for (size_t j = count; j-- > 0;) {
                std::memmove(items + at[j] + 1, items + at[j] - j, stretch(j));
                items[at[j]] = leaving[j];
            }
            throw PyError{};
        }
        end = begin;
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
