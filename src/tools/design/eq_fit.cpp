#include "eq_fit.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <nlopt.hpp>
#include <numbers>

namespace opbaff::tools {
namespace {

constexpr double kDeepestCutDb = -20.0;
constexpr double kShelfQHigh = 0.9;  // above, a shelf overshoots
constexpr double kLowestQ = 0.3;
constexpr double kButterworthQ = 0.70710678118654752;
constexpr int kMaxEvaluations = 6000;

struct Point {
    double frequencyHz;
    double levelDb;
    double targetDb;
    double cosW;   // cos(w), w = 2 pi f / fs
    double cos2W;  // cos(2 w)
};

double median(std::vector<double> values) {
    const std::size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid),
                     values.end());
    return values[mid];
}

Point pointAt(double f, double level, double target, double fs) {
    const double w = 2.0 * std::numbers::pi * f / fs;
    return {f, level, target, std::cos(w), std::cos(2.0 * w)};
}

// |H(e^jw)|^2 of a biquad from cos w and cos 2w: |b0 + b1 e^-jw + b2 e^-2jw|^2
// over the same of (1, a1, a2).
double magnitudeSquared(const BiquadCoefficients& c, const Point& p) {
    const double num = c.b0 * c.b0 + c.b1 * c.b1 + c.b2 * c.b2 +
                       2.0 * (c.b0 * c.b1 + c.b1 * c.b2) * p.cosW + 2.0 * c.b0 * c.b2 * p.cos2W;
    const double den = 1.0 + c.a1 * c.a1 + c.a2 * c.a2 + 2.0 * (c.a1 + c.a1 * c.a2) * p.cosW +
                       2.0 * c.a2 * p.cos2W;
    return num / den;
}

struct Problem {
    EqRequest request;
    std::vector<Point> band;  // the points fitted
    std::vector<Point> grid;  // every point, for the chain's peak boost
    std::vector<BiquadCoefficients> chain;
    int evaluations = 0;
    double targetLevelDb = 0.0;  // the target at 1 kHz
    // The grid's points where the chain can peak: every filter fitted lies at or
    // below the band's top, so its boost does too, or at most an octave above.
    void keepPeakPoints(double highHz) {
        std::erase_if(grid, [highHz](const Point& p) { return p.frequencyHz > 2.0 * highHz; });
    }
};

// x holds, per fitted filter, log10 of its frequency, its gain and log10 of its
// Q; the first is the low shelf, the others peaking filters.
std::vector<Filter> filtersOf(const std::vector<double>& x, const EqRequest& request) {
    std::vector<Filter> filters;
    for (std::size_t i = 0; i + 2 < x.size(); i += 3) {
        filters.push_back({i == 0 ? FilterKind::lowShelf : FilterKind::peaking,
                           std::pow(10.0, x[i]), x[i + 1], std::pow(10.0, x[i + 2])});
    }
    if (request.highPassHz) {
        filters.push_back({FilterKind::highPass, *request.highPassHz, 0.0, kButterworthQ});
    }
    return filters;
}

double chainDb(const std::vector<BiquadCoefficients>& chain, const Point& p) {
    double product = 1.0;
    for (const BiquadCoefficients& c : chain) product *= magnitudeSquared(c, p);
    return 10.0 * std::log10(product);
}

// The RMS deviation from the target in the band, plus a steep penalty for a
// chain whose boost goes beyond the limit anywhere on the grid.
double objective(const std::vector<double>& x, std::vector<double>& /*gradient*/, void* data) {
    auto& problem = *static_cast<Problem*>(data);
    ++problem.evaluations;
    problem.chain.clear();
    for (const Filter& f : filtersOf(x, problem.request)) {
        const auto c = biquadOf(f, problem.request.sampleRateHz);
        if (!c) return 1e9;
        problem.chain.push_back(*c);
    }
    double sum = 0.0;
    for (const Point& p : problem.band) {
        const double e = p.levelDb + chainDb(problem.chain, p) - p.targetDb;
        sum += e * e;
    }
    double peakProduct = 1.0;
    for (const Point& p : problem.grid) {
        double product = 1.0;
        for (const BiquadCoefficients& c : problem.chain) product *= magnitudeSquared(c, p);
        peakProduct = std::max(peakProduct, product);
    }
    const double peak = 10.0 * std::log10(peakProduct);
    const double excess = std::max(0.0, peak - problem.request.maxBoostDb);
    return std::sqrt(sum / static_cast<double>(problem.band.size())) + 100.0 * excess * excess;
}

double residualAt(const Problem& problem, const std::vector<double>& x, const Point& p) {
    double level = p.levelDb - p.targetDb;
    for (const Filter& f : filtersOf(x, problem.request)) {
        if (const auto c = biquadOf(f, problem.request.sampleRateHz)) {
            level += 10.0 * std::log10(magnitudeSquared(*c, p));
        }
    }
    return level;
}

// The dipole's shelf: the deficit at the band's low end as its gain, its corner
// where half of that deficit is left; then peaking filters, one by one, on the
// largest remaining deviation.
std::vector<double> analyticGuess(const Problem& problem) {
    const EqRequest& r = problem.request;
    const double deficit = problem.band.front().targetDb - problem.band.front().levelDb;
    const double gain = std::clamp(deficit, 0.0, r.maxBoostDb);
    double corner = problem.band.front().frequencyHz;
    for (const Point& p : problem.band) {
        if (p.targetDb - p.levelDb <= gain / 2.0) {
            corner = p.frequencyHz;
            break;
        }
    }
    std::vector<double> x = {std::log10(corner), gain, std::log10(kButterworthQ)};
    for (int i = 1; i < r.filters; ++i) {
        const auto worst = std::max_element(
            problem.band.begin(), problem.band.end(), [&](const Point& a, const Point& b) {
                return std::abs(residualAt(problem, x, a)) < std::abs(residualAt(problem, x, b));
            });
        const double cut = -residualAt(problem, x, *worst);
        x.insert(x.end(),
                 {std::log10(worst->frequencyHz), std::clamp(cut, kDeepestCutDb, r.maxBoostDb),
                  std::log10(std::min(2.0, r.maxQ))});
    }
    return x;
}

void setBounds(nlopt::opt& opt, std::vector<double>& x, const EqRequest& r) {
    std::vector<double> low;
    std::vector<double> high;
    for (int i = 0; i < r.filters; ++i) {
        const bool shelf = i == 0;
        low.insert(low.end(), {std::log10(r.lowHz / (shelf ? 4.0 : 1.0)),
                               shelf ? -r.maxBoostDb : kDeepestCutDb, std::log10(kLowestQ)});
        high.insert(high.end(),
                    {std::log10(r.highHz), r.maxBoostDb, std::log10(shelf ? kShelfQHigh : r.maxQ)});
    }
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = std::clamp(x[i], low[i], high[i]);
    opt.set_lower_bounds(low);
    opt.set_upper_bounds(high);
}

// To the precision the exports print: what they say is what was measured.
Filter rounded(Filter f) {
    f.frequencyHz = std::round(f.frequencyHz * 100.0) / 100.0;
    f.gainDb = std::round(f.gainDb * 100.0) / 100.0;
    f.q = std::round(f.q * 1000.0) / 1000.0;
    return f;
}

EqFit measured(const Problem& problem, std::vector<Filter> filters) {
    EqFit fit;
    fit.filters = std::move(filters);
    const double fs = problem.request.sampleRateHz;
    double sum = 0.0;
    for (const Point& p : problem.band) {
        const double e = p.levelDb + chainLevelDb(fit.filters, p.frequencyHz, fs) - p.targetDb;
        fit.maxDeviationDb = std::max(fit.maxDeviationDb, std::abs(e));
        fit.neededBoostDb = std::max(fit.neededBoostDb, p.targetDb - p.levelDb);
        sum += e * e;
    }
    fit.rmsDeviationDb = std::sqrt(sum / static_cast<double>(problem.band.size()));
    for (const Point& p : problem.grid) {
        fit.peakBoostDb = std::max(fit.peakBoostDb, chainLevelDb(fit.filters, p.frequencyHz, fs));
    }
    fit.evaluations = problem.evaluations;
    fit.targetLevelDb = problem.targetLevelDb;
    return fit;
}

// The points of the band and of the whole grid, with the target: the median of the
// finite levels in the band, tilted about 1 kHz.
Result<Problem, std::string> problemOf(const std::vector<float>& frequenciesHz,
                                       const std::vector<float>& levelsDb,
                                       const EqRequest& request) {
    if (const auto reason = eqRequestProblem(request)) return *reason;
    Problem problem{request, {}, {}, {}, 0, 0.0};
    std::vector<double> inBand;
    for (std::size_t i = 0; i < frequenciesHz.size() && i < levelsDb.size(); ++i) {
        const double f = frequenciesHz[i];
        if (!std::isfinite(levelsDb[i]) || f >= request.sampleRateHz / 2.0) continue;
        problem.grid.push_back(pointAt(f, levelsDb[i], 0.0, request.sampleRateHz));
        if (f >= request.lowHz && f <= request.highHz) inBand.push_back(levelsDb[i]);
    }
    if (inBand.size() < 4) return std::string("fewer than 4 finite levels in the band");
    problem.targetLevelDb = median(inBand);
    for (const Point& p : problem.grid) {
        if (p.frequencyHz < request.lowHz || p.frequencyHz > request.highHz) continue;
        const double target =
            problem.targetLevelDb + request.tiltDbPerDecade * std::log10(p.frequencyHz / 1000.0);
        problem.band.push_back(pointAt(p.frequencyHz, p.levelDb, target, request.sampleRateHz));
    }
    return problem;
}

}  // namespace

std::optional<std::string> eqRequestProblem(const EqRequest& r) {
    if (!(r.lowHz > 0.0) || !(r.highHz > r.lowHz) || !std::isfinite(r.highHz)) {
        return "the band must run from above 0 Hz to a higher frequency";
    }
    if (!(r.sampleRateHz > 2.0 * r.highHz) || !std::isfinite(r.sampleRateHz)) {
        return "the sample rate must exceed twice the band's top";
    }
    if (r.filters < 1 || r.filters > kMaxEqFilters) return "the filters must number 1 to 12";
    if (!(r.maxBoostDb >= 0.0) || r.maxBoostDb > 40.0) return "the boost must be 0 to 40 dB";
    if (!(r.maxQ >= 0.5) || r.maxQ > 20.0) return "the largest Q must be 0.5 to 20";
    if (!std::isfinite(r.tiltDbPerDecade)) return "the tilt must be a number";
    if (r.highPassHz && (!(*r.highPassHz > 0.0) || !(*r.highPassHz < r.sampleRateHz / 2.0))) {
        return "the high-pass frequency must lie between 0 Hz and half the sample rate";
    }
    return std::nullopt;
}

Result<EqFit, std::string> fitEqualiser(const std::vector<float>& frequenciesHz,
                                        const std::vector<float>& levelsDb,
                                        const EqRequest& request) {
    auto problem = problemOf(frequenciesHz, levelsDb, request);
    if (!problem) return problem.error();
    problem->keepPeakPoints(request.highHz);
    std::vector<double> x = analyticGuess(*problem);
    nlopt::opt opt(nlopt::LN_BOBYQA, static_cast<unsigned>(x.size()));
    setBounds(opt, x, request);
    opt.set_min_objective(objective, &problem.value());
    opt.set_xtol_rel(1e-4);
    opt.set_ftol_abs(1e-6);
    opt.set_maxeval(kMaxEvaluations);
    double best = 0.0;
    try {
        opt.optimize(x, best);
    } catch (const nlopt::roundoff_limited&) {
        // x holds the best point found: close enough to the optimum.
    } catch (const std::exception& e) {
        return std::string("the fit failed: ") + e.what();
    }
    std::vector<Filter> filters = filtersOf(x, request);
    std::transform(filters.begin(), filters.end(), filters.begin(), rounded);
    return measured(*problem, std::move(filters));
}

Result<EqFit, std::string> measureEqualiser(const std::vector<float>& frequenciesHz,
                                            const std::vector<float>& levelsDb,
                                            const EqRequest& request, std::vector<Filter> filters) {
    const auto problem = problemOf(frequenciesHz, levelsDb, request);
    if (!problem) return problem.error();
    return measured(*problem, std::move(filters));
}

}  // namespace opbaff::tools
