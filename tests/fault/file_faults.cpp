// A preload library that injects faults into the run's file operations.
//
// It recognises the result file and the parameter file by the names of the
// files behind their descriptors, and is controlled by the environment:
//   OPBAFF_FAULT      enospc | sigint | sigterm | sigabrt | sigfpe
//                     | sigint-reading | cut-eio
//   OPBAFF_FAULT_ROW  N (1-based), for the row faults
// enospc fails the Nth write to "OPBAFF.bds" (one per row) with ENOSPC,
// writing nothing; a signal name raises that signal right after the Nth row
// write has returned. sigint-reading raises SIGINT as the first read of
// "Opbaffin.txt" begins; cut-eio fails every ftruncate of "OPBAFF.bds" with
// EIO.

#include <dlfcn.h>
#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum class Operation { rowWrite, parameterRead, cut };

struct Fault {
    const char* name;
    Operation operation;
    int signal;  // 0: fail with the error instead
    int error;
};

constexpr std::array<Fault, 7> kFaults{{
    {"enospc", Operation::rowWrite, 0, ENOSPC},
    {"sigint", Operation::rowWrite, SIGINT, 0},
    {"sigterm", Operation::rowWrite, SIGTERM, 0},
    {"sigabrt", Operation::rowWrite, SIGABRT, 0},
    {"sigfpe", Operation::rowWrite, SIGFPE, 0},
    {"sigint-reading", Operation::parameterRead, SIGINT, 0},
    {"cut-eio", Operation::cut, 0, EIO},
}};

struct Setting {
    const Fault* fault = nullptr;
    long row = 0;
};

Setting readSetting() {
    Setting chosen;
    const char* name = std::getenv("OPBAFF_FAULT");
    const char* row = std::getenv("OPBAFF_FAULT_ROW");
    for (const Fault& fault : kFaults) {
        if (name != nullptr && std::strcmp(fault.name, name) == 0) chosen.fault = &fault;
    }
    chosen.row = row == nullptr ? 0 : std::strtol(row, nullptr, 10);
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

}  // namespace

extern "C" ssize_t write(int descriptor, const void* data, size_t length) {
    static const auto realWrite = next<ssize_t (*)(int, const void*, size_t)>("write");
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
