// Owning handles for interpreter objects and the one error path of the C++
// layer.
//
// Every C++ function that can fail with a Python exception set throws
// `PyError`; the call boundary of the method objects (method.cpp) catches it
// and hands the pending exception back to the interpreter.  Bodies therefore
// never test return values by hand: `Ref::steal` of a null pointer throws.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace orb {

// Thrown once a Python exception has been set.
struct PyError {};

// Sets `type` with a fixed message and throws.
[[noreturn]] void raise(PyObject* type, const char* message);
// Sets `type` with a `PyUnicode_FromFormat` message and throws.
[[noreturn]] void raisef(PyObject* type, const char* format, ...);
// Throws when an exception is pending (after calls that signal failure only
// through PyErr_Occurred, such as PyFloat_AsDouble).
inline void check_error() {
    if (PyErr_Occurred()) throw PyError{};
}

// A strong reference, released when the handle goes.
class Ref {
public:
    Ref() noexcept = default;
    Ref(const Ref& other) noexcept : p_(other.p_) { Py_XINCREF(p_); }
    Ref(Ref&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ~Ref() { Py_XDECREF(p_); }
    Ref& operator=(Ref other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    // Takes over a new reference; a null pointer means the call failed.
    static Ref steal(PyObject* o) {
        if (!o) throw PyError{};
        return Ref(o);
    }
    // Takes over a new reference that may be null without an error set
    // (dictionary look-ups, optional attributes).
    static Ref steal_or_null(PyObject* o) noexcept { return Ref(o); }
    // Adds a reference to a borrowed one.
    static Ref borrow(PyObject* o) noexcept {
        Py_XINCREF(o);
        return Ref(o);
    }

    PyObject* get() const noexcept { return p_; }
    // Hands the reference over to the caller (for instance to the interpreter).
    PyObject* release() noexcept { return std::exchange(p_, nullptr); }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    operator PyObject*() const noexcept { return p_; }

private:
    explicit Ref(PyObject* o) noexcept : p_(o) {}
    PyObject* p_ = nullptr;
};

// Interned text made once per call site and kept for the life of the
// process: ORB_STR("coordinates").
#define ORB_STR(text)                                                   \
    ([]() -> PyObject* {                                                \
        static PyObject* interned_ = PyUnicode_InternFromString(text);  \
        return interned_;                                               \
    }())

// --- thin wrappers around the object protocol ------------------------------

inline Ref getattr(PyObject* o, PyObject* name) {
    return Ref::steal(PyObject_GetAttr(o, name));
}
inline Ref getattr(PyObject* o, const char* name) {
    return Ref::steal(PyObject_GetAttrString(o, name));
}
// d[key] = value for a dict.
inline void put(PyObject* d, PyObject* key, PyObject* value) {
    if (PyDict_SetItem(d, key, value) < 0) throw PyError{};
}
// The truth of the interpreter's `a op b` (op is Py_LT ... Py_GE), without
// the identity shortcut of PyObject_RichCompareBool: `x == x` still asks x.
inline bool compare(PyObject* a, PyObject* b, int op) {
    Ref r = Ref::steal(PyObject_RichCompare(a, b, op));
    const int t = PyObject_IsTrue(r.get());
    if (t < 0) throw PyError{};
    return t != 0;
}
inline Ref text(const char* s) { return Ref::steal(PyUnicode_FromString(s)); }
inline Ref text(const std::string& s) {
    return Ref::steal(PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size())));
}
inline Ref number(double x) { return Ref::steal(PyFloat_FromDouble(x)); }
inline Ref integer(long long x) { return Ref::steal(PyLong_FromLongLong(x)); }
inline Ref none() { return Ref::borrow(Py_None); }
inline Ref boolean(bool b) { return Ref::borrow(b ? Py_True : Py_False); }

// Calls `f` with positional arguments and, optionally, keyword arguments
// given as (name, value) pairs.
Ref call(PyObject* f, std::initializer_list<PyObject*> args);
Ref call(PyObject* f, std::initializer_list<PyObject*> args,
         std::initializer_list<std::pair<const char*, PyObject*>> kwargs);
// Calls the method `name` of `o`.
Ref call_method(PyObject* o, PyObject* name, std::initializer_list<PyObject*> args);

// The module global `name`, read at the moment of the call so that a host
// that patches the module is obeyed.  A missing global raises NameError.
Ref global(PyObject* name);

// The interpreter's `str` of a float ("1.0", "1e-05", "inf").
std::string float_str(double x);
// The interpreter's `str` and `repr` of any object, as UTF-8.
std::string str_of(PyObject* o);
std::string repr_of(PyObject* o);
// UTF-8 of a text object (raises for lone surrogates like the interpreter).
std::string utf8(PyObject* text);
// round(x, ndigits) of a float, correctly rounded like the interpreter.
double round_to(double x, int ndigits);
// The interpreter's `format(value, spec)`.
Ref format(PyObject* value, const char* spec);

}  // namespace orb
