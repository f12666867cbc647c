// PROJ text in its plain form: how the reference guard reads a PROJ string,
// the PROJ text of a WKT EXTENSION and the PROJ-based method of a parsed
// reference, so that it reads them as PROJ will.
//
// PROJ's tokeniser rewrites a PROJ string before it splits it: ';' counts
// as a blank, '#' starts a comment that runs to the end of the text, a '+'
// after a blank is dropped, '=' and ',' take in the blanks around them, and
// a value that opens with a quote after '=' keeps its blanks.  None of that
// acts on a text in plain form: tokens separated by blanks, each an
// optional '+', a name and an optional '=' and value, with no character the
// tokeniser treats specially and no token it would join to the next.  On
// such a text its rewriting only drops each token's '+' and makes each run
// of blanks one, so the tokens it reads are the ones read here, and the
// guard checks those.  A text in any other form is refused instead of
// learning more of the tokeniser's rules.
//
// (One rewriting is left alone: a text that starts "+title=" with a bare
// word after it takes that word into the title, which PROJ then quotes.  It
// makes PROJ read fewer parameters than are read here, never others.)
#pragma once

#include "geometry/textutil.h"

namespace orb::proj_text {

using Text = geom::CodePoints;

// One token of PROJ text, by its indices in the text: the name, and the
// value after '=' (value_first == value_last == name_last for a flag).
struct Token {
    Py_ssize_t name_first, name_last, value_first, value_last;
};

// PROJ's blanks: the characters that C's isspace calls blank in every locale.
inline bool blank(Py_UCS4 c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A character of a name: ASCII letters, digits and '_' (every parameter of
// PROJ is named so).
inline bool name_char(Py_UCS4 c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A character that a plain value may hold: not a blank, a control
// character, ';', '#' or a quote, and, beyond ASCII, none whose UTF-8 bytes
// (what GDAL hands PROJ) the C library calls blank in the host's locale.
bool value_char(Py_UCS4 c);

// Reads t[first:last] as plain PROJ text, calling each(token) for its
// tokens in order; false, at the first character that breaks the form.
template <class Each>
bool read(const Text& t, Py_ssize_t first, Py_ssize_t last, Each each) {
    Py_ssize_t i = first;
    for (;;) {
        while (i < last && blank(t[i])) ++i;
        if (i == last) return true;
        if (t[i] == '+') ++i;
        Token token;
        token.name_first = i;
        while (i < last && name_char(t[i])) ++i;
        if (i == token.name_first) return false;  // "++x", "+=x", "+/x", a bare '+'
        token.name_last = token.value_first = token.value_last = i;
        if (i < last && t[i] == '=') {
            token.value_first = ++i;
            while (i < last && !blank(t[i])) {
                if (!value_char(t[i])) return false;
                ++i;
            }
            token.value_last = i;
            // An empty value, or one ending in ',' or '=', takes in the next token.
            if (i == token.value_first || t[i - 1] == ',' || t[i - 1] == '=') return false;
        }
        if (i < last && !blank(t[i])) return false;
        each(token);
    }
}

// Whether t[first:last] is plain PROJ text.
bool plain(const Text& t, Py_ssize_t first, Py_ssize_t last);

// Whether GDAL's user-input reader hands the whole text t to PROJ, which
// may read it as PROJ parameters: it holds "+proj" or "+init" (in these
// letters, as GDAL tests), and it does not start, at once or after one "ESRI::", with
// one of the keywords that make the reader take it as WKT, nor with blanks
// and such a keyword before a '[', which PROJ takes as WKT.
bool whole_proj_string(const Text& t);

// An EXTENSION node of WKT, by the indices of its name and its text
// (inside their quotes).
struct Extension {
    Py_ssize_t name_first, name_last, text_first, text_last;
};

// Calls each(extension) for every EXTENSION node of t, found wherever the
// keyword stands (in any letter case, inside quoted texts too, as another
// pairing of quotes may put it outside); false at the first one not written
// EXTENSION["name","text"] (blanks between the parts, '(' and ')' for the
// brackets, no quote inside the name or the text).
template <class Each>
bool extensions(const Text& t, Each each) {
    constexpr Py_ssize_t kKeyword = 9;  // "EXTENSION"
    auto quoted = [&t](Py_ssize_t& i, Py_ssize_t& first, Py_ssize_t& last) {
        if (i >= t.size() || t[i] != '"') return false;
        first = ++i;
        while (i < t.size() && t[i] != '"') ++i;
        if (i >= t.size()) return false;
        last = i++;
        return true;
    };
    for (Py_ssize_t k = 0; k + kKeyword <= t.size(); ++k) {
        if (!t.ascii_at(k, "EXTENSION")) continue;
        Py_ssize_t i = t.skip_space(k + kKeyword);
        if (i >= t.size() || (t[i] != '[' && t[i] != '(')) continue;
        Extension e;
        i = t.skip_space(i + 1);
        if (!quoted(i, e.name_first, e.name_last)) return false;
        i = t.skip_space(i);
        if (i >= t.size() || t[i] != ',') return false;
        i = t.skip_space(i + 1);
        if (!quoted(i, e.text_first, e.text_last)) return false;
        i = t.skip_space(i);
        if (i >= t.size() || (t[i] != ']' && t[i] != ')')) return false;
        each(e);
    }
    return true;
}

// Whether the extension holds PROJ text: its name is PROJ4, in any letter
// case, blanks around it allowed.
bool holds_proj_text(const Text& t, const Extension& e);

// The index where the PROJ text of a PROJ-based method name ("PROJ " and
// PROJ text, as PROJ names a method it has no name of its own for) starts,
// or -1 for any other name.
Py_ssize_t method_text(const Text& name);

}  // namespace orb::proj_text
