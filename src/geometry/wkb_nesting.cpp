// The nesting depth of WKB text.
//
// shapely's reader follows the members of a collection by recursion with no
// bound of its own: a text of some 100,000 nested collections exhausts the
// stack inside it, and a few thousand make the GeoJSON writer behind
// fromShapely take time in the square of the depth.  This walk reads the
// same bytes the way the reader does, one header after another with an
// explicit stack of member counts, skipping coordinates by their size, and
// stops at the first collection nested deeper than kMaxNesting.  It never
// reads past the end; whatever it cannot follow (an unknown type, a short
// buffer, text that is no WKB) is left to shapely and its own error.
//
// What the reader takes, as seen from shapely.from_wkb on text:
//   - text whose first character is "0" or "1" is hexadecimal (a pair of
//     hexadecimal digits per byte, nothing else allowed, checked before any
//     byte is read); any other text is binary WKB, its bytes those of its
//     UTF-8 form;
//   - each geometry starts with a byte order byte (0 big-endian, 1
//     little-endian, any other value keeps the order the last header set,
//     the machine's own before the first) and a 32-bit type word: the low
//     16 bits hold the type code, ISO style (1000 Z, 2000 M, 3000 ZM above
//     the base code, which is the remainder by 1000), and the flags
//     0x80000000 (Z), 0x40000000 (M) and 0x20000000 (a 32-bit SRID
//     follows) are the extended form's;
//   - every vertex holds 2 values plus one for Z and one for M, 8 bytes each;
//   - points hold one vertex, line strings and circular strings a count and
//     that many vertices, polygons a count of rings each made of a count and
//     vertices; the multi-part types, collections, compound curves and curve
//     polygons (codes 4 to 7 and 9 to 12) a count and that many geometries,
//     each with a header of its own.
#include "geometry/wkb_nesting.h"

#include "geometry/geometry_input.h"
#include "geometry/messages.h"

#include <cstdint>
#include <vector>

namespace orb::geom {
namespace {

constexpr uint32_t kFlagZ = 0x80000000u;
constexpr uint32_t kFlagM = 0x40000000u;
constexpr uint32_t kFlagSrid = 0x20000000u;
constexpr uint32_t kCodeBits = 0xffffu;
constexpr uint32_t kIsoStep = 1000;  // ISO type codes: base + 1000 * dimension kind
constexpr uint64_t kValueBytes = 8;  // one coordinate value, a double

int hex_digit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes the reader sees: the text itself, or the bytes its hexadecimal
// digits spell.  Reads fail (return false) at the end instead of past it.
class Bytes {
public:
    Bytes(const char* text, size_t length, bool hex)
        : text_(text), size_(hex ? length / 2 : length), hex_(hex) {}

    bool u8(uint8_t& out) {
        if (at_ >= size_) return false;
        out = get(at_++);
        return true;
    }
    bool u32(bool big_endian, uint32_t& out) {
        if (size_ - at_ < 4) return false;
        out = 0;
        for (int i = 0; i < 4; ++i) {
            const uint32_t b = get(at_ + i);
            out |= big_endian ? b << (8 * (3 - i)) : b << (8 * i);
        }
        at_ += 4;
        return true;
    }
    bool skip(uint64_t n) {
        if (n > size_ - at_) return false;
        at_ += static_cast<size_t>(n);
        return true;
    }

private:
    uint8_t get(size_t i) const {
        if (!hex_) return static_cast<uint8_t>(text_[i]);
        return static_cast<uint8_t>(hex_digit(text_[2 * i]) << 4 | hex_digit(text_[2 * i + 1]));
    }

    const char* text_;
    size_t size_;
    size_t at_ = 0;
    bool hex_;
};

bool holds_members(uint32_t code) { return (code >= 4 && code <= 7) || (code >= 9 && code <= 12); }

// The walk over every geometry, depth first in the order the reader takes:
// returns at the end of the outermost geometry or where it cannot follow,
// raises the nesting error at a collection nested too deep.
void walk(Bytes& in) {
    // Members still to read of each collection being read, outermost first;
    // its size is the depth of the next geometry.
    std::vector<uint32_t> open;
    bool big = PY_BIG_ENDIAN;
    for (;;) {
        uint8_t order;
        uint32_t type;
        if (!in.u8(order)) return;
        if (order == 0 || order == 1) big = order == 0;
        if (!in.u32(big, type)) return;
        if ((type & kFlagSrid) && !in.skip(4)) return;
        const uint32_t code = (type & kCodeBits) % kIsoStep;
        const uint32_t iso = (type & kCodeBits) / kIsoStep;
        const bool z = (type & kFlagZ) || iso == 1 || iso == 3;
        const bool m = (type & kFlagM) || iso == 2 || iso == 3;
        const uint64_t vertex = kValueBytes * (2 + z + m);

        uint32_t count = 0;
        if (code == 1) {
            if (!in.skip(vertex)) return;
        } else if (code == 2 || code == 8) {
            if (!in.u32(big, count) || !in.skip(vertex * count)) return;
        } else if (code == 3) {
            uint32_t rings;
            if (!in.u32(big, rings)) return;
            for (uint32_t r = 0; r < rings; ++r)
                if (!in.u32(big, count) || !in.skip(vertex * count)) return;
        } else if (holds_members(code)) {
            check_nesting(static_cast<int>(open.size()), msg::kCoordinatesNestedTooDeep);
            if (!in.u32(big, count)) return;
            open.push_back(count);
        } else {
            return;
        }

        // On to the next member of the innermost collection not yet done.
        while (!open.empty() && open.back() == 0) open.pop_back();
        if (open.empty()) return;
        --open.back();
    }
}

}  // namespace

void check_wkb_nesting(PyObject* token) {
    Py_ssize_t length = 0;
    const char* text = PyUnicode_AsUTF8AndSize(token, &length);
    if (!text) {  // no UTF-8 form (a lone surrogate): shapely's error follows
        PyErr_Clear();
        return;
    }
    const bool hex = length > 0 && (text[0] == '0' || text[0] == '1');
    if (hex) {
        if (length % 2) return;
        for (Py_ssize_t i = 0; i < length; ++i)
            if (hex_digit(static_cast<unsigned char>(text[i])) < 0) return;
    }
    Bytes in(text, static_cast<size_t>(length), hex);
    walk(in);
}

}  // namespace orb::geom
