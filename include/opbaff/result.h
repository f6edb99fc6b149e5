// opbaff: a value or the reason there is none, and the library's error codes.
//
// No call of the library throws for a bad argument, prints, or ends the
// process: a call that can fail returns a Result, which holds either its value
// or an error value. (Running out of memory still throws std::bad_alloc, as
// any standard container does.)
#pragma once

#include <utility>
#include <variant>

namespace opbaff {

// The errors of the calls that build frequency grids and write parameter files.
enum class Error {
    pointsPerOctaveOutOfRange,  // points per octave below 1 or above kMaxPointsPerOctave
    frequencyNotPositive,       // a grid frequency that is 0, negative, infinite or NaN
    frequencyRangeReversed,     // the highest frequency of a grid below its lowest
    gridSizeOutOfRange,         // a grid of no frequency, or of more than kMaxGridPoints
    valueNotANumber,            // a design value that is NaN: no parameter file can hold it
};

// A short English sentence naming the error ("the highest frequency lies below the
// lowest"); never null.
const char* errorText(Error error);

// Either a value of type T or an error of type E (T and E must differ).
template <typename T, typename E>
class Result {
  public:
    // Implicit, so that a function can return either a value or an error.
    // cppcheck-suppress noExplicitConstructor
    Result(T value) : content_(std::in_place_index<0>, std::move(value)) {}  // NOLINT
    // cppcheck-suppress noExplicitConstructor
    Result(E error) : content_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

    bool hasValue() const { return content_.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    // The value; only when hasValue().
    T& value() & { return std::get<0>(content_); }
    const T& value() const& { return std::get<0>(content_); }
    T&& value() && { return std::get<0>(std::move(content_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    // The error; only when !hasValue().
    const E& error() const { return std::get<1>(content_); }

  private:
    std::variant<T, E> content_;
};

}  // namespace opbaff
