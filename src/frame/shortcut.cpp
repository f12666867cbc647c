// Registry of the shortcuts past the wrappers of shapely's functions.
#include "frame/shortcut.h"

namespace orb {
namespace {
Shortcut* declared = nullptr;       // intrusive list, filled during static initialisation
PyTypeObject* geometry_type = nullptr;  // lib.Geometry, kept for the life of the process
}

Shortcut::Shortcut(const char* name) : name_(name), next_(declared) { declared = this; }

void Shortcut::record_all(PyObject* module) {
    for (Shortcut* s = declared; s; s = s->next_)
        if (!s->key_) s->key_ = Ref::steal(PyUnicode_InternFromString(s->name_)).release();
    Ref lib = Ref::steal_or_null(PyObject_GetAttrString(module, "lib"));
    if (!lib) {
        PyErr_Clear();
        return;
    }
    Ref type = Ref::steal_or_null(PyObject_GetAttrString(lib, "Geometry"));
    if (!type || !PyType_Check(type.get())) {
        PyErr_Clear();
        return;
    }
    if (!geometry_type) geometry_type = reinterpret_cast<PyTypeObject*>(type.release());
    for (Shortcut* s = declared; s; s = s->next_) {
        if (s->target_) continue;
        Ref wrapper = Ref::steal_or_null(PyObject_GetAttr(module, s->key_));
        Ref target = Ref::steal_or_null(PyObject_GetAttr(lib, s->key_));
        if (!wrapper || !target) {
            PyErr_Clear();
            continue;
        }
        s->wrapper_ = wrapper.release();
        s->target_ = target.release();
    }
}

bool plain_geometry(PyObject* o) noexcept {
    return o == Py_None || (geometry_type && PyObject_TypeCheck(o, geometry_type));
}

}  // namespace orb
