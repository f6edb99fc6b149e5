// The reader of one TOML table of a speaker file.
#include "table_reader.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace opbaff::speaker_file {

std::string numberText(double value) {
    std::array<char, 64> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return {buffer.data(), end};
}

void failAt(const ReadContext& context, const toml::source_region& where, std::string key,
            std::string message) {
    throw FileFault{{context.fileName, static_cast<int>(where.begin.line),
                     static_cast<int>(where.begin.column), std::move(key), std::move(message)}};
}

std::string typeName(const toml::node& node) {
    switch (node.type()) {
        case toml::node_type::string:
            return "a string";
        case toml::node_type::integer:
            return "an integer";
        case toml::node_type::floating_point:
            return "a float";
        case toml::node_type::boolean:
            return "a boolean";
        case toml::node_type::array:
            return "an array";
        case toml::node_type::table:
            return "a table";
        default:
            return "a date or time";
    }
}

std::string TableReader::keyOf(std::string_view key) const {
    return prefix_.empty() ? std::string(key) : prefix_ + "." + std::string(key);
}

const toml::node* TableReader::find(std::string_view key) {
    const toml::node* node = table_.get(key);
    if (node != nullptr) read_.emplace(key);
    return node;
}

const toml::node& TableReader::required(std::string_view key) {
    const toml::node* node = find(key);
    if (node == nullptr) failMissing(key);
    return *node;
}

void TableReader::fail(const toml::node& node, std::string_view key, std::string message) const {
    failKey(keyOf(key), node, std::move(message));
}

void TableReader::failKey(const std::string& dottedKey, const toml::node& node,
                          std::string message) const {
    failAt(context_, node.source(), dottedKey, std::move(message));
}

void TableReader::failMissing(std::string_view key) const {
    failAt(context_, table_.source(), keyOf(key),
           "missing: the key is required" +
               (prefix_.empty() ? std::string() : " in [" + prefix_ + "]"));
}

double TableReader::finiteValue(const toml::node& node, const std::string& key) const {
    if (!node.is_number()) failKey(key, node, "must be a number, not " + typeName(node));
    const double value = node.value<double>().value_or(0.0);
    if (!std::isfinite(value))
        failKey(key, node, "must be a finite number, not " + numberText(value));
    return value;
}

double TableReader::positiveValue(const toml::node& node, std::string_view key) const {
    const double value = finiteValue(node, keyOf(key));
    if (!(value > 0.0)) fail(node, key, "must be above 0, not " + numberText(value));
    return value;
}

int TableReader::integerValue(const toml::node& node, std::string_view key, int lowest,
                              int highest) const {
    if (!node.is_integer()) fail(node, key, "must be an integer, not " + typeName(node));
    const std::int64_t value = node.value<std::int64_t>().value_or(0);
    if (value < lowest || value > highest) {
        fail(node, key,
             "must be " + std::to_string(lowest) + " to " + std::to_string(highest) + ", not " +
                 std::to_string(value));
    }
    return static_cast<int>(value);
}

double TableReader::number(std::string_view key, double fallback) {
    const toml::node* node = find(key);
    return node == nullptr ? fallback : finiteValue(*node, keyOf(key));
}

double TableReader::requiredNumber(std::string_view key) {
    return finiteValue(required(key), keyOf(key));
}

double TableReader::positive(std::string_view key, double fallback) {
    const toml::node* node = find(key);
    return node == nullptr ? fallback : positiveValue(*node, key);
}

double TableReader::requiredPositive(std::string_view key) {
    return positiveValue(required(key), key);
}

double TableReader::length(std::string_view key, double fallbackM, bool zeroAllowed) {
    const toml::node* node = find(key);
    if (node == nullptr) return fallbackM;
    const double value = finiteValue(*node, keyOf(key));
    if (value < 0.0 || (!zeroAllowed && value == 0.0)) {
        fail(*node, key,
             std::string(zeroAllowed ? "must be 0 or more" : "must be above 0") + " (" +
                 context_.unitName + "), not " + numberText(value));
    }
    return value * context_.metresPerUnit;
}

double TableReader::requiredLength(std::string_view key) {
    static_cast<void>(required(key));
    return length(key, 0.0, false);
}

int TableReader::integer(std::string_view key, int fallback, int lowest, int highest) {
    const toml::node* node = find(key);
    return node == nullptr ? fallback : integerValue(*node, key, lowest, highest);
}

int TableReader::requiredInteger(std::string_view key, int lowest, int highest) {
    return integerValue(required(key), key, lowest, highest);
}

bool TableReader::boolean(std::string_view key, bool fallback) {
    const toml::node* node = find(key);
    if (node == nullptr) return fallback;
    if (!node->is_boolean()) fail(*node, key, "must be true or false, not " + typeName(*node));
    return node->value<bool>().value_or(fallback);
}

std::string TableReader::string(std::string_view key, std::string fallback) {
    const toml::node* node = find(key);
    if (node == nullptr) return fallback;
    if (!node->is_string()) fail(*node, key, "must be a string, not " + typeName(*node));
    return node->value<std::string>().value_or(fallback);
}

std::string TableReader::requiredString(std::string_view key) {
    static_cast<void>(required(key));
    return string(key, {});
}

PlatePoint TableReader::point(const toml::node& node, const std::string& key) const {
    const toml::array* pair = node.as_array();
    if (pair == nullptr || pair->size() != 2) {
        failKey(key, node,
                "must be a point [x, y], not " +
                    (pair == nullptr ? typeName(node)
                                     : "an array of " + std::to_string(pair->size()) + " values"));
    }
    const double x = finiteValue(*pair->get(0), key);
    const double y = finiteValue(*pair->get(1), key);
    return {x * context_.metresPerUnit, y * context_.metresPerUnit};
}

PlatePoint TableReader::requiredPoint(std::string_view key) {
    return point(required(key), keyOf(key));
}

const toml::table* TableReader::table(std::string_view key) {
    const toml::node* node = find(key);
    if (node == nullptr) return nullptr;
    if (!node->is_table()) fail(*node, key, "must be a table, not " + typeName(*node));
    return node->as_table();
}

const toml::table& TableReader::requiredTable(std::string_view key) {
    static_cast<void>(required(key));
    return *table(key);
}

void TableReader::finish() const {
    const toml::key* first = nullptr;
    for (const auto& [key, node] : table_) {
        if (read_.contains(key.str())) continue;
        const auto& at = key.source().begin;
        if (first == nullptr || at.line < first->source().begin.line ||
            (at.line == first->source().begin.line && at.column < first->source().begin.column)) {
            first = &key;
        }
    }
    if (first != nullptr) {
        failAt(context_, first->source(), keyOf(first->str()),
               "unknown key: the format has no key of that name here");
    }
}

}  // namespace opbaff::speaker_file
