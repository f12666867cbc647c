// Method objects: one callable type for every method of the module, driven
// by the rows of the class tables.
//
// A method object carries its introspection attributes (name, qualified
// name, docstring, annotation texts, defaults, signature) and binds each call
// by the module's rules before the body runs: counts, keywords, float
// conversion, exact-type tests, in that order, with the messages kept in
// this file.  Calls arrive through vectorcall; class and static methods are
// wrapped by the interpreter's classmethod and staticmethod, instance
// methods bind through the descriptor slot.
#include "frame/method.h"

#include "frame/generator.h"
#include "frame/module.h"

#include <structmember.h>

#include <cstring>
#include <new>
#include <stdexcept>

namespace orb {
namespace {

// cls + the longest parameter list of any table, with room to spare.
constexpr Py_ssize_t kMaxParams = 16;

// What the binder does with one parameter, decided by its annotation text
// and default.
enum class Decl : unsigned char {
    Free,         // not tested
    List, Dict, Str, Int,                  // exactly that type
    ListOrNone, DictOrNone, StrOrNone, IntOrNone,
    Float,        // converted with PyFloat_AsDouble
    FloatOrNone,  // exactly a float, or None
};

const char* expected_name(Decl d) {
    switch (d) {
        case Decl::List: case Decl::ListOrNone: return "list";
        case Decl::Dict: case Decl::DictOrNone: return "dict";
        case Decl::Str: case Decl::StrOrNone: return "str";
        case Decl::Int: case Decl::IntOrNone: return "int";
        default: return "float";
    }
}

bool passes(Decl d, PyObject* v) {
    switch (d) {
        case Decl::Free: case Decl::Float: return true;
        case Decl::List: return PyList_CheckExact(v);
        case Decl::Dict: return PyDict_CheckExact(v);
        case Decl::Str: return PyUnicode_CheckExact(v);
        case Decl::Int: return PyLong_CheckExact(v);
        case Decl::ListOrNone: return v == Py_None || PyList_CheckExact(v);
        case Decl::DictOrNone: return v == Py_None || PyDict_CheckExact(v);
        case Decl::StrOrNone: return v == Py_None || PyUnicode_CheckExact(v);
        case Decl::IntOrNone: return v == Py_None || PyLong_CheckExact(v);
        case Decl::FloatOrNone: return v == Py_None || PyFloat_CheckExact(v);
    }
    return true;
}

Decl declaration(const char* annotation, bool default_is_none) {
    if (!annotation) return Decl::Free;
    auto is = [&](const char* t) { return std::strcmp(annotation, t) == 0; };
    if (is("list")) return default_is_none ? Decl::ListOrNone : Decl::List;
    if (is("dict")) return default_is_none ? Decl::DictOrNone : Decl::Dict;
    if (is("str")) return default_is_none ? Decl::StrOrNone : Decl::Str;
    if (is("int")) return default_is_none ? Decl::IntOrNone : Decl::Int;
    if (is("float")) return default_is_none ? Decl::FloatOrNone : Decl::Float;
    return Decl::Free;
}

// Declared results: list, dict, str and int are tested, None passing; any
// other result type, float included, is neither tested nor converted.
Decl result_declaration(const char* annotation) {
    Decl d = declaration(annotation, true);
    return d == Decl::FloatOrNone ? Decl::Free : d;
}

Exact exact_of(Decl d) {
    switch (d) {
        case Decl::ListOrNone: return Exact::List;
        case Decl::DictOrNone: return Exact::Dict;
        case Decl::StrOrNone: return Exact::Str;
        default: return Exact::Int;
    }
}

// --- default literals ---------------------------------------------------

// Parses the small literal language of the table's defaults.
class Literal {
public:
    explicit Literal(const char* s) : s_(s) {}
    Ref parse() {
        Ref v = value();
        skip();
        if (*s_) throw std::logic_error("trailing text in default literal");
        return v;
    }

private:
    void skip() { while (*s_ == ' ') ++s_; }
    bool word(const char* w) {
        size_t n = std::strlen(w);
        if (std::strncmp(s_, w, n) != 0) return false;
        s_ += n;
        return true;
    }
    Ref value() {
        skip();
        if (word("None")) return none();
        if (word("True")) return boolean(true);
        if (word("False")) return boolean(false);
        if (*s_ == '\'') {
            const char* end = std::strchr(s_ + 1, '\'');
            if (!end) throw std::logic_error("unterminated text in default literal");
            Ref t = Ref::steal(PyUnicode_FromStringAndSize(s_ + 1, end - s_ - 1));
            s_ = end + 1;
            return t;
        }
        if (*s_ == '(') {
            ++s_;
            Ref items = Ref::steal(PyList_New(0));
            for (;;) {
                skip();
                if (*s_ == ')') { ++s_; break; }
                Ref item = value();
                if (PyList_Append(items, item) < 0) throw PyError{};
                skip();
                if (*s_ == ',') ++s_;
            }
            return Ref::steal(PyList_AsTuple(items));
        }
        const char* start = s_;
        bool real = false;
        if (*s_ == '-' || *s_ == '+') ++s_;
        while ((*s_ >= '0' && *s_ <= '9') || *s_ == '.' || *s_ == 'e' || *s_ == 'E' ||
               ((*s_ == '-' || *s_ == '+') && (s_[-1] == 'e' || s_[-1] == 'E'))) {
            if (*s_ == '.' || *s_ == 'e' || *s_ == 'E') real = true;
            ++s_;
        }
        if (s_ == start) throw std::logic_error("bad default literal");
        std::string digits(start, s_);
        if (real) {
            double x = PyOS_string_to_double(digits.c_str(), nullptr, nullptr);
            check_error();
            return number(x);
        }
        return Ref::steal(PyLong_FromString(digits.c_str(), nullptr, 10));
    }
    const char* s_;
};

// --- the method object ---------------------------------------------------

struct FunctionData {
    const Method* spec = nullptr;
    Py_ssize_t nparams = 0;    // P, cls/self included
    Py_ssize_t nrequired = 0;  // R
    Ref names[kMaxParams];     // interned parameter names
    Decl decl[kMaxParams] = {};
    bool any_float = false;    // some parameter needs the conversion pass
    bool any_test = false;     // some parameter needs the exact-type pass
    bool rebuilt = false;      // __defaults__ is a new tuple on each read
    Decl result = Decl::Free;
    Ref name, qualname, doc, annotations;
    Ref defaults;              // tuple of the trailing defaults, or empty
};

struct FunctionObject {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    FunctionData data;
};

PyTypeObject* function_type = nullptr;

inline FunctionData& data_of(PyObject* self) {
    return reinterpret_cast<FunctionObject*>(self)->data;
}

// "%.200s() takes %.8s %zd positional argument%.1s (%zd given)"
PyObject* count_error(const FunctionData& d, bool too_many, Py_ssize_t given) {
    const char* how;
    Py_ssize_t expected;
    if (d.nrequired == d.nparams) {
        how = "exactly";
        expected = d.nparams;
    } else if (too_many) {
        how = "at most";
        expected = d.nparams;
    } else {
        how = "at least";
        expected = d.nrequired;
    }
    PyErr_Format(PyExc_TypeError, "%.200s() takes %.8s %zd positional argument%.1s (%zd given)",
                 d.spec->name, how, expected, expected == 1 ? "" : "s", given);
    return nullptr;
}

// The position of the parameter named `key`, or -1.  Keywords written at
// a call site are interned like the parameter names, so the identity pass
// nearly always decides; text equality is the fallback.
Py_ssize_t parameter_index(const FunctionData& d, PyObject* key) {
    for (Py_ssize_t i = 0; i < d.nparams; ++i)
        if (d.names[i].get() == key) return i;
    if (!PyUnicode_Check(key)) return -1;
    for (Py_ssize_t i = 0; i < d.nparams; ++i)
        if (PyUnicode_Compare(d.names[i], key) == 0) return i;
    return -1;
}

// Reports the first keyword of the call that did not bind.
PyObject* keyword_error(const FunctionData& d, Py_ssize_t nargs, PyObject* kwnames) {
    for (Py_ssize_t k = 0; k < PyTuple_GET_SIZE(kwnames); ++k) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, k);
        if (!PyUnicode_Check(key)) {
            PyErr_Format(PyExc_TypeError, "%.200s() keywords must be strings", d.spec->name);
            return nullptr;
        }
        Py_ssize_t i = parameter_index(d, key);
        if (i >= nargs) continue;
        if (i >= 0)
            PyErr_Format(PyExc_TypeError, "%s() got multiple values for keyword argument '%U'",
                         d.spec->name, key);
        else
            PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'",
                         d.spec->name, key);
        return nullptr;
    }
    PyErr_SetString(PyExc_SystemError, "keyword binding failed");
    return nullptr;
}

PyObject* not_built(const FunctionData& d) {
    PyErr_Format(PyExc_NotImplementedError, "%U() is not implemented yet", d.qualname.get());
    return nullptr;
}

// Counts against the interpreter's recursion limit like a call of a Python
// function: methods call themselves through `cls` for collection members,
// so a collection nested some hundred thousand levels deep raises
// RecursionError instead of running the C stack out.  One level of such a
// recursion is several C frames (body, method object, binder), some
// kilobytes in a sanitized build, so it counts twice.
class DepthGuard {
public:
    DepthGuard() = default;
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    bool enter() {
        for (; entered_ < kUnitsPerCall; ++entered_)
            if (Py_EnterRecursiveCall(" while calling a Python object")) return false;
        return true;
    }
    ~DepthGuard() {
        for (int i = 0; i < entered_; ++i) Py_LeaveRecursiveCall();
    }

private:
    static constexpr int kUnitsPerCall = 2;
    int entered_ = 0;
};

PyObject* run_body(const FunctionData& d, PyObject* const* bound) {
    const Method& m = *d.spec;
    DepthGuard depth;
    if (!depth.enter()) return nullptr;
    try {
        if (m.kind == Kind::Generator) {
            return make_generator(m.start, d.qualname, bound, d.nparams).release();
        }
        if (!m.body) return not_built(d);
        Ref result = m.body(Args{bound});
        if (d.result != Decl::Free) expect(result, exact_of(d.result));
        return result.release();
    } catch (const PyError&) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_SystemError, e.what());
        return nullptr;
    }
}

// The floats made by conversion during one call, released when it returns;
// only the slots used are touched, since most calls convert nothing.
class Converted {
public:
    Converted() = default;
    Converted(const Converted&) = delete;
    Converted& operator=(const Converted&) = delete;
    ~Converted() {
        for (int i = 0; i < n_; ++i) Py_DECREF(items_[i]);
    }
    // Takes over a new reference (null passes through for the caller to test).
    PyObject* hold(PyObject* o) {
        if (o) items_[n_++] = o;
        return o;
    }

private:
    PyObject* items_[kMaxParams];
    int n_ = 0;
};

PyObject* function_vectorcall(PyObject* self, PyObject* const* args, size_t nargsf,
                              PyObject* kwnames) {
    const FunctionData& d = data_of(self);
    const Py_ssize_t P = d.nparams, R = d.nrequired;
    const Py_ssize_t n = PyVectorcall_NARGS(nargsf);
    const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    PyObject* bound[kMaxParams];

    if (n > P) return count_error(d, true, n);
    for (Py_ssize_t i = 0; i < n; ++i) bound[i] = args[i];
    if (nkw == 0) {
        if (n < R) return count_error(d, false, n);
        for (Py_ssize_t i = n; i < P; ++i) bound[i] = PyTuple_GET_ITEM(d.defaults.get(), i - R);
    } else {
        // Each keyword is placed first; then every parameter after the
        // positional ones is examined in order, so a missing required one is
        // reported (with the count of parameters before it) ahead of any bad
        // keyword, and also when it comes after the last keyword.
        PyObject* by_keyword[kMaxParams] = {};
        bool stray = false;
        for (Py_ssize_t k = 0; k < nkw; ++k) {
            Py_ssize_t i = parameter_index(d, PyTuple_GET_ITEM(kwnames, k));
            if (i >= n) by_keyword[i] = args[n + k];
            else stray = true;
        }
        for (Py_ssize_t i = n; i < P; ++i) {
            if (by_keyword[i]) bound[i] = by_keyword[i];
            else if (i < R) return count_error(d, false, i);
            else bound[i] = PyTuple_GET_ITEM(d.defaults.get(), i - R);
        }
        if (stray) return keyword_error(d, n, kwnames);
    }

    // Floats are converted first, then the exact types tested.
    Converted converted;
    if (d.any_float) {
        for (Py_ssize_t i = 0; i < P; ++i) {
            if (d.decl[i] != Decl::Float || PyFloat_CheckExact(bound[i])) continue;
            double x = PyFloat_AsDouble(bound[i]);
            if (x == -1.0 && PyErr_Occurred()) return nullptr;
            if (!(bound[i] = converted.hold(PyFloat_FromDouble(x)))) return nullptr;
        }
    }
    if (d.any_test) {
        for (Py_ssize_t i = 0; i < P; ++i) {
            if (passes(d.decl[i], bound[i])) continue;
            PyErr_Format(PyExc_TypeError,
                         "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)",
                         PyUnicode_AsUTF8(d.names[i]), expected_name(d.decl[i]),
                         Py_TYPE(bound[i])->tp_name);
            return nullptr;
        }
    }
    return run_body(d, bound);
}

// Instance methods bind `self` like a Python function; class methods reach
// this through classmethod, which binds the class the same way.
PyObject* function_descr_get(PyObject* self, PyObject* obj, PyObject*) {
    if (obj == nullptr || obj == Py_None) return Py_NewRef(self);
    return PyMethod_New(self, obj);
}

void function_dealloc(PyObject* self) {
    PyTypeObject* tp = Py_TYPE(self);
    reinterpret_cast<FunctionObject*>(self)->data.~FunctionData();
    tp->tp_free(self);
    Py_DECREF(tp);
}

PyObject* get_name(PyObject* self, void*) { return Ref(data_of(self).name).release(); }
PyObject* get_qualname(PyObject* self, void*) { return Ref(data_of(self).qualname).release(); }
PyObject* get_doc(PyObject* self, void*) { return Ref(data_of(self).doc).release(); }
PyObject* get_annotations(PyObject* self, void*) {
    return Ref(data_of(self).annotations).release();
}
PyObject* get_kwdefaults(PyObject*, void*) { Py_RETURN_NONE; }

PyObject* get_defaults(PyObject* self, void*) {
    const FunctionData& d = data_of(self);
    Py_ssize_t n = PyTuple_GET_SIZE(d.defaults.get());
    if (n == 0) Py_RETURN_NONE;
    if (!d.rebuilt) return Ref(d.defaults).release();
    PyObject* fresh = PyTuple_New(n);
    if (!fresh) return nullptr;
    for (Py_ssize_t i = 0; i < n; ++i)
        PyTuple_SET_ITEM(fresh, i, Py_NewRef(PyTuple_GET_ITEM(d.defaults.get(), i)));
    return fresh;
}

// inspect.signature reads this: every parameter positional-or-keyword, with
// its default and annotation text.
PyObject* get_signature(PyObject* self, void*) {
    const FunctionData& d = data_of(self);
    try {
        Ref inspect = Ref::steal(PyImport_ImportModule("inspect"));
        Ref parameter = getattr(inspect, "Parameter");
        Ref kind = getattr(parameter, "POSITIONAL_OR_KEYWORD");
        Ref params = Ref::steal(PyList_New(0));
        for (Py_ssize_t i = 0; i < d.nparams; ++i) {
            Ref kwargs = Ref::steal(PyDict_New());
            if (i >= d.nrequired &&
                PyDict_SetItemString(kwargs, "default",
                                     PyTuple_GET_ITEM(d.defaults.get(), i - d.nrequired)) < 0)
                throw PyError{};
            PyObject* note = PyDict_GetItemWithError(d.annotations, d.names[i]);
            if (!note) check_error();
            if (note && PyDict_SetItemString(kwargs, "annotation", note) < 0) throw PyError{};
            Ref args = Ref::steal(PyTuple_Pack(2, d.names[i].get(), kind.get()));
            Ref p = Ref::steal(PyObject_Call(parameter, args, kwargs));
            if (PyList_Append(params, p) < 0) throw PyError{};
        }
        Ref kwargs = Ref::steal(PyDict_New());
        PyObject* ret = PyDict_GetItemString(d.annotations, "return");
        if (ret && PyDict_SetItemString(kwargs, "return_annotation", ret) < 0) throw PyError{};
        Ref args = Ref::steal(PyTuple_Pack(1, params.get()));
        return PyObject_Call(getattr(inspect, "Signature"), args, kwargs);
    } catch (const PyError&) {
        return nullptr;
    }
}

PyGetSetDef function_getset[] = {
    {"__name__", get_name, nullptr, nullptr, nullptr},
    {"__qualname__", get_qualname, nullptr, nullptr, nullptr},
    {"__doc__", get_doc, nullptr, nullptr, nullptr},
    {"__annotations__", get_annotations, nullptr, nullptr, nullptr},
    {"__defaults__", get_defaults, nullptr, nullptr, nullptr},
    {"__kwdefaults__", get_kwdefaults, nullptr, nullptr, nullptr},
    {"__signature__", get_signature, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyObject* function_repr(PyObject* self) {
    return PyUnicode_FromFormat("<function %U>", data_of(self).qualname.get());
}

PyMemberDef function_members[] = {
    {"__vectorcalloffset__", Py_T_PYSSIZET, offsetof(FunctionObject, vectorcall), Py_READONLY,
     nullptr},
    {nullptr, 0, 0, 0, nullptr},
};

PyType_Slot function_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(function_dealloc)},
    {Py_tp_call, reinterpret_cast<void*>(PyVectorcall_Call)},
    {Py_tp_descr_get, reinterpret_cast<void*>(function_descr_get)},
    {Py_tp_getset, function_getset},
    {Py_tp_members, function_members},
    {Py_tp_repr, reinterpret_cast<void*>(function_repr)},
    {0, nullptr},
};

// The type's own __module__ ("models.orbalt", from the dotted name) is
// what every method object reports as its __module__.
PyType_Spec function_spec = {
    "models.orbalt.function",
    sizeof(FunctionObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR |
        Py_TPFLAGS_IMMUTABLETYPE | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    function_slots,
};

}  // namespace

void init_function_type() {
    if (function_type) return;
    function_type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&function_spec));
    if (!function_type) throw PyError{};
}

Ref make_function(const char* class_name, const Method& m) {
    init_function_type();
    Ref obj = Ref::steal(PyType_GenericAlloc(function_type, 0));
    auto* f = reinterpret_cast<FunctionObject*>(obj.get());
    // The object exists from here on, so dealloc can always destroy the data.
    new (&f->data) FunctionData();
    f->vectorcall = function_vectorcall;
    FunctionData& d = f->data;
    d.spec = &m;

    const bool has_self = m.kind == Kind::Class || m.kind == Kind::Instance;
    d.nparams = static_cast<Py_ssize_t>(m.params.size()) + (has_self ? 1 : 0);
    if (d.nparams > kMaxParams) throw std::logic_error("too many parameters");

    d.name = text(m.name);
    d.qualname = Ref::steal(PyUnicode_FromFormat("%s.%s", class_name, m.name));
    d.doc = m.doc ? text(m.doc) : none();
    d.annotations = Ref::steal(PyDict_New());

    Ref defaults = Ref::steal(PyList_New(0));
    Py_ssize_t i = 0;
    if (has_self) d.names[i++] = text(m.kind == Kind::Class ? "cls" : "self");
    d.nrequired = i;
    bool seen_default = false;
    for (const Param& p : m.params) {
        d.names[i] = Ref::steal(PyUnicode_InternFromString(p.name));
        if (p.annotation && PyDict_SetItem(d.annotations, d.names[i], text(p.annotation)) < 0)
            throw PyError{};
        const bool none_default = p.fallback && std::strcmp(p.fallback, "None") == 0;
        d.decl[i] = declaration(p.annotation, none_default);
        if (p.fallback) {
            Ref value = Literal(p.fallback).parse();
            if (d.decl[i] == Decl::Float) value = number(as_float(value));
            if (d.decl[i] == Decl::Int) {
                expect(value, Exact::Int);
                d.rebuilt = true;
            }
            if (PyList_Append(defaults, value) < 0) throw PyError{};
            seen_default = true;
        } else {
            if (seen_default) throw std::logic_error("required parameter after a default");
            d.nrequired = i + 1;
        }
        d.any_float |= d.decl[i] == Decl::Float;
        d.any_test |= d.decl[i] != Decl::Free && d.decl[i] != Decl::Float;
        ++i;
    }
    d.defaults = Ref::steal(PyList_AsTuple(defaults));
    if (m.returns) {
        if (PyDict_SetItemString(d.annotations, "return", text(m.returns)) < 0) throw PyError{};
        d.result = result_declaration(m.returns);
    }
    return obj;
}

const Method* method_row(PyObject* descriptor) {
    if (!function_type || !descriptor) return nullptr;
    Ref inner = Ref::borrow(descriptor);
    if (PyObject_TypeCheck(descriptor, &PyClassMethod_Type) ||
        PyObject_TypeCheck(descriptor, &PyStaticMethod_Type)) {
        inner = Ref::steal_or_null(PyObject_GetAttrString(descriptor, "__func__"));
        if (!inner) {
            PyErr_Clear();
            return nullptr;
        }
    }
    if (Py_TYPE(inner.get()) != function_type) return nullptr;
    return reinterpret_cast<FunctionObject*>(inner.get())->data.spec;
}

namespace {
bool is_exact(PyObject* value, Exact type) {
    switch (type) {
        case Exact::List: return PyList_CheckExact(value);
        case Exact::Dict: return PyDict_CheckExact(value);
        case Exact::Str: return PyUnicode_CheckExact(value);
        default: return PyLong_CheckExact(value);
    }
}

[[noreturn]] void type_mismatch(PyObject* value, Exact type) {
    static const char* const names[] = {"list", "dict", "unicode", "int"};
    raisef(PyExc_TypeError, "Expected %s, got %.200s", names[static_cast<int>(type)],
           Py_TYPE(value)->tp_name);
}
}  // namespace

void expect(PyObject* value, Exact type) {
    if (value != Py_None && !is_exact(value, type)) type_mismatch(value, type);
}

void require(PyObject* value, Exact type) {
    if (!is_exact(value, type)) type_mismatch(value, type);
}

double as_float(PyObject* value) {
    if (PyFloat_CheckExact(value)) return PyFloat_AS_DOUBLE(value);
    double x = PyFloat_AsDouble(value);
    if (x == -1.0) check_error();
    return x;
}

}  // namespace orb
