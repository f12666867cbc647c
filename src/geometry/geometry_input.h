// Shared helpers of the format converters: how a writer obtains its
// geometry dict, and the bound on collections they follow themselves.
#pragma once

#include "frame/ref.h"
#include "geometry/messages.h"

namespace orb::geom {

// Collections nested in collections are followed at most this deep, by the
// writers and by the readers (KML, GML, WKT and WKB text), so that a
// self-referencing dict or a pathological document raises an error instead
// of exhausting the stack or the memory.  The outermost collection is at
// depth 0.
constexpr int kMaxNesting = 100;

// Raises the nesting error once `depth` exceeds kMaxNesting: `message`
// with kMaxNesting in its braces (msg::kNestedTooDeep by default).
void check_nesting(int depth, const char* message = msg::kNestedTooDeep);

// The geometry dict a writer works on: a value of exactly type dict as it
// is, any other value through `cls.loads` with the value alone.  A result of
// `loads` that is not exactly a dict, None included, raises the
// declared-type TypeError naming dict.
Ref geometry_dict(PyObject* cls, PyObject* value);

}  // namespace orb::geom
