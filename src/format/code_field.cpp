#include "format/code_field.h"

#include "format/code_text.h"

namespace opbaff {
namespace {

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}
bool isDelimiter(int c) {
    return c == '\'' || c == '"';
}
bool isBlank(int c) {
    return c == ' ' || c == '\t';
}
bool endsBareCode(int c) {
    return isBlank(c) || c == ',' || c == '/' || c == '\n' || c == kEndOfInput;
}

CodeField readBare(CharStream& in, CodeText& text) {
    while (!endsBareCode(in.peek())) text.append(static_cast<char>(in.get()));
    return {FieldStatus::value, text.code()};
}

// After the opening delimiter. Two delimiters in a row stand for one; a line end
// is dropped, or turns a backslash directly before it into a line feed.
CodeField readDelimited(CharStream& in, int delimiter) {
    CodeText text;
    for (;;) {
        const int c = in.get();
        if (c == kEndOfInput) return {FieldStatus::unterminated};
        if (c == delimiter) {
            if (in.peek() != delimiter) return {FieldStatus::value, text.code()};
            in.get();
            text.append(static_cast<char>(c));
        } else if (c == '\n') {
            if (text.last() == '\\') text.replaceLast('\n');
        } else {
            text.append(static_cast<char>(c));
        }
    }
}

// After "N*": a delimited or bare code, or nothing. A line end here is taken as
// the first character of a bare code.
CodeField readRepeatedCode(CharStream& in) {
    const int first = in.peek();
    if (isDelimiter(first)) return readDelimited(in, in.get());
    if (isBlank(first) || first == ',' || first == '/' || first == kEndOfInput) return {};
    CodeText text;
    text.append(static_cast<char>(in.get()));
    return readBare(in, text);
}

}  // namespace

CodeField readCodeField(CharStream& in) {
    const int first = in.peek();
    if (isDelimiter(first)) return readDelimited(in, in.get());
    CodeText text;
    if (!isDigit(first)) return readBare(in, text);
    // Leading digits are a repeat count if an asterisk follows and they are not
    // all zeros; otherwise they begin a bare code ("0*y" is the code 0*y).
    bool zeroCount = true;
    while (isDigit(in.peek())) {
        const auto digit = static_cast<char>(in.get());
        zeroCount = zeroCount && digit == '0';
        text.append(digit);
    }
    if (in.peek() != '*' || zeroCount) return readBare(in, text);
    in.get();
    return readRepeatedCode(in);
}

}  // namespace opbaff
