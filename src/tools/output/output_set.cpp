#include "output_set.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace opbaff::tools {
namespace {

std::string problem(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

class SystemFileOps final : public FileOps {};

// ".<name>.<kind>-<pid>-<n>" beside the final path.
std::string besideName(const std::string& finalPath, const char* kind) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = finalPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return finalPath.substr(0, nameStart) + "." + finalPath.substr(nameStart) + "." + kind + "-" +
           std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

int FileOps::createNew(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    return ::close(fd) == 0 ? 0 : errno;
}

int FileOps::writeWhole(const std::string& path, std::string_view content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = 0;
    while (!content.empty() && error == 0) {
        const ssize_t count = ::write(fd, content.data(), content.size());
        if (count < 0 && errno != EINTR) error = errno;
        if (count > 0) content.remove_prefix(static_cast<std::size_t>(count));
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

int FileOps::link(const std::string& existing, const std::string& newPath) {
    return ::link(existing.c_str(), newPath.c_str()) == 0 ? 0 : errno;
}

int FileOps::rename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int FileOps::unlink(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

bool FileOps::exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

int FileOps::sync(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

int FileOps::makeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

int FileOps::removeFolder(const std::string& path) {
    return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

FileOps& systemFileOps() {
    static SystemFileOps ops;
    return ops;
}

std::string pathIn(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir == ".") return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

OutputSet::~OutputSet() {
    removeTemporaries();
    removeMadeFolders();
}

// "interrupted by SIGTERM" once a stop signal has arrived.
std::optional<std::string> OutputSet::stopped() {
    if (interruptedBy_ == 0) interruptedBy_ = interrupts_.pending();
    if (interruptedBy_ == 0) return std::nullopt;
    return "interrupted by " + signalName(interruptedBy_);
}

// The folder and its missing parents, outermost first; each is removed again
// unless the set is committed.
std::optional<std::string> OutputSet::makeFolders() {
    if (foldersChecked_ || dir_.empty()) return std::nullopt;
    foldersChecked_ = true;
    std::filesystem::path start = dir_;
    while (start.has_relative_path() && start.filename().empty()) start = start.parent_path();
    std::vector<std::string> missing;
    for (std::filesystem::path folder = start; !folder.empty() && !ops_.exists(folder.string());
         folder = folder.parent_path()) {
        if (folder == folder.parent_path()) break;  // the root
        missing.push_back(folder.string());
    }
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        if (auto failure = stopped()) return failure;
        const int error = ops_.makeFolder(*folder);
        if (error == EEXIST) continue;  // made meanwhile by someone else: not ours to remove
        if (error != 0) return problem(*folder, error);
        madeFolders_.push_back(*folder);
    }
    return std::nullopt;
}

void OutputSet::removeMadeFolders() {
    for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder) {
        ops_.removeFolder(*folder);
    }
    madeFolders_.clear();
}

std::optional<std::string> OutputSet::reserve(const std::string& name, std::string& temporaryPath) {
    if (auto failure = makeFolders()) return failure;
    const std::string final = pathIn(dir_, name);
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (auto failure = stopped()) return failure;
        std::string temporary = besideName(final, "tmp");
        const int error = ops_.createNew(temporary);
        if (error == 0) {
            staged_.push_back({name, temporary, final, ""});
            temporaryPath = temporary;
            return std::nullopt;
        }
        if (error != EEXIST) return problem(final, error);
    }
    return problem(final, EEXIST);
}

std::optional<std::string> OutputSet::add(const std::string& name, std::string_view content) {
    std::string temporary;
    if (auto failure = reserve(name, temporary)) return failure;
    if (auto failure = stopped()) {
        drop(name);
        return failure;
    }
    const int error = ops_.writeWhole(temporary, content);
    if (error == 0) return std::nullopt;
    drop(name);
    return problem(pathIn(dir_, name), error);
}

void OutputSet::drop(const std::string& name) {
    for (auto file = staged_.begin(); file != staged_.end(); ++file) {
        if (file->name != name) continue;
        ops_.unlink(file->temporary);
        staged_.erase(file);
        return;
    }
}

std::vector<std::string> OutputSet::names() const {
    std::vector<std::string> names(staged_.size());
    std::transform(staged_.begin(), staged_.end(), names.begin(),
                   [](const Staged& file) { return file.name; });
    return names;
}

// A second name for the file that `file` replaces, so that it can be put back.
std::optional<std::string> OutputSet::backUp(Staged& file) {
    if (!ops_.exists(file.final)) return std::nullopt;
    const std::string backup = besideName(file.final, "old");
    const int error = ops_.link(file.final, backup);
    if (error != 0) return problem(file.final, error);
    file.backup = backup;
    return std::nullopt;
}

// Undoes the first `placed` renames: a replaced file gets its old contents
// back, an added one goes. Should a file not get its contents back, they are
// kept under the backup's name, which is returned.
std::string OutputSet::rollBack(std::size_t placed) {
    std::string kept;
    for (std::size_t k = placed; k-- > 0;) {
        Staged& file = staged_[k];
        if (file.backup.empty()) {
            ops_.unlink(file.final);
        } else if (ops_.rename(file.backup, file.final) != 0) {
            kept += "; the older " + file.final + " is kept as " + file.backup;
        }
        file.backup.clear();
    }
    return kept;
}

void OutputSet::removeTemporaries() {
    for (const Staged& file : staged_) {
        ops_.unlink(file.temporary);
        if (!file.backup.empty()) ops_.unlink(file.backup);
    }
    staged_.clear();
}

// Every file durable under its temporary name, the files it replaces given
// second names, then the renames into place: each step only once the ones
// before it have all succeeded and no stop signal has come. `placed` counts the
// renames done, which is all that rollBack() needs to know.
std::optional<std::string> OutputSet::placeAll(std::size_t& placed) {
    for (const Staged& file : staged_) {
        if (auto failure = stopped()) return failure;
        if (const int error = ops_.sync(file.temporary)) return problem(file.final, error);
    }
    for (Staged& file : staged_) {
        if (auto failure = stopped()) return failure;
        if (auto failure = backUp(file)) return failure;
    }
    for (; placed < staged_.size(); ++placed) {
        if (auto failure = stopped()) return failure;
        const Staged& file = staged_[placed];
        if (const int error = ops_.rename(file.temporary, file.final)) {
            return problem(file.final, error);
        }
    }
    // The renames themselves reach the disk with the folder's own fsync.
    if (const int error = ops_.sync(dir_.empty() ? "." : dir_)) return problem(dir_, error);
    return std::nullopt;
}

std::optional<std::string> OutputSet::commit() {
    if (staged_.empty()) return stopped();
    std::size_t placed = 0;
    std::optional<std::string> failure = placeAll(placed);
    if (failure) {
        *failure += rollBack(placed);
        if (placed > 0) ops_.sync(dir_.empty() ? "." : dir_);
    } else {
        madeFolders_.clear();  // they hold the set now
    }
    removeTemporaries();
    return failure;
}

}  // namespace opbaff::tools
