// The search for a speaker's layout: the drivers' positions and the baffle's
// size within the limits given, for the smoothest curve in a band or the one
// needing the least boost. A seeded global stage samples the box (the file's
// own layout first, then stratified random points, all on `jobs` threads);
// NLopt's BOBYQA (COBYLA for one variable) then polishes the best few of them,
// each polish on its own thread. A layout with a driver off the baffle or a
// baffle too large is infeasible: recorded, never solved, and handed to the
// polish as a penalty that grows with the violation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "layout_goal.h"
#include "layout_space.h"
#include "opbaff/response.h"
#include "opbaff/speaker.h"

namespace opbaff::tools {

enum class LayoutCurve { onAxis, listeningWindow, soundPower };

struct LayoutRequest {
    std::vector<LayoutVariable> variables;
    LayoutCurve curve = LayoutCurve::onAxis;
    LayoutGoal goal = LayoutGoal::smooth;
    double fromHz = 100.0;  // the band
    double toHz = 2000.0;
    int pointsPerOctave = 6;  // the search's grid spans the band
    double maxAreaM2 = 0.0;   // 0: any
    int evaluations = 60;     // layouts evaluated in all, 1 to kMaxLayoutEvaluations
    std::uint64_t seed = 1;
    int jobs = 1;
};

inline constexpr int kMaxLayoutEvaluations = 100000;

// The reason the request cannot be searched, or nothing.
std::optional<std::string> layoutRequestProblem(const LayoutRequest& request);

// The search's grid: pointsPerOctave from the band's low end to its top.
Result<FrequencyGrid, std::string> layoutGrid(const LayoutRequest& request);

// One layout evaluated.
struct LayoutEvaluation {
    enum class Stage { global, polish };
    Stage stage = Stage::global;
    int run = 0;                  // the polish's number, from 1; 0 for the global stage
    std::vector<double> valuesM;  // one per variable
    bool feasible = false;
    // The goal's figure (dB) when feasible; else the penalty the polish saw:
    // 1000 (1 + the reach beyond the edge in m + the area over in m^2), or
    // 1e6 for a layout the model refused.
    double objective = 0.0;
    LayoutFigures figures;  // when feasible
    std::string note;       // why not feasible
};

// The levels (dB) of the curve of a speaker on `grid`: on axis at the listening
// distance, or the listening window or sound power from orbits at 10 degree
// steps about the reference point.
Result<std::vector<double>, std::string> layoutCurveLevels(const Speaker& speaker,
                                                           const FrequencyGrid& grid,
                                                           LayoutCurve curve);

// The layout at `valuesM` evaluated: infeasible without solving when it
// violates the limits, or when the model refuses it (with its reason).
LayoutEvaluation evaluateLayout(const Speaker& base, const LayoutRequest& request,
                                const FrequencyGrid& grid, const std::vector<double>& valuesM);

struct LayoutSearch {
    // The global stage's layouts in their order, then each polish's in turn:
    // the same for the same seed, whatever the number of jobs.
    std::vector<LayoutEvaluation> evaluations;
    std::optional<std::size_t> best;  // the feasible one of least objective
};

// Runs the search on a request without problems. `progress(done)` is called
// from the calling thread only, with the layouts evaluated so far.
LayoutSearch searchLayout(const Speaker& base, const LayoutRequest& request,
                          const FrequencyGrid& grid,
                          const std::function<void(std::size_t)>& progress = {});

}  // namespace opbaff::tools
