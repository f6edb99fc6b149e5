// A preload library that injects faults into the writes of result rows.
//
// It intercepts write(2) on a descriptor whose file is named "OPBAFF.bds" and
// counts those writes (one per row). Controlled by the environment:
//   OPBAFF_FAULT      enospc | sigint | sigterm | sigabrt | sigfpe
//   OPBAFF_FAULT_ROW  N (1-based)
// enospc fails the Nth row write with ENOSPC, writing nothing; a signal name
// raises that signal right after the Nth row write has returned.

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using WriteFunction = ssize_t (*)(int, const void*, size_t);

struct Fault {
    const char* name;
    int signal;  // 0: fail with ENOSPC instead
};

constexpr std::array<Fault, 5> kFaults{{
    {"enospc", 0},
    {"sigint", SIGINT},
    {"sigterm", SIGTERM},
    {"sigabrt", SIGABRT},
    {"sigfpe", SIGFPE},
}};

struct Setting {
    const Fault* fault = nullptr;
    long row = 0;
};

Setting readSetting() {
    Setting setting;
    const char* name = std::getenv("OPBAFF_FAULT");
    const char* row = std::getenv("OPBAFF_FAULT_ROW");
    if (name == nullptr || row == nullptr) return setting;
    for (const Fault& fault : kFaults) {
        if (std::strcmp(fault.name, name) == 0) setting.fault = &fault;
    }
    setting.row = std::strtol(row, nullptr, 10);
    return setting;
}

bool isResultFile(int descriptor) {
    std::array<char, 64> link{};
    std::array<char, 4096> target{};
    std::snprintf(link.data(), link.size(), "/proc/self/fd/%d", descriptor);
    const ssize_t length = readlink(link.data(), target.data(), target.size() - 1);
    if (length <= 0) return false;
    const char* slash = std::strrchr(target.data(), '/');
    return std::strcmp(slash == nullptr ? target.data() : slash + 1, "OPBAFF.bds") == 0;
}

long gRowWrites = 0;  // NOLINT(*-avoid-non-const-global-variables)

}  // namespace

extern "C" ssize_t write(int descriptor, const void* data, size_t length) {
    static const auto realWrite = reinterpret_cast<WriteFunction>(dlsym(RTLD_NEXT, "write"));
    static const Setting setting = readSetting();
    if (setting.fault == nullptr || !isResultFile(descriptor)) {
        return realWrite(descriptor, data, length);
    }
    const long row = ++gRowWrites;
    if (row == setting.row && setting.fault->signal == 0) {
        errno = ENOSPC;
        return -1;
    }
    const ssize_t written = realWrite(descriptor, data, length);
    if (row == setting.row) std::raise(setting.fault->signal);
    return written;
}
