// PROJ text in its plain form (see proj_text.h).
#include "projection/proj_text.h"

#include <cctype>
#include <cstring>

namespace orb::proj_text {
namespace {

// The keywords after which GDAL's user-input reader takes a text as WKT,
// matched as prefixes in any letter case at the very start or after one
// "ESRI::" (GDAL 3.6; each checked to give its WKT parser's "missing ["
// before "+proj=longlat").  Any other text with "+proj" or "+init" in it
// goes to PROJ, which may read it as PROJ text: "FOO[...]", "TIMECRS",
// "DATUM", and also " GEOGCS(" with a blank before it do.
constexpr const char* kWktKeywords[] = {
    "GEOGCS", "GEOCCS", "PROJCS", "VERT_CS", "COMPD_CS", "LOCAL_CS",
    "GEODCRS", "GEOGCRS", "GEODETICCRS", "GEOGRAPHICCRS", "PROJCRS", "PROJECTEDCRS",
    "VERTCRS", "VERTICALCRS", "COMPOUNDCRS", "ENGCRS", "ENGINEERINGCRS", "BOUNDCRS",
    "DERIVEDPROJCRS",
};

// The length of the keyword at i, or 0.
Py_ssize_t wkt_keyword(const Text& t, Py_ssize_t i) {
    for (const char* keyword : kWktKeywords)
        if (t.ascii_at(i, keyword)) return static_cast<Py_ssize_t>(std::strlen(keyword));
    return 0;
}

// Whether PROJ, handed a text that starts with blanks, reads it as WKT: it
// drops the blanks ' ', tab, CR and LF before it and takes for WKT one of
// these keywords followed by blanks and '[' (checked for every keyword,
// with blanks and line breaks before and between; a vertical tab or a
// form feed first, or "GEOGCS(", makes it PROJ text).
bool wkt_after_blanks(const Text& t) {
    Py_ssize_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t' || t[i] == '\r' || t[i] == '\n')) ++i;
    const Py_ssize_t n = wkt_keyword(t, i);
    if (n == 0) return false;
    i += n;
    while (i < t.size() && blank(t[i])) ++i;
    return i < t.size() && t[i] == '[';
}

// Whether the ASCII `word` stands in t, in the same letter case (GDAL's
// test is case-sensitive: "/data/+Projects/a.prj" is a file name to it).
bool holds(const Text& t, const char* word) {
    const Py_ssize_t n = static_cast<Py_ssize_t>(std::strlen(word));
    for (Py_ssize_t i = 0; i + n <= t.size(); ++i) {
        Py_ssize_t k = 0;
        while (k < n && t[i + k] == static_cast<unsigned char>(word[k])) ++k;
        if (k == n) return true;
    }
    return false;
}

}  // namespace

bool value_char(Py_UCS4 c) {
    if (c < 0x20 || c == 0x7f || c == ';' || c == '#' || c == '"') return false;
    if (c < 0x80) return true;
    if (c >= 0xD800 && c <= 0xDFFF) return false;  // no UTF-8 for a lone surrogate
    unsigned char bytes[4];
    int n;
    if (c < 0x800) {
        bytes[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        n = 1;
    } else if (c < 0x10000) {
        bytes[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
        bytes[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        n = 2;
    } else {
        bytes[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
        bytes[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        n = 3;
    }
    bytes[n++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    // PROJ asks isspace of each byte; in a single-byte locale one of them
    // could be a blank.
    for (int k = 0; k < n; ++k)
        if (std::isspace(bytes[k])) return false;
    return true;
}

bool plain(const Text& t, Py_ssize_t first, Py_ssize_t last) {
    return read(t, first, last, [](const Token&) {});
}

bool whole_proj_string(const Text& t) {
    if (!holds(t, "+proj") && !holds(t, "+init")) return false;
    if (wkt_keyword(t, 0) || (t.ascii_at(0, "ESRI::") && wkt_keyword(t, 6))) return false;
    return !wkt_after_blanks(t);
}

bool holds_proj_text(const Text& t, const Extension& e) {
    Py_ssize_t i = e.name_first, j = e.name_last;
    while (i < j && t.space(i)) ++i;
    while (j > i && t.space(j - 1)) --j;
    return j - i == 5 && t.ascii_at(i, "PROJ4");
}

Py_ssize_t method_text(const Text& name) { return name.ascii_at(0, "PROJ ") ? 5 : -1; }

}  // namespace orb::proj_text
