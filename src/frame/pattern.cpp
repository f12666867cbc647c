// Registry of the module's regular expressions.
#include "frame/pattern.h"

namespace orb {
namespace {
Pattern* declared = nullptr;  // intrusive list, filled during static initialisation
}

Pattern::Pattern(const char* pattern, int flags) : pattern_(pattern), flags_(flags), next_(declared) {
    declared = this;
}

void Pattern::compile_all(PyObject* re_module) {
    Ref compile = getattr(re_module, "compile");
    for (Pattern* p = declared; p; p = p->next_) {
        if (p->compiled_) continue;
        Ref compiled = call(compile, {text(p->pattern_), integer(p->flags_)});
        p->compiled_ = compiled.release();
    }
}

Ref Pattern::match(PyObject* s) const { return call_method(compiled_, ORB_STR("match"), {s}); }
Ref Pattern::fullmatch(PyObject* s) const {
    return call_method(compiled_, ORB_STR("fullmatch"), {s});
}
Ref Pattern::search(PyObject* s) const { return call_method(compiled_, ORB_STR("search"), {s}); }

Ref Pattern::search_groups(PyObject* s) const {
    Ref m = search(s);
    if (m.get() == Py_None) return Ref();
    return call_method(m, ORB_STR("groups"), {});
}

}  // namespace orb
