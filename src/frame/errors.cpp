// The shared numeric and range exceptions.
#include "frame/errors.h"

namespace orb {

void raise_math(pymath::MathError e) {
    switch (e) {
        case pymath::MathError::Domain: raise(PyExc_ValueError, "math domain error");
        case pymath::MathError::Range: raise(PyExc_OverflowError, "math range error");
        case pymath::MathError::ZeroDivision:
            raise(PyExc_ZeroDivisionError, "float division by zero");
        case pymath::MathError::FloorInfinity:
            raise(PyExc_OverflowError, "cannot convert float infinity to integer");
        case pymath::MathError::None: break;
    }
    raise(PyExc_SystemError, "math failure without a status");
}

void raise_need_more(Py_ssize_t got) {
    raisef(PyExc_ValueError, "need more than %zd value%.1s to unpack", got, got == 1 ? "" : "s");
}

// The shown value goes in as a text object, so any text a caller holds
// (NUL characters and lone surrogates included) is written as it is.
void raise_between(PyObject* shown, const char* bounds, const char* name) {
    raisef(PyExc_Exception, "[%U] should be between [%s] in [%s] parameter.", shown, bounds, name);
}
void raise_between(const std::string& shown, const char* bounds, const char* name) {
    raise_between(text(shown), bounds, name);
}

void raise_invalid_between(const char* name, PyObject* shown, const char* bounds) {
    raisef(PyExc_Exception, "Invalid [%s: %U] parameter. Should be between %s.", name, shown,
           bounds);
}
void raise_invalid_between(const char* name, const std::string& shown, const char* bounds) {
    raise_invalid_between(name, text(shown), bounds);
}

}  // namespace orb
