// Object-protocol wrappers shared by every body.
#include "frame/ref.h"

#include "frame/float_repr.h"
#include "frame/module.h"

#include <cmath>
#include <cstdarg>
#include <vector>

namespace orb {

void raise(PyObject* type, const char* message) {
    PyErr_SetString(type, message);
    throw PyError{};
}

void raisef(PyObject* type, const char* format, ...) {
    va_list va;
    va_start(va, format);
    PyErr_FormatV(type, format, va);
    va_end(va);
    throw PyError{};
}

Ref call(PyObject* f, std::initializer_list<PyObject*> args) {
    return Ref::steal(PyObject_Vectorcall(f, args.begin(), args.size(), nullptr));
}

Ref call(PyObject* f, std::initializer_list<PyObject*> args,
         std::initializer_list<std::pair<const char*, PyObject*>> kwargs) {
    std::vector<PyObject*> stack(args.begin(), args.end());
    Ref names = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(kwargs.size())));
    Py_ssize_t i = 0;
    for (const auto& [name, value] : kwargs) {
        PyObject* key = PyUnicode_InternFromString(name);
        if (!key) throw PyError{};
        PyTuple_SET_ITEM(names.get(), i++, key);
        stack.push_back(value);
    }
    return Ref::steal(PyObject_Vectorcall(f, stack.data(), args.size(), names.get()));
}

Ref call_method(PyObject* o, PyObject* name, std::initializer_list<PyObject*> args) {
    std::vector<PyObject*> stack;
    stack.reserve(args.size() + 1);
    stack.push_back(o);
    stack.insert(stack.end(), args.begin(), args.end());
    return Ref::steal(PyObject_VectorcallMethod(
        name, stack.data(), stack.size() | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
}

Ref global(PyObject* name) {
    PyObject* dict = module_dict();
    PyObject* value = dict ? PyDict_GetItemWithError(dict, name) : nullptr;
    if (value) return Ref::borrow(value);
    if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name);
    throw PyError{};
}

std::string float_str(double x) {
    std::string out;
    append_float_repr(out, x);
    return out;
}

std::string utf8(PyObject* text) {
    Py_ssize_t size = 0;
    const char* s = PyUnicode_AsUTF8AndSize(text, &size);
    if (!s) throw PyError{};
    return std::string(s, static_cast<size_t>(size));
}

std::string str_of(PyObject* o) {
    if (PyUnicode_CheckExact(o)) return utf8(o);
    return utf8(Ref::steal(PyObject_Str(o)));
}

std::string repr_of(PyObject* o) { return utf8(Ref::steal(PyObject_Repr(o))); }

double round_to(double x, int ndigits) {
    if (!std::isfinite(x) || ndigits > 323) return x;
    if (ndigits < 0) {
        // Rare: let the interpreter round to tens, hundreds, ...
        Ref r = call_method(number(x), ORB_STR("__round__"), {integer(ndigits)});
        return PyFloat_AsDouble(r);
    }
    // The fixed-point text is the correctly rounded decimal the interpreter's
    // round() builds too; reading it back gives the same double.
    char* s = PyOS_double_to_string(x, 'f', ndigits, 0, nullptr);
    if (!s) throw PyError{};
    double r = PyOS_string_to_double(s, nullptr, nullptr);
    PyMem_Free(s);
    check_error();
    return r;
}

Ref format(PyObject* value, const char* spec) {
    Ref s = text(spec);
    return Ref::steal(PyObject_Format(value, s));
}

}  // namespace orb
