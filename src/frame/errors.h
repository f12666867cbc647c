// Exceptions shared by the numeric subsystems: the interpreter's exception
// for a failed math status, the two written forms of a range message, and
// the message of a value too short to unpack.
//
// Every range message is raised with the base Exception class; the value
// is shown as the caller has it as text (the str of a float, the format()
// of an object), so these helpers only assemble and raise.
#pragma once

#include "frame/pymath.h"
#include "frame/ref.h"

#include <string>

namespace orb {

// The exception the interpreter raises for `e` (not None): ValueError
// "math domain error", OverflowError "math range error", ZeroDivisionError
// "float division by zero", or the OverflowError of int(inf).
[[noreturn]] void raise_math(pymath::MathError e);
// Returns when `st` holds no failure, else raises as above.
inline void raise_math(const pymath::MathStatus& st) {
    if (!st.ok()) raise_math(st.error);
}

// ValueError "need more than k value(s) to unpack": fewer than the values
// a sequence of pairs or fields is unpacked into, `got` of them.
[[noreturn]] void raise_need_more(Py_ssize_t got);

// "[shown] should be between [bounds] in [name] parameter."  `shown` is
// UTF-8 or a text object; `bounds` and `name` are UTF-8.
[[noreturn]] void raise_between(const std::string& shown, const char* bounds, const char* name);
[[noreturn]] void raise_between(PyObject* shown, const char* bounds, const char* name);

// "Invalid [name: shown] parameter. Should be between bounds."
[[noreturn]] void raise_invalid_between(const char* name, const std::string& shown,
                                        const char* bounds);
[[noreturn]] void raise_invalid_between(const char* name, PyObject* shown, const char* bounds);

}  // namespace orb
