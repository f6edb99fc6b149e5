// The sentences of the speaker's failures, naming the driver to blame.
#include <string>

#include "opbaff/short_number.h"
#include "opbaff/speaker.h"

namespace opbaff {
namespace {

const SpeakerDriver* blamed(const Speaker& speaker, const SpeakerFailure& failure) {
    if (failure.driver < 0 || static_cast<std::size_t>(failure.driver) >= speaker.drivers.size()) {
        return nullptr;
    }
    return &speaker.drivers[static_cast<std::size_t>(failure.driver)];
}

// "driver \"tweeter\"", "driver 2" (counted from 1) for a driver without a
// name, or "the speaker".
std::string who(const Speaker& speaker, const SpeakerFailure& failure) {
    const SpeakerDriver* driver = blamed(speaker, failure);
    if (driver == nullptr) return "the speaker";
    if (driver->name.empty()) return "driver " + std::to_string(failure.driver + 1);
    return "driver \"" + driver->name + "\"";
}

std::string number(double value) {
    return shortNumber(static_cast<float>(value));
}

std::string measuredRange(const SpeakerDriver* driver) {
    const std::vector<double>& fs = driver->response.measured.frequenciesHz;
    if (fs.empty()) return "no frequency";
    return number(fs.front()) + " to " + number(fs.back()) + " Hz";
}

std::string plateText(const Speaker& speaker, const SpeakerFailure& failure) {
    const SpeakerDriver* driver = blamed(speaker, failure);
    if (failure.plate == PlateError::driverOffPlate && driver != nullptr) {
        return who(speaker, failure) + ": its centre (x " + number(driver->centreM.x) + " m, y " +
               number(driver->centreM.y) + " m) lies outside the baffle or on its border";
    }
    return who(speaker, failure) + ": " + plateErrorText(failure.plate);
}

}  // namespace

std::string speakerFailureText(const Speaker& speaker, const SpeakerFailure& failure) {
    const std::string subject = who(speaker, failure);
    switch (failure.error) {
        case SpeakerError::plate:
            return plateText(speaker, failure);
        case SpeakerError::noDriver:
            if (failure.driver >= 0) {
                return "the speaker has no driver " + std::to_string(failure.driver + 1) +
                       " (it has " + std::to_string(speaker.drivers.size()) + ")";
            }
            return "the speaker has no driver";
        case SpeakerError::driverNameRepeated:
            return subject + ": an earlier driver has the same name";
        case SpeakerError::measuredOutOfRange: {
            const SpeakerDriver* driver = blamed(speaker, failure);
            const std::string range = driver != nullptr ? measuredRange(driver) : "a narrower band";
            return subject + ": its measured response covers " + range + ", not " +
                   number(failure.frequencyHz) + " Hz";
        }
        case SpeakerError::measuredInvalid:
            return subject +
                   ": its measured response needs at least 2 points of finite level and "
                   "phase at increasing frequencies above 0";
        case SpeakerError::filterInvalid:
            return subject +
                   ": a filter is out of range (Butterworth orders 1 to 8, Linkwitz-Riley 2, 4, "
                   "6 or 8; frequencies, Q and a resonance above 0)";
        case SpeakerError::valueNotFinite:
            return subject + ": a gain, delay, level, diameter or distance is not finite";
        case SpeakerError::sizeNotPositive:
            return subject + ": a diameter is negative or a distance not above 0";
        case SpeakerError::otherPlate:
            return "the listening place was solved for another baffle, grid or accuracy";
    }
    return subject + ": unknown error";
}

}  // namespace opbaff
