// Julian days: calendar parts to Julian day and back, in doubles.
#include "astronomy/julian.h"

#include <cmath>

namespace astro {
namespace {

// int() of a float already known to be finite and inside the 64-bit range.
long long trunc_ll(double x) { return static_cast<long long>(x); }

// The day-of-year loop steps back at most once for a sane Julian day; a few
// more rounds cover rounding, and reaching the limit means the input is
// beyond what a double resolves.
constexpr int kYearSteps = 8;

bool leap(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

double utc_to_julian(double year, long long month, long long day, long long hour,
                     long long minute, double second) {
    // January and February are months 13 and 14 of the year before.
    if (month == 1 || month == 2) {
        month = month + 12;
        year = year - 1;
    }
    // int(365.25 * (year + 4712)) + int(30.61 * (month + 1)) + day - 63.5:
    // the integer sum first, then the float subtraction.
    long long whole = trunc_ll(365.25 * (year + 4712)) +
                      trunc_ll(30.61 * static_cast<double>(month + 1)) + day;
    double base = static_cast<double>(whole) - 63.5;
    // The Gregorian correction from 1582-10-15 on, tested on the shifted
    // year and month (so January and February 1583 take it).
    long long correction = 0;
    if (year > 1582 || (year == 1582 && month > 10) ||
        (year == 1582 && month == 10 && day >= 15)) {
        correction = 2 - trunc_ll(year / 100) + trunc_ll(year / 400);
    }
    // Added left to right; the second's term is ((second / 60) / 60) / 24.
    double jd = base + static_cast<double>(correction);
    jd = jd + static_cast<double>(hour) / 24;
    jd = jd + static_cast<double>(minute) / 60 / 24;
    jd = jd + second / 60 / 60 / 24;
    return jd;
}

JulianStatus julian_to_fields(double julian, Fields& out) {
    double a = 0.0;
    double re = std::modf(julian + 0.5, &a);
    if (std::isnan(a)) return JulianStatus::NotANumber;
    if (std::isinf(a)) return JulianStatus::Infinite;
    if (std::fabs(a) > kJulianLimit) return JulianStatus::OutOfRange;

    // From 1582-10-15 (Julian day 2299160.5) on, move the day count onto
    // the Gregorian calendar; below it the day stays a Julian-calendar day.
    if (a >= 2299161) {
        long long y = trunc_ll((a + 10 - 2268993) / 36524.25);
        a = a + 10 + static_cast<double>(y) - static_cast<double>(trunc_ll(static_cast<double>(y + 3) / 4));
    }
    long long year = trunc_ll(a / 365.25) - 4712;

    // Day of the year counted from 1 March (59 is 1 March): a day in January
    // or February belongs to the March-based year before.
    long long y = year;
    double muYD = a - static_cast<double>(trunc_ll(static_cast<double>(y + 4712) * 365.25)) - 1;
    int steps = kYearSteps;
    while (muYD < 59) {
        if (--steps == 0) return JulianStatus::OutOfRange;
        y = y - 1;
        muYD = a - static_cast<double>(trunc_ll(static_cast<double>(y + 4712) * 365.25)) - 1;
    }
    long long m = trunc_ll((muYD + 1 + 63) / 30.61) - 1;  // 3 (March) to 14 (February)
    long long month = m > 12 ? m - 12 : m;
    long long day =
        trunc_ll(muYD - static_cast<double>(trunc_ll(30.61 * static_cast<double>(m + 1))) + 63 + 1);

    // Time of day, every part truncated.
    double hh = 0.0, mm = 0.0;
    re = std::modf(re * 24, &hh);
    re = std::modf(re * 60, &mm);
    double ss = re * 60;
    double ms = microseconds(ss);

    out = Fields{year, month, day, trunc_ll(hh), trunc_ll(mm), trunc_ll(ss), trunc_ll(ms)};
    return JulianStatus::Ok;
}

bool valid_datetime(const Fields& f) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (f.year < 1 || f.year > 9999 || f.month < 1 || f.month > 12 || f.day < 1) return false;
    long long last = days[f.month - 1] + (f.month == 2 && leap(f.year) ? 1 : 0);
    return f.day <= last && f.hour >= 0 && f.hour <= 23 && f.minute >= 0 && f.minute <= 59 &&
           f.second >= 0 && f.second <= 59 && f.microsecond >= 0 && f.microsecond <= 999999;
}

std::string utc_text(const Fields& f) {
    // Written digit by digit: this text is made fourteen times per sun call.
    char buf[32];
    char* p = buf;
    auto digits = [&p](long long v, int width) {
        for (int k = width - 1; k >= 0; --k) {
            p[k] = static_cast<char>('0' + v % 10);
            v /= 10;
        }
        p += width;
    };
    digits(f.year, 4);
    *p++ = '-';
    digits(f.month, 2);
    *p++ = '-';
    digits(f.day, 2);
    *p++ = ' ';
    digits(f.hour, 2);
    *p++ = ':';
    digits(f.minute, 2);
    *p++ = ':';
    digits(f.second, 2);
    if (f.microsecond != 0) {
        *p++ = '.';
        digits(f.microsecond, 6);
    }
    for (char c : {'+', '0', '0', ':', '0', '0'}) *p++ = c;
    return std::string(buf, static_cast<size_t>(p - buf));
}

}  // namespace astro
