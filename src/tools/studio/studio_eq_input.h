// What POST /api/eq reads from its query: the fit's settings (band, filter
// count, largest boost and Q, tilt, optional high-pass) and, instead of a fit,
// a chain of filters given by the page's table. Every number is checked before
// use; a failure is a 400 naming the parameter, and for a chain the filter.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "eq_fit.h"
#include "opbaff/biquad.h"
#include "opbaff/design.h"
#include "studio_api.h"
#include "studio_api_input.h"

namespace opbaff::tools {

// The most filters a chain given may hold: the fit's 12 and a high-pass, and a
// few more the page's table may take.
inline constexpr std::size_t kMaxChainFilters = 16;

struct EqQuery {
    EqRequest request;
    // The filters to measure instead of a fit (?chain=...), or nothing: fit.
    std::optional<std::vector<Filter>> chain;
};

// ?band=FROM:TO (default 40:2000), ?filters=N (1 to 12, default 6),
// ?maxBoost=DB (0 to 40, default 12), ?maxQ=Q (0.5 to 20, default 4),
// ?tilt=DB (dB per decade, -20 to 20, default 0), ?highPass=HZ (up to 20000;
// absent or 0: none), ?chain=KIND:HZ:DB:Q,... (kinds as filterKindName
// writes them; HZ 1 to 20000, DB -40 to 40, Q 0.1 to 20; at most
// kMaxChainFilters; an empty chain is no filter at all).
Result<EqQuery, ApiError> eqQueryParameters(const QueryParams& query);

// ?column=NAME, the response equalised (response_columns.h); default on-axis.
Result<std::size_t, ApiError> eqColumnParameter(const QueryParams& query, Model model);

}  // namespace opbaff::tools
