#include "opbaff/response.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "api/design_codes.h"
#include "api/fp_environment.h"
#include "model/baffle_model.h"
#include "model/levels.h"
#include "model/source_spectra.h"

namespace opbaff {
namespace {

std::complex<float> toComplex(Complex z) {
    return {z.re, z.im};
}

// Hands the model's rows of one block on as response rows: the frequency added,
// and the complex value behind each level made the one whose magnitude it is
// the level of (the mean of the rectangular baffle's two sides, the floor for
// the constant reference level).
class BlockSink final : public RowSink {
  public:
    BlockSink(Model model, const SourceSpectra& spectra, ResponseSink& sink)
        : rectangular_(model == Model::rectangular), spectra_(spectra), sink_(sink) {}

    void takeRow(const ModelRow& row) override {
        ResponseRow out{spectra_.frequency[next_++],
                        row.levels,
                        {toComplex(row.sums[0]), toComplex(row.sums[1]), toComplex(row.sums[2]),
                         toComplex(row.sums[3])}};
        if (rectangular_) {
            for (std::size_t k = 0; k < 3; ++k) out.values[k] *= 0.5F;
        } else {
            out.values[2] = {kMagnitudeFloor, 0.0F};
        }
        sink_.takeRow(out);
    }

  private:
    bool rectangular_;
    const SourceSpectra& spectra_;
    ResponseSink& sink_;
    std::size_t next_ = 0;
};

// Appends each row to the response's columns, whose room is reserved.
class CollectingSink final : public ResponseSink {
  public:
    explicit CollectingSink(Response& response) : response_(response) {}
    void takeRow(const ResponseRow& row) override {
        response_.frequenciesHz.push_back(row.frequencyHz);
        for (std::size_t k = 0; k < row.levelsDb.size(); ++k) {
            response_.columns[k].levelsDb.push_back(row.levelsDb[k]);
            response_.columns[k].values.push_back(row.values[k]);
        }
    }

  private:
    Response& response_;
};

}  // namespace

void streamResponse(const Design& design, const FrequencyGrid& grid, ResponseSink& sink) {
    const ExactEnvironment exact;
    const RunConstants constants = makeRunConstants();
    const ParameterSet parameters = parameterSetOf(design, constants);
    const std::vector<float>& frequencies = grid.frequencies();
    for (std::size_t start = 0; start < frequencies.size(); start += kFrequencyCount) {
        const std::size_t count =
            std::min<std::size_t>(kFrequencyCount, frequencies.size() - start);
        const SourceSpectra spectra = buildSourceSpectra(
            parameters, constants, std::span<const float>(frequencies.data() + start, count));
        BlockSink block(design.model, spectra, sink);
        runSelectedModel(parameters, constants, spectra, block);
    }
}

Response computeResponse(const Design& design, const FrequencyGrid& grid) {
    const ExactEnvironment exact;
    Response response;
    response.model = design.model;
    response.frequenciesHz.reserve(grid.size());
    const std::array<ResponseKind, 4> kinds = responseKinds(design.model);
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        response.columns[k].kind = kinds[k];
        response.columns[k].levelsDb.reserve(grid.size());
        response.columns[k].values.reserve(grid.size());
    }
    CollectingSink sink(response);
    streamResponse(design, grid, sink);
    return response;
}

const ResponseColumn* Response::column(ResponseKind kind) const {
    const auto found = std::find_if(columns.begin(), columns.end(),
                                    [kind](const ResponseColumn& c) { return c.kind == kind; });
    return found == columns.end() ? nullptr : &*found;
}

ResponseRow Response::row(std::size_t i) const {
    ResponseRow out{frequenciesHz[i], {}, {}};
    for (std::size_t k = 0; k < columns.size(); ++k) {
        out.levelsDb[k] = columns[k].levelsDb[i];
        out.values[k] = columns[k].values[i];
    }
    return out;
}

std::array<ResponseKind, 4> responseKinds(Model model) {
    if (model == Model::rectangular) {
        return {ResponseKind::rectangularOnAxis, ResponseKind::roundBaffleOnAxis,
                ResponseKind::rectangularOffAxis, ResponseKind::noPath};
    }
    return {ResponseKind::singlePathFullRear, ResponseKind::singlePathBareRear,
            ResponseKind::referenceLevel, ResponseKind::noPath};
}

const char* responseName(ResponseKind kind) {
    switch (kind) {
        case ResponseKind::rectangularOnAxis:
            return "rectangular-on-axis";
        case ResponseKind::roundBaffleOnAxis:
            return "round-baffle-on-axis";
        case ResponseKind::rectangularOffAxis:
            return "rectangular-off-axis";
        case ResponseKind::singlePathFullRear:
            return "single-path-full-rear";
        case ResponseKind::singlePathBareRear:
            return "single-path-bare-rear";
        case ResponseKind::referenceLevel:
            return "reference-level";
        case ResponseKind::noPath:
            break;
    }
    return "no-path";
}

const char* responseDescription(ResponseKind kind) {
    switch (kind) {
        case ResponseKind::rectangularOnAxis:
            return "rectangular baffle heard on axis";
        case ResponseKind::roundBaffleOnAxis:
            return "round baffle heard on axis, bare rear source";
        case ResponseKind::rectangularOffAxis:
            return "rectangular baffle heard off axis, with the driver's piston directivity";
        case ResponseKind::singlePathFullRear:
            return "round baffle heard on axis, full rear source";
        case ResponseKind::singlePathBareRear:
            return "round baffle heard on axis, bare rear source";
        case ResponseKind::referenceLevel:
            return "constant reference level of -100 dB";
        case ResponseKind::noPath:
            break;
    }
    return "front and rear sources added without any path";
}

std::complex<double> driverHighPass(const Design& design, double frequencyHz) {
    const ExactEnvironment exact;
    // s^2 / (s^2 + s/Q + 1) at s = j f / fr.
    const std::complex<double> s(0.0,
                                 frequencyHz / std::fabs(static_cast<double>(design.resonanceHz)));
    const double q = std::fabs(static_cast<double>(design.qualityFactor));
    return s * s / (s * s + s / q + 1.0);
}

}  // namespace opbaff
