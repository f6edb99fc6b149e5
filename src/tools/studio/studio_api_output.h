// The JSON bodies of the studio's answers. Every level, phase and frequency is
// written in the fewest digits that read back as the same float; a value that
// is not a finite number is written as null.
#pragma once

#include <string>
#include <vector>

#include "check.h"
#include "eq_fit.h"
#include "merit.h"
#include "model_choice.h"
#include "opbaff/response.h"
#include "phase.h"
#include "polar.h"

namespace opbaff::tools {

// How a response was asked for: the phase its phases hold, the model that
// computed it, whether its levels leave the driver's high-pass out, and the
// passband of its figures of merit.
struct ResponseJsonSettings {
    PhaseMode phase = PhaseMode::driver;
    ModelChoice model = ModelChoice::classic;
    DriverHighPass highPass = DriverHighPass::included;
    MeritBand band;
};

// {"model": ..., "computedBy": "classic" or "accurate", "baffleOnly": bool,
// "frequencies": [...], "columns": [{"name": ..., "levels": [...], "phases":
// [...]} x 4, in the result file's order], "merit": {"column", "bandFromHz",
// "bandToHz", and each figure of kMeritFigures by its key: a number, null where
// undefined, "none" for a fall that never comes} of column 1, "notes": [...]};
// phases in degrees as phase.h computes them with the settings' phase.
std::string responseJson(const Design& design, const Response& response,
                         const ResponseJsonSettings& settings, const std::vector<Note>& notes);

// {"angles": [...], "frequencies": [...], "levels": [[per frequency] per angle],
// "onAxis": [...]}, levels in dB as computePolarSet gives them.
std::string polarJson(const PolarSet& set);

// An equaliser and the response it equalises: the column's name and levels on
// the grid, the request it answered, the chain and its figures, and whether
// the chain was fitted (or given).
struct EqAnswer {
    std::string column;
    const std::vector<float>& frequenciesHz;
    const std::vector<float>& levelsDb;
    const EqRequest& request;
    const EqFit& fit;
    bool fitted = true;
};

// {"column", "fitted", "bandFromHz", "bandToHz", "tiltDbPerDecade", "targetDb",
// "filters": [{"type", "frequencyHz", "gainDb", "q"}], "maxDeviationDb",
// "rmsDeviationDb", "peakBoostDb", "neededBoostDb", "frequencies", "raw",
// "equaliser" (the chain's level), "equalised" (raw plus the chain), "target"
// (null outside the band)}; the chain's levels and the figures as doubles.
std::string eqJson(const EqAnswer& answer);

// {"notes": [{"record": n, "name": "driverXCm", "text": ...}, ...]}; the name of
// record 0 (the design as a whole) is "".
std::string notesJson(const std::vector<Note>& notes);

// {"design": {...}, "notes": [...]}: a parameter file's design, and how its
// records were read (check.h recordNotes).
std::string parameterFileJson(const Design& design, const std::vector<Note>& notes);

// {"design": {...}, "source": ..., "fields": [...], "columns": {...},
// "palette": [...]}, and "problem" when it is not empty: why the parameter file
// did not stand for the design. "fields" is the table of design fields,
// "columns" each model's response columns ({"key", "label"}, labels as
// columnLabels gives them), "palette" the sonogram's stops ({"levelDb",
// "colour"}).
std::string startingDesignJson(const Design& design, const std::string& source,
                               const std::string& problem);

}  // namespace opbaff::tools
