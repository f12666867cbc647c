// The interpreter's repr() of a float, written straight into a text buffer.
//
// repr() (and so str()) of a float is the shortest digit string that reads
// back as the same double, placed by one rule: with the decimal point at
// position `decpt` of the digits (value = 0.d1d2... x 10**decpt), the text
// is exponential when decpt <= -4 or decpt > 16, and fixed otherwise, with
// ".0" added to an integral fixed text.  std::to_chars gives the same
// shortest, closest digits (it is exact, no libm involved); only the layout
// is done here.  Writers that format thousands of ordinates per call use it
// instead of making a text object per value.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace orb::geom {

// Bounds of the fixed notation of repr(): decpt in (kExpBelow, kExpAbove].
constexpr int kExpBelow = -4;
constexpr int kExpAbove = 16;

inline void append_float_repr(std::string& out, double x) {
    if (std::isnan(x)) {
        out += "nan";  // repr() writes no sign for a NaN
        return;
    }
    if (std::isinf(x)) {
        out += x < 0 ? "-inf" : "inf";
        return;
    }
    // Shortest round-trip digits as "[-]d[.ddd]e[+-]dd[d]".
    char sci[32];
    const char* end = std::to_chars(sci, sci + sizeof sci, x, std::chars_format::scientific).ptr;
    const char* p = sci;
    if (*p == '-') {
        out += '-';
        ++p;
    }
    char digits[20];
    int n = 0;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.') digits[n++] = *p;
    // The exponent after 'e': a sign, then at least two digits, up to `end`.
    ++p;
    const bool negative_exp = *p++ == '-';
    int exp10 = 0;
    for (; p < end; ++p) exp10 = exp10 * 10 + (*p - '0');
    if (negative_exp) exp10 = -exp10;
    const int decpt = exp10 + 1;

    if (decpt <= kExpBelow || decpt > kExpAbove) {
        out += digits[0];
        if (n > 1) {
            out += '.';
            out.append(digits + 1, static_cast<size_t>(n - 1));
        }
        out += 'e';
        out += exp10 < 0 ? '-' : '+';
        const int e = std::abs(exp10);
        if (e < 10) out += '0';
        char buf[8];
        out.append(buf, std::to_chars(buf, buf + sizeof buf, e).ptr);
    } else if (decpt <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-decpt), '0');
        out.append(digits, static_cast<size_t>(n));
    } else if (decpt < n) {
        out.append(digits, static_cast<size_t>(decpt));
        out += '.';
        out.append(digits + decpt, static_cast<size_t>(n - decpt));
    } else {
        out.append(digits, static_cast<size_t>(n));
        out.append(static_cast<size_t>(decpt - n), '0');
        out += ".0";
    }
}

}  // namespace orb::geom
