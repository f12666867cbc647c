// Gauss-Kruger projection: series constants, forward and inverse.
//
// The classical series of the transverse Mercator projection in powers of
// the longitude difference (to l^6 forward) and of the easting over the
// prime vertical radius (to yn^5 back), with a Newton iteration on the
// meridian arc for the footpoint latitude.  Each expression keeps the
// written order of its operations, left to right, so that the results
// match an interpreter evaluating the same formulas; squares and higher
// powers are the library's pow, as `**` is.
#include "projection/gausskruger.h"

#include "projection/zones.h"

#include <cmath>

namespace orb::projection {

namespace pm = pymath;
using pm::kPi;

namespace {

// Fixed constants per code: the eccentricities of each spheroid and the
// meridian arc coefficients, as tabulated for these coordinate systems (not
// derived from the flattening of the reference table).
constexpr GkSeries kBeijing1954{
    0.006693421622965863, 0.006738525414683408,
    1.00505177390264, 0.00253118883004163, 2.65613240640923e-06, 3.46857013689054e-09,
    4.91369956981997e-12, 7.25789039272222e-15, 1.07308289277072e-17};
constexpr GkSeries kXian1980{
    0.006694384999587975, 0.00673950181947295,
    1.00505250559297, 0.00253155620900067, 2.65690155540383e-06, 3.47007559905791e-09,
    4.91654216666523e-12, 7.26313725279036e-15, 1.07400991193685e-17};
constexpr GkSeries kWgs1984{
    0.006694379990096569, 0.006739496742231083,
    1.00505250178823, 0.00253155429865335, 2.65689755559121e-06, 3.47006776962726e-09,
    4.91652738216042e-12, 7.2631099616205e-15, 1.07400508977617e-17};
constexpr GkSeries kCgcs2000{
    0.0066943800229006855, 0.006739496775478855,
    1.00505250181315, 0.00253155431116305, 2.65689758178354e-06, 3.47006782089741e-09,
    4.91652747897505e-12, 7.26311014033353e-15, 1.07400512135351e-17};

// Stop threshold of the footpoint iteration: 1e-5 arc seconds in radians.
constexpr double kFootpointDelta = 2.777777777777778e-09 * kPi / 180;

constexpr double kMillion = 1000000.0;      // zone number scale of universal eastings
constexpr double kFalseEasting = 500000.0;  // false easting of every zone

// Meridian arc series S(B), summed in the written order.
double arc(const GkSeries& k, double B, pm::MathStatus& st) noexcept {
    return k.a1 * B - k.b1 * pm::sin(2 * B, st) + k.c1 * pm::sin(4 * B, st) -
           k.d1 * pm::sin(6 * B, st) + k.e1 * pm::sin(8 * B, st) - k.f1 * pm::sin(10 * B, st) +
           k.g1 * pm::sin(12 * B, st);
}

// Its derivative S'(B), summed in the same order.
double arc_slope(const GkSeries& k, double B, pm::MathStatus& st) noexcept {
    return k.a1 - 2 * k.b1 * pm::cos(2 * B, st) + 4 * k.c1 * pm::cos(4 * B, st) -
           6 * k.d1 * pm::cos(6 * B, st) + 8 * k.e1 * pm::cos(8 * B, st) -
           10 * k.f1 * pm::cos(10 * B, st) + 12 * k.g1 * pm::cos(12 * B, st);
}

}  // namespace

const GkSeries* gk_series(long code) noexcept {
    switch (code) {
        case 1954: return &kBeijing1954;
        case 1980: return &kXian1980;
        case 1984: return &kWgs1984;
        case 2000: return &kCgcs2000;
        default: return nullptr;
    }
}

double gk_zone_number(double cm, pm::MathStatus& st) noexcept {
    if (cm > 0) return pm::floor(cm / 6, st) + 1;
    if (cm < 0) return pm::floor((cm + 180) / 6, st) + 1;
    return 0.0;
}

GkForward gk_forward(const GkSeries& k, double a, double zone, double cm, double longitude,
                     double latitude, pm::MathStatus& st) noexcept {
    const double B = latitude * kPi / 180;
    // Without the turn a point on the far side of the antimeridian would be
    // projected some 360 degrees from the meridian.
    const double l = turned_difference(longitude - cm) * kPi / 180;

    const double t = pm::tan(B, st);
    const double cosB = pm::cos(B, st);
    const double c2 = pm::pow(cosB, 2, st);             // cos^2 B
    const double l2 = pm::pow(l, 2, st);
    const double t2 = pm::pow(t, 2, st);
    const double t4 = pm::pow(t, 4, st);
    const double eta2 = k.e22 * c2;
    const double eta4 = pm::pow(eta2, 2, st);
    const double W = pm::sqrt(1 - k.e12 * pm::pow(pm::sin(B, st), 2, st), st);

    const double x_inner = (5 - t2 + 9 * eta2 + 4 * eta4) / 24 + (61 - 58 * t2 + t4) * c2 * l2 / 720;
    const double x = a * ((1 - k.e12) * arc(k, B, st) +
                          pm::div(t * c2 * l2 * (0.5 + c2 * l2 * x_inner), W, st));

    const double y_inner =
        (1 - t2 + eta2) / 6 + (5 - 18 * t2 + t4 + 14 * eta2 - 58 * eta2 * t2) * c2 * l2 / 120;
    const double y = pm::div(a * l * cosB * (1 + c2 * l2 * y_inner), W, st);

    return {zone * kMillion + kFalseEasting + y, x};
}

GkInverse gk_inverse(const GkSeries& k, double a, bool has_cm, double cm, double x,
                     double y) noexcept {
    GkInverse r;
    pm::MathStatus& st = r.math;
    // A NaN would slip through every comparison below and come out as a
    // finite point; -inf would come out as NaN.
    if (std::isnan(x)) {
        r.status = GkStatus::InvalidX;
        return r;
    }
    if (std::isnan(y) || y == -INFINITY) {
        r.status = GkStatus::InvalidY;
        return r;
    }

    // Zone number in the millions of a universal easting.
    bool zone6 = !has_cm;
    if (y >= kMillion) {
        r.zone = pm::floor(y / kMillion, st);
        if (!st.ok()) {
            r.status = GkStatus::Math;
            return r;
        }
        if (r.zone > 30 && !has_cm) zone6 = false;
        y = y - r.zone * kMillion;
    }
    if (!has_cm) {
        if (r.zone == 0.0) {
            r.status = GkStatus::InvalidY;
            return r;
        }
        // zone x 6 - 3 is exact (zone <= 30); zone x 3 is one rounding of
        // the exact product, as the interpreter's int-to-float conversion.
        cm = zone6 ? r.zone * 6 - 3 : r.zone * 3;
    }
    r.meridian = cm;
    if (!(-180 <= cm && cm <= 180)) {
        r.status = GkStatus::CentralMeridian;
        return r;
    }
    // A positive easting always carries the false easting; 0 or less is a
    // natural easting.
    if (y > 0) y = y - kFalseEasting;

    // Footpoint latitude: Newton's method on the meridian arc a0 S(B) = x.
    const double a0 = a * (1 - k.e12);
    double bf = pm::div(x, a * (1 - k.e12), st) * k.a1;
    double b0 = 0.0;
    for (int steps = kGkMaxSteps; std::fabs(b0 - bf) > kFootpointDelta; --steps) {
        if (steps == 0) {
            r.status = GkStatus::InvalidX;
            return r;
        }
        b0 = bf;
        const double fb = a0 * arc(k, bf, st);
        const double fb1 = a0 * arc_slope(k, bf, st);
        bf = bf + pm::div(x - fb, fb1, st);
        if (!st.ok()) break;
    }
    if (!st.ok()) {
        r.status = GkStatus::Math;
        return r;
    }

    // The series use the footpoint before its last correction.
    const double B = b0;
    const double sinB = pm::sin(B, st);
    const double cosB = pm::cos(B, st);
    const double W = pm::sqrt(1 - k.e12 * sinB * sinB, st);
    const double N = pm::div(a, W, st);
    const double t = pm::tan(B, st);
    const double eta2 = k.e22 * cosB * cosB;
    const double yn = pm::div(y, N, st);
    const double t2 = pm::pow(t, 2, st);
    const double t4 = pm::pow(t, 4, st);
    const double yn2 = pm::pow(yn, 2, st);
    const double yn4 = pm::pow(yn, 4, st);

    const double lon_series =
        yn * (1 - (1 + 2 * t2 + eta2) * yn2 / 6 +
              (5 + 28 * t2 + 24 * t4 + 6 * eta2 + 8 * eta2 * t2) * yn4 / 120);
    r.longitude = cm + pm::div(lon_series, cosB, st) * 180 / kPi;

    const double q = pm::div(t, pm::div(2 * a0, pm::pow(W, 3, st), st), st);
    const double lat_series = 1 - (5 + 3 * t2 + eta2 - 9 * eta2 * t2) * yn2 / 12 +
                              (61 + 90 * t2 + 45 * t4) * yn4 / 360;
    r.latitude = (B - q * y * yn * lat_series) * 180 / kPi;

    if (!st.ok()) r.status = GkStatus::Math;
    return r;
}

}  // namespace orb::projection
