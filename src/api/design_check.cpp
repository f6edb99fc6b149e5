#include "opbaff/design_check.h"

#include <algorithm>
#include <cmath>

#include "api/fp_environment.h"
#include "opbaff/short_number.h"

namespace opbaff {
namespace {

std::string withUnit(float value, const char* unit) {
    return shortNumber(value) + (*unit == '\0' ? "" : " ") + unit;
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
        case DesignCheck::levelsNotFinite:
            break;
    }
    return "levels-not-finite";
}

}  // namespace opbaff
