// Shortcuts past a dependency's pure-Python wrappers.
//
// Many of shapely's functions are a Python wrapper whose whole body passes
// its arguments on to the compiled function of the same name in
// `shapely.lib` (`is_empty(geometry)` returns `lib.is_empty(geometry)`).
// For scalar geometry arguments the wrapper adds nothing but the cost of a
// Python frame, which dominates a predicate on small geometries.  A
// Shortcut records the wrapper and its compiled target while the module
// loads; at a call, the body reads the function from the module global as
// usual and, when it is still the wrapper recorded then, calls the target
// instead.  A host that replaces the module global or the function is
// obeyed, since the recorded identity no longer holds.
#pragma once

#include "frame/ref.h"

namespace orb {

class Shortcut {
public:
    // `name` is the function's name in both the module and its `lib`.
    explicit Shortcut(const char* name);
    Shortcut(const Shortcut&) = delete;
    Shortcut& operator=(const Shortcut&) = delete;

    // The function to call now: the compiled target when `current` (read
    // from the module at the moment of the call) is the recorded wrapper,
    // else `current` itself.
    PyObject* resolve(PyObject* current) const noexcept {
        return current == wrapper_ && target_ ? target_ : current;
    }
    // Whether `current` is the recorded wrapper.
    bool is_wrapper(PyObject* current) const noexcept { return target_ && current == wrapper_; }
    // The compiled target (borrowed; null when none was recorded).
    PyObject* target() const noexcept { return target_; }
    // The function's name as interned text (set while loading).
    PyObject* key() const noexcept { return key_; }

    // Records every declared shortcut from `module` and `module.lib`
    // (called by the loader once the imports are done).  A name missing
    // from either is left without a shortcut.
    static void record_all(PyObject* module);

private:
    const char* name_;
    PyObject* key_ = nullptr;
    PyObject* wrapper_ = nullptr;
    PyObject* target_ = nullptr;
    Shortcut* next_;
};

// Whether `o` is None or a geometry of the compiled geometry type of the
// module recorded by record_all: such an argument never takes the array
// paths of a wrapper, so the shortcut and the wrapper agree on it.
bool plain_geometry(PyObject* o) noexcept;

}  // namespace orb
