// Regular expressions of the interpreter's `re`, compiled once while the
// module loads.  A Pattern is declared at namespace scope beside the code
// that uses it; the loader compiles every declared pattern right after the
// imports, so a bad pattern fails the import instead of a call.
#pragma once

#include "frame/ref.h"

namespace orb {

class Pattern {
public:
    // `flags` are the `re` flag values (re.IGNORECASE is 2).
    explicit Pattern(const char* pattern, int flags = 0);
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    // The compiled pattern object (borrowed; lives as long as the process).
    PyObject* get() const noexcept { return compiled_; }
    // pattern.match / fullmatch / search of `text`: the match object or None.
    Ref match(PyObject* text) const;
    Ref fullmatch(PyObject* text) const;
    Ref search(PyObject* text) const;
    // The groups tuple of search(text), or an empty handle when nothing
    // matched.
    Ref search_groups(PyObject* text) const;

    static constexpr int IGNORECASE = 2;
    static constexpr int MULTILINE = 8;

    // Compiles every declared pattern with `re.compile` (called by the loader).
    static void compile_all(PyObject* re_module);

private:
    const char* pattern_;
    int flags_;
    PyObject* compiled_ = nullptr;
    Pattern* next_;
};

}  // namespace orb
