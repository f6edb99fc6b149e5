// Output files that appear whole or not at all: each is written under a
// temporary name in its folder and renamed to its own name only when every
// file of the batch has been written.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace opbaff::view {

// "<dir>/<name>", or the name alone when the folder is ".".
std::string pathIn(const std::string& dir, const std::string& name);

// Creates a new, empty file with a temporary name beside `finalPath`
// (".<name>.tmp-<pid>-<n>", never an existing file) and returns its path,
// or sets `error` to the system's error number.
std::optional<std::string> createTemporaryBeside(const std::string& finalPath, int& error);

class OutputStage {
  public:
    explicit OutputStage(std::string dir) : dir_(std::move(dir)) {}
    OutputStage(const OutputStage&) = delete;
    OutputStage& operator=(const OutputStage&) = delete;
    // Temporary files that were not committed are removed.
    ~OutputStage();

    // Writes `content` to a temporary file for `name`; on failure returns
    // "<path>: <reason>" and leaves nothing behind for that name.
    std::optional<std::string> stage(const std::string& name, std::string_view content);

    // Renames every staged file to its name; the first failure is returned.
    std::optional<std::string> commit();

  private:
    struct Staged {
        std::string temporary;
        std::string final;
    };
    std::string dir_;
    std::vector<Staged> staged_;
};

}  // namespace opbaff::view
