// Every way a run can end early, after every number of complete rows, for both
// models: a full disk at row k + 1, an interrupt and a termination request
// right after row k (k = 0 to 81), abort and floating-point signals from
// outside, signals while the rectangular model sums its rear paths, and the
// failures that end a run before its first row. Each run starts with an older
// result file of 200 distinct lines, longer than a complete result, so that a
// cut in the wrong place, or an older file touched that should have been kept,
// shows. The file-fault preload library makes every fault land at the same
// point on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <future>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <utility>

#include "run_case.h"

namespace opbaff::testing {
namespace {

constexpr int kRowCount = 81;
constexpr std::size_t kRowBytes = 66;

struct Model {
    std::string name;       // in the summary and the test names
    std::string caseName;   // the reference case it runs
    bool rowsAfterAllSums;  // writes nothing until both sides are summed
};

void PrintTo(const Model& model, std::ostream* out) {
    *out << model.name;
}

const std::array<Model, 2> kModels{{
    {"single_path", "single-path-piston", false},
    {"rectangular", "rectangular-off-centre", true},
}};

const std::string kFullDiskReport = "write row: No space left on device\n" + kRowWriteLines;

// 200 distinct lines of 56 bytes: 11200 bytes, more than the 5346 of a
// complete result, and no line as long as a row.
std::string makeOlderFile() {
    std::string text;
    for (int line = 1; line <= 200; ++line) {
        std::array<char, 80> buffer{};
        std::snprintf(buffer.data(), buffer.size(),
                      "older line %03d of 200, longer than a whole result file\r\n", line);
        text += buffer.data();
    }
    return text;
}

const std::string& olderFile() {
    static const std::string kOlder = makeOlderFile();
    return kOlder;
}

// The model's reference parameter and result files, read once for all runs
// (and all threads).
struct Reference {
    std::string parameters;
    std::string result;
};

const Reference& reference(const Model& model) {
    static const std::map<std::string, Reference> kReferences = [] {
        std::map<std::string, Reference> references;
        for (const Model& each : kModels) {
            references[each.name] = {goldenInput(each.caseName), goldenResult(each.caseName)};
        }
        return references;
    }();
    return kReferences.at(model.name);
}

std::string rows(const Model& model, int count) {
    return reference(model).result.substr(0, kRowBytes * static_cast<std::size_t>(count));
}

// How a run is set up and what it must leave behind.
struct MatrixRun {
    std::string label;
    bool parameterFileExists = true;
    std::string parameters;
    std::vector<std::string> environment;
    End end = End::normal;
    std::string standardError;
    std::string result;             // "OPBAFF.bds" afterwards
    std::string parametersAfter{};  // "Opbaffin.txt" afterwards
};

std::vector<std::string> fault(const std::string& kind, const std::string& counter = "",
                               long count = 0) {
    std::vector<std::string> environment{"LD_PRELOAD=" OPBAFF_FAULT_LIB, "OPBAFF_FAULT=" + kind};
    if (!counter.empty()) environment.push_back(counter + "=" + std::to_string(count));
    return environment;
}

std::vector<std::string> afterRow(const std::string& kind, int row) {
    return fault(kind, "OPBAFF_FAULT_ROW", row);
}

std::vector<std::string> atSincosCall(const std::string& kind, long call) {
    return fault(kind, "OPBAFF_FAULT_CALL", call);
}

// A run of the model's reference parameters; the parameter file is kept.
MatrixRun referenceRun(const Model& model, std::string label, std::vector<std::string> environment,
                       End end, std::string standardError, std::string result) {
    MatrixRun run;
    run.label = std::move(label);
    run.parameters = reference(model).parameters;
    run.parametersAfter = run.parameters;
    run.environment = std::move(environment);
    run.end = end;
    run.standardError = std::move(standardError);
    run.result = std::move(result);
    return run;
}

std::string describeEnd(End end) {
    switch (end) {
        case End::normal:
            return "exit status 0";
        case End::statusOne:
            return "exit status 1";
        case End::aborted:
            return "killed by signal " + std::to_string(SIGABRT);
    }
    return "";
}

std::string describeEnd(const RunOutcome& outcome) {
    if (outcome.exited) return "exit status " + std::to_string(outcome.status);
    return "killed by signal " + std::to_string(outcome.signal);
}

// Names a result file by what it matches, so that a failing k reads briefly.
std::string describeResult(const Model& model, const std::string& content) {
    if (content == olderFile()) return "the older file, unchanged";
    const std::string& result = reference(model).result;
    if (content.empty()) return "empty";
    if (content.size() % kRowBytes == 0 && result.starts_with(content)) {
        return "the first " + std::to_string(content.size() / kRowBytes) + " rows";
    }
    std::size_t same = 0;
    while (same < content.size() && same < result.size() && content[same] == result[same]) ++same;
    return std::to_string(content.size()) + " bytes, equal to the reference result up to byte " +
           std::to_string(same);
}

// What differs from the expectation, one line each; empty when the run passed.
std::string mismatch(const Model& model, const MatrixRun& run) {
    const TemporaryDirectory workingDirectory;
    if (run.parameterFileExists)
        makeEntry(workingDirectory.path(), file(kParameterName, run.parameters));
    makeEntry(workingDirectory.path(), file(kResultName, olderFile()));
    RunOptions options;
    options.environment = run.environment;
    const RunOutcome outcome = runProgram(workingDirectory.path(), options);

    std::ostringstream differences;
    const auto compare = [&differences](const std::string& what, const std::string& actual,
                                        const std::string& expected) {
        if (actual != expected) {
            differences << "  " << what << ": " << std::quoted(actual) << ", expected "
                        << std::quoted(expected) << "\n";
        }
    };
    compare("end", describeEnd(outcome), describeEnd(run.end));
    compare("standard error", outcome.standardError, run.standardError);
    compare("standard output", outcome.standardOutput, "");
    compare(kResultName, describeResult(model, readFile(workingDirectory.path() / kResultName)),
            describeResult(model, run.result));
    const std::filesystem::path parameterFile = workingDirectory.path() / kParameterName;
    if (!std::filesystem::exists(parameterFile)) {
        differences << "  " << kParameterName << ": absent\n";
    } else if (const std::string content = readFile(parameterFile);
               content != run.parametersAfter) {
        differences << "  " << kParameterName << ": " << content.size() << " bytes, expected "
                    << run.parametersAfter.size() << " bytes as before the run\n";
    }
    return differences.str();
}

// The runs on both cores; the mismatches in the order of the runs.
std::vector<std::string> runAll(const Model& model, const std::vector<MatrixRun>& runs) {
    std::vector<std::string> mismatches(runs.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < runs.size(); i = next++) {
            mismatches[i] = mismatch(model, runs[i]);
        }
    };
    auto helper = std::async(std::launch::async, work);
    work();
    helper.get();
    return mismatches;
}

struct Tally {
    int runs = 0;
    int passed = 0;
};

using TallyKey = std::pair<std::string, std::string>;  // fault kind, model

std::map<TallyKey, Tally>& tallies() {
    static std::map<TallyKey, Tally> kTallies;
    return kTallies;
}

// The number of sincos calls of a complete run: every one of them comes
// before the first row of the rectangular model.
long sincosCallCount(const Model& model) {
    static std::map<std::string, long> counts;
    if (const auto known = counts.find(model.name); known != counts.end()) return known->second;
    const TemporaryDirectory workingDirectory;
    makeEntry(workingDirectory.path(), file(kParameterName, reference(model).parameters));
    RunOptions options;
    options.environment = fault("count-sums");
    const RunOutcome outcome = runProgram(workingDirectory.path(), options);
    long count = 0;
    EXPECT_EQ(std::sscanf(outcome.standardError.c_str(), "sincos calls: %ld", &count), 1)
        << outcome.standardError;
    EXPECT_EQ(readFile(workingDirectory.path() / kResultName), reference(model).result);
    EXPECT_GT(count, 0);
    counts[model.name] = count;
    return count;
}

// sincos calls before the first row write, with a name for each. The
// single-path model writes each row as soon as it is computed, so only its
// first call surely comes before row 1; the rectangular model sums both
// sides first, side 2's sums last.
std::vector<std::pair<std::string, long>> callsBeforeTheFirstRow(const Model& model) {
    if (!model.rowsAfterAllSums) return {{"the first sincos call", 1}};
    const long count = sincosCallCount(model);
    return {{"the first sincos call", 1},
            {"the middle sincos call", count / 2},
            {"the last sincos call, in side 2's sums", count}};
}

// The last call before the first row: a signal there is the latest that
// must still leave the older file alone.
std::pair<std::string, long> lastCallBeforeTheFirstRow(const Model& model) {
    return callsBeforeTheFirstRow(model).back();
}

class FaultMatrix : public ::testing::TestWithParam<Model> {
  protected:
    const Model& model() const { return GetParam(); }

    // Runs the cases and reports every failing one by its label.
    void check(const std::string& kind, const std::vector<MatrixRun>& runs) const {
        const std::vector<std::string> mismatches = runAll(model(), runs);
        Tally& tally = tallies()[{kind, model().name}];
        std::string failures;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            ++tally.runs;
            if (mismatches[i].empty()) {
                ++tally.passed;
            } else {
                failures += runs[i].label + ":\n" + mismatches[i];
            }
        }
        RecordProperty("runs", tally.runs);
        RecordProperty("passed", tally.passed);
        if (!failures.empty()) ADD_FAILURE() << kind << ", " << model().name << ":\n" << failures;
    }

    // The signal raised right after row k, for k = 1 to 81, and before
    // row 1 for k = 0.
    std::vector<MatrixRun> signalAfterEveryRow(const std::string& signal,
                                               const std::string& message, End end) const {
        const auto [where, call] = lastCallBeforeTheFirstRow(model());
        std::vector<MatrixRun> runs{referenceRun(model(), "k = 0 (at " + where + ")",
                                                 atSincosCall(signal + "-sums", call), end, message,
                                                 olderFile())};
        for (int k = 1; k <= kRowCount; ++k) {
            runs.push_back(referenceRun(model(), "k = " + std::to_string(k), afterRow(signal, k),
                                        end, message, rows(model(), k)));
        }
        return runs;
    }

    // A signal from outside after a few rows and before the first row.
    std::vector<MatrixRun> signalFromOutside(const std::string& signal,
                                             const std::string& message) const {
        const std::vector<int> rowCounts{1, 40, 80, 81};
        std::vector<MatrixRun> runs;
        std::transform(rowCounts.begin(), rowCounts.end(), std::back_inserter(runs), [&](int k) {
            return referenceRun(model(), "after row " + std::to_string(k), afterRow(signal, k),
                                End::aborted, message, rows(model(), k));
        });
        for (const auto& [where, call] : callsBeforeTheFirstRow(model())) {
            runs.push_back(referenceRun(model(), "at " + where,
                                        atSincosCall(signal + "-sums", call), End::aborted, message,
                                        olderFile()));
        }
        return runs;
    }

    static void TearDownTestSuite() {
        std::cout << "\nfault matrix\n"
                  << std::left << std::setw(44) << "fault kind" << std::setw(14) << "model"
                  << std::right << std::setw(6) << "runs" << std::setw(8) << "passed\n";
        for (const auto& [key, tally] : tallies()) {
            std::cout << std::left << std::setw(44) << key.first << std::setw(14) << key.second
                      << std::right << std::setw(6) << tally.runs << std::setw(8) << tally.passed
                      << "\n";
        }
    }
};

TEST_P(FaultMatrix, FullDiskAtEveryRow) {
    std::vector<MatrixRun> runs;
    runs.reserve(kRowCount + 1);
    for (int k = 0; k < kRowCount; ++k) {
        runs.push_back(referenceRun(model(), "k = " + std::to_string(k), afterRow("enospc", k + 1),
                                    End::aborted, kFullDiskReport, rows(model(), k)));
    }
    // No row 82: the fault never comes and the run is complete.
    runs.push_back(referenceRun(model(), "k = 81 (complete run)", afterRow("enospc", kRowCount + 1),
                                End::normal, "", rows(model(), kRowCount)));
    check("full disk at row k+1, k = 0..81", runs);
}

TEST_P(FaultMatrix, FullDiskPartwayThroughARow) {
    const std::vector<int> rowCounts{0, 1, 40, 80};
    std::vector<MatrixRun> runs;
    std::transform(rowCounts.begin(), rowCounts.end(), std::back_inserter(runs), [this](int k) {
        return referenceRun(model(), "k = " + std::to_string(k), afterRow("enospc-partial", k + 1),
                            End::aborted, kFullDiskReport, rows(model(), k));
    });
    check("full disk partway through row k+1", runs);
}

TEST_P(FaultMatrix, InterruptAfterEveryRow) {
    check("interrupt after row k, k = 0..81",
          signalAfterEveryRow("sigint", "Interrupt\n", End::statusOne));
}

TEST_P(FaultMatrix, TerminationRequestAfterEveryRow) {
    check("termination request after row k, k = 0..81",
          signalAfterEveryRow("sigterm", "Killed\n", End::statusOne));
}

TEST_P(FaultMatrix, AbortSignalFromOutside) {
    check("abort signal from outside", signalFromOutside("sigabrt", "IOT Trap\n"));
}

TEST_P(FaultMatrix, FloatingPointSignalFromOutside) {
    check("floating-point signal from outside",
          signalFromOutside("sigfpe", "Floating Exception\n"));
}

// The model's reference parameter file cut to its first records, each
// record ending in a line end but, if so asked, the last.
std::string firstRecords(const Model& model, int count, bool lastEnded) {
    const std::string& text = reference(model).parameters;
    std::size_t end = 0;
    for (int record = 0; record < count; ++record) end = text.find('\n', end) + 1;
    return text.substr(0, lastEnded ? end : end - 1);
}

// The reference parameter file with one record replaced.
std::string withRecord(const Model& model, int record, const std::string& replacement) {
    const std::string& text = reference(model).parameters;
    const std::size_t start = firstRecords(model, record - 1, true).size();
    const std::size_t end = text.find('\n', start);
    return text.substr(0, start) + replacement + text.substr(end);
}

MatrixRun readFailure(const Model& model, std::string label, std::string parameters,
                      const std::string& cause) {
    MatrixRun run = referenceRun(model, std::move(label), {}, End::aborted,
                                 cause + "\n" + kParameterReadLines, olderFile());
    run.parameters = std::move(parameters);
    run.parametersAfter = run.parameters;
    return run;
}

TEST_P(FaultMatrix, EveryEndBeforeTheFirstRowKeepsTheOlderFile) {
    const std::string incomprehensible = ": incomprehensible list input";
    MatrixRun missing = readFailure(model(), "no parameter file", "", "list in: end of file");
    missing.parameterFileExists = false;
    std::vector<MatrixRun> runs{
        missing,
        readFailure(model(), "fourteen records", firstRecords(model(), 14, true),
                    "list in: end of file"),
        readFailure(model(), "fourteen records, the last without a line end",
                    firstRecords(model(), 14, false), "read start: end of file"),
        readFailure(model(), "a remark in place of the baffle height",
                    withRecord(model(), 3, "height in cm"), "invalid number" + incomprehensible),
        readFailure(model(), "an angle of 25deg", withRecord(model(), 15, "25deg"),
                    "exponent field" + incomprehensible),
        readFailure(model(), "a repeat count without a number", withRecord(model(), 9, "*0.7"),
                    "bad repetition count" + incomprehensible),
        referenceRun(model(), "an interrupt while reading", fault("sigint-reading"), End::statusOne,
                     "Interrupt\n", olderFile()),
    };
    for (const auto& [where, call] : callsBeforeTheFirstRow(model())) {
        runs.push_back(referenceRun(model(), "an interrupt at " + where,
                                    atSincosCall("sigint-sums", call), End::statusOne,
                                    "Interrupt\n", olderFile()));
        runs.push_back(referenceRun(model(), "a termination request at " + where,
                                    atSincosCall("sigterm-sums", call), End::statusOne, "Killed\n",
                                    olderFile()));
    }
    check("every end before the first row", runs);
}

INSTANTIATE_TEST_SUITE_P(Models, FaultMatrix, ::testing::ValuesIn(kModels),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace opbaff::testing
