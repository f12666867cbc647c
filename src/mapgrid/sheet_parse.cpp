// MapGrid.parse: the scale and bounds of a new or old sheet number.
//
// A new number is bounded directly.  An old number is decoded step by step
// down its chain of parent scales into the sheet row and column of its
// sheet, and that sheet is then read as a new number: through `cls.parse`,
// or, for a plain class, by bounding it here, which is what that call gives.
//
// Each search below is the compiled pattern's own; a search is skipped only
// where the first significant character of the text rules the pattern out
// (a hyphen, a bracket, a letter outside the pattern's class), so the
// patterns still decide every reading.
#include "mapgrid/mapgrid.h"
#include "mapgrid/sheet.h"
#include "mapgrid/sheet_number.h"

#include "frame/errors.h"
#include "frame/pattern.h"

#include <cmath>
#include <string>

namespace mapgrid {

namespace {

constexpr int kFlags = orb::Pattern::IGNORECASE | orb::Pattern::MULTILINE;

// First part, hyphenated (J-50) and compact (J50); group 7 is the rest of the line.
//
// As first written, "^\s*([NS]?)\s*(\*?[A-W]{1})\s*-\s*(...)(.*)$" and
// "^[\s]*([NS]?)[\s]*(\*?[A-W]{1})[\s]*(...)(.*)$", the patterns failed
// slowly on blanks: the two runs around the optional prefix shared a blank
// run in every split, and every line start inside a run of blank lines
// tried them all again (k blank lines: k cubed steps).  A match from a
// start s passes the blanks up to the first character q after s that is
// not white space, and what it captures depends on q alone: the prefix,
// the row letter, the hyphen and the digits are not white space, so a run
// cut short is never followed.  Hence, with the same groups for every text:
//  - every run is possessive (*+);
//  - the leading run keeps to its line, and a start whose line is blank up
//    to its break fails at once (?!\n).  Of the starts that reach q, the
//    one on q's own line is then the only one tried, and every start costs
//    the blanks at the head of its own line: the search is linear in the
//    text.  The match may begin on a later line than before; only its
//    groups are read.
const orb::Pattern kHyphenated(
    R"(^[^\S\n]*+(?!\n)([NS]?)\s*+(\*?[A-W]{1})\s*+-\s*+(([1-5][0-9])|(0[1-9])|(60))(.*)$)",
    kFlags);
const orb::Pattern kCompact(
    R"(^[^\S\n]*+(?!\n)([NS]?)[\s]*+(\*?[A-W]{1})[\s]*+(([1-5][0-9])|(0[1-9])|(60))(.*)$)",
    kFlags);
// New-number tails: scale letter, sheet row, sheet column.
const orb::Pattern kTailBtoI(R"(^\s*([B-I])\s*(\d{3})\s*(\d{3})\s*$)", kFlags);
const orb::Pattern kTailJK(R"(^\s*([JK])\s*(\d{4})\s*(\d{4})\s*$)", kFlags);
// Old-number steps.
const orb::Pattern kStep500k(R"(^\s*-\s*([A-D])\s*$)", kFlags);
const orb::Pattern kStep250k(R"(^\s*-\s*\[(\d{1,2})\]\s*$)", kFlags);
const orb::Pattern kStep200k(R"(^\s*-\s*\((\d{1,2})\)\s*$)", kFlags);
const orb::Pattern kStep100k(R"(^\s*-\s*(\d{1,3})(.*)$)", kFlags);
const orb::Pattern kStep50k(R"(^\s*-\s*([A-D])(.*)$)", kFlags);
const orb::Pattern kStep25k(R"(^\s*-\s*([1-4])\s*$)", kFlags);
const orb::Pattern kStep10k(R"(^\s*-\s*\((\d{1,2})\)(.*)$)", kFlags);
const orb::Pattern kStep5k(R"(^\s*-\s*([abcd])(.*)$)", kFlags);
const orb::Pattern kStep2k(R"(^\s*-\s*([1-9])(.*)$)", kFlags);
const orb::Pattern kStep1k(R"(^\s*-\s*([1-4])(.*)$)", kFlags);  // also the 1:500 step

PyObject* group(const orb::Ref& groups, Py_ssize_t i) { return PyTuple_GET_ITEM(groups.get(), i); }

// str.strip() (the same white space as the patterns' \s).
orb::Ref strip(PyObject* s) {
    const Py_ssize_t n = PyUnicode_GET_LENGTH(s);
    Py_ssize_t i = 0, j = n;
    while (i < j && Py_UNICODE_ISSPACE(PyUnicode_READ_CHAR(s, i))) ++i;
    while (j > i && Py_UNICODE_ISSPACE(PyUnicode_READ_CHAR(s, j - 1))) --j;
    if (i == 0 && j == n) return orb::Ref::borrow(s);
    return orb::Ref::steal(PyUnicode_Substring(s, i, j));
}

Py_UCS4 first_char(PyObject* s) {
    return PyUnicode_GET_LENGTH(s) ? PyUnicode_READ_CHAR(s, 0) : 0;
}

// For a stripped text that starts with a hyphen: the first character after
// the hyphen and any white space (0 if none); -1 when it does not start so.
long after_hyphen(PyObject* s) {
    const Py_ssize_t n = PyUnicode_GET_LENGTH(s);
    if (n == 0 || PyUnicode_READ_CHAR(s, 0) != '-') return -1;
    for (Py_ssize_t i = 1; i < n; ++i) {
        const Py_UCS4 c = PyUnicode_READ_CHAR(s, i);
        if (!Py_UNICODE_ISSPACE(c)) return static_cast<long>(c);
    }
    return 0;
}

// Whether a case-insensitive letter class [lo-hi] can match `c`: exact for
// ASCII; any other character is left to the pattern.
bool may_be_letter(long c, char lo, char hi) {
    if (c > 0x7F) return true;
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    return c >= lo && c <= hi;
}
bool may_be_digit(long c) { return c > 0x7F || (c >= '0' && c <= '9'); }

// int() of digits as matched (\d admits every decimal digit).
long to_int(PyObject* digits) {
    if (PyUnicode_IS_ASCII(digits)) {  // at most four ASCII digits
        long r = 0;
        const Py_ssize_t n = PyUnicode_GET_LENGTH(digits);
        for (Py_ssize_t i = 0; i < n; ++i) r = r * 10 + (PyUnicode_READ_CHAR(digits, i) - '0');
        return r;
    }
    orb::Ref v = orb::Ref::steal(PyLong_FromUnicodeObject(digits, 10));
    const long r = PyLong_AsLong(v);
    orb::check_error();
    return r;
}

// "1～n", the bounds of a sheet row or column at a scale of n x n sheets.
std::string sheet_bounds_text(int n) { return "1～" + std::to_string(n); }

// math.ceil of the float quotient, for the small block arithmetic.
long ceil_of(double x) { return static_cast<long>(std::ceil(x)); }
// The interpreter's % for ints.
long mod(long a, long b) {
    long r = a % b;
    return (r != 0 && ((r < 0) != (b < 0))) ? r + b : r;
}



orb::Ref result(long scale, PyObject* north, PyObject* south, PyObject* west, PyObject* east) {
    orb::Ref boundary = new_dict();
    put(boundary, ORB_STR("north"), north);
    put(boundary, ORB_STR("south"), south);
    put(boundary, ORB_STR("west"), west);
    put(boundary, ORB_STR("east"), east);
    orb::Ref d = new_dict();
    put(d, ORB_STR("scale"), orb::integer(scale));
    put(d, ORB_STR("boundary"), boundary);
    return d;
}

orb::Ref bounded(const Scale& s, double lat0, double lon0, int row, int col) {
    const Bounds b = sheet_bounds(lat0, lon0, s.n, row, col, s.height, s.width);
    return result(s.denominator, orb::number(b.north), orb::number(b.south),
                  orb::number(b.west), orb::number(b.east));
}

// One reading of a code.
class Reading {
public:
    Reading(const ClassView& view, PyObject* code) : view_(view), code_(code) {}
    orb::Ref run();

private:
    orb::Ref first_part(const orb::Ref& g);
    orb::Ref new_tail(const orb::Ref& g);
    orb::Ref old_steps(PyObject* reset);
    orb::Ref chain_100k(PyObject* reset, long row100k, long col100k);
    orb::Ref chain_10k(PyObject* reset, long row10k, long col10k);
    orb::Ref read_again(char letter, long row, long col);
    int quarter(PyObject* letter, bool lower_table);

    const ClassView& view_;
    PyObject* code_;
    std::string parts_;  // prefix N or S, row letter upper-cased, column digits (read through cls only)
    orb::Ref lon0_, lat0_;
    double lon0d_ = 0, lat0d_ = 0;
};

orb::Ref Reading::run() {
    orb::Ref g;
    // The hyphenated form needs a hyphen somewhere in the code.
    if (PyUnicode_FindChar(code_, '-', 0, PyUnicode_GET_LENGTH(code_), 1) >= 0)
        g = kHyphenated.search_groups(code_);
    if (!g) g = kCompact.search_groups(code_);
    if (!g) fail("Unable to recognize [code] parameter.");
    return first_part(g);
}

orb::Ref Reading::first_part(const orb::Ref& g) {
    PyObject* prefix = group(g, 0);
    PyObject* letter = group(g, 1);
    PyObject* column = group(g, 2);
    const Py_UCS4 p = first_char(prefix);
    const bool south = p == 'S' || p == 's' || p == 0x17F;  // the long s upper-cases to S
    if (view_.plain) {
        // The corner lookup of the joined parts refuses a star and a letter
        // that is no row letter once upper-cased.
        const Py_UCS4 l = first_char(letter);
        const int col = static_cast<int>((PyUnicode_READ_CHAR(column, 0) - '0') * 10 +
                                         (PyUnicode_READ_CHAR(column, 1) - '0'));
        int lon0 = 0, lat0 = 0;
        if (l == '*' || !corner_of(south ? 'S' : 'N', l, col, lon0, lat0)) fail(kInvalidCode);
        lon0_ = orb::integer(lon0);
        lat0_ = orb::integer(lat0);
    } else {
        orb::Ref upper = orb::call_method(letter, ORB_STR("upper"), {});
        parts_ = std::string(south ? "S" : "N") + orb::utf8(upper) + orb::utf8(column);
        orb::Ref corner = orb::call_method(view_.cls, name_corner(), {orb::text(parts_)});
        unpack_values(corner, lon0_, lat0_);
    }

    orb::Ref reset = strip(group(g, 6));
    if (PyUnicode_GET_LENGTH(reset) == 0) {
        orb::Ref four = orb::integer(4), six = orb::integer(6);
        return result(1000000, orb::Ref::steal(PyNumber_Add(lat0_, four)), lat0_, lon0_,
                      orb::Ref::steal(PyNumber_Add(lon0_, six)));
    }
    lat0d_ = PyFloat_AsDouble(lat0_);
    orb::check_error();
    lon0d_ = PyFloat_AsDouble(lon0_);
    orb::check_error();

    const Py_UCS4 c = first_char(reset);  // not white space: reset is stripped
    orb::Ref t;
    if (may_be_letter(c, 'B', 'I')) t = kTailBtoI.search_groups(reset);
    if (!t && may_be_letter(c, 'J', 'K')) t = kTailJK.search_groups(reset);
    if (t) return new_tail(t);
    return old_steps(reset);
}

orb::Ref Reading::new_tail(const orb::Ref& g) {
    PyObject* rowString = group(g, 1);
    PyObject* colString = group(g, 2);
    const long row = to_int(rowString), col = to_int(colString);
    if (!(row * col > 0))
        fail("[{} {}] should be greater than 0 in [code] parameter.", {rowString, colString});
    if (!(row <= 2304)) orb::raise_between(rowString, "1～2304", "code");
    if (!(col <= 2304)) orb::raise_between(colString, "1～2304", "code");
    // The scale letter as matched, upper-cased; the dotless i becomes I.
    Py_UCS4 first = first_char(group(g, 0));
    if (first >= 'a' && first <= 'z') first -= 'a' - 'A';
    else if (first == 0x131) first = 'I';
    const Scale* s = first < 0x80 ? scale_of_letter(static_cast<char>(first)) : nullptr;
    if (!s) {
        orb::Ref firstChar = orb::Ref::steal(PyUnicode_FromOrdinal(static_cast<int>(first)));
        fail("[{}] should be one of [BCDEFGHIJK] in [code] parameter.", {firstChar});
    }
    if (!(row <= s->n))
        orb::raise_between(rowString, sheet_bounds_text(s->n).c_str(), "code");
    if (!(col <= s->n))
        orb::raise_between(colString, sheet_bounds_text(s->n).c_str(), "code");
    return bounded(*s, lat0d_, lon0d_, static_cast<int>(row), static_cast<int>(col));
}

// Position 0 to 3 of a quarter letter in __mapword (upper-cased) or in
// __mapword5000 (lower-cased).
int Reading::quarter(PyObject* letter, bool lower_table) {
    if (view_.plain) {
        // Only the ASCII letters a to d match the quarter classes; anything
        // else would be missing from the table, as find() reports it.
        Py_UCS4 c = first_char(letter);
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        return c >= 'A' && c <= 'D' ? static_cast<int>(c - 'A') : -1;
    }
    orb::Ref cased = orb::call_method(letter, lower_table ? ORB_STR("lower") : ORB_STR("upper"), {});
    orb::Ref table = orb::getattr(view_.cls, lower_table ? name_mapword5000() : name_mapword());
    orb::Ref found = orb::call_method(table, ORB_STR("find"), {cased});
    const long pos = PyLong_AsLong(found);
    orb::check_error();
    return static_cast<int>(pos);
}

orb::Ref Reading::read_again(char letter, long row, long col) {
    const Scale& s = *scale_of_letter(letter);
    if (view_.plain) return bounded(s, lat0d_, lon0d_, static_cast<int>(row), static_cast<int>(col));
    const std::string number = parts_ + letter + padded(row, s.digits) + padded(col, s.digits);
    return orb::call_method(view_.cls, name_parse(), {orb::text(number)});
}

orb::Ref Reading::old_steps(PyObject* reset) {
    const long c = after_hyphen(reset);
    orb::Ref g;
    if (c >= 0 && may_be_letter(c, 'A', 'D') && (g = kStep500k.search_groups(reset))) {
        const int rowcol = quarter(group(g, 0), false);
        return read_again('B', ceil_of((rowcol + 0.5) / 2), mod(rowcol, 2) + 1);
    }
    if (c == '[' && (g = kStep250k.search_groups(reset))) {
        PyObject* p = group(g, 0);
        const long rowcol = to_int(p);
        if (!(0 < rowcol && rowcol <= 16))
            orb::raise_between(p, "1～16", "code");
        return read_again('C', ceil_of((rowcol - 0.5) / 4), mod(rowcol - 1, 4) + 1);
    }
    if (c == '(' && (g = kStep200k.search_groups(reset))) {
        PyObject* p = group(g, 0);
        const long rowcol = to_int(p);
        if (!(0 < rowcol && rowcol <= 36))
            orb::raise_between(p, "1～36", "code");
        const long rowCode = (rowcol - 1) / 6 + 1;
        const long colCode = rowcol - (rowCode - 1) * 6;
        return bounded(kLadder[3], lat0d_, lon0d_, static_cast<int>(rowCode),
                       static_cast<int>(colCode));
    }
    if (!(c >= 0 && may_be_digit(c) && (g = kStep100k.search_groups(reset)))) fail(kInvalidCode);
    PyObject* p = group(g, 0);
    const long rowcol = to_int(p);
    if (!(0 < rowcol && rowcol <= 144))
        orb::raise_between(p, "1～144", "code");
    const long row100k = ceil_of((rowcol - 0.5) / 12);
    const long col100k = mod(rowcol - 1, 12) + 1;
    orb::Ref rest = strip(group(g, 1));
    if (PyUnicode_GET_LENGTH(rest) == 0) return read_again('D', row100k, col100k);
    return chain_100k(rest, row100k, col100k);
}

// Below a 1:100,000 step: a 1:50,000 letter (and a 1:25,000 digit), or a
// 1:10,000 index and what follows it.
orb::Ref Reading::chain_100k(PyObject* reset, long row100k, long col100k) {
    const long c = after_hyphen(reset);
    orb::Ref g;
    if (c >= 0 && may_be_letter(c, 'A', 'D') && (g = kStep50k.search_groups(reset))) {
        const int rowcol = quarter(group(g, 0), false);
        const long row50k = (row100k - 1) * 2 + ceil_of((rowcol + 0.5) / 2);
        const long col50k = (col100k - 1) * 2 + mod(rowcol, 2) + 1;
        PyObject* rest = group(g, 1);
        if (PyUnicode_GET_LENGTH(rest) == 0) return read_again('E', row50k, col50k);
        orb::Ref q = kStep25k.search_groups(rest);
        if (!q) orb::raise_between(code_, "1～4", "code");
        const long d = to_int(group(q, 0));
        return read_again('F', (row50k - 1) * 2 + ceil_of((d - 0.5) / 2),
                          (col50k - 1) * 2 + mod(d - 1, 2) + 1);
    }
    if (!(c == '(' && (g = kStep10k.search_groups(reset)))) fail(kInvalidCode);
    PyObject* p = group(g, 0);
    const long rowcol = to_int(p);
    if (!(0 < rowcol && rowcol <= 64))
        orb::raise_between(p, "1～64", "code");
    const long row10k = (row100k - 1) * 8 + ceil_of((rowcol - 0.5) / 8);
    const long col10k = (col100k - 1) * 8 + mod(rowcol - 1, 8) + 1;
    orb::Ref rest = strip(group(g, 1));
    if (PyUnicode_GET_LENGTH(rest) == 0) return read_again('G', row10k, col10k);
    return chain_10k(rest, row10k, col10k);
}

// Below a 1:10,000 step: 1:5,000 letter, then the 1:2,000, 1:1,000 and 1:500
// digits, each optional after the one before.
orb::Ref Reading::chain_10k(PyObject* reset, long row10k, long col10k) {
    orb::Ref g = kStep5k.search_groups(reset);
    if (!g) fail(kInvalidCode);
    const int q = quarter(group(g, 0), true);
    const long row5k = (row10k - 1) * 2 + ceil_of((q + 0.5) / 2);
    const long col5k = (col10k - 1) * 2 + mod(q, 2) + 1;
    orb::Ref rest = strip(group(g, 1));
    if (PyUnicode_GET_LENGTH(rest) == 0) return read_again('H', row5k, col5k);

    g = kStep2k.search_groups(rest);
    if (!g) fail(kInvalidCode);
    long d = to_int(group(g, 0));
    const long row2k = (row5k - 1) * 3 + ceil_of((d - 0.5) / 3);
    const long col2k = (col5k - 1) * 3 + mod(d - 1, 3) + 1;
    rest = strip(group(g, 1));
    if (PyUnicode_GET_LENGTH(rest) == 0) return read_again('I', row2k, col2k);

    g = kStep1k.search_groups(rest);
    if (!g) fail(kInvalidCode);
    d = to_int(group(g, 0));
    const long row1k = (row2k - 1) * 2 + ceil_of((d - 0.5) / 2);
    const long col1k = (col2k - 1) * 2 + mod(d - 1, 2) + 1;
    rest = strip(group(g, 1));
    if (PyUnicode_GET_LENGTH(rest) == 0) return read_again('J', row1k, col1k);

    // Whatever follows the 1:500 digit is not read.
    g = kStep1k.search_groups(rest);
    if (!g) fail(kInvalidCode);
    d = to_int(group(g, 0));
    return read_again('K', (row1k - 1) * 2 + ceil_of((d - 0.5) / 2),
                      (col1k - 1) * 2 + mod(d - 1, 2) + 1);
}

}  // namespace

orb::Ref parse(orb::Args a) {
    const ClassView view(a[0]);
    Reading reading(view, a[1]);
    return reading.run();
}

}  // namespace mapgrid
