#include "studio_eq_input.h"

#include <array>
#include <cstdio>

#include "number_text.h"
#include "response_columns.h"

namespace opbaff::tools {
namespace {

struct Bounds {
    double low;
    double high;
};

// The value of ?name=, or nothing when it is absent.
std::optional<std::string> valueOf(const QueryParams& query, const std::string& name) {
    const auto found = query.find(name);
    if (found == query.end()) return std::nullopt;
    return found->second;
}

std::string boundsText(const Bounds& bounds) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%g to %g", bounds.low, bounds.high);
    return text.data();
}

// A finite number within the bounds, or why not, as "<what> '<text>' ...".
Result<double, std::string> boundedNumber(const std::string& what, std::string_view text,
                                          const Bounds& bounds) {
    const auto value = parseNumber<double>(text);
    if (!value) return what + " '" + std::string(text) + "' is not a finite number";
    if (*value < bounds.low || *value > bounds.high) {
        return what + " '" + std::string(text) + "' lies outside " + boundsText(bounds);
    }
    return *value;
}

// ?name= within the bounds, `fallback` when absent.
Result<double, ApiError> numberParameter(const QueryParams& query, const std::string& name,
                                         double fallback, const Bounds& bounds) {
    const auto text = valueOf(query, name);
    if (!text) return fallback;
    auto value = boundedNumber(name, *text, bounds);
    if (!value) return ApiError{400, value.error()};
    return *value;
}

// KIND:HZ:DB:Q, the filter at `position` (from 1) of a chain.
Result<Filter, std::string> filterOf(std::string_view text, std::size_t position) {
    const std::string where = "chain: filter " + std::to_string(position) + ": ";
    const std::vector<std::string_view> parts = splitText(text, ':');
    if (parts.size() != 4) return where + "'" + std::string(text) + "' is not KIND:HZ:DB:Q";
    const std::string kindName(parts[0]);
    const auto kind = filterKindNamed(kindName.c_str());
    if (!kind) {
        return where + "type '" + kindName +
               "' is none of peaking, low-shelf, high-shelf, high-pass, low-pass";
    }
    const auto hz = boundedNumber("frequency", parts[1], {1.0, 20000.0});
    const auto db = boundedNumber("gain", parts[2], {-40.0, 40.0});
    const auto q = boundedNumber("Q", parts[3], {0.1, 20.0});
    if (!hz) return where + hz.error();
    if (!db) return where + db.error();
    if (!q) return where + q.error();
    return Filter{*kind, *hz, *db, *q};
}

Result<std::vector<Filter>, ApiError> chainOf(const std::string& text) {
    std::vector<Filter> chain;
    if (text.empty()) return chain;
    const std::vector<std::string_view> items = splitText(text, ',');
    if (items.size() > kMaxChainFilters) {
        return ApiError{400, "chain: " + std::to_string(items.size()) +
                                 " filters; the studio takes at most " +
                                 std::to_string(kMaxChainFilters)};
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto filter = filterOf(items[i], i + 1);
        if (!filter) return ApiError{400, filter.error()};
        chain.push_back(*filter);
    }
    return chain;
}

}  // namespace

Result<EqQuery, ApiError> eqQueryParameters(const QueryParams& query) {
    EqQuery eq;
    EqRequest& r = eq.request;
    const auto band = parseMeritBand(valueOf(query, "band").value_or("40:2000"));
    if (!band) return ApiError{400, band.error()};
    r.lowHz = band->fromHz;
    r.highHz = band->toHz;
    if (r.highHz > 20000.0) return ApiError{400, "band: its top lies above 20000 Hz"};
    const auto count = valueOf(query, "filters");
    if (count) {
        const auto n = parseNumber<int>(*count);
        if (!n || *n < 1 || *n > kMaxEqFilters) {
            return ApiError{400, "filters takes a count from 1 to " +
                                     std::to_string(kMaxEqFilters) + ", not '" + *count + "'"};
        }
        r.filters = *n;
    }
    const auto boost = numberParameter(query, "maxBoost", r.maxBoostDb, {0.0, 40.0});
    const auto q = numberParameter(query, "maxQ", r.maxQ, {0.5, 20.0});
    const auto tilt = numberParameter(query, "tilt", r.tiltDbPerDecade, {-20.0, 20.0});
    const auto highPass = numberParameter(query, "highPass", 0.0, {0.0, 20000.0});
    if (!boost) return boost.error();
    if (!q) return q.error();
    if (!tilt) return tilt.error();
    if (!highPass) return highPass.error();
    r.maxBoostDb = *boost;
    r.maxQ = *q;
    r.tiltDbPerDecade = *tilt;
    if (*highPass > 0.0) r.highPassHz = *highPass;
    if (const auto chain = valueOf(query, "chain")) {
        auto filters = chainOf(*chain);
        if (!filters) return filters.error();
        eq.chain = std::move(filters).value();
    }
    if (const auto problem = eqRequestProblem(r)) return ApiError{400, "eq: " + *problem};
    return eq;
}

Result<std::size_t, ApiError> eqColumnParameter(const QueryParams& query, Model model) {
    const auto column = columnByName(model, valueOf(query, "column").value_or("on-axis"));
    if (!column) return ApiError{400, "column: " + column.error()};
    return *column;
}

}  // namespace opbaff::tools
