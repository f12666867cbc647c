// Module entry and loading: two-step initialisation, the module attributes,
// the imports of the dependencies and the assembly of the six classes from
// their tables.
#include "frame/module.h"

#include "frame/generator.h"
#include "frame/original.h"
#include "frame/pattern.h"
#include "frame/shortcut.h"

#include <cstring>
#include <stdexcept>

namespace orb {
namespace {

// The first interpreter that created the module; never cleared.
int64_t recorded_interpreter = -1;
// The one module object of the process; cleared when execution fails.
PyObject* the_module = nullptr;

constexpr const char* kRegisteredName = "models.orbalt";

PyObject* create(PyObject* spec, PyModuleDef*) {
    int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (id == -1) return nullptr;
    if (recorded_interpreter == -1) {
        recorded_interpreter = id;
    } else if (recorded_interpreter != id) {
        PyErr_SetString(PyExc_ImportError,
                        "Interpreter change detected - this module can only be loaded into one "
                        "interpreter per process.");
        return nullptr;
    }
    if (the_module) return Py_NewRef(the_module);

    try {
        Ref name = getattr(spec, "name");
        Ref module = Ref::steal(PyModule_NewObject(name));
        PyObject* dict = PyModule_GetDict(module);
        struct Copy { const char* from; const char* to; bool keep_none; };
        static const Copy copies[] = {
            {"loader", "__loader__", true},
            {"origin", "__file__", true},
            {"parent", "__package__", true},
            {"submodule_search_locations", "__path__", false},
        };
        for (const Copy& c : copies) {
            Ref value = Ref::steal_or_null(PyObject_GetAttrString(spec, c.from));
            if (!value) {
                if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw PyError{};
                PyErr_Clear();
                continue;
            }
            if (value.get() == Py_None && !c.keep_none) continue;
            if (PyDict_SetItemString(dict, c.to, value) < 0) throw PyError{};
        }
        return module.release();
    } catch (const PyError&) {
        return nullptr;
    }
}

void set(PyObject* dict, const char* key, const Ref& value) {
    if (PyDict_SetItemString(dict, key, value) < 0) throw PyError{};
}

// `import name`: an entry of the module table that has finished loading is
// used as it is.  A None entry (a blocked import) goes to the import
// function, which raises for it, rather than binding None as the module.
void import_module(PyObject* globals, const char* name) {
    Ref key = text(name);
    PyObject* modules = PyImport_GetModuleDict();
    Ref found = Ref::borrow(PyDict_GetItemWithError(modules, key));
    if (!found) check_error();
    if (found && found.get() != Py_None) {
        Ref spec = Ref::steal_or_null(PyObject_GetAttrString(found, "__spec__"));
        bool initializing = false;
        if (spec && spec.get() != Py_None) {
            Ref flag = Ref::steal_or_null(PyObject_GetAttrString(spec, "_initializing"));
            if (flag) {
                int t = PyObject_IsTrue(flag);
                if (t < 0) throw PyError{};
                initializing = t;
            }
        }
        PyErr_Clear();
        if (!initializing) {
            set(globals, name, found);
            return;
        }
    }
    set(globals, name,
        Ref::steal(PyImport_ImportModuleLevelObject(key, globals, nullptr, nullptr, 0)));
}

// `from module import names...`
void import_names(PyObject* globals, const char* module, std::initializer_list<const char*> names) {
    Ref key = text(module);
    Ref fromlist = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(names.size())));
    Py_ssize_t i = 0;
    for (const char* n : names) PyTuple_SET_ITEM(fromlist.get(), i++, text(n).release());
    Ref mod = Ref::steal(PyImport_ImportModuleLevelObject(key, globals, nullptr, fromlist, 0));
    for (const char* n : names) {
        Ref value = Ref::steal_or_null(PyObject_GetAttrString(mod, n));
        if (!value) {
            if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw PyError{};
            PyErr_Clear();
            Ref full = Ref::steal(PyUnicode_FromFormat("%s.%s", module, n));
            value = Ref::borrow(PyDict_GetItemWithError(PyImport_GetModuleDict(), full));
            if (!value) {
                check_error();
                Ref name = text(n);
                raisef(PyExc_ImportError, "cannot import name %S", name.get());
            }
        }
        set(globals, n, value);
    }
}

// Registers the generator type as a virtual subclass of
// collections.abc.Generator; without collections.abc loading goes on.
void register_generator_type() {
    Ref abc = Ref::steal_or_null(PyImport_ImportModule("collections.abc"));
    if (!abc) {
        PyErr_WriteUnraisable(nullptr);
        if (PyErr_WarnEx(PyExc_RuntimeWarning,
                         "collections.abc is unavailable: the generator type is not registered",
                         1) < 0)
            throw PyError{};
        return;
    }
    Ref generator = getattr(abc, "Generator");
    call_method(generator, ORB_STR("register"),
                {reinterpret_cast<PyObject*>(generator_type())});
}

void create_class(PyObject* globals, const ClassSpec& spec) {
    Ref bases, metaclass;
    if (spec.base) {
        Ref base = global(Ref::steal(PyUnicode_FromString(spec.base)));
        bases = Ref::steal(PyTuple_Pack(1, base.get()));
        metaclass = Ref::borrow(reinterpret_cast<PyObject*>(Py_TYPE(base.get())));
    } else {
        bases = Ref::steal(PyTuple_New(0));
        metaclass = Ref::borrow(reinterpret_cast<PyObject*>(&PyType_Type));
    }
    Ref ns = Ref::steal(PyDict_New());
    set(ns, "__module__", text(kRegisteredName));
    set(ns, "__qualname__", text(spec.name));
    set(ns, "__doc__", text(spec.doc));
    if (spec.attributes) spec.attributes(ns);
    for (const Method& m : spec.methods) {
        Ref f = make_function(spec.name, m);
        if (m.kind == Kind::Class)
            f = call(reinterpret_cast<PyObject*>(&PyClassMethod_Type), {f});
        else if (m.kind == Kind::Static || m.kind == Kind::Generator)
            f = call(reinterpret_cast<PyObject*>(&PyStaticMethod_Type), {f});
        // A name with two leading underscores and no trailing pair is
        // stored under the class-private form `_Class__name`.
        const size_t len = std::strlen(m.name);
        const bool private_name = len > 2 && std::strncmp(m.name, "__", 2) == 0 &&
                                  std::strcmp(m.name + len - 2, "__") != 0;
        std::string key = private_name ? std::string("_") + spec.name + m.name : m.name;
        set(ns, key.c_str(), f);
    }
    PyObject *key, *value;
    for (Py_ssize_t pos = 0; PyDict_Next(ns, &pos, &key, &value);) record_original(key, value);
    Ref name = text(spec.name);
    Ref cls = call(metaclass, {name, bases, ns});
    set(globals, spec.name, cls);
    record_original_global(name, cls);
}

void run_body(PyObject* module) {
    PyObject* g = PyModule_GetDict(module);
    set(g, "__version__", text("2025.2.7"));
    set(g, "__author__", text("The orbalt developers"));
    set(g, "__copyright__", text("Copyright (c) 2025 The orbalt developers"));
    Ref all = Ref::steal(PyList_New(0));
    for (const char* n : {"Geometry", "Topology", "MapGrid", "Projection", "ProjectionHelper",
                          "Astronomy"})
        if (PyList_Append(all, text(n)) < 0) throw PyError{};
    set(g, "__all__", all);

    import_module(g, "collections");
    import_module(g, "json");
    import_module(g, "math");
    import_module(g, "re");
    import_module(g, "sys");
    import_names(g, "dataclasses", {"dataclass"});
    import_names(g, "datetime", {"datetime"});
    import_names(g, "heapq", {"heappop", "heappush"});
    import_names(g, "typing", {"Iterator", "Any"});
    import_module(g, "pygml");
    import_module(g, "pytz");
    import_module(g, "shapely");
    import_names(g, "dateutil", {"tz", "parser"});
    import_names(g, "lxml", {"etree"});
    import_names(g, "osgeo", {"osr", "ogr"});
    Pattern::compile_all(global(ORB_STR("re")));
    Shortcut::record_all(global(ORB_STR("shapely")));

    for (const ClassSpec* spec : {&geometry_class(), &topology_class(), &mapgrid_class(),
                                  &projection_class(), &projectionhelper_class(),
                                  &astronomy_class()})
        create_class(g, *spec);
}

int exec(PyObject* module) {
    if (the_module) {
        if (the_module == module) return 0;
        PyErr_SetString(PyExc_RuntimeError,
                        "Module 'orbalt' has already been imported. Re-initialisation is not "
                        "supported.");
        return -1;
    }
    the_module = Py_NewRef(module);
    bool registered_here = false;
    try {
        set(PyModule_GetDict(module), "__builtins__",
            Ref::steal(PyImport_ImportModule("builtins")));
        if ((Py_Version >> 16) != ((PY_MAJOR_VERSION << 8) | PY_MINOR_VERSION) &&
            PyErr_WarnEx(PyExc_RuntimeWarning,
                         "models.orbalt was built for CPython 3.12 and may not work here", 1) < 0)
            throw PyError{};
        PyObject* modules = PyImport_GetModuleDict();
        int present = PyDict_Contains(modules, ORB_STR(kRegisteredName));
        if (present < 0) throw PyError{};
        if (!present) {
            if (PyDict_SetItem(modules, ORB_STR(kRegisteredName), module) < 0) throw PyError{};
            registered_here = true;
        }
        register_generator_type();
        run_body(module);
        return 0;
    } catch (const PyError&) {
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_SystemError, e.what());
    }
    // Leave nothing half-built behind: the next import starts afresh.
    PyObject* exc = PyErr_GetRaisedException();
    if (registered_here &&
        PyDict_GetItemWithError(PyImport_GetModuleDict(), ORB_STR(kRegisteredName)) == module &&
        PyDict_DelItem(PyImport_GetModuleDict(), ORB_STR(kRegisteredName)) < 0)
        PyErr_Clear();
    Py_CLEAR(the_module);
    PyErr_SetRaisedException(exc);
    return -1;
}

PyModuleDef_Slot slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(create)},
    {Py_mod_exec, reinterpret_cast<void*>(exec)},
    {0, nullptr},
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "orbalt",
    "Geodesy and GIS toolkit.\n\n"
    "Geometry          read and write vector geometries (GeoJSON, WKT, WKB, KML, GML, SVG, OGR)\n"
    "Topology          geodetic area and length, label points, checks and spatial operations\n"
    "MapGrid           sheet numbers and bounds of the national topographic map series\n"
    "Projection        Gauss-Kruger, web Mercator, Albers and Lambert projections\n"
    "ProjectionHelper  WKT projection definitions and re-projection of geometries\n"
    "Astronomy         Julian days, sun, moon and geostationary satellite positions\n",
    0,
    nullptr,
    slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

PyObject* module_dict() { return the_module ? PyModule_GetDict(the_module) : nullptr; }

}  // namespace orb

PyMODINIT_FUNC PyInit_orbalt(void) { return PyModuleDef_Init(&orb::definition); }
