// Times the thin-plate model on 97 frequencies (12 per octave, 20 Hz to 5 kHz)
// and prints how its result converges with the edge discretisation and the order.
// Usage: thin_plate_bench [--convergence]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <vector>

#include "opbaff/thin_plate.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<double> grid97() {
    std::vector<double> f;
    for (int i = 0; i < 97; ++i) {
        f.push_back(20.0 * std::pow(2.0, i / 12.0));
    }
    return f;
}

double ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// The CPU time of this thread in ms: on a shared machine it leaves out the time
// the thread waited for a core.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return 1e3 * static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_nsec);
}

struct Timing {
    double wall = 1e30, cpu = 1e30;  // the best of the repeats
};

template <typename F>
Timing best(int repeats, F f) {
    Timing t;
    for (int i = 0; i < repeats; ++i) {
        const auto a = Clock::now();
        const double c = cpuMs();
        f();
        t.cpu = std::min(t.cpu, cpuMs() - c);
        t.wall = std::min(t.wall, ms(a, Clock::now()));
    }
    return t;
}

struct Case {
    const char* name;
    opbaff::PlateOutline outline;
    opbaff::PlateDriver driver;
    opbaff::SpacePoint listener;
};

void timeCase(const Case& c) {
    const auto f = grid97();
    auto plate = *opbaff::ThinPlate::create(c.outline);
    // The first call builds the outline's operators; later ones reuse them.
    std::optional<opbaff::PlateSolution> solution;
    const Timing cold = best(1, [&] {
        solution = *plate.solve({c.driver}, f);
        (void)solution->listen(c.listener);
    });
    opbaff::PlateDriver moved = c.driver;
    moved.position.x += 0.01;
    const Timing drag = best(5, [&] {
        auto s = *plate.solve({moved}, f);
        (void)s.listen(c.listener);
    });
    const Timing direction = best(5, [&] {
        (void)solution->listen({c.listener.x + 0.3, c.listener.y, c.listener.z});
    });
    // A drag heard at one place: the plate solved once for the listener, then
    // each position of the driver heard without a solve.
    std::optional<opbaff::PlateListenerSolution> reception;
    const Timing listenerSolve =
        best(1, [&] { reception = *plate.solveForListener(c.listener, f); });
    const Timing heardDrag = best(5, [&] { (void)reception->hear({moved}); });
    std::printf(
        "%-34s first response %7.1f ms   driver moved %6.1f ms   listener moved %6.2f ms   "
        "(thread CPU %.1f, %.1f, %.2f)\n",
        c.name, cold.wall, drag.wall, direction.wall, cold.cpu, drag.cpu, direction.cpu);
    std::printf(
        "%-34s listener's solve %7.1f ms   driver moved, heard there %6.2f ms   "
        "(thread CPU %.1f, %.2f)\n",
        "", listenerSolve.wall, heardDrag.wall, listenerSolve.cpu, heardDrag.cpu);
}

double worstDb(const opbaff::PlateResponse& a, const opbaff::PlateResponse& b, double lo,
               double hi) {
    double w = 0.0;
    for (std::size_t i = 0; i < a.total.size(); ++i) {
        if (a.frequenciesHz[i] >= lo && a.frequenciesHz[i] <= hi) {
            w = std::max(w,
                         std::abs(20.0 * std::log10(std::abs(a.total[i]) / std::abs(b.total[i]))));
        }
    }
    return w;
}

void convergence(const Case& c) {
    const auto f = grid97();
    opbaff::PlateAccuracy fine{8.0, 24, 200, 1e-8};
    auto finePlate = *opbaff::ThinPlate::create(c.outline, 344.0, fine);
    auto exact = *finePlate.response({c.driver}, f, c.listener);
    std::printf(
        "%s: max |level - finest| in dB (finest: 8 points per wavelength, 24 per edge, all "
        "orders)\n",
        c.name);
    std::printf(
        "| points/wavelength | floor/edge | max order | 20-200 Hz | 200 Hz-1 kHz | 1-5 kHz |\n");
    std::printf("|---|---|---|---|---|---|\n");
    struct Row {
        double ppw;
        int floor;
        int order;
    };
    for (const Row r : {Row{2, 4, 40}, Row{2, 6, 40}, Row{3, 8, 40}, Row{4, 12, 40}, Row{3, 8, 1},
                        Row{3, 8, 2}, Row{3, 8, 3}, Row{3, 8, 5}, Row{3, 8, 10}, Row{3, 8, 20}}) {
        opbaff::PlateAccuracy a{r.ppw, r.floor, r.order, 1e-4};
        auto plate = *opbaff::ThinPlate::create(c.outline, 344.0, a);
        auto h = *plate.response({c.driver}, f, c.listener);
        std::printf("| %.0f | %d | %d | %.3f | %.3f | %.3f |\n", r.ppw, r.floor, r.order,
                    worstDb(h, exact, 20, 200), worstDb(h, exact, 200, 1000),
                    worstDb(h, exact, 1000, 5001));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Case square{"50 x 50 cm, centred, 3 m on axis",
                      *opbaff::PlateOutline::rectangle(0.5, 0.5),
                      {{0.25, 0.25}},
                      {0.25, 0.25, 3.0}};
    const Case tall{"60 x 100 cm, off centre, 2 m, 30 deg",
                    *opbaff::PlateOutline::rectangle(0.6, 1.0),
                    {{0.22, 0.7}},
                    opbaff::listenerPosition({0.22, 0.7}, {2.0, 30.0, 0.0})};
    if (argc > 1 && std::strcmp(argv[1], "--convergence") == 0) {
        convergence(square);
        convergence(tall);
        return 0;
    }
    timeCase(square);
    timeCase(tall);
    return 0;
}
