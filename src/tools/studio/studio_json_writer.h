// JSON text written straight into a string, for the studio's answers: numbers
// in the fewest digits that read back as the same value, commas placed by the
// writer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace opbaff::tools {

// A float in the fewest digits that read back as the same float ("0.7",
// "-38.225868", "1e-05"); a negative zero as "-0.0", so that it stays negative
// through a reader that takes "-0" for the integer 0; NaN and infinities as null.
void appendJsonNumber(std::string& out, float value);
// The same for a double: the fewest digits that read back as the same double.
void appendJsonNumber(std::string& out, double value);

// A JSON string literal: quotes, backslashes and control characters escaped,
// bytes that are not UTF-8 replaced by U+FFFD.
void appendJsonString(std::string& out, std::string_view text);

class JsonWriter {
  public:
    explicit JsonWriter(std::size_t capacity = 256) { text_.reserve(capacity); }

    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }

    // The name of the next member of the open object.
    JsonWriter& key(std::string_view name);

    JsonWriter& value(float number);
    JsonWriter& value(double number);
    JsonWriter& value(int number);
    JsonWriter& value(bool flag);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    // An array of floats, as appendJsonNumber writes each.
    JsonWriter& values(const std::vector<float>& numbers);

    // The text written so far (whole once every object and array is closed).
    const std::string& text() const { return text_; }
    std::string take() { return std::move(text_); }

  private:
    JsonWriter& open(char bracket);
    JsonWriter& close(char bracket);
    void separate();

    std::string text_;
    std::vector<bool> empty_;  // per open object or array: nothing written in it yet
    bool afterKey_ = false;
};

}  // namespace opbaff::tools
