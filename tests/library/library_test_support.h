// Files and reference cases shared by the tests of the public API.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "opbaff/opbaff.h"
#include "temp_dir.h"

namespace opbaff::test {

// The folders of tests/data/golden, each with a parameter file and the result
// file the program writes for it.
std::vector<std::string> referenceCaseNames();
std::filesystem::path referenceCaseFile(const std::string& name, const std::string& file);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& content);

// The bytes the program writes for a response: one E16.8 line per row.
std::string resultFileBytes(const Response& response);

// A test-parameter name made of letters, digits and underscores.
std::string testName(std::string text);

// Runs the opbaff program in `dir` and returns its exit status (-1 if it did
// not exit normally).
int runProgramIn(const std::filesystem::path& dir);

}  // namespace opbaff::test
