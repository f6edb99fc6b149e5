// Times opbaff-design polar on a speaker file without the writing of files:
// the shipped two-way speaker (examples/two-way.toml) solved on its grid (24
// points per octave, 20 Hz to 20 kHz), heard in both planes every 5 degrees
// over +-180, every curve's FRD texts made and every curve's spin computed,
// on one thread. Prints the run of least processor time of 3, with its
// elapsed time and parts; with --check fails beyond 2 s of processor time
// (the machine's other load stretches the elapsed time, not that).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>

#include "opbaff/speaker_file.h"
#include "polar.h"
#include "speaker_frd.h"
#include "speaker_polar.h"
#include "spin_curves.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Timing {
    double solve = 0.0;
    double listen = 0.0;
    double texts = 0.0;
    double spins = 0.0;
    double cpu = 0.0;  // the process's processor time of the whole run
    std::size_t bytes = 0;
    double total() const { return solve + listen + texts + spins; }
};

int run(bool check) {
    using namespace opbaff;
    using namespace opbaff::tools;
    const auto speaker = readSpeakerFile("examples/two-way.toml");
    if (!speaker) {
        std::fprintf(stderr, "speaker_bench: %s (run from the project folder)\n",
                     speakerFileErrorText(speaker.error()).c_str());
        return 2;
    }
    const auto grid = FrequencyGrid::perOctave(speaker->grid);
    const auto angles = parseAngles("-180:180:5");
    if (!grid || !angles) return 2;
    Timing best;
    for (int run = 0; run < 3; ++run) {
        Timing timing;
        const std::clock_t cpuStart = std::clock();
        auto start = Clock::now();
        const auto model = SpeakerModel::create(*speaker, *grid);
        timing.solve = secondsSince(start);
        if (!model) return 2;
        start = Clock::now();
        const auto polar =
            computeSpeakerPolar(*model, speaker->listeningDistanceM, *angles, *angles, 1);
        timing.listen = secondsSince(start);
        if (!polar) return 2;
        start = Clock::now();
        for (std::size_t curve = 0; curve < polar->curveCount(); ++curve) {
            for (const auto* plane : {&polar->horizontal, &polar->vertical}) {
                for (const SpeakerResponse& heard : *plane) {
                    timing.bytes +=
                        speakerFrdText(polar->frequenciesHz, SpeakerPolar::curveOf(heard, curve),
                                       speakerRemarks(*speaker, "bench", 2.0, "bench"))
                            .size();
                }
            }
        }
        timing.texts = secondsSince(start);
        start = Clock::now();
        for (std::size_t curve = 0; curve < polar->curveCount(); ++curve) {
            if (!speakerCurveSpin(*polar, curve)) return 2;
        }
        timing.spins = secondsSince(start);
        timing.cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        if (run == 0 || timing.cpu < best.cpu) best = timing;
    }
    std::printf(
        "two-way speaker, %zu frequencies, 2 x %zu angles, 3 curves, 1 thread: %.3f s of "
        "processor time, %.3f s elapsed (solve %.3f s, listening %.3f s, FRD texts %.3f s for "
        "%.1f MB, spins %.3f s)\n",
        grid->size(), angles->size(), best.cpu, best.total(), best.solve, best.listen, best.texts,
        static_cast<double>(best.bytes) / 1e6, best.spins);
    if (check && best.cpu > 2.0) {
        std::printf("check: %.3f s > 2 s\n", best.cpu);
        return 1;
    }
    if (check) std::printf("check: within limits\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc > 1 && std::strcmp(argv[1], "--check") == 0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "speaker_bench: %s\n", error.what());
        return 2;
    }
}
