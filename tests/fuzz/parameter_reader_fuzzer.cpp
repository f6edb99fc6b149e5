// Arbitrary bytes as the parameter file. Every input must end either in the
// fifteen values or in exactly one of the reading failures, whatever the chunks
// the bytes arrive in, and LF and CR LF line ends must read alike.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <variant>

#include "model/run_constants.h"
#include "format/memory_input.h"
#include "format/parameter_reader.h"

namespace {

using opbaff::ParameterSet;
using opbaff::ReadFailure;
using opbaff::ReadResult;

void require(bool condition) {
    if (!condition) std::abort();
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameSet(const ParameterSet& a, const ParameterSet& b) {
    const float ra[] = {
        a.headerValue,       a.baffleHeightCm,        a.baffleWidthCm,   a.driverXCm,
        a.driverYCm,         a.driverDiameterCm,      a.resonanceHz,     a.qualityFactor,
        a.listenerDistanceM, a.roundBaffleDiameterCm, a.offAxisAngleDeg, a.offAxisAngle};
    const float rb[] = {
        b.headerValue,       b.baffleHeightCm,        b.baffleWidthCm,   b.driverXCm,
        b.driverYCm,         b.driverDiameterCm,      b.resonanceHz,     b.qualityFactor,
        b.listenerDistanceM, b.roundBaffleDiameterCm, b.offAxisAngleDeg, b.offAxisAngle};
    for (std::size_t k = 0; k < std::size(ra); ++k) {
        if (!sameBits(ra[k], rb[k])) return false;
    }
    return a.modelCode == b.modelCode && a.rearPhaseCode == b.rearPhaseCode &&
           a.pistonCode == b.pistonCode && a.rearLevelCode == b.rearLevelCode;
}

bool sameResult(const ReadResult& a, const ReadResult& b) {
    if (a.index() != b.index()) return false;
    if (const auto* fa = std::get_if<ReadFailure>(&a)) {
        const auto& fb = std::get<ReadFailure>(b);
        return fa->place == fb.place && fa->reason == fb.reason && fa->endOfFile == fb.endOfFile;
    }
    return sameSet(std::get<ParameterSet>(a), std::get<ParameterSet>(b));
}

void checkOutcome(const ReadResult& result) {
    if (const auto* failure = std::get_if<ReadFailure>(&result)) {
        if (failure->endOfFile) {
            require(failure->place == "list in" || failure->place == "read start");
            require(failure->reason.empty());
        } else {
            // Memory never fails to read, so only the three syntax reports remain.
            require(failure->place == "invalid number" || failure->place == "exponent field" ||
                    failure->place == "bad repetition count");
            require(failure->reason == "incomprehensible list input");
        }
        return;
    }
    const float angle = std::get<ParameterSet>(result).offAxisAngle;
    require(std::isnan(angle) || std::fabs(angle) >= 1.0e-4F);
}

ReadResult readFrom(std::string_view bytes, std::size_t chunk, float pi) {
    opbaff::MemoryInput input(bytes, chunk);
    return opbaff::readParameterRecords(input, pi);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const float pi = opbaff::makeRunConstants().pi;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const ReadResult whole = readFrom(bytes, 0, pi);
    checkOutcome(whole);
    require(sameResult(whole, readFrom(bytes, 1, pi)));
    require(sameResult(whole, readFrom(bytes, 7, pi)));

    if (bytes.find('\r') == std::string_view::npos) {
        std::string crlf;
        crlf.reserve(size + size / 4);
        for (const char ch : bytes) {
            if (ch == '\n') crlf += '\r';
            crlf += ch;
        }
        require(sameResult(whole, readFrom(crlf, 0, pi)));
    }
    return 0;
}
