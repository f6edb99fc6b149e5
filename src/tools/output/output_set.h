// A set of output files that appears whole or not at all. Each file is first
// written under a temporary name in its folder; commit() then makes every one
// durable (fsync), gives each file it replaces a second name, and renames the
// new files into place. The list of staged files is the journal of that
// commit: if any step fails, or SIGINT, SIGTERM or SIGHUP arrives, it puts
// back each file it had replaced and removes each one it had added, then every
// temporary and backup file, so that the folder is as it was before.
//
// Those signals are held for the whole life of the set (see held_interrupts.h)
// and looked for before each step; the undoing thus runs in ordinary code, and
// the signal ends the process only when the set is gone, with the folder
// either as it was or holding the whole new set (a signal after the last
// rename).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "held_interrupts.h"

namespace opbaff::tools {

// The file operations an output set performs, one place for tests to make any
// of them fail. Each returns 0 or the system's error number.
class FileOps {
  public:
    virtual ~FileOps() = default;
    virtual int createNew(const std::string& path);  // an empty file that did not exist
    virtual int writeWhole(const std::string& path, std::string_view content);
    virtual int link(const std::string& existing, const std::string& newPath);
    virtual int rename(const std::string& from, const std::string& to);
    virtual int unlink(const std::string& path);
    virtual bool exists(const std::string& path);
    virtual int sync(const std::string& path);  // fsync of a file or a folder
    virtual int makeFolder(const std::string& path);
    virtual int removeFolder(const std::string& path);
};

// The operations of the system.
FileOps& systemFileOps();

// "<dir>/<name>", or the name alone when the folder is "." or empty.
std::string pathIn(const std::string& dir, const std::string& name);

class OutputSet {
  public:
    explicit OutputSet(std::string dir, FileOps& ops = systemFileOps())
        : dir_(std::move(dir)), ops_(ops) {}
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;
    // Temporary files of a set that was not committed are removed, and so
    // are the folders it made.
    ~OutputSet();

    const std::string& dir() const { return dir_; }

    // The held stop signals, for work done on the set's behalf.
    HeldInterrupts& interrupts() { return interrupts_; }

    // The stop signal that ended the set, or 0.
    int interruptedBy() const { return interruptedBy_; }

    // The folder and any missing parents are made with the first file.
    // Writes `content` under a temporary name for `name`. On failure returns
    // "<path>: <reason>" and keeps nothing of it.
    std::optional<std::string> add(const std::string& name, std::string_view content);

    // A new empty temporary file for `name`, for another program to fill, its
    // path set in `temporaryPath`; or the failure "<path>: <reason>". drop()
    // takes it out of the set again.
    std::optional<std::string> reserve(const std::string& name, std::string& temporaryPath);
    void drop(const std::string& name);

    // Puts every file in place, or none: the first failure is returned, and the
    // folder holds what it held before.
    std::optional<std::string> commit();

    // The names of the files in the set, in the order they were added.
    std::vector<std::string> names() const;

  private:
    struct Staged {
        std::string name;
        std::string temporary;
        std::string final;
        std::string backup;  // a second name of the file it replaces, while committing
    };
    std::optional<std::string> backUp(Staged& file);
    std::optional<std::string> placeAll(std::size_t& placed);
    std::string rollBack(std::size_t placed);
    void removeTemporaries();
    void removeMadeFolders();
    std::optional<std::string> makeFolders();
    std::optional<std::string> stopped();

    HeldInterrupts interrupts_;  // first made, last gone: after the clean-up
    std::string dir_;
    FileOps& ops_;
    std::vector<Staged> staged_;
    std::vector<std::string> madeFolders_;  // outermost first
    bool foldersChecked_ = false;
    int interruptedBy_ = 0;
};

}  // namespace opbaff::tools
