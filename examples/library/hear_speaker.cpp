// hear-speaker FILE: reads a speaker file and prints its drivers' sum heard on
// axis at the file's listening distance on the thin-plate model, one
// frequency per octave over the file's band: "Hz dB degrees" per line.
#include <opbaff/speaker.h>
#include <opbaff/speaker_file.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: hear-speaker FILE\n", stderr);
        return 2;
    }
    const auto speaker = opbaff::readSpeakerFile(argv[1]);
    if (!speaker) {
        std::fprintf(stderr, "hear-speaker: %s\n",
                     opbaff::speakerFileErrorText(speaker.error()).c_str());
        return 2;
    }
    opbaff::GridRequest request = speaker->grid;
    request.pointsPerOctave = 1;
    const auto grid = opbaff::FrequencyGrid::perOctave(request);
    if (!grid) {
        std::fputs("hear-speaker: the file's band gives no grid\n", stderr);
        return 2;
    }
    const auto model = opbaff::SpeakerModel::create(*speaker, *grid);
    const auto heard =
        model ? model->listen(opbaff::PlateListener{speaker->listeningDistanceM, 0.0, 0.0})
              : opbaff::Result<opbaff::SpeakerResponse, opbaff::SpeakerFailure>(model.error());
    if (!heard) {
        std::fprintf(stderr, "hear-speaker: %s\n",
                     opbaff::speakerFailureText(*speaker, heard.error()).c_str());
        return 2;
    }
    for (std::size_t i = 0; i < heard->sum.size(); ++i) {
        const std::complex<double> p = heard->sum[i];
        std::printf("%g %.3f %.2f\n", heard->frequenciesHz[i], 20.0 * std::log10(std::abs(p)),
                    std::arg(p) * 180.0 / std::numbers::pi);
    }
    return 0;
}
