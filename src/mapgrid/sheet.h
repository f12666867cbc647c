// Sheet arithmetic of the national topographic map series: plain functions
// on doubles and ints, free of interpreter objects.
//
// Notation: a 1:1,000,000 sheet is 6 degrees wide and 4 high; its corner
// (lon0, lat0) is its south-west corner in whole degrees.  A scale divides
// it into n x n sheets; `row` counts from 1 at the north edge, `col` from 1
// at the west edge.  Every edge is computed as corner + offset, the offset
// being ((n - row) * 4.0) / n or ((col - 1) * 6.0) / n, in that order, so
// the numbering, the parsing and the grid lines agree to the last digit.
#pragma once

#include <cstdint>

namespace mapgrid {

// The letter tables as the class stores them (and as the bodies use them
// while the class holds these originals).
constexpr const char* kRowLetters = "ABCDEFGHIJKLMNOPQRSTUVW";  // row letters, 4-degree bands
constexpr const char* kQuarters = "ABCD";                        // quarter letters of old numbers
constexpr const char* kQuarters5k = "abcd";                      // quarter letters of the 1:5,000 step
constexpr const char* kScaleLetters = "BCDEFGHIJK";              // scale letters, 1:500,000 to 1:500

constexpr int kRows = 23;     // row letters A to W, 4-degree bands from the equator
constexpr int kColumns = 60;  // 6-degree columns from 180 W
constexpr double kBandHeight = 4.0;
constexpr double kColumnWidth = 6.0;

// How the block index of a scale is written in an old sheet number.
enum class Step : unsigned char {
    None,       // 1:1,000,000: the first part itself
    Quarter,    // "-A" to "-D": a letter of the quarter table
    Quarter5k,  // "-a" to "-d": a letter of the 1:5,000 quarter table
    Bracket,    // "-[i]"
    Paren2,     // "-(ii)", two digits: 1:200,000
    Paren,      // "-(i)"
    Plain,      // "-i"
};

// One rung of the scale ladder.
struct Scale {
    int denominator;
    int n;             // division count of the 1:1,000,000 sheet
    int letter;        // index of the scale letter in "BCDEFGHIJK", -1 for none
    int digits;        // digits of the sheet row and column in a new number
    double height;     // 4/n, the double nearest to it
    double width;      // 6/n, the double nearest to it
    int parent;        // scale whose old number this one extends (1000000: the first part)
    int k;             // sheets of this scale along a side of a parent sheet
    Step step;
};

// The ladder, in the order in which a scale denominator is matched.
constexpr Scale kLadder[] = {
    {1000000, 1, -1, 0, 4.0, 6.0, 0, 1, Step::None},
    {500000, 2, 0, 3, 2.0, 3.0, 1000000, 2, Step::Quarter},
    {250000, 4, 1, 3, 1.0, 1.5, 1000000, 4, Step::Bracket},
    {200000, 6, -1, 0, 0.6666666666666666, 1.0, 1000000, 6, Step::Paren2},
    {100000, 12, 2, 3, 0.3333333333333333, 0.5, 1000000, 12, Step::Plain},
    {50000, 24, 3, 3, 0.16666666666666666, 0.25, 100000, 2, Step::Quarter},
    {25000, 48, 4, 3, 0.08333333333333333, 0.125, 50000, 2, Step::Plain},
    {10000, 96, 5, 3, 0.041666666666666664, 0.0625, 100000, 8, Step::Paren},
    {5000, 192, 6, 3, 0.020833333333333332, 0.03125, 10000, 2, Step::Quarter5k},
    {2000, 576, 7, 3, 0.006944444444444444, 0.010416666666666666, 5000, 3, Step::Plain},
    {1000, 1152, 8, 4, 0.003472222222222222, 0.005208333333333333, 2000, 2, Step::Plain},
    {500, 2304, 9, 4, 0.001736111111111111, 0.0026041666666666665, 1000, 2, Step::Plain},
};
constexpr int kLadderSize = sizeof(kLadder) / sizeof(kLadder[0]);

// The rung of a scale denominator, or nullptr.
const Scale* scale_of(long long denominator);
// The rung of a scale letter (B to K, upper case), or nullptr.
const Scale* scale_of_letter(char letter);

// The 1:1,000,000 sheet of a point (longitude -180..180, latitude -90..90).
struct Sheet1m {
    bool south;    // hemisphere prefix S
    int rowIndex;  // 0 (A) to 22 (W)
    int column;    // 1 to 60
};
Sheet1m sheet_1m(double lon, double lat);

// Corner of a 1:1,000,000 sheet.
inline int corner_lon(int column) { return (column - 1) * 6 - 180; }
inline int corner_lat(bool south, int rowIndex) {
    return south ? -1 * (4 + rowIndex * 4) : rowIndex * 4;
}

// Sheet row and column of a point at division count n, kept within 1..n: a
// point on the sheet's own south edge (a southern 4-degree parallel) or a
// rounding onto its east edge stays in the sheet the 1:1,000,000 part names.
int sheet_row(double lat, double lat0, int n);
int sheet_col(double lon, double lon0, int n);

// Block index of a sheet inside the parent sheet, k sheets per side.
inline int block_index(int row, int col, int k) { return ((row - 1) % k) * k + ((col - 1) % k) + 1; }

struct Bounds {
    double north, south, west, east;
};
// Edges of the sheet (row, col) at division count n, with height 4/n and
// width 6/n; north and east are south and west plus one sheet.
Bounds sheet_bounds(double lat0, double lon0, int n, int row, int col, double height, double width);

// Position of grid line `k` at division count n: line k is the k-th
// parallel (or meridian) of that scale counted from the equator (or the
// prime meridian), written exactly as the south (or west) edge of the sheet
// it bounds.
double parallel_at(std::int64_t k, int n);
double meridian_at(std::int64_t k, int n);

}  // namespace mapgrid
