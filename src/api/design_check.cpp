#include "opbaff/design_check.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "api/fp_environment.h"
#include "opbaff/short_number.h"

namespace opbaff {
namespace {

std::string withUnit(float value, const char* unit) {
    const bool none = *unit == '\0' || std::string_view(unit) == "-";
    return shortNumber(value) + (none ? "" : " ") + (none ? "" : unit);
}

// A value converted to another unit, to six significant digits: 0.6 m is 60
// cm, not the 60.0000024 of the float 0.6 times 100.
std::string convertedText(float value, double factor, const char* unit) {
    std::array<char, 32> text{};
    const double decimal = std::strtod(shortNumber(value).c_str(), nullptr);
    std::snprintf(text.data(), text.size(), "%.6g %s", decimal * factor, unit);
    return text.data();
}

class Notes {
  public:
    void add(DesignCheck check, float Design::*member, std::string text) {
        notes_.push_back({check, &designFieldOf(member), std::move(text)});
    }
    void addForDesign(DesignCheck check, std::string text) {
        notes_.push_back({check, nullptr, std::move(text)});
    }
    std::vector<DesignNote> take() { return std::move(notes_); }

  private:
    std::vector<DesignNote> notes_;
};

void finiteValueNotes(const Design& d, Notes& notes) {
    for (const DesignField& field : kDesignFields) {
        const float value = d.*field.member;
        if (!std::isfinite(value)) {
            notes.add(
                DesignCheck::notFinite, field.member,
                std::string(field.name) + " is " + shortNumber(value) + ", not a finite number.");
        }
    }
}

void baffleSizeNotes(const Design& d, Notes& notes) {
    if (d.baffleHeightCm <= 0.0F) {
        notes.add(DesignCheck::baffleNotBuildable, &Design::baffleHeightCm,
                  "A baffle height of " + withUnit(d.baffleHeightCm, "cm") + " cannot be built.");
    }
    if (d.baffleWidthCm <= 0.0F) {
        notes.add(DesignCheck::baffleNotBuildable, &Design::baffleWidthCm,
                  "A baffle width of " + withUnit(d.baffleWidthCm, "cm") + " cannot be built.");
    }
}

// Where on the rectangular baffle the driver sits, and whether it fits. A centre
// outside the baffle gives edge distances below 0: the model's "gains" mean nothing.
void driverPlacementNotes(const Design& d, Notes& notes) {
    const std::string baffle = "the " + shortNumber(d.baffleWidthCm) + " x " +
                               shortNumber(d.baffleHeightCm) + " cm baffle";
    if (d.baffleWidthCm > 0.0F && (d.driverXCm < 0.0F || d.driverXCm > d.baffleWidthCm)) {
        notes.add(DesignCheck::driverOffBaffle, &Design::driverXCm,
                  "The driver centre (x " + withUnit(d.driverXCm, "cm") + ") lies outside " +
                      baffle + ": the levels mean nothing.");
    }
    if (d.baffleHeightCm > 0.0F && (d.driverYCm < 0.0F || d.driverYCm > d.baffleHeightCm)) {
        notes.add(DesignCheck::driverOffBaffle, &Design::driverYCm,
                  "The driver centre (y " + withUnit(d.driverYCm, "cm") + ") lies outside " +
                      baffle + ": the levels mean nothing.");
    }
    const float narrowest = std::min(d.baffleWidthCm, d.baffleHeightCm);
    if (narrowest > 0.0F && d.driverDiameterCm > narrowest) {
        notes.add(DesignCheck::driverWiderThanBaffle, &Design::driverDiameterCm,
                  "The driver (" + withUnit(d.driverDiameterCm, "cm") + ") is wider than " +
                      baffle + ".");
    }
}

void rectangularNotes(const Design& d, Notes& notes) {
    baffleSizeNotes(d, notes);
    driverPlacementNotes(d, notes);
    // Only the rectangular model hears the baffle off axis.
    if (std::abs(d.offAxisAngleDeg) > 90.0F) {
        notes.add(DesignCheck::behindBaffle, &Design::offAxisAngleDeg,
                  "A listening angle of " + shortNumber(d.offAxisAngleDeg) +
                      " degrees is beyond +-90: the listener is behind the baffle.");
    }
}

// Values the model divides by, or that only make sense above 0.
struct PositiveValue {
    const char* label;
    const char* unit;
    float Design::*member;
    const char* atZero;
};

const PositiveValue kPositiveValues[] = {
    {"A driver diameter", "cm", &Design::driverDiameterCm,
     "describes no driver: the piston terms divide by zero"},
    {"A resonance", "Hz", &Design::resonanceHz,
     "divides by zero in the driver's high-pass: no level is a finite number"},
    {"A Q", "", &Design::qualityFactor,
     "divides by zero in the driver's high-pass: no level is a finite number"},
    {"A listener distance", "m", &Design::listenerDistanceM,
     "puts the listener on the driver, where the rear wave's weight drops to 0"},
};

void positiveNotes(const Design& design, Notes& notes) {
    for (const PositiveValue& value : kPositiveValues) {
        const float v = design.*value.member;
        const std::string start = std::string(value.label) + " of " + withUnit(v, value.unit);
        if (v == 0.0F)
            notes.add(DesignCheck::valueZero, value.member, start + " " + value.atZero + ".");
        if (v < 0.0F) {
            notes.add(DesignCheck::valueBelowZero, value.member,
                      start + " is below 0: it has no physical meaning.");
        }
    }
}

// The fields whose plausible range says something the other checks do not:
// the driver's place is checked against its baffle, the angle against +-90
// degrees, and values of 0 or below are noted as such.
bool judgedByRange(const Design& d, const DesignField& field) {
    const float value = d.*field.member;
    const bool placeOrAngle = field.member == &Design::driverXCm ||
                              field.member == &Design::driverYCm ||
                              field.member == &Design::offAxisAngleDeg;
    const bool used = d.model == Model::rectangular || !field.rectangularOnly;
    return used && !placeOrAngle && std::isfinite(value) && value > 0.0F;
}

bool plausible(const DesignField& field, double value) {
    return value >= field.low && value <= field.high;
}

// Another unit the value may have been written in, and the factor to the
// field's own: the first whose reading is plausible.
struct OtherUnit {
    const char* fieldUnit;
    const char* unit;
    double toFieldUnit;
};

const OtherUnit kOtherUnits[] = {
    {"cm", "m", 100.0}, {"cm", "mm", 0.1},  {"cm", "in", 2.54},
    {"m", "cm", 0.01},  {"m", "mm", 0.001},
};

std::string implausibleText(const DesignField& field, float value) {
    return std::string(field.label) + " " + withUnit(value, field.unit) +
           " lies outside the plausible " + shortNumber(field.low) + " to " +
           withUnit(field.high, field.unit);
}

// "...: written in m? 0.6 m is 60 cm." for the first other unit that fits.
std::string unitGuess(const DesignField& field, float value) {
    for (const OtherUnit& other : kOtherUnits) {
        const double converted = value * other.toFieldUnit;
        if (std::string(other.fieldUnit) != field.unit || !plausible(field, converted)) continue;
        return ": written in " + std::string(other.unit) + "? " + shortNumber(value) + " " +
               other.unit + " is " + convertedText(value, other.toFieldUnit, field.unit) + ".";
    }
    return ".";
}

// Values outside their plausible range; a pair that is plausible when
// exchanged is said to look swapped, once, on the first of the two.
void plausibilityNotes(const Design& d, Notes& notes) {
    std::vector<const DesignField*> odd;
    for (const DesignField& field : kDesignFields) {
        if (judgedByRange(d, field) && !plausible(field, d.*field.member)) odd.push_back(&field);
    }
    std::vector<bool> said(odd.size(), false);
    for (std::size_t i = 0; i < odd.size(); ++i) {
        if (said[i]) continue;
        const DesignField& a = *odd[i];
        const float va = d.*a.member;
        std::string text = implausibleText(a, va);
        std::size_t j = i + 1;
        while (j < odd.size() &&
               (said[j] || !plausible(a, d.*odd[j]->member) || !plausible(*odd[j], va))) {
            ++j;
        }
        if (j < odd.size()) {
            said[j] = true;
            text += ", and " + implausibleText(*odd[j], d.*odd[j]->member) +
                    ": swapped? Exchanged, both are plausible.";
        } else {
            text += unitGuess(a, va);
        }
        notes.add(DesignCheck::valueImplausible, a.member, std::move(text));
    }
}

// The honest test: the rows of the response whose levels are not all finite.
void levelNote(const Response& response, Notes& notes) {
    std::size_t rows = 0;
    for (std::size_t i = 0; i < response.frequenciesHz.size(); ++i) {
        rows += std::any_of(response.columns.begin(), response.columns.end(),
                            [i](const ResponseColumn& c) { return !std::isfinite(c.levelsDb[i]); })
                    ? 1
                    : 0;
    }
    if (rows == 0) return;
    notes.addForDesign(DesignCheck::levelsNotFinite,
                       std::to_string(rows) + " of the " +
                           std::to_string(response.frequenciesHz.size()) +
                           " rows hold levels that are not finite numbers.");
}

}  // namespace

std::vector<DesignNote> checkDesign(const Design& design, const Response& response) {
    const ExactEnvironment exact;
    Notes notes;
    finiteValueNotes(design, notes);
    if (design.model == Model::rectangular) rectangularNotes(design, notes);
    positiveNotes(design, notes);
    if (design.roundBaffleDiameterCm < design.driverDiameterCm) {
        notes.add(DesignCheck::roundBaffleTooSmall, &Design::roundBaffleDiameterCm,
                  "The round baffle (" + withUnit(design.roundBaffleDiameterCm, "cm") +
                      ") is smaller than the driver (" + withUnit(design.driverDiameterCm, "cm") +
                      ").");
    }
    plausibilityNotes(design, notes);
    levelNote(response, notes);
    return notes.take();
}

std::vector<DesignNote> checkDesign(const Design& design) {
    return checkDesign(design, computeResponse(design));
}

const char* designCheckName(DesignCheck check) {
    switch (check) {
        case DesignCheck::notFinite:
            return "not-finite";
        case DesignCheck::baffleNotBuildable:
            return "baffle-not-buildable";
        case DesignCheck::driverOffBaffle:
            return "driver-off-baffle";
        case DesignCheck::driverWiderThanBaffle:
            return "driver-wider-than-baffle";
        case DesignCheck::behindBaffle:
            return "behind-baffle";
        case DesignCheck::valueZero:
            return "value-zero";
        case DesignCheck::valueBelowZero:
            return "value-below-zero";
        case DesignCheck::roundBaffleTooSmall:
            return "round-baffle-too-small";
        case DesignCheck::valueImplausible:
            return "value-implausible";
        case DesignCheck::levelsNotFinite:
            break;
    }
    return "levels-not-finite";
}

}  // namespace opbaff
