#include "run/failure_report.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "run/exit_processing.h"

namespace opbaff {

namespace {

struct StatementLines {
    const char* lastFormat;  // nullptr: the line is left out
    const char* transfer;
};

StatementLines linesFor(Statement statement) {
    switch (statement) {
        case Statement::open:
            return {nullptr, "writing direct unformatted external"};
        case Statement::listRead:
            return {"list io", "reading direct formatted external"};
        case Statement::rowWrite:
            return {"(4E16.8)", "writing sequential formatted external"};
    }
    return {nullptr, "writing direct unformatted external"};
}

void writeToStandardError(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return;
        done += static_cast<std::size_t>(count);
    }
}

}  // namespace

std::string placeAndReason(std::string_view place, std::string_view reason) {
    std::string text(place);
    text += ": ";
    text += reason;
    return text;
}

std::string placeAndError(std::string_view place, int error) {
    return placeAndReason(place, std::strerror(error));
}

std::string failureReportText(const Unit& unit, Statement statement, std::string_view cause) {
    const StatementLines lines = linesFor(statement);
    std::string text(cause);
    text += "\napparent state: unit ";
    text += std::to_string(unit.number);
    text += " named ";
    text += unit.name;
    text += '\n';
    if (lines.lastFormat != nullptr) {
        text += "last format: ";
        text += lines.lastFormat;
        text += '\n';
    }
    text += "lately ";
    text += lines.transfer;
    text += " IO\n";
    return text;
}

void endWithReport(const Unit& unit, Statement statement, std::string_view cause) {
    holdSignals();
    writeToStandardError(failureReportText(unit, statement, cause));
    abortRun();
}

}  // namespace opbaff
