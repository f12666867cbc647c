// What the MapGrid bodies share: how they read their class argument, their
// one error path and small text and dict helpers.
#include "mapgrid/mapgrid.h"

#include "frame/original.h"

namespace mapgrid {

const char* const kInvalidCode = "Invalid [code] parameter.";

PyObject* name_mapcode() { return ORB_STR("_MapGrid__mapcode"); }
PyObject* name_mapword() { return ORB_STR("_MapGrid__mapword"); }
PyObject* name_mapword5000() { return ORB_STR("_MapGrid__mapword5000"); }
PyObject* name_scalecode() { return ORB_STR("_MapGrid__scalecode"); }
PyObject* name_corner() { return ORB_STR("_MapGrid__corner1000000"); }
PyObject* name_map() { return ORB_STR("map"); }
PyObject* name_parse() { return ORB_STR("parse"); }

ClassView::ClassView(PyObject* c) : cls(c), plain(false) {
    if (!PyType_Check(c)) return;
    auto* type = reinterpret_cast<PyTypeObject*>(c);
    // The last class found plain, with its type version: any change to the
    // class or one of its bases gives it a new version (or none), so an
    // equal nonzero version means the look-ups below would find the same.
    static PyTypeObject* plain_type = nullptr;
    static unsigned int plain_version = 0;
    if (type == plain_type && type->tp_version_tag != 0 && type->tp_version_tag == plain_version) {
        plain = true;
        return;
    }
    for (PyObject* name : {name_corner(), name_map(), name_parse(), name_mapcode(), name_mapword(),
                           name_mapword5000(), name_scalecode()})
        if (!orb::finds_original(c, name)) return;
    plain = true;
    plain_type = type;
    plain_version = type->tp_version_tag;
}

void fail(const char* pattern, std::initializer_list<PyObject*> values) {
    orb::Ref message = orb::call_method(orb::text(pattern), ORB_STR("format"), values);
    PyErr_SetObject(PyExc_Exception, message);
    throw orb::PyError{};
}

std::string padded(long long v, int width) {
    char buf[24];
    int i = sizeof buf;
    do {
        buf[--i] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v > 0 && i > 0);
    while (static_cast<int>(sizeof buf) - i < width && i > 0) buf[--i] = '0';
    return std::string(buf + i, sizeof buf - i);
}

orb::Ref new_dict() { return orb::Ref::steal(PyDict_New()); }

}  // namespace mapgrid
