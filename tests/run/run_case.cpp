#include "run_case.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace opbaff::testing {

namespace {

constexpr std::size_t kRowBytes = 66;

std::filesystem::path goldenDirectory(const std::string& name) {
    return std::filesystem::path(OPBAFF_TEST_DATA) / "golden" / name;
}

}  // namespace

void checkRun(const RunCase& runCase) {
    SCOPED_TRACE(runCase.name);
    const TemporaryDirectory workingDirectory;
    std::filesystem::permissions(workingDirectory.path(),
                                 static_cast<std::filesystem::perms>(0700));
    for (const Entry& entry : runCase.before) makeEntry(workingDirectory.path(), entry);
    std::filesystem::permissions(workingDirectory.path(),
                                 static_cast<std::filesystem::perms>(runCase.directoryMode));

    const RunOutcome outcome = runProgram(workingDirectory.path(), runCase.options);

    switch (runCase.end) {
        case End::normal:
        case End::statusOne:
            EXPECT_TRUE(outcome.exited) << "killed by signal " << outcome.signal;
            EXPECT_EQ(outcome.status, runCase.end == End::normal ? 0 : 1);
            break;
        case End::aborted:
            EXPECT_FALSE(outcome.exited) << "exit status " << outcome.status;
            EXPECT_EQ(outcome.signal, SIGABRT);
            break;
    }
    EXPECT_EQ(outcome.standardError, runCase.standardError);
    EXPECT_EQ(outcome.standardOutput, "");
    for (const Entry& entry : runCase.after) {
        EXPECT_EQ(describe(workingDirectory.path() / entry.name), describe(entry)) << entry.name;
    }
}

std::string goldenInput(const std::string& name) {
    return readFile(goldenDirectory(name) / "Opbaffin.txt");
}

std::string goldenResult(const std::string& name) {
    return readFile(goldenDirectory(name) / "OPBAFF.bds");
}

std::string referenceRows(int count) {
    return goldenResult(kReferenceCase).substr(0, kRowBytes * static_cast<std::size_t>(count));
}

std::string olderResult(int lines) {
    std::string text;
    for (int line = 1; line <= lines; ++line) {
        std::array<char, 64> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "older result line %03d\r\n", line);
        text += buffer.data();
    }
    return text;
}

Entry file(const std::string& name, const std::string& content, mode_t mode) {
    return {name, Entry::Kind::file, content, mode};
}

Entry directory(const std::string& name) {
    return {name, Entry::Kind::directory, "", 0755};
}

Entry symlink(const std::string& name, const std::string& target) {
    return {name, Entry::Kind::symlink, target, 0777};
}

Entry absent(const std::string& name) {
    return {name, Entry::Kind::absent, "", 0};
}

}  // namespace opbaff::testing
