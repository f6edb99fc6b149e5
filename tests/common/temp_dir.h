// A fresh folder for one test, removed with its contents when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace opbaff::test {

class TempDir {
  public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    // The path of an entry of the folder.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace opbaff::test
