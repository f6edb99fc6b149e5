// The layout search: the seeded global stage, the NLopt polish, and the
// evaluation of one layout.
#include "layout_search.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <exception>
#include <nlopt.hpp>
#include <numbers>
#include <random>
#include <thread>

#include "parallel.h"
#include "spin_curves.h"

namespace opbaff::tools {
namespace {

// The penalties handed to the polish for layouts it must leave: above any
// level figure in dB, growing with the violation so that it points back in.
constexpr double kPenaltyDb = 1000.0;
constexpr double kRefusedPenaltyDb = 1e6;
constexpr int kMostPolishRuns = 4;

double levelDb(std::complex<double> value) {
    return 20.0 * std::log10(std::abs(value));
}

// One orbit about the reference point: horizontal turning towards +x, vertical
// upwards and over the top beyond 90 degrees.
Result<PolarSet, std::string> orbit(const SpeakerModel& model, bool vertical) {
    const Speaker& speaker = model.speaker();
    const double d = speaker.listeningDistanceM;
    PolarSet set;
    set.frequenciesHz = model.frequenciesHz();
    for (const float angle : spinAnglesDeg()) {
        const double a = angle * std::numbers::pi / 180.0;
        SpacePoint at{speaker.referenceM.x, speaker.referenceM.y, d * std::cos(a)};
        (vertical ? at.y : at.x) += d * std::sin(a);
        const auto heard = model.listen(at);
        if (!heard) return speakerFailureText(speaker, heard.error());
        std::vector<float> levels;
        for (const auto& value : heard->sum) levels.push_back(static_cast<float>(levelDb(value)));
        set.anglesDeg.push_back(angle);
        set.levelsDb.push_back(std::move(levels));
    }
    return set;
}

Result<std::vector<double>, std::string> spinLevels(const SpeakerModel& model, LayoutCurve curve) {
    const auto horizontal = orbit(model, false);
    if (!horizontal) return horizontal.error();
    const auto vertical = orbit(model, true);
    if (!vertical) return vertical.error();
    auto spin = spinOfSets(*horizontal, *vertical);
    if (!spin) return spin.error();
    return curve == LayoutCurve::soundPower ? std::move(spin->soundPowerDb)
                                            : std::move(spin->listeningWindowDb);
}

// Stratified samples of the unit box: sample k of `count` lies in stratum
// perm_v(k) of each variable v, at a random place within it. The generator's
// output is fixed by the standard, and the permutations are our own, so the
// samples are the same on every system.
std::vector<std::vector<double>> stratifiedSamples(std::size_t count, std::size_t variables,
                                                   std::uint64_t seed) {
    std::mt19937_64 random(seed);
    const auto unit = [&random] { return static_cast<double>(random() >> 11U) * 0x1p-53; };
    std::vector<std::vector<double>> samples(count, std::vector<double>(variables));
    for (std::size_t v = 0; v < variables; ++v) {
        std::vector<std::size_t> strata(count);
        for (std::size_t k = 0; k < count; ++k) strata[k] = k;
        for (std::size_t k = count; k > 1; --k) std::swap(strata[k - 1], strata[random() % k]);
        for (std::size_t k = 0; k < count; ++k) {
            samples[k][v] = (static_cast<double>(strata[k]) + unit()) / static_cast<double>(count);
        }
    }
    return samples;
}

double fileValue(const Speaker& speaker, const LayoutVariable& v) {
    switch (v.kind) {
        case LayoutVariable::Kind::baffleWidth:
            return speaker.baffle.widthM;
        case LayoutVariable::Kind::baffleHeight:
            return speaker.baffle.heightM;
        case LayoutVariable::Kind::driverX:
            return speaker.drivers[v.driver].centreM.x;
        default:
            return speaker.drivers[v.driver].centreM.y;
    }
}

std::vector<double> toMetres(const LayoutRequest& request, const std::vector<double>& unit) {
    std::vector<double> values;
    for (std::size_t v = 0; v < unit.size(); ++v) {
        const LayoutVariable& var = request.variables[v];
        values.push_back(var.lowM + std::clamp(unit[v], 0.0, 1.0) * (var.highM - var.lowM));
    }
    return values;
}

std::vector<double> toUnit(const LayoutRequest& request, const std::vector<double>& metres) {
    std::vector<double> unit;
    for (std::size_t v = 0; v < metres.size(); ++v) {
        const LayoutVariable& var = request.variables[v];
        unit.push_back(std::clamp((metres[v] - var.lowM) / (var.highM - var.lowM), 0.0, 1.0));
    }
    return unit;
}

// How the search spends its evaluations: the global stage, then polish runs.
struct Budget {
    std::size_t global = 0;
    std::vector<std::size_t> polish;
};

Budget budgetOf(std::size_t total, std::size_t variables) {
    Budget budget;
    budget.global = std::max<std::size_t>(1, (total + 1) / 2);
    const std::size_t rest = total - std::min(total, budget.global);
    const std::size_t each = std::max<std::size_t>(2 * variables + 4, 10);
    const std::size_t runs = std::min<std::size_t>(kMostPolishRuns, rest / each);
    if (runs == 0) {
        budget.global = total;
        return budget;
    }
    for (std::size_t r = 0; r < runs; ++r) budget.polish.push_back(rest / runs + (r < rest % runs));
    return budget;
}

// The order in which layouts are best: feasible ones by their objective, then
// infeasible ones by their penalty, then the earlier one.
bool better(const LayoutEvaluation& a, std::size_t ia, const LayoutEvaluation& b, std::size_t ib) {
    if (a.feasible != b.feasible) return a.feasible;
    if (a.objective != b.objective) return a.objective < b.objective;
    return ia < ib;
}

class Search {
  public:
    Search(const Speaker& base, const LayoutRequest& request, const FrequencyGrid& grid,
           const std::function<void(std::size_t)>& progress)
        : base_(base), request_(request), grid_(grid), progress_(progress) {}

    LayoutEvaluation evaluate(const std::vector<double>& unit) {
        LayoutEvaluation e = evaluateLayout(base_, request_, grid_, toMetres(request_, unit));
        const std::size_t done = ++done_;
        if (progress_ && std::this_thread::get_id() == caller_) progress_(done);
        return e;
    }

    std::vector<LayoutEvaluation> global(std::size_t count) {
        const std::size_t n = request_.variables.size();
        std::vector<std::vector<double>> points = stratifiedSamples(count, n, request_.seed);
        std::vector<double> own;
        for (const LayoutVariable& v : request_.variables) own.push_back(fileValue(base_, v));
        points[0] = toUnit(request_, own);
        std::vector<LayoutEvaluation> results(count);
        runParallel(
            count, request_.jobs, [&](std::size_t i) { results[i] = evaluate(points[i]); },
            [&](std::size_t) {
                if (progress_) progress_(done_.load());
            });
        return results;
    }

    std::vector<LayoutEvaluation> polish(const LayoutEvaluation& start, std::size_t budget,
                                         int run) {
        const std::size_t n = request_.variables.size();
        std::vector<LayoutEvaluation> records;
        nlopt::opt opt(n >= 2 ? nlopt::LN_BOBYQA : nlopt::LN_COBYLA, static_cast<unsigned>(n));
        opt.set_lower_bounds(std::vector<double>(n, 0.0));
        opt.set_upper_bounds(std::vector<double>(n, 1.0));
        opt.set_maxeval(static_cast<int>(budget));
        opt.set_xtol_abs(1e-4);
        opt.set_initial_step(std::vector<double>(n, 0.1));
        struct Context {
            Search* search;
            std::vector<LayoutEvaluation>* records;
            std::size_t budget;
            int run;
        } context{this, &records, budget, run};
        opt.set_min_objective(
            [](unsigned, const double* x, double*, void* data) {
                auto* c = static_cast<Context*>(data);
                const std::vector<double> unit(x, x + c->search->request_.variables.size());
                if (c->records->size() >= c->budget) throw nlopt::forced_stop();
                LayoutEvaluation e = c->search->evaluate(unit);
                e.stage = LayoutEvaluation::Stage::polish;
                e.run = c->run;
                c->records->push_back(e);
                return e.objective;
            },
            &context);
        std::vector<double> x = toUnit(request_, start.valuesM);
        double value = 0.0;
        try {
            opt.optimize(x, value);
        } catch (const std::exception&) {
            // A polish stopped by its budget or by round-off keeps what it found.
        }
        return records;
    }

  private:
    const Speaker& base_;
    const LayoutRequest& request_;
    const FrequencyGrid& grid_;
    const std::function<void(std::size_t)>& progress_;
    std::atomic<std::size_t> done_{0};
    std::thread::id caller_ = std::this_thread::get_id();
};

}  // namespace

std::optional<std::string> layoutRequestProblem(const LayoutRequest& request) {
    if (auto problem = layoutVariablesProblem(request.variables)) return problem;
    if (!(request.fromHz > 0.0 && request.fromHz < request.toHz)) {
        return std::string("--band: FROM must lie above 0 and below TO");
    }
    if (request.pointsPerOctave < 1 || request.pointsPerOctave > 96) {
        return std::string("--grid: 1 to 96 points per octave");
    }
    if (!(request.maxAreaM2 >= 0.0) || !std::isfinite(request.maxAreaM2)) {
        return std::string("--max-area: a finite area, 0 for any");
    }
    if (request.evaluations < 1 || request.evaluations > kMaxLayoutEvaluations) {
        return "--evaluations: 1 to " + std::to_string(kMaxLayoutEvaluations);
    }
    if (request.jobs < 1) return std::string("--jobs: at least 1");
    return std::nullopt;
}

Result<FrequencyGrid, std::string> layoutGrid(const LayoutRequest& request) {
    const auto grid =
        FrequencyGrid::perOctave({request.pointsPerOctave, static_cast<float>(request.fromHz),
                                  static_cast<float>(request.toHz)});
    if (!grid) return std::string("--band: no grid of the search fits the band");
    return *grid;
}

Result<std::vector<double>, std::string> layoutCurveLevels(const Speaker& speaker,
                                                           const FrequencyGrid& grid,
                                                           LayoutCurve curve) {
    const auto model = SpeakerModel::create(speaker, grid);
    if (!model) return speakerFailureText(speaker, model.error());
    if (curve != LayoutCurve::onAxis) return spinLevels(*model, curve);
    const auto heard = model->listen(PlateListener{speaker.listeningDistanceM, 0.0, 0.0});
    if (!heard) return speakerFailureText(speaker, heard.error());
    std::vector<double> levels;
    for (const auto& value : heard->sum) levels.push_back(levelDb(value));
    return levels;
}

LayoutEvaluation evaluateLayout(const Speaker& base, const LayoutRequest& request,
                                const FrequencyGrid& grid, const std::vector<double>& valuesM) {
    LayoutEvaluation e;
    e.valuesM = valuesM;
    const Speaker speaker = speakerWithLayout(base, request.variables, valuesM);
    const LayoutViolation violation = layoutViolation(speaker, request.maxAreaM2);
    if (!violation.feasible()) {
        e.objective = kPenaltyDb * (1.0 + violation.offBaffleM + violation.areaOverM2);
        e.note = violation.reason;
        return e;
    }
    const auto levels = layoutCurveLevels(speaker, grid, request.curve);
    const auto figures =
        levels ? layoutFigures(grid.frequencies(), *levels, request.fromHz, request.toHz)
               : Result<LayoutFigures, std::string>(levels.error());
    if (!figures) {
        e.objective = kRefusedPenaltyDb;
        e.note = figures.error();
        return e;
    }
    e.feasible = true;
    e.figures = *figures;
    e.objective = goalValue(*figures, request.goal);
    return e;
}

LayoutSearch searchLayout(const Speaker& base, const LayoutRequest& request,
                          const FrequencyGrid& grid,
                          const std::function<void(std::size_t)>& progress) {
    const Budget budget =
        budgetOf(static_cast<std::size_t>(request.evaluations), request.variables.size());
    Search search(base, request, grid, progress);
    LayoutSearch result;
    result.evaluations = search.global(budget.global);
    std::vector<std::size_t> order(result.evaluations.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    const auto& all = result.evaluations;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return better(all[a], a, all[b], b); });
    const std::size_t runs = std::min(budget.polish.size(), order.size());
    std::vector<std::vector<LayoutEvaluation>> polished(runs);
    runParallel(runs, request.jobs, [&](std::size_t r) {
        polished[r] = search.polish(all[order[r]], budget.polish[r], static_cast<int>(r) + 1);
    });
    for (auto& records : polished) {
        result.evaluations.insert(result.evaluations.end(), records.begin(), records.end());
    }
    for (std::size_t i = 0; i < result.evaluations.size(); ++i) {
        if (!result.evaluations[i].feasible) continue;
        if (!result.best ||
            better(result.evaluations[i], i, result.evaluations[*result.best], *result.best)) {
            result.best = i;
        }
    }
    if (progress) progress(result.evaluations.size());
    return result;
}

}  // namespace opbaff::tools
