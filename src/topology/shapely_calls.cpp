// Thin wrappers around the shapely calls shared by the predicates and the
// operations of Topology.
#include "topology/shapely_calls.h"

#include "frame/original.h"
#include "frame/shortcut.h"
#include "geometry/shapely_io.h"

namespace orb::topology {

namespace {
// shapely.prepare only forwards its argument to shapely.lib.prepare.
const Shortcut kPrepare("prepare");
}  // namespace

Ref to_shapely(PyObject* cls, PyObject* value, PyObject* srid) {
    // While the class holds this module's own converter, its body is run
    // directly: the bound call would only bind the same two arguments.
    if (original_method(cls, ORB_STR("toShapely"))) {
        PyObject* const args[] = {cls, value, srid};
        return geom::to_shapely(Args{args});
    }
    return call_method(cls, ORB_STR("toShapely"), {value, srid});
}

Ref shapely_fn(PyObject* name) {
    Ref shapely = global(ORB_STR("shapely"));
    return getattr(shapely, name);
}

Ref call_geometries(const Shortcut& shortcut, std::initializer_list<PyObject*> geometries) {
    Ref fn = shapely_fn(shortcut.key());
    bool plain = true;
    for (PyObject* g : geometries) plain = plain && plain_geometry(g);
    return call(plain ? shortcut.resolve(fn) : fn.get(), geometries);
}

void prepare(PyObject* geometry) { call_geometries(kPrepare, {geometry}); }

PyObject* compiled_prepare() noexcept { return kPrepare.target(); }

bool is_empty(PyObject* geometry) {
    Ref shapely = global(ORB_STR("shapely"));
    return geom::shapely_is_empty(shapely, geometry);
}

}  // namespace orb::topology
