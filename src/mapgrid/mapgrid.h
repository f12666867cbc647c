// Python-facing layer of class MapGrid: the method bodies and what they
// share (how a class argument is read, the error messages).
#pragma once

#include "frame/method.h"

#include <initializer_list>
#include <string>

namespace mapgrid {

orb::Ref corner1000000(orb::Args a);  // MapGrid.__corner1000000(cls, code)
orb::Ref map(orb::Args a);            // MapGrid.map(cls, longitude, latitude, scale)
orb::Ref parse(orb::Args a);          // MapGrid.parse(cls, code)
std::unique_ptr<orb::Producer> grid(orb::Args a);  // MapGrid.grid(north, south, west, east, zoom, summary)

// Names of the class attributes and methods that the bodies read through
// `cls` (private names in their stored form).
PyObject* name_mapcode();
PyObject* name_mapword();
PyObject* name_mapword5000();
PyObject* name_scalecode();
PyObject* name_corner();
PyObject* name_map();
PyObject* name_parse();

// A class argument as the bodies see it.  `plain` is true when `cls`
// resolves every method and letter table that the bodies use to the very
// objects MapGrid was created with, through the ordinary type look-up; the
// bodies then compute nested look-ups and calls directly, which gives what
// the calls through `cls` would give.  Otherwise (a subclass override, a
// patched class, a metaclass) every look-up and call goes through `cls`.
struct ClassView {
    PyObject* cls;
    bool plain;
    explicit ClassView(PyObject* cls);
};

// Raises the base Exception class with `pattern` (UTF-8) filled by the
// text's format method: each "{}" is the next value, whose str it is for
// the exact floats, ints and texts given here.
[[noreturn]] void fail(const char* pattern, std::initializer_list<PyObject*> values = {});

extern const char* const kInvalidCode;  // "Invalid [code] parameter."

// "{:0>Nd}" of a non-negative int (width 0: no padding).
std::string padded(long long v, int width);
// A new dict, and insertion into it.
orb::Ref new_dict();
using orb::put;

}  // namespace mapgrid
