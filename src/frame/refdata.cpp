// Coordinate reference data of the national coordinate systems: the record
// class Projection.CRS and the table Projection.datum, both made while the
// body of Projection runs.
#include "frame/method.h"

namespace orb {
namespace {

struct Row {
    std::initializer_list<const char*> aliases;  // text keys after the int code
    long code;
    double a;           // semi-major axis, metres
    double inverse_f;   // f is 1.0 / inverse_f in double arithmetic
    const char* name;
    const char* spheroid;
    const char* datum;
};

const Row rows[] = {
    {{"beijing", "peking", "beijing1954"}, 1954, 6378245.0, 298.3,
     "1954 Beijing coordinate system", "Krassowsky 1940", "Krassowsky_1940"},
    {{"xian", "xi'an", "xi an", "xian1980"}, 1980, 6378140.0, 298.257,
     "1980 Xi'an coordinate system", "IAG 1975", "IAG_1975"},
    {{"wgs", "wgs84", "wgs1984"}, 1984, 6378137.0, 298.257223563,
     "1984 International geodetic coordinate system", "WGS 84", "WGS_1984"},
    {{"cgcs", "cgcs2000"}, 2000, 6378137.0, 298.257222101,
     "2000 National coordinate system", "GRS 1980", "GRS_1980"},
};

void set(PyObject* dict, const char* key, PyObject* value) {
    if (PyDict_SetItemString(dict, key, value) < 0) throw PyError{};
}

// The record class: a plain class with five annotated fields, made into a
// data class by the module global `dataclass`.
Ref make_crs_class() {
    Ref fields = Ref::steal(PyDict_New());
    for (const char* f : {"a", "f"}) set(fields, f, text("float"));
    for (const char* f : {"name", "spheroid", "datum"}) set(fields, f, text("str"));
    Ref ns = Ref::steal(PyDict_New());
    set(ns, "__module__", text("models.orbalt"));
    set(ns, "__qualname__", text("Projection.CRS"));
    set(ns, "__doc__", text(
        "Summary structure of a reference spheroid and coordinate reference system.\n\n"
        "a         semi-major axis of the spheroid, metres\n"
        "f         flattening of the spheroid\n"
        "name      name of the coordinate system\n"
        "spheroid  display name of the spheroid\n"
        "datum     spheroid identifier written with underscores"));
    set(ns, "__annotations__", fields);
    Ref bases = Ref::steal(PyTuple_New(0));
    Ref plain = call(reinterpret_cast<PyObject*>(&PyType_Type), {text("CRS"), bases, ns});
    return call(global(ORB_STR("dataclass")), {plain});
}

}  // namespace

void store_reference_data(PyObject* ns) {
    Ref notes = Ref::steal(PyDict_New());
    set(notes, "datum", text("dict[int | str, CRS]"));
    set(ns, "__annotations__", notes);
    set(ns, "CRS", make_crs_class());

    // One record per row, shared by all its keys; rows joined with `|`.
    Ref table;
    for (const Row& r : rows) {
        PyObject* crs = PyDict_GetItemString(ns, "CRS");
        if (!crs) raise(PyExc_KeyError, "CRS");
        Ref record = call(crs, {number(r.a), number(1.0 / r.inverse_f), text(r.name),
                                text(r.spheroid), text(r.datum)});
        Ref keys = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(r.aliases.size() + 1)));
        PyTuple_SET_ITEM(keys.get(), 0, integer(r.code).release());
        Py_ssize_t i = 1;
        for (const char* alias : r.aliases) PyTuple_SET_ITEM(keys.get(), i++, text(alias).release());
        Ref part = call_method(reinterpret_cast<PyObject*>(&PyDict_Type), ORB_STR("fromkeys"),
                               {keys, record});
        table = table ? Ref::steal(PyNumber_Or(table, part)) : part;
    }
    set(ns, "datum", table);
}

}  // namespace orb
