#include "model/units.h"

#include <cstdio>
#include <iterator>

namespace units {

namespace {

// $INSUNITS codes of the DXF HEADER section, in millimetres per unit.
// US survey units are defined through the US survey foot, 1200/3937 m.
constexpr double kUsSurveyFootMm = 1200.0 / 3937.0 * 1000.0;
struct InsUnit {
    std::string_view name;
    double mm;
};
constexpr InsUnit kInsUnits[] = {
    {"unitless", 0},
    {"inches", 25.4},
    {"feet", 304.8},
    {"miles", 1609344.0},
    {"millimetres", 1.0},
    {"centimetres", 10.0},
    {"metres", 1000.0},
    {"kilometres", 1e6},
    {"microinches", 25.4e-6},
    {"mils", 25.4e-3},
    {"yards", 914.4},
    {"angstroms", 1e-7},
    {"nanometres", 1e-6},
    {"microns", 1e-3},
    {"decimetres", 100.0},
    {"decametres", 1e4},
    {"hectometres", 1e5},
    {"gigametres", 1e12},
    {"astronomical units", 149597870700.0 * 1000.0},
    {"light years", 9460730472580800.0 * 1000.0},
    {"parsecs", 3.0856775814913673e16 * 1000.0},
    {"US survey feet", kUsSurveyFootMm},
    {"US survey inches", kUsSurveyFootMm / 12.0},
    {"US survey yards", kUsSurveyFootMm * 3.0},
    {"US survey miles", kUsSurveyFootMm * 5280.0},
};

} // namespace

std::optional<double> MmPerInsUnit(int code) {
    if (code <= 0 || code >= static_cast<int>(std::size(kInsUnits))) return std::nullopt;
    return kInsUnits[code].mm;
}

std::string_view InsUnitName(int code) {
    if (code < 0 || code >= static_cast<int>(std::size(kInsUnits))) return {};
    return kInsUnits[code].name;
}

std::string FormatPhysicalSize(double widthMm, double heightMm) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.2f x %.2f mm (%.3f x %.3f in)", widthMm, heightMm, widthMm / kMmPerInch,
                  heightMm / kMmPerInch);
    return buf;
}

} // namespace units
