// The floor of a sweep: computeResponse alone on the designs the sweep command
// evaluates, in one thread, with no figures, table or files. Prints the seconds
// the loop took.
//
//   sweep_baseline [--grid standard|N] FILE NAME=FROM:TO:STEP...
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "grid_option.h"
#include "opbaff/opbaff.h"
#include "parameter_source.h"
#include "variants.h"

namespace {

int fail(const char* message) {
    std::fprintf(stderr, "sweep_baseline: %s\n", message);
    return 2;
}

int fail(const std::string& message) {
    return fail(message.c_str());
}

int run(std::vector<std::string> arguments) {
    using namespace opbaff;
    std::string gridText = "standard";
    if (arguments.size() >= 2 && arguments[0] == "--grid") {
        gridText = arguments[1];
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    if (arguments.size() < 2) return fail("usage: sweep_baseline [--grid G] FILE SPEC...");
    const auto grid = tools::parseGridOption(gridText);
    const auto file = tools::loadParameterFile(arguments[0]);
    if (!grid || !file) return fail(!grid ? grid.error() : file.error());
    std::vector<tools::SweepSpec> specs;
    for (std::size_t k = 1; k < arguments.size(); ++k) {
        auto spec = tools::parseSweepSpec(arguments[k]);
        if (!spec) return fail(spec.error());
        specs.push_back(std::move(spec).value());
    }
    const auto variants = tools::sweepVariants(file->design, arguments[0], specs);
    if (!variants) return fail(variants.error());

    const auto start = std::chrono::steady_clock::now();
    double sum = 0.0;  // uses every response, so that none is left out
    for (const tools::Variant& variant : *variants) {
        sum += computeResponse(variant.design, *grid).columns[0].levelsDb.back();
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%.6f %zu %g\n", elapsed.count(), variants->size(), sum);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        return fail(error.what());
    }
}
