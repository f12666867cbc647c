// Sheet arithmetic of the national topographic map series.
#include "mapgrid/sheet.h"

#include <cmath>

namespace mapgrid {

const Scale* scale_of(long long denominator) {
    for (const Scale& s : kLadder)
        if (s.denominator == denominator) return &s;
    return nullptr;
}

const Scale* scale_of_letter(char letter) {
    for (const Scale& s : kLadder)
        if (s.letter >= 0 && kScaleLetters[s.letter] == letter) return &s;
    return nullptr;
}

Sheet1m sheet_1m(double lon, double lat) {
    Sheet1m s;
    // |lat| / 4 is exact, so the band of a point on a parallel is the one
    // away from the equator; 90 falls in W (88 to 92).
    s.rowIndex = static_cast<int>(std::floor(std::fabs(lat) / 4));
    s.south = !(lat >= 0);  // -0.0 is northern
    s.column = static_cast<int>(std::floor(lon / 6)) + 31;
    // +180 is the east edge of column 60, as 90 is inside row W.
    if (s.column > kColumns) s.column = kColumns;
    return s;
}

namespace {
int clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
}  // namespace

int sheet_row(double lat, double lat0, int n) {
    // Evaluated as written: subtract, multiply by n.0, divide by 4.0.
    const double t = ((lat - lat0) * static_cast<double>(n)) / 4.0;
    return clamp(n - static_cast<int>(std::floor(t)), 1, n);
}

int sheet_col(double lon, double lon0, int n) {
    const double t = ((lon - lon0) * static_cast<double>(n)) / 6.0;
    return clamp(1 + static_cast<int>(std::floor(t)), 1, n);
}

Bounds sheet_bounds(double lat0, double lon0, int n, int row, int col, double height, double width) {
    const double nf = static_cast<double>(n);
    Bounds b;
    b.south = lat0 + (static_cast<double>(n - row) * 4.0) / nf;
    b.north = b.south + height;
    b.west = lon0 + (static_cast<double>(col - 1) * 6.0) / nf;
    b.east = b.west + width;
    return b;
}

namespace {
// k // n and k - (k // n) * n with the floor rounding of the interpreter.
void split(std::int64_t k, int n, std::int64_t& q, std::int64_t& r) {
    q = k / n;
    r = k % n;
    if (r < 0) {
        r += n;
        q -= 1;
    }
}
}  // namespace

double parallel_at(std::int64_t k, int n) {
    std::int64_t q, r;
    split(k, n, q, r);
    return static_cast<double>(4 * q) + (static_cast<double>(r) * 4.0) / static_cast<double>(n);
}

double meridian_at(std::int64_t k, int n) {
    std::int64_t q, r;
    split(k, n, q, r);
    return static_cast<double>(6 * q) + (static_cast<double>(r) * 6.0) / static_cast<double>(n);
}

}  // namespace mapgrid
