// The speaker file's reader of one TOML table: typed values by key with their
// range checks, each failure a FileFault at the value's line and column under
// its dotted key, and unknown keys refused once the table is read.
#pragma once

#include <toml++/toml.h>

#include <set>
#include <string>
#include <string_view>

#include "opbaff/speaker_file.h"

namespace opbaff::speaker_file {

// Thrown inside the reader only and caught by parseSpeakerText, which turns it
// into its error value: a fault deep in a table ends the whole read.
struct FileFault {
    SpeakerFileError error;
};

// The number as its shortest text ("0.5", "30"), for messages and files.
std::string numberText(double value);

// What every table of one file shares.
struct ReadContext {
    std::string fileName;
    double metresPerUnit = 0.01;
    std::string unitName = "cm";
};

[[noreturn]] void failAt(const ReadContext& context, const toml::source_region& where,
                         std::string key, std::string message);

class TableReader {
  public:
    TableReader(const toml::table& table, std::string prefix, const ReadContext& context)
        : table_(table), prefix_(std::move(prefix)), context_(context) {}

    // The dotted key of `key` in this table.
    std::string keyOf(std::string_view key) const;
    const std::string& prefix() const { return prefix_; }
    const ReadContext& context() const { return context_; }

    // The node, or null when it is not there; marks the key as read.
    const toml::node* find(std::string_view key);
    bool has(std::string_view key) const { return table_.contains(key); }

    // The node, or a fault naming the missing key.
    const toml::node& required(std::string_view key);

    double number(std::string_view key, double fallback);  // finite
    double requiredNumber(std::string_view key);
    double positive(std::string_view key, double fallback);  // finite and > 0
    double requiredPositive(std::string_view key);
    // A length in the file's unit, as metres: finite and > 0 (or >= 0 when
    // zeroAllowed).
    double length(std::string_view key, double fallbackM, bool zeroAllowed);
    double requiredLength(std::string_view key);
    int integer(std::string_view key, int fallback, int lowest, int highest);
    int requiredInteger(std::string_view key, int lowest, int highest);
    bool boolean(std::string_view key, bool fallback);
    std::string string(std::string_view key, std::string fallback);
    std::string requiredString(std::string_view key);
    // A point [x, y] in the file's unit, as metres.
    PlatePoint requiredPoint(std::string_view key);
    PlatePoint point(const toml::node& node, const std::string& key) const;

    // A table under `key` (an inline table or a [section]), or null when absent.
    const toml::table* table(std::string_view key);
    const toml::table& requiredTable(std::string_view key);

    [[noreturn]] void fail(const toml::node& node, std::string_view key, std::string message) const;
    [[noreturn]] void failKey(const std::string& dottedKey, const toml::node& node,
                              std::string message) const;
    [[noreturn]] void failMissing(std::string_view key) const;

    // A fault at the first key (in the file's order) that was not read.
    void finish() const;

  private:
    double finiteValue(const toml::node& node, const std::string& key) const;
    double positiveValue(const toml::node& node, std::string_view key) const;
    int integerValue(const toml::node& node, std::string_view key, int lowest, int highest) const;

    const toml::table& table_;
    std::string prefix_;
    const ReadContext& context_;
    std::set<std::string, std::less<>> read_;
};

// "a string", "an integer", ...: the TOML type of a node, for messages.
std::string typeName(const toml::node& node);

}  // namespace opbaff::speaker_file
