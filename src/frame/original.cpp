// Registry of the objects the loader stored in the class namespaces and
// the module globals.
#include "frame/original.h"

#include "frame/module.h"

#include <functional>
#include <unordered_map>

namespace orb {
namespace {

struct Key {
    PyObject* name;   // interned
    PyObject* value;
    bool operator==(const Key& o) const noexcept { return name == o.name && value == o.value; }
};
struct KeyHash {
    size_t operator()(const Key& k) const noexcept {
        return std::hash<void*>()(k.name) * 31u ^ std::hash<void*>()(k.value);
    }
};

// Both maps hold their references for the life of the process.
std::unordered_map<Key, const Method*, KeyHash>& stored() {
    static auto* m = new std::unordered_map<Key, const Method*, KeyHash>();
    return *m;
}
std::unordered_map<PyObject*, PyObject*>& globals() {  // name -> value
    static auto* m = new std::unordered_map<PyObject*, PyObject*>();
    return *m;
}

PyObject* interned(PyObject* name) {
    if (PyUnicode_CHECK_INTERNED(name)) return name;
    PyObject* s = Py_NewRef(name);
    PyUnicode_InternInPlace(&s);
    Py_DECREF(s);  // the interned table keeps it
    return s;
}

const Method* const* lookup(PyObject* cls, PyObject* name) {
    if (!PyType_CheckExact(reinterpret_cast<PyObject*>(Py_TYPE(cls))) || !PyType_Check(cls))
        return nullptr;
    PyObject* found = _PyType_Lookup(reinterpret_cast<PyTypeObject*>(cls), name);  // borrowed
    if (!found) return nullptr;
    auto it = stored().find(Key{interned(name), found});
    return it == stored().end() ? nullptr : &it->second;
}

}  // namespace

void record_original(PyObject* name, PyObject* value) {
    name = interned(name);
    Py_INCREF(name);
    Py_INCREF(value);
    stored()[Key{name, value}] = method_row(value);
}

void record_original_global(PyObject* name, PyObject* value) {
    name = interned(name);
    Py_INCREF(name);
    Py_INCREF(value);
    PyObject*& slot = globals()[name];
    Py_XDECREF(slot);
    slot = value;
}

bool finds_original(PyObject* cls, PyObject* name) { return lookup(cls, name) != nullptr; }

const Method* original_method(PyObject* cls, PyObject* name) {
    const Method* const* row = lookup(cls, name);
    return row ? *row : nullptr;
}

bool global_is_original(PyObject* name) {
    auto it = globals().find(interned(name));
    if (it == globals().end()) return false;
    PyObject* dict = module_dict();
    return dict && PyDict_GetItemWithError(dict, name) == it->second;
}

}  // namespace orb
