// Re-projection of geometry dicts between two spatial references.
//
// An instance keeps its two scale denominators, the ESRI-style WKT of its
// references and the GDAL transformation between them under private
// (mangled) attribute names.  project() walks the geometry and transforms
// one vertex at a time, reading those attributes again for every vertex, so
// the result keeps the input's nesting exactly.
#include "projection/reprojection.h"

#include "frame/pattern.h"
#include "projection/osr_calls.h"

namespace orb::projectionhelper {
namespace {

// Argument positions after self.
enum : size_t { kSource = 1, kTarget, kSourceScale, kTargetScale };

// The code used for a reference given as None: geographic WGS 84.
constexpr long kDefaultEpsg = 4326;

// A linear unit named Meter in an ESRI WKT text; its value is replaced by
// the scale denominator.
const Pattern kMeterUnit(R"(UNIT\[[\s]*"Meter"[\s]*,[\s]*([\S]*?)[\s]*\])",
                         Pattern::IGNORECASE | Pattern::MULTILINE);

// Values of a vertex handed to GDAL: x, y, z and t (time, which carries m).
constexpr Py_ssize_t kTransformValues = 4;
// Integer zeros appended to a vertex before it is cut to kTransformValues.
constexpr Py_ssize_t kPadding = 2;

PyObject* source_scale_name() { return ORB_STR("_ProjectionHelper__sourceScale"); }
PyObject* target_scale_name() { return ORB_STR("_ProjectionHelper__targetScale"); }
PyObject* transformer_name() { return ORB_STR("_ProjectionHelper__transformer"); }

void set(PyObject* self, PyObject* name, PyObject* value) {
    if (PyObject_SetAttr(self, name, value) < 0) throw PyError{};
}

// The interpreter's `x is not 1`: small ints are shared objects.
bool is_not_one(PyObject* x) {
    static PyObject* const one = PyLong_FromLong(1);
    return x != one;
}

// A scale of 0 or less counts as 1.
Ref scale_of(PyObject* value) {
    return compare(value, integer(0), Py_LE) ? integer(1) : Ref::borrow(value);
}

// Reads one reference into the instance: its ESRI text under `text_name`,
// with the Meter unit rewritten to the scale when the scale is not 1.
Ref read_reference(PyObject* self, PyObject* osr, PyObject* value, PyObject* text_name,
                   PyObject* scale_name) {
    Ref srs = osr_calls::reference(osr, value, text_name);
    set(self, text_name, osr_calls::esri_wkt(srs));
    Ref scale = getattr(self, scale_name);
    if (is_not_one(scale)) {
        Ref repl = Ref::steal(
            PyUnicode_FromFormat("UNIT[\"Meter\",%U]", format(scale, "").get()));
        Ref wkt = getattr(self, text_name);
        set(self, text_name, call_method(kMeterUnit.get(), ORB_STR("sub"), {repl, wkt}));
    }
    return srs;
}

[[noreturn]] void invalid_geometry() { raise(PyExc_Exception, "Invalid [geometry] parameter."); }

// The vertex walk of one project() call.
class Walk {
public:
    explicit Walk(PyObject* self) : self_(self) {}

    // One vertex: x and y times the source scale, through the transformation,
    // x and y divided by the target scale; as many values as the vertex had,
    // at most four.
    Ref point(PyObject* xyzm) const {
        require(xyzm, Exact::List);
        Ref s = getattr(self_, source_scale_name());
        const bool scale_in = is_not_one(s);
        Ref values[kTransformValues];
        Py_ssize_t n = 0;
        for (; n < kTransformValues && n < PyList_GET_SIZE(xyzm); ++n) {
            Ref v = Ref::borrow(PyList_GET_ITEM(xyzm, n));
            values[n] = (scale_in && n < 2) ? Ref::steal(PyNumber_Multiply(v, s)) : v;
        }
        for (Py_ssize_t k = 0; k < kPadding && n < kTransformValues; ++k) values[n++] = integer(0);

        PyObject* args[kTransformValues];
        for (Py_ssize_t i = 0; i < n; ++i) args[i] = values[i].get();
        Ref transformer = getattr(self_, transformer_name());
        Ref moved = osr_calls::transform_point(transformer, args, static_cast<size_t>(n));
        Ref inout = Ref::steal(PySequence_List(moved));

        const Py_ssize_t keep = PyList_GET_SIZE(xyzm);
        if (PyList_GET_SIZE(inout.get()) > keep &&
            PyList_SetSlice(inout, keep, PyList_GET_SIZE(inout.get()), nullptr) < 0)
            throw PyError{};

        Ref t = getattr(self_, target_scale_name());
        if (is_not_one(t)) {
            for (Py_ssize_t i = 0; i < 2 && i < PyList_GET_SIZE(inout.get()); ++i) {
                Ref scaled =
                    Ref::steal(PyNumber_TrueDivide(PyList_GET_ITEM(inout.get(), i), t));
                if (PyList_SetItem(inout, i, scaled.release()) < 0) throw PyError{};
            }
        }
        return inout;
    }

    // A list of the vertices of any iterable.
    Ref points(PyObject* line) const {
        return each(line, [this](PyObject* p) { return point(p); });
    }
    Ref lines(PyObject* polygon) const {
        return each(polygon, [this](PyObject* l) { return points(l); });
    }
    Ref polygons(PyObject* multipolygon) const {
        return each(multipolygon, [this](PyObject* p) { return lines(p); });
    }

private:
    template <class F>
    static Ref each(PyObject* iterable, F f) {
        Ref it = Ref::steal(PyObject_GetIter(iterable));
        Ref out = Ref::steal(PyList_New(0));
        while (Ref item = Ref::steal_or_null(PyIter_Next(it))) {
            if (PyList_Append(out, f(item.get())) < 0) throw PyError{};
        }
        check_error();
        return out;
    }

    PyObject* self_;
};

bool equals(PyObject* value, PyObject* name) {
    int eq = PyObject_RichCompareBool(value, name, Py_EQ);
    if (eq < 0) throw PyError{};
    return eq != 0;
}

Ref item_of(PyObject* dict, PyObject* key) {
    PyObject* v = PyDict_GetItemWithError(dict, key);
    if (!v) check_error();
    return Ref::borrow(v);
}

Ref coordinates_of(const Walk& walk, PyObject* type, PyObject* coordinates) {
    if (equals(type, ORB_STR("Point"))) return walk.point(coordinates);
    if (equals(type, ORB_STR("MultiPoint")) || equals(type, ORB_STR("LineString")))
        return walk.points(coordinates);
    if (equals(type, ORB_STR("MultiLineString")) || equals(type, ORB_STR("Polygon")))
        return walk.lines(coordinates);
    if (equals(type, ORB_STR("MultiPolygon"))) return walk.polygons(coordinates);
    invalid_geometry();
}

Ref geometry_dict(PyObject* type, PyObject* key, PyObject* value) {
    Ref out = Ref::steal(PyDict_New());
    put(out, ORB_STR("type"), type);
    put(out, key, value);
    return out;
}

}  // namespace

Ref init(Args a) {
    PyObject* self = a[0];
    Ref sourceProjection = Ref::borrow(a[kSource]);
    Ref targetProjection = Ref::borrow(a[kTarget]);
    if (sourceProjection.get() == Py_None) sourceProjection = integer(kDefaultEpsg);
    if (targetProjection.get() == Py_None) targetProjection = integer(kDefaultEpsg);
    Ref sourceScale = scale_of(a[kSourceScale]);
    Ref targetScale = scale_of(a[kTargetScale]);

    set(self, source_scale_name(), sourceScale);
    set(self, target_scale_name(), targetScale);
    set(self, ORB_STR("sourceProjection"), Py_None);
    set(self, ORB_STR("targetProjection"), Py_None);
    set(self, transformer_name(), Py_None);

    Ref osr = global(ORB_STR("osr"));
    osr_calls::use_exceptions(osr);
    Ref sourceSrs = read_reference(self, osr, sourceProjection, ORB_STR("sourceProjection"),
                                   source_scale_name());
    Ref targetSrs = read_reference(self, osr, targetProjection, ORB_STR("targetProjection"),
                                   target_scale_name());
    // The transformation is built from the references themselves, in the
    // traditional axis order, not from the ESRI texts with their scales.
    if (!osr_calls::is_same(sourceSrs, targetSrs))
        set(self, transformer_name(), osr_calls::transformation(osr, sourceSrs, targetSrs));
    return none();
}

Ref project(Args a) {
    PyObject* self = a[0];
    PyObject* geometry = a[1];
    Ref transformer = getattr(self, transformer_name());
    if (transformer.get() == Py_None) return Ref::borrow(geometry);

    Ref type = item_of(geometry, ORB_STR("type"));
    if (!type) invalid_geometry();
    int truth = PyObject_IsTrue(type);
    if (truth < 0) throw PyError{};
    if (!truth) invalid_geometry();

    Ref coordinates = item_of(geometry, ORB_STR("coordinates"));
    if (coordinates) {
        Walk walk(self);
        return geometry_dict(type, ORB_STR("coordinates"), coordinates_of(walk, type, coordinates));
    }
    Ref geometries = item_of(geometry, ORB_STR("geometries"));
    if (!geometries || !equals(type, ORB_STR("GeometryCollection")) ||
        !PyList_CheckExact(geometries.get()))
        invalid_geometry();
    Ref members = Ref::steal(PyList_New(0));
    Ref it = Ref::steal(PyObject_GetIter(geometries));
    while (Ref geo = Ref::steal_or_null(PyIter_Next(it))) {
        if (PyList_Append(members, call_method(self, ORB_STR("project"), {geo})) < 0)
            throw PyError{};
    }
    check_error();
    return geometry_dict(type, ORB_STR("geometries"), members);
}

}  // namespace orb::projectionhelper
