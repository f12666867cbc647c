// Interpreter operations shared by Topology.build and Topology.check.
#include "topology/pyobjects.h"

namespace orb::topology {

Ref get(PyObject* obj, PyObject* key) {
    if (PyDict_CheckExact(obj)) {
        PyObject* v = PyDict_GetItemWithError(obj, key);
        if (v) return Ref::borrow(v);
        if (PyErr_Occurred()) throw PyError{};
        // The interpreter's KeyError carries the key itself.
        Ref args = Ref::steal(PyTuple_Pack(1, key));
        PyErr_SetObject(PyExc_KeyError, args);
        throw PyError{};
    }
    return Ref::steal(PyObject_GetItem(obj, key));
}

double to_double(PyObject* value) {
    if (PyFloat_CheckExact(value)) return PyFloat_AS_DOUBLE(value);
    if (PyLong_CheckExact(value)) {
        // float(int), without the intermediate object.
        const double d = PyLong_AsDouble(value);
        if (d == -1.0) check_error();
        return d;
    }
    Ref f = Ref::steal(PyNumber_Float(value));
    return PyFloat_AS_DOUBLE(f.get());
}

void unpack(PyObject* value, Ref* out, Py_ssize_t n) {
    Ref it = Ref::steal(PyObject_GetIter(value));
    for (Py_ssize_t k = 0; k < n; ++k) {
        PyObject* next = PyIter_Next(it);
        if (!next) {
            check_error();
            raisef(PyExc_ValueError, "not enough values to unpack (expected %zd, got %zd)", n, k);
        }
        out[k] = Ref::steal(next);
    }
    PyObject* extra = PyIter_Next(it);
    if (extra) {
        Py_DECREF(extra);
        raisef(PyExc_ValueError, "too many values to unpack (expected %zd)", n);
    }
    check_error();
}

void first_two_floats(PyObject* vertex, double& x, double& y) {
    x = to_double(item_at(vertex, 0));
    y = to_double(item_at(vertex, 1));
}

Ref make_dict(std::initializer_list<std::pair<PyObject*, PyObject*>> items) {
    Ref d = Ref::steal(PyDict_New());
    for (const auto& [key, value] : items)
        if (PyDict_SetItem(d, key, value) < 0) throw PyError{};
    return d;
}

void append(PyObject* list, PyObject* value) {
    if (PyList_Append(list, value) < 0) throw PyError{};
}

Ref builtin_call(const char* name, PyObject* arg) {
    PyObject* f = PyDict_GetItemString(PyEval_GetBuiltins(), name);
    if (!f) raisef(PyExc_NameError, "name '%s' is not defined", name);
    return call(f, {arg});
}

}  // namespace orb::topology
