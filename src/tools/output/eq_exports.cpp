#include "eq_exports.h"

#include <array>
#include <cstdio>

namespace opbaff::tools {
namespace {

std::string printed(const char* format, double value) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), format, value);
    return text.data();
}

bool hasGain(FilterKind kind) {
    return kind == FilterKind::peaking || kind == FilterKind::lowShelf ||
           kind == FilterKind::highShelf;
}

const char* apoCode(FilterKind kind) {
    switch (kind) {
        case FilterKind::lowShelf:
            return "LSC";
        case FilterKind::highShelf:
            return "HSC";
        case FilterKind::highPass:
            return "HPQ";
        case FilterKind::lowPass:
            return "LPQ";
        case FilterKind::peaking:
            break;
    }
    return "PK";
}

const char* camillaType(FilterKind kind) {
    switch (kind) {
        case FilterKind::lowShelf:
            return "Lowshelf";
        case FilterKind::highShelf:
            return "Highshelf";
        case FilterKind::highPass:
            return "Highpass";
        case FilterKind::lowPass:
            return "Lowpass";
        case FilterKind::peaking:
            break;
    }
    return "Peaking";
}

}  // namespace

std::string apoText(const std::vector<Filter>& filters, double preampDb) {
    std::string text = "Preamp: " + printed("%.2f", preampDb) + " dB\n";
    for (std::size_t i = 0; i < filters.size(); ++i) {
        const Filter& f = filters[i];
        text += "Filter " + std::to_string(i + 1) + ": ON " + apoCode(f.kind) + " Fc " +
                printed("%.2f", f.frequencyHz) + " Hz";
        if (hasGain(f.kind)) text += " Gain " + printed("%.2f", f.gainDb) + " dB";
        text += " Q " + printed("%.3f", f.q) + "\n";
    }
    return text;
}

std::string camillaText(const std::vector<Filter>& filters, double preampDb) {
    std::string text = "filters:\n  opbaff_preamp:\n    type: Gain\n    parameters:\n      gain: " +
                       printed("%.2f", preampDb) + "\n";
    std::string names = "opbaff_preamp";
    for (std::size_t i = 0; i < filters.size(); ++i) {
        const Filter& f = filters[i];
        const std::string name = "opbaff_eq_" + std::to_string(i + 1);
        text += "  " + name +
                ":\n    type: Biquad\n    parameters:\n      type: " + camillaType(f.kind) +
                "\n      freq: " + printed("%.2f", f.frequencyHz) +
                "\n      q: " + printed("%.3f", f.q) + "\n";
        if (hasGain(f.kind)) text += "      gain: " + printed("%.2f", f.gainDb) + "\n";
        names += ", " + name;
    }
    return text + "# pipeline:\n#   - type: Filter\n#     channel: 0\n#     names: [" + names +
           "]\n";
}

std::string minidspText(const std::vector<Filter>& filters, double sampleRateHz) {
    std::string text;
    int entry = 0;
    for (const Filter& f : filters) {
        const auto c = biquadOf(f, sampleRateHz);
        if (!c) continue;
        text += "biquad" + std::to_string(++entry) + ",\nb0=" + printed("%.12g", c->b0) +
                ",\nb1=" + printed("%.12g", c->b1) + ",\nb2=" + printed("%.12g", c->b2) +
                ",\na1=" + printed("%.12g", -c->a1) + ",\na2=" + printed("%.12g", -c->a2) + "\n";
    }
    return text;
}

std::string filterListText(const std::vector<Filter>& filters) {
    std::string text = "type\tfrequency_Hz\tgain_dB\tQ\n";
    for (const Filter& f : filters) {
        text += std::string(filterKindName(f.kind)) + "\t" + printed("%.2f", f.frequencyHz) + "\t" +
                printed("%.2f", hasGain(f.kind) ? f.gainDb : 0.0) + "\t" + printed("%.3f", f.q) +
                "\n";
    }
    return text;
}

std::vector<EqExport> eqExports(const std::vector<Filter>& filters, double preampDb) {
    return {{"opbaff-eq-apo.txt", apoText(filters, preampDb)},
            {"opbaff-eq-camilladsp.yml", camillaText(filters, preampDb)},
            {"opbaff-eq-minidsp-48k.txt", minidspText(filters, 48000.0)},
            {"opbaff-eq-minidsp-96k.txt", minidspText(filters, 96000.0)},
            {"opbaff-eq-filters.tsv", filterListText(filters)}};
}

}  // namespace opbaff::tools
