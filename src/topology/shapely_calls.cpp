// Thin wrappers around the shapely calls shared by the predicates and the
// operations of Topology.
#include "topology/shapely_calls.h"

namespace orb::topology {

Ref to_shapely(PyObject* cls, PyObject* value, PyObject* srid) {
    return call_method(cls, ORB_STR("toShapely"), {value, srid});
}

Ref shapely_fn(PyObject* name) {
    Ref shapely = global(ORB_STR("shapely"));
    return getattr(shapely, name);
}

void prepare(PyObject* geometry) {
    call(shapely_fn(ORB_STR("prepare")), {geometry});
}

bool is_empty(PyObject* geometry) {
    Ref empty = call(shapely_fn(ORB_STR("is_empty")), {geometry});
    return truth(empty);
}

}  // namespace orb::topology
