// A preload library that injects faults into the run's file operations.
//
// It recognises the result file and the parameter file by the names of the
// files behind their descriptors, and is controlled by the environment:
//   OPBAFF_FAULT      enospc | sigint | sigterm | sigabrt | sigfpe
//                     | sigint-reading | cut-eio | enospc-partial
//                     | sigint-sums | sigterm-sums | sigabrt-sums | sigfpe-sums
//                     | count-sums
//   OPBAFF_FAULT_ROW  N (1-based), for the row faults
//   OPBAFF_FAULT_CALL N (1-based), for the faults in the sums
// enospc fails the Nth write to "OPBAFF.bds" (one per row) with ENOSPC,
// writing nothing; a signal name raises that signal right after the Nth row
// write has returned. sigint-reading raises SIGINT as the first read of
// "Opbaffin.txt" begins; cut-eio fails every ftruncate of "OPBAFF.bds" with
// EIO. enospc-partial writes only the first part of the Nth row write and
// fails the write of its rest with ENOSPC, as a disk filling up mid-row does.
//
// The folder faults concern opbaff-design alone (not the programs it starts)
// and count its operations on the folder OPBAFF_FAULT_DIR and the files in it:
// open, fsync, link, rename, unlink, mkdir and rmdir (not write: how often a
// picture copied from a pipe is written depends on the pipe).
//   signal-in-folder  raises OPBAFF_FAULT_SIGNAL (a number) right after the
//                     OPBAFF_FAULT_CALL-th of them has returned;
//   count-in-folder   writes "folder operations: <count>" and a line feed to
//                     standard error when the process exits normally.
//
// The sums faults count the calls of sincos, which gives the delay factor of
// every rear path (and the directions of the edge geometry) before any row of
// the rectangular model is written: a signal name raises that signal as the
// Nth call returns; count-sums writes "sincos calls: <count>" and a line feed
// to standard error when the process exits normally.

#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

enum class Operation { rowWrite, parameterRead, cut, partialRowWrite, sincosCall };

struct Fault {
    const char* name;
    Operation operation;
    int signal;  // 0: fail with the error instead
    int error;
};

constexpr std::array<Fault, 13> kFaults{{
    {"enospc", Operation::rowWrite, 0, ENOSPC},
    {"sigint", Operation::rowWrite, SIGINT, 0},
    {"sigterm", Operation::rowWrite, SIGTERM, 0},
    {"sigabrt", Operation::rowWrite, SIGABRT, 0},
    {"sigfpe", Operation::rowWrite, SIGFPE, 0},
    {"sigint-reading", Operation::parameterRead, SIGINT, 0},
    {"cut-eio", Operation::cut, 0, EIO},
    {"enospc-partial", Operation::partialRowWrite, 0, ENOSPC},
    {"sigint-sums", Operation::sincosCall, SIGINT, 0},
    {"sigterm-sums", Operation::sincosCall, SIGTERM, 0},
    {"sigabrt-sums", Operation::sincosCall, SIGABRT, 0},
    {"sigfpe-sums", Operation::sincosCall, SIGFPE, 0},
    {"count-sums", Operation::sincosCall, 0, 0},
}};

struct Setting {
    const Fault* fault = nullptr;
    long row = 0;
    long call = 0;
};

Setting readSetting() {
    Setting chosen;
    const char* name = std::getenv("OPBAFF_FAULT");
    const char* row = std::getenv("OPBAFF_FAULT_ROW");
    for (const Fault& fault : kFaults) {
        if (name != nullptr && std::strcmp(fault.name, name) == 0) chosen.fault = &fault;
    }
    chosen.row = row == nullptr ? 0 : std::strtol(row, nullptr, 10);
    const char* call = std::getenv("OPBAFF_FAULT_CALL");
    chosen.call = call == nullptr ? 0 : std::strtol(call, nullptr, 10);
    return chosen;
}

const Setting& setting() {
    static const Setting kSetting = readSetting();
    return kSetting;
}

// Whether the setting's fault concerns this operation on this descriptor.
bool faultApplies(Operation operation, int descriptor) {
    const Fault* fault = setting().fault;
    if (fault == nullptr || fault->operation != operation) return false;
    std::array<char, 64> link{};
    std::array<char, 4096> target{};
    static_cast<void>(std::snprintf(link.data(), link.size(), "/proc/self/fd/%d", descriptor));
    const ssize_t length = readlink(link.data(), target.data(), target.size() - 1);
    if (length <= 0) return false;
    const char* slash = std::strrchr(target.data(), '/');
    const char* name = slash == nullptr ? target.data() : slash + 1;
    return std::strcmp(name,
                       operation == Operation::parameterRead ? "Opbaffin.txt" : "OPBAFF.bds") == 0;
}

template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));  // NOLINT(*-reinterpret-cast)
}

long gRowWrites = 0;       // NOLINT(*-avoid-non-const-global-variables)
bool gReadRaised = false;  // NOLINT(*-avoid-non-const-global-variables)
long gSincosCalls = 0;     // NOLINT(*-avoid-non-const-global-variables)

constexpr size_t kPartialRowBytes = 30;

// The Nth row write stores only its first bytes; the write of the rest fails.
ssize_t partialRowWrite(ssize_t (*realWrite)(int, const void*, size_t), int descriptor,
                        const void* data, size_t length) {
    const long count = ++gRowWrites;
    if (count == setting().row) {
        return realWrite(descriptor, data, length < kPartialRowBytes ? length : kPartialRowBytes);
    }
    if (count == setting().row + 1) {
        errno = setting().fault->error;
        return -1;
    }
    return realWrite(descriptor, data, length);
}

bool countsSincos() {
    const Fault* fault = setting().fault;
    return fault != nullptr && fault->operation == Operation::sincosCall;
}

// The count for count-sums, written at a normal exit only.
__attribute__((destructor)) void reportSincosCalls() {
    if (!countsSincos() || setting().fault->signal != 0) return;
    std::array<char, 64> line{};
    const int length = std::snprintf(line.data(), line.size(), "sincos calls: %ld\n", gSincosCalls);
    if (length > 0)
        static_cast<void>(write(STDERR_FILENO, line.data(), static_cast<size_t>(length)));
}

// The folder faults.
struct FolderSetting {
    bool counting = false;
    int signal = 0;
    long call = 0;
    std::string_view dir;
};

FolderSetting readFolderSetting() {
    FolderSetting chosen;
    const char* name = std::getenv("OPBAFF_FAULT");
    const char* dir = std::getenv("OPBAFF_FAULT_DIR");
    const bool ours = std::strcmp(program_invocation_short_name, "opbaff-design") == 0;
    if (name == nullptr || dir == nullptr || !ours) return chosen;
    chosen.dir = dir;
    if (std::strcmp(name, "count-in-folder") == 0) chosen.counting = true;
    if (std::strcmp(name, "signal-in-folder") == 0) {
        const char* signal = std::getenv("OPBAFF_FAULT_SIGNAL");
        const char* call = std::getenv("OPBAFF_FAULT_CALL");
        chosen.signal = signal == nullptr ? 0 : static_cast<int>(std::strtol(signal, nullptr, 10));
        chosen.call = call == nullptr ? 0 : std::strtol(call, nullptr, 10);
    }
    return chosen;
}

const FolderSetting& folderSetting() {
    static const FolderSetting kSetting = readFolderSetting();
    return kSetting;
}

long gFolderOperations = 0;  // NOLINT(*-avoid-non-const-global-variables)

bool inFolder(const char* path) {
    const std::string_view dir = folderSetting().dir;
    if (dir.empty() || path == nullptr) return false;
    const std::string_view whole(path);
    return whole.starts_with(dir) && (whole.size() == dir.size() || whole[dir.size()] == '/');
}

bool descriptorInFolder(int descriptor) {
    if (folderSetting().dir.empty()) return false;
    std::array<char, 64> link{};
    std::array<char, 4096> target{};
    static_cast<void>(std::snprintf(link.data(), link.size(), "/proc/self/fd/%d", descriptor));
    const ssize_t length = readlink(link.data(), target.data(), target.size() - 1);
    return length > 0 && inFolder(target.data());
}

// Called after an operation has returned, with whether it concerned the folder.
void folderOperation(bool concerned) {
    if (!concerned) return;
    const FolderSetting& chosen = folderSetting();
    if (++gFolderOperations == chosen.call && chosen.signal != 0) {
        static_cast<void>(std::raise(chosen.signal));
    }
}

// The programs opbaff-design starts (gnuplot, a shell) run without this
// library: a sanitizer build of it would not load into them.
__attribute__((constructor)) void keepFolderFaultsToThisProgram() {
    if (std::getenv("OPBAFF_FAULT_DIR") != nullptr) unsetenv("LD_PRELOAD");
}

__attribute__((destructor)) void reportFolderOperations() {
    if (!folderSetting().counting) return;
    std::array<char, 64> line{};
    const int length =
        std::snprintf(line.data(), line.size(), "folder operations: %ld\n", gFolderOperations);
    if (length > 0)
        static_cast<void>(write(STDERR_FILENO, line.data(), static_cast<size_t>(length)));
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
    static const auto realOpen = next<int (*)(const char*, int, ...)>("open");
    va_list arguments;
    va_start(arguments, flags);
    const auto mode = static_cast<mode_t>(va_arg(arguments, int));
    va_end(arguments);
    const int result = realOpen(path, flags, mode);
    folderOperation(inFolder(path));
    return result;
}

extern "C" int fsync(int descriptor) {
    static const auto realFsync = next<int (*)(int)>("fsync");
    const bool concerned = descriptorInFolder(descriptor);
    const int result = realFsync(descriptor);
    folderOperation(concerned);
    return result;
}

extern "C" int link(const char* existing, const char* newPath) noexcept {
    static const auto realLink = next<int (*)(const char*, const char*)>("link");
    const int result = realLink(existing, newPath);
    folderOperation(inFolder(newPath));
    return result;
}

extern "C" int rename(const char* from, const char* to) noexcept {
    static const auto realRename = next<int (*)(const char*, const char*)>("rename");
    const int result = realRename(from, to);
    folderOperation(inFolder(to));
    return result;
}

extern "C" int unlink(const char* path) noexcept {
    static const auto realUnlink = next<int (*)(const char*)>("unlink");
    const int result = realUnlink(path);
    folderOperation(inFolder(path));
    return result;
}

extern "C" int mkdir(const char* path, mode_t mode) noexcept {
    static const auto realMkdir = next<int (*)(const char*, mode_t)>("mkdir");
    const int result = realMkdir(path, mode);
    folderOperation(inFolder(path));
    return result;
}

extern "C" int rmdir(const char* path) noexcept {
    static const auto realRmdir = next<int (*)(const char*)>("rmdir");
    const int result = realRmdir(path);
    folderOperation(inFolder(path));
    return result;
}

extern "C" ssize_t write(int descriptor, const void* data, size_t length) {
    static const auto realWrite = next<ssize_t (*)(int, const void*, size_t)>("write");
    if (faultApplies(Operation::partialRowWrite, descriptor)) {
        return partialRowWrite(realWrite, descriptor, data, length);
    }
    if (!faultApplies(Operation::rowWrite, descriptor)) return realWrite(descriptor, data, length);
    const Fault& fault = *setting().fault;
    const bool due = ++gRowWrites == setting().row;
    if (due && fault.signal == 0) {
        errno = fault.error;
        return -1;
    }
    const ssize_t written = realWrite(descriptor, data, length);
    if (due) static_cast<void>(std::raise(fault.signal));
    return written;
}

extern "C" ssize_t read(int descriptor, void* buffer, size_t capacity) {
    static const auto realRead = next<ssize_t (*)(int, void*, size_t)>("read");
    if (!gReadRaised && faultApplies(Operation::parameterRead, descriptor)) {
        gReadRaised = true;
        static_cast<void>(std::raise(setting().fault->signal));
    }
    return realRead(descriptor, buffer, capacity);
}

extern "C" int ftruncate(int descriptor, off_t length) {
    static const auto realTruncate = next<int (*)(int, off_t)>("ftruncate");
    if (!faultApplies(Operation::cut, descriptor)) return realTruncate(descriptor, length);
    errno = setting().fault->error;
    return -1;
}

extern "C" void sincos(double x, double* sine, double* cosine) noexcept {
    static const auto realSincos = next<void (*)(double, double*, double*)>("sincos");
    realSincos(x, sine, cosine);
    if (!countsSincos()) return;
    const Fault& fault = *setting().fault;
    if (++gSincosCalls == setting().call && fault.signal != 0) {
        static_cast<void>(std::raise(fault.signal));
    }
}
