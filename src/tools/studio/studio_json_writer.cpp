#include "studio_json_writer.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <nlohmann/json.hpp>

namespace opbaff::tools {
namespace {

template <typename Number>
void appendNumber(std::string& out, Number value) {
    if (!std::isfinite(value)) {
        out += "null";
    } else if (value == 0 && std::signbit(value)) {
        out += "-0.0";
    } else {
        char text[32];
        const std::to_chars_result end = std::to_chars(std::begin(text), std::end(text), value);
        out.append(std::begin(text), end.ptr);
    }
}

}  // namespace

void appendJsonNumber(std::string& out, float value) {
    appendNumber(out, value);
}

void appendJsonNumber(std::string& out, double value) {
    appendNumber(out, value);
}

void appendJsonString(std::string& out, std::string_view text) {
    out += nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

JsonWriter& JsonWriter::key(std::string_view name) {
    separate();
    appendJsonString(text_, name);
    text_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(float number) {
    separate();
    appendJsonNumber(text_, number);
    return *this;
}

JsonWriter& JsonWriter::value(double number) {
    separate();
    appendJsonNumber(text_, number);
    return *this;
}

JsonWriter& JsonWriter::value(int number) {
    separate();
    text_ += std::to_string(number);
    return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
    separate();
    text_ += flag ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text) {
    separate();
    appendJsonString(text_, text);
    return *this;
}

JsonWriter& JsonWriter::values(const std::vector<float>& numbers) {
    separate();
    text_ += '[';
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) text_ += ',';
        appendJsonNumber(text_, numbers[i]);
    }
    text_ += ']';
    return *this;
}

JsonWriter& JsonWriter::open(char bracket) {
    separate();
    text_ += bracket;
    empty_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::close(char bracket) {
    text_ += bracket;
    empty_.pop_back();
    return *this;
}

void JsonWriter::separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (empty_.empty()) return;
    if (!empty_.back()) text_ += ',';
    empty_.back() = false;
}

}  // namespace opbaff::tools
