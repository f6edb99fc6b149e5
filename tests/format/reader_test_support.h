// Helpers shared by the parameter file reader's tests.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "format/parameter_reader.h"
#include "model/run_constants.h"

namespace opbaff::readertest {

// Sanitized builds run the slow tests on less data: they look for memory faults,
// which a smaller sample finds as well.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

inline Real runPi() {
    return makeRunConstants().pi;
}

// Fifteen valid records, one value each.
inline std::vector<std::string> baseRecords() {
    return {"1", "r", "100", "60", "30", "20", "20", "40", "0.7", "2", "x", "y", "40", "x", "30"};
}

// The records joined into a file, each line ended by a line feed.
inline std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

inline std::string plainFile() {
    return joinLines(baseRecords());
}

// The base file with record `record` (1 to 15) replaced by `text`.
inline std::string fileWith(std::size_t record, const std::string& text) {
    auto records = baseRecords();
    records.at(record - 1) = text;
    return joinLines(records);
}

// The first `count` base records, the last line ended by a line feed or not.
inline std::string firstRecords(std::size_t count, bool lastLineEnded) {
    const auto records = baseRecords();
    std::string text = joinLines({records.begin(), records.begin() + count});
    if (!lastLineEnded) text.pop_back();
    return text;
}

inline ReadResult readText(std::string_view text, std::size_t chunk = 0) {
    MemoryInput input(text, chunk);
    return readParameterRecords(input, runPi());
}

inline std::string bitsOf(Real value) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", std::bit_cast<std::uint32_t>(value));
    return hex;
}

inline std::string escaped(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '\\') {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            out += hex;
        }
    }
    return out;
}

inline std::string escaped(const Code& code) {
    return escaped({code.data(), code.size()});
}

inline std::string failureLine(const ReadFailure& failure) {
    return failure.place + ": " + (failure.endOfFile ? "end of file" : failure.reason);
}

// Everything a read produced, in one comparable line.
inline std::string describe(const ReadResult& result) {
    if (const auto* failure = std::get_if<ReadFailure>(&result)) return failureLine(*failure);
    const auto& s = std::get<ParameterSet>(result);
    std::string text;
    for (const Real r : {s.headerValue, s.baffleHeightCm, s.baffleWidthCm, s.driverXCm, s.driverYCm,
                         s.driverDiameterCm, s.resonanceHz, s.qualityFactor, s.listenerDistanceM,
                         s.roundBaffleDiameterCm, s.offAxisAngleDeg, s.offAxisAngle}) {
        text += bitsOf(r);
        text += ' ';
    }
    for (const Code& c : {s.modelCode, s.rearPhaseCode, s.pistonCode, s.rearLevelCode}) {
        text += '[';
        text += escaped(c);
        text += ']';
    }
    return text;
}

inline std::string withCrLf(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Reads `text` whole, one byte at a time and (when it holds no carriage return)
// with CR LF line ends, expects the three reads to agree and returns the first.
inline ReadResult readAllWays(const std::string& text) {
    ReadResult whole = readText(text);
    EXPECT_EQ(describe(readText(text, 1)), describe(whole)) << "read one byte at a time";
    if (text.find('\r') == std::string::npos) {
        EXPECT_EQ(describe(readText(withCrLf(text))), describe(whole)) << "with CR LF";
    }
    return whole;
}

// The parameter set of a read that must succeed (a default set if it failed).
inline ParameterSet setOf(const ReadResult& result) {
    if (const auto* failure = std::get_if<ReadFailure>(&result)) {
        ADD_FAILURE() << "read failed: " << failureLine(*failure);
        return {};
    }
    return std::get<ParameterSet>(result);
}

}  // namespace opbaff::readertest
