// The thin-plate model's solves: the drivers' edge signals (ThinPlate::solve)
// and a listener's weights (ThinPlate::solveForListener), order by order by the
// edge-source integral equation (edge_orders.h) on each frequency band's grid.
//
// Only a source on the front face is computed: a rear source heard at (x, y, z) is
// by the plate's mirror symmetry a front source heard at (x, y, -z). For a front
// source the rear-face edge waves are minus the front-face ones (beta(0, 2pi) =
// -beta(0, 0)), so one set of edge signals u(x -> y) per pair of edge points
// carries both faces. A grazing wave arriving along a face is the field at the
// face, twice the incident wave that beta (which holds the face's image itself)
// expects: a factor 1/2 per hop, which the two faces' equal contributions double
// back to 1.
#include "opbaff/thin_plate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

#include "accurate/edge_grid.h"
#include "accurate/edge_orders.h"
#include "accurate/edge_view.h"
#include "accurate/gauss_legendre.h"
#include "accurate/plate_geometry.h"
#include "accurate/plate_state.h"

namespace opbaff {

using accurate::bandOf;
using accurate::checkListener;
using accurate::EdgeView;
using accurate::FaceGains;
using accurate::faceGains;
using accurate::kBandBaseHz;
using accurate::kBatch;
using accurate::KeptHops;
using accurate::kMaxKeptHops;
using accurate::kPi;
using accurate::Signals;
using accurate::Summed;
using accurate::Wave;
using accurate::Workspace;

Result<ThinPlate, PlateError> ThinPlate::create(PlateOutline outline, double speedOfSoundMPerS,
                                                PlateAccuracy accuracy) {
    if (!std::isfinite(speedOfSoundMPerS) || !std::isfinite(accuracy.pointsPerWavelength) ||
        !std::isfinite(accuracy.orderTolerance)) {
        return PlateError::valueNotFinite;
    }
    if (speedOfSoundMPerS <= 0.0 || accuracy.pointsPerWavelength <= 0.0 ||
        accuracy.minPointsPerEdge < 1 || accuracy.maxOrder < 1 || accuracy.maxOrder > 1000 ||
        accuracy.orderTolerance < 0.0) {
        return PlateError::sizeNotPositive;
    }
    auto edges = accurate::edgesOf(outline);
    auto state = std::make_shared<State>(State{std::move(outline),
                                               speedOfSoundMPerS,
                                               accuracy,
                                               std::move(edges),
                                               accurate::gaussLegendre(6),
                                               {},
                                               {},
                                               {}});
    return ThinPlate(std::move(state));
}

// A copy has its own state: the grids (immutable) are shared, the workspace not.
ThinPlate::ThinPlate(const ThinPlate& other) : state_(std::make_shared<State>(*other.state_)) {}

ThinPlate& ThinPlate::operator=(const ThinPlate& other) {
    if (this != &other) {
        state_ = std::make_shared<State>(*other.state_);
    }
    return *this;
}

const PlateOutline& ThinPlate::outline() const {
    return state_->outline;
}
double ThinPlate::speedOfSound() const {
    return state_->speedOfSound;
}
const PlateAccuracy& ThinPlate::accuracy() const {
    return state_->accuracy;
}

namespace accurate {

// Within a nanometre of the plane, rounding decides the faces' zones (the
// geometrical sound's boundary on z's sign, the edge waves' apex terms on z's
// size) inconsistently, as at the 1.2e-16 m that a listening angle of 90
// degrees gives: such a listener is heard a nanometre off the plane on its own
// side, where the response has reached its limit at the plane. A listener on
// the plate itself, or on its border, is refused.
Result<SpacePoint, PlateError> checkListener(const PlateOutline& outline,
                                             const std::vector<accurate::Edge>& edges,
                                             SpacePoint listener) {
    if (!std::isfinite(listener.x) || !std::isfinite(listener.y) || !std::isfinite(listener.z)) {
        return PlateError::valueNotFinite;
    }
    constexpr double kPlaneSnapM = 1e-9;
    if (listener.z != 0.0 && std::abs(listener.z) < kPlaneSnapM) {
        listener.z = std::copysign(kPlaneSnapM, listener.z);
    }
    if (listener.z != 0.0) {
        return listener;
    }
    if (outline.containsStrictly({listener.x, listener.y})) {
        return PlateError::listenerOnPlate;
    }
    for (const auto& e : edges) {
        const auto c = accurate::edgeCoordinates(e, listener);
        if (c.r < 1e-12 && c.s >= 0.0 && c.s <= e.length) {
            return PlateError::listenerOnPlate;
        }
    }
    return listener;
}

Result<FaceGains, PlateError> faceGains(const PlateOutline& outline,
                                        const std::vector<PlateDriver>& drivers) {
    if (drivers.empty()) {
        return PlateError::noDriver;
    }
    FaceGains g;
    for (const auto& d : drivers) {
        if (!std::isfinite(d.position.x) || !std::isfinite(d.position.y) ||
            !std::isfinite(d.frontGain) || !std::isfinite(d.rearLevelDb)) {
            return PlateError::valueNotFinite;
        }
        if (!outline.containsStrictly(d.position)) {
            return PlateError::driverOffPlate;
        }
        g.front.push_back(d.frontGain);
        g.rear.push_back(d.rearOn ? -d.frontGain * std::pow(10.0, d.rearLevelDb / 20.0) : 0.0);
    }
    return g;
}

}  // namespace accurate

namespace {

constexpr int kMaxGridPointsTotal = 256;

// The points per edge for frequency f: a few per wavelength at the top of f's
// half-octave band, never fewer than the floor.
std::vector<int> pointsPerEdge(const std::vector<accurate::Edge>& edges, const PlateAccuracy& a,
                               double c, double f) {
    const int band = bandOf(f);
    const double bandTop = kBandBaseHz * std::pow(2.0, 0.5 * band);
    std::vector<int> counts;
    const int cap = std::max(1, kMaxGridPointsTotal / static_cast<int>(edges.size()));
    for (const auto& e : edges) {
        const int n = static_cast<int>(std::ceil(a.pointsPerWavelength * e.length * bandTop / c));
        counts.push_back(std::min(cap, std::max(a.minPointsPerEdge, n)));
    }
    return counts;
}

// One right-hand side to solve: a frequency and what sets up its first term
// (the gains of the sources on a face, or which face a listener's weights are
// for), with where its result and its orders go.
struct Job {
    std::size_t frequency;
    const std::vector<double>* gains;  // sources; null for a listener's weights
    bool rearFace;                     // a listener's weights for rear-face sources
    Wave* incoming;
    int* order;
};

// The edge grids of a set of frequencies, with the offsets of their pair values.
struct FrequencyGrids {
    std::vector<std::shared_ptr<const accurate::EdgeGrid>> grids;  // per frequency
    std::vector<std::size_t> offsets;
    std::size_t total = 0;    // pair values over all frequencies
    std::size_t largest = 0;  // points of the largest grid
};

std::optional<PlateError> checkFrequencies(const std::vector<double>& frequenciesHz) {
    if (frequenciesHz.empty() || frequenciesHz.size() > kMaxGridPoints) {
        return PlateError::gridSizeOutOfRange;
    }
    for (double f : frequenciesHz) {
        if (!std::isfinite(f) || f <= 0.0) {
            return PlateError::frequencyNotPositive;
        }
    }
    return std::nullopt;
}

// What the solves of one plate share: its grids, its hop factors and its
// workspace, and the loop over batches of right-hand sides.
struct PlateSolver {
    ThinPlate::State& state;

    FrequencyGrids gridsOf(const std::vector<double>& frequenciesHz) const {
        FrequencyGrids out;
        for (double f : frequenciesHz) {
            auto key = pointsPerEdge(state.edges, state.accuracy, state.speedOfSound, f);
            auto& grid = state.grids[key];
            if (!grid) {
                grid = std::make_shared<const accurate::EdgeGrid>(
                    accurate::makeEdgeGrid(state.edges, key));
            }
            out.grids.push_back(grid);
            out.offsets.push_back(out.total);
            const auto n = static_cast<std::size_t>(grid->size);
            out.total += n * n;
            out.largest = std::max(out.largest, n);
        }
        return out;
    }

    double wavenumber(double f) const { return 2.0 * kPi * f / state.speedOfSound; }

    // Solves the jobs, `firstTerm(job, grid, k, hop, side)` setting up each
    // side's sumRe/sumIm, frequencies on one grid together (each pass over its
    // operator serving a batch of them).
    template <typename FirstTerm>
    void run(const std::vector<double>& frequenciesHz, const FrequencyGrids& fg,
             std::vector<Job>& jobs, Summed way, FirstTerm firstTerm) {
        std::stable_sort(jobs.begin(), jobs.end(), [&](const Job& a, const Job& b) {
            return std::less<>()(fg.grids[a.frequency].get(), fg.grids[b.frequency].get());
        });
        const auto batchEnd = [&](std::size_t first) {
            std::size_t end = first;
            while (end < jobs.size() && end - first < kBatch &&
                   fg.grids[jobs[end].frequency] == fg.grids[jobs[first].frequency]) {
                ++end;
            }
            return end;
        };
        Workspace& ws = state.workspace;
        ws.reserve(fg.largest);
        // Each side grown once, to the largest grid it serves.
        std::array<std::size_t, kBatch> sideSize{};
        for (std::size_t first = 0; first < jobs.size(); first = batchEnd(first)) {
            for (std::size_t j = 0; j < batchEnd(first) - first; ++j) {
                sideSize[j] = std::max(
                    sideSize[j], static_cast<std::size_t>(fg.grids[jobs[first].frequency]->size));
            }
        }
        // The hop factors depend on the outline and the frequency only.
        KeptHops& kept = state.hops;
        const bool keep = fg.total <= kMaxKeptHops;
        if (!keep) {
            kept = {};
        } else if (kept.frequencies != frequenciesHz) {
            kept.resize(fg.total);
            for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
                hopFactors(*fg.grids[i], wavenumber(frequenciesHz[i]),
                           kept.values() + fg.offsets[i]);
            }
            kept.frequencies = frequenciesHz;
        }
        for (std::size_t j = 0; j < kBatch; ++j) {
            ws.sides[j].reserve(sideSize[j], !keep);
        }
        std::vector<Signals*> batch;
        for (std::size_t first = 0; first < jobs.size();) {
            const auto& grid = *fg.grids[jobs[first].frequency];
            batch.clear();
            const std::size_t end = batchEnd(first);
            for (std::size_t j = first; j < end; ++j) {
                const Job& job = jobs[j];
                Signals& side = ws.sides[j - first];
                const double k = wavenumber(frequenciesHz[job.frequency]);
                if (keep) {
                    side.hop = kept.values() + fg.offsets[job.frequency];
                } else {
                    hopFactors(grid, k, side.ownHop.data());
                    side.hop = side.ownHop.data();
                }
                firstTerm(job, grid, k, side);
                side.incoming = job.incoming;
                batch.push_back(&side);
            }
            sumOrders(grid, state.accuracy, batch, ws, way);
            for (std::size_t j = first; j < end; ++j) {
                *jobs[j].order = ws.sides[j - first].order;
            }
            first = end;
        }
    }
};

}  // namespace

Result<PlateSolution, PlateError> ThinPlate::solve(const std::vector<PlateDriver>& drivers,
                                                   const std::vector<double>& frequenciesHz) {
    if (drivers.empty()) {
        return PlateError::noDriver;
    }
    if (auto bad = checkFrequencies(frequenciesHz)) {
        return *bad;
    }
    auto gains = faceGains(state_->outline, drivers);
    if (!gains) {
        return gains.error();
    }
    const std::vector<double>& frontGains = gains->front;
    const std::vector<double>& rearGains = gains->rear;
    PlateSolver solver{*state_};
    FrequencyGrids fg = solver.gridsOf(frequenciesHz);
    auto data = std::make_shared<PlateSolution::Data>(PlateSolution::Data{state_->outline,
                                                                          state_->edges,
                                                                          state_->panelRule,
                                                                          state_->speedOfSound,
                                                                          drivers,
                                                                          frequenciesHz,
                                                                          fg.grids,
                                                                          fg.offsets,
                                                                          {},
                                                                          {},
                                                                          0.0,
                                                                          {}});
    data->incomingFront.resize(fg.total);
    data->orders.assign(frequenciesHz.size(), 1);
    const double rearRatio = frontGains[0] == 0.0 ? 0.0 : rearGains[0] / frontGains[0];
    bool proportional = true;
    for (std::size_t j = 0; j < drivers.size(); ++j) {
        if (frontGains[j] == 0.0 || rearGains[j] != rearRatio * frontGains[j]) {
            proportional = false;
        }
    }
    // The equation is linear: rear sources in one proportion to the front ones set
    // up edge waves in that proportion, and need no solve of their own.
    std::vector<Job> jobs;
    std::vector<int> rearOrders(frequenciesHz.size());
    if (proportional) {
        data->rearRatio = rearRatio;
    } else {
        data->incomingRear.resize(fg.total);
    }
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        jobs.push_back(
            {i, &frontGains, false, data->incomingFront.data() + fg.offsets[i], &data->orders[i]});
        if (!proportional) {
            jobs.push_back(
                {i, &rearGains, true, data->incomingRear.data() + fg.offsets[i], &rearOrders[i]});
        }
    }
    solver.run(frequenciesHz, fg, jobs, Summed::fromSources,
               [&](const Job& job, const accurate::EdgeGrid& grid, double k, Signals& side) {
                   sourceTerm(grid, drivers, *job.gains, state_->edges, k, side.sumRe, side.sumIm);
               });
    return PlateSolution(std::move(data));
}

Result<PlateSolution, PlateError> ThinPlate::solve(const std::vector<PlateDriver>& drivers,
                                                   const FrequencyGrid& grid) {
    std::vector<double> f(grid.frequencies().begin(), grid.frequencies().end());
    return solve(drivers, f);
}

Result<PlateResponse, PlateError> ThinPlate::response(const std::vector<PlateDriver>& drivers,
                                                      const std::vector<double>& frequenciesHz,
                                                      SpacePoint listener) {
    auto solution = solve(drivers, frequenciesHz);
    if (!solution) {
        return solution.error();
    }
    return solution->listen(listener);
}

Result<PlateListenerSolution, PlateError> ThinPlate::solveForListener(
    SpacePoint at, const std::vector<double>& frequenciesHz) {
    if (auto bad = checkFrequencies(frequenciesHz)) {
        return *bad;
    }
    const auto listener = checkListener(state_->outline, state_->edges, at);
    if (!listener) {
        return listener.error();
    }
    PlateSolver solver{*state_};
    FrequencyGrids fg = solver.gridsOf(frequenciesHz);
    auto data = std::make_shared<PlateListenerSolution::Data>(
        PlateListenerSolution::Data{state_->outline,
                                    state_->edges,
                                    state_->panelRule,
                                    state_->speedOfSound,
                                    *listener,
                                    frequenciesHz,
                                    fg.grids,
                                    fg.offsets,
                                    {},
                                    {},
                                    std::vector<int>(frequenciesHz.size(), 1)});
    if (listener->z == 0.0) {
        return PlateListenerSolution(std::move(data));  // the edges are not heard there
    }
    data->front.resize(fg.total);
    data->rear.resize(fg.total);
    std::vector<int> rearOrders(frequenciesHz.size(), 1);
    std::vector<Job> jobs;
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        jobs.push_back({i, nullptr, false, data->front.data() + fg.offsets[i], &data->orders[i]});
        jobs.push_back({i, nullptr, true, data->rear.data() + fg.offsets[i], &rearOrders[i]});
    }
    EdgeView view;
    reserveView(view, fg.largest, true);
    solver.run(frequenciesHz, fg, jobs, Summed::towardsListener,
               [&](const Job& job, const accurate::EdgeGrid& grid, double k, Signals& side) {
                   if (view.grid != &grid) {
                       viewEdges(state_->edges, grid, *listener, false, 0.0, view);
                   }
                   listenerTerm(grid, view, job.rearFace ? view.rear.data() : view.front.data(), k,
                                side.hop, side.sumRe, side.sumIm);
               });
    for (std::size_t i = 0; i < frequenciesHz.size(); ++i) {
        data->orders[i] = std::max(data->orders[i], rearOrders[i]);
    }
    return PlateListenerSolution(std::move(data));
}

}  // namespace opbaff
