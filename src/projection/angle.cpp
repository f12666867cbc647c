// Angles between decimal degrees and sexagesimal text.
//
// Text is read with the interpreter's `re` in three written forms, tried in
// order: decimal ("120.5", "120.5°"), packed ("1203045.5": degrees, two
// minute digits, two second digits) and marked ("12°30′45.5″", "12度30分").
// Numbers are read from the matched groups with the interpreter's `int` and
// `float`, which also accept the other Unicode decimal digits that `\d`
// matches.
#include "projection/angle.h"

#include "frame/errors.h"
#include "frame/pattern.h"

#include <cmath>
#include <string>

namespace orb::projection {

namespace {

// Every blank run of the three forms is possessive (*+), and every match
// stays what it was.  A run cut short leaves a blank, which what follows
// cannot take unless it is another run, and two runs with nothing between
// them end at the same place however they share the blanks (no group holds
// blanks).  The end cannot follow either: $ matches before a line break
// only when that is the last character, which the whole run reaches, and
// matches, first.  As plain runs, the blanks around the optional mark of
// the decimal form, and at both ends of the marked form (whose parts may
// all be empty), were tried in every split when the text failed after
// them: the square of their number.
const Pattern kDecimal(R"(^\s*+([+-]?)([0-3]?[0-9]{1,2}((\.\d*)|()))\s*+(度|°)?\s*+$)");
const Pattern kPacked(
    R"(^\s*+([\-+]?)([0-3]?[0-9]{1,2})(([0-5][0-9])|(60))((([0-5][0-9])|(60))((\.\d*)|()))(度|°)?\s*+$)");
const Pattern kMarked(
    R"(^\s*+([\-+]?)(([0-3]?\d{1,2})[°度])?((([0-5]?\d)|(60))[′分])?(((([0-5]?\d)|(60))((\.\d*)|()))[″秒])?\s*+$)");

// Bounds of both range messages; the tilde is the fullwidth U+FF5E.
constexpr const char* kAngleBounds = "-360 \uff5e +360";

// The argument as text: itself when exactly a str, else its str().
Ref as_text(PyObject* v) {
    if (PyUnicode_CheckExact(v)) return Ref::borrow(v);
    return Ref::steal(PyObject_Str(v));
}

// Group n (from 1) of a search's groups, None when it took no part.
PyObject* group(PyObject* groups, Py_ssize_t n) { return PyTuple_GET_ITEM(groups, n - 1); }

bool is_minus(PyObject* g) { return PyUnicode_CompareWithASCIIString(g, "-") == 0; }

double float_of(PyObject* g) {
    Ref f = Ref::steal(PyFloat_FromString(g));
    return PyFloat_AS_DOUBLE(f.get());
}

// int(g) of a group of at most three digits, 0 for an absent group.
long int_of(PyObject* g) {
    if (g == Py_None) return 0;
    Ref i = Ref::steal(PyLong_FromUnicodeObject(g, 10));
    long v = PyLong_AsLong(i);
    if (v == -1) check_error();
    return v;
}

// round(x, abs(int(digit))), the interpreter's correctly rounded round().
double round_digits(double x, PyObject* digit) {
    Ref places = Ref::steal(PyNumber_Absolute(Ref::steal(PyNumber_Long(digit))));
    // Saturates like float.__round__; beyond 323 places nothing changes.
    Py_ssize_t n = PyNumber_AsSsize_t(places, nullptr);
    if (n == -1) check_error();
    return round_to(x, n > 400 ? 400 : static_cast<int>(n));
}

Ref to_text(PyObject* deg, PyObject* digit) {
    Ref s = as_text(deg);
    Ref g = kDecimal.search_groups(s);
    if (!g) raise(PyExc_Exception, "Invalid [deg] parameter.");
    const bool minus = is_minus(group(g, 1));
    const double v = float_of(group(g, 2));
    if (!(v <= 360)) raise_between(float_str(v), kAngleBounds, "deg");

    // v is at most 399.99..., so the whole degrees and minutes fit a long.
    long d = static_cast<long>(std::floor(v));
    long mi = static_cast<long>(std::floor((v - d) * 60));
    double sec = (v - d) * 3600.0 - mi * 60.0;
    if (sec >= 60.0) {
        sec = sec - 60;
        mi = mi + 1;
    }
    if (mi >= 60) {
        mi = mi - 60;
        d = d + 1;
    }
    // Rounding comes after the carries, so seconds just below 60 can be
    // written as 60.0.
    if (digit != Py_None) sec = round_digits(sec, digit);

    std::string out = minus ? "-" : "";
    out += std::to_string(d) + "\u00b0" + std::to_string(mi) + "\u2032" + float_str(sec) + "\u2033";
    return text(out);
}

Ref to_degrees(PyObject* dms, PyObject* digit) {
    Ref s = as_text(dms);
    double result;
    Ref g = kDecimal.search_groups(s);
    if (g) {
        result = float_of(group(g, 2));
        if (is_minus(group(g, 1))) result *= -1;
    } else {
        bool minus;
        long d, mi;
        double sec;
        if ((g = kPacked.search_groups(s))) {
            minus = is_minus(group(g, 1));
            d = int_of(group(g, 2));
            mi = int_of(group(g, 3));
            sec = float_of(group(g, 6));
        } else if ((g = kMarked.search_groups(s))) {
            minus = is_minus(group(g, 1));
            d = int_of(group(g, 3));
            mi = int_of(group(g, 5));
            PyObject* gs = group(g, 9);
            sec = gs == Py_None ? 0.0 : float_of(gs);
        } else {
            raise(PyExc_Exception, "Invalid [dms] parameter.");
        }
        result = (minus ? -1 : 1) * (d + mi / 60.0 + sec / 3600.0);
    }
    if (!(std::fabs(result) <= 360)) raise_between(format(dms, ""), kAngleBounds, "dms");
    if (digit != Py_None) result = round_digits(result, digit);
    return number(result);
}

}  // namespace

Ref angle(Args a) {
    if (a[0] != Py_None) return to_text(a[0], a[2]);
    if (a[1] != Py_None) return to_degrees(a[1], a[2]);
    raise(PyExc_Exception, "Invalid parameter.");
}

}  // namespace orb::projection
