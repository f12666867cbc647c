// Declarative method tables.
//
// Each class of the module is one `ClassSpec`: its name, base, docstring,
// class attributes and a table of `Method` rows.  The frame reads the table
// to build the method objects (introspection attributes, signatures), to
// bind and test every call, and to test declared results, so a body starts
// from already-bound arguments and does only its own work.
#pragma once

#include "frame/ref.h"

#include <memory>
#include <vector>

namespace orb {

enum class Kind : unsigned char {
    Class,      // classmethod: `cls` is bound first
    Static,     // staticmethod
    Instance,   // plain function in the class: `self` is bound first
    Generator,  // staticmethod whose call returns a generator at once
};

// One declared parameter after `cls`/`self` (those are implied by the kind).
struct Param {
    const char* name;
    // Annotation text exactly as declared ("dict | list | str", "float"),
    // or nullptr for none.  The texts "list", "dict", "str", "int" and
    // "float" also decide how the binder tests or converts the argument.
    const char* annotation = nullptr;
    // Default as a Python literal (None, True, False, ints, floats, 'text',
    // tuples of those), or nullptr for a required parameter.
    const char* fallback = nullptr;
};

// The arguments of one call after binding, by parameter position: index 0
// is `cls` or `self` where the kind has one.  Parameters declared `float`
// (default not None) always hold an exact float here.
struct Args {
    PyObject* const* v;
    PyObject* operator[](size_t i) const noexcept { return v[i]; }
    // The value of a parameter declared `float`.
    double num(size_t i) const noexcept { return PyFloat_AS_DOUBLE(v[i]); }
};

// Body of a class, static or instance method: returns the result.
using Body = Ref (*)(Args);

// One step of a generator body: returns the next value, or an empty Ref
// when the generator is exhausted.  `sent` is the value given to send()
// (None for next()).
class Producer {
public:
    virtual ~Producer() = default;
    virtual Ref next(PyObject* sent) = 0;
};
// Body of a generator method: runs at the first next() or send(None) with
// the arguments bound when the method was called.
using Start = std::unique_ptr<Producer> (*)(Args);

struct Method {
    const char* name;             // as declared; private names are mangled by the frame
    Kind kind;
    std::vector<Param> params;    // after cls/self
    const char* returns;          // result annotation text, or nullptr
    const char* doc;              // docstring, or nullptr
    Body body = nullptr;          // nullptr: not built yet (raises NotImplementedError)
    Start start = nullptr;        // for Kind::Generator
};

struct ClassSpec {
    const char* name;
    const char* base;  // name of the module global holding the base class, or nullptr
    const char* doc;
    // Stores the class attributes into the namespace being built, in
    // namespace order, before the methods (may be nullptr).
    void (*attributes)(PyObject* ns);
    std::vector<Method> methods;
};

// The class tables, one per class, in creation order.
const ClassSpec& geometry_class();
const ClassSpec& topology_class();
const ClassSpec& mapgrid_class();
const ClassSpec& projection_class();
const ClassSpec& projectionhelper_class();
const ClassSpec& astronomy_class();

// The table row behind a method object of this module, given bare or
// wrapped in classmethod/staticmethod as a class stores it; nullptr for any
// other object.  To ask whether a class still holds the original, use
// original_method (frame/original.h).
const Method* method_row(PyObject* descriptor);

// --- declared locals and results -------------------------------------------

// Tests a value stored in a local declared list, dict, str or int: exactly
// that type, or None; otherwise TypeError "Expected %s, got %.200s".
enum class Exact : unsigned char { List, Dict, Str, Int };
void expect(PyObject* value, Exact type);
// The same test where the code goes on to read through the value, so None
// is refused too (with the same message, "got NoneType").
void require(PyObject* value, Exact type);
// Converts a value stored in a local declared float, like a float parameter.
double as_float(PyObject* value);

}  // namespace orb
