#include "run/units.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace opbaff {

namespace {

constexpr mode_t kCreationMode = 0666;  // before the umask

struct OpenAttempt {
    int flags;
    Access access;
};

// Neither O_TRUNC nor O_APPEND: rows are written from the start of the file,
// over whatever an older file holds.
constexpr std::array<OpenAttempt, 3> kOpenAttempts{{
    {O_RDWR, Access::readWrite},
    {O_RDONLY, Access::readOnly},
    {O_WRONLY | O_CREAT, Access::writeOnly},
}};

// Takes over an opened descriptor, or refuses it (with its errno) when it
// is a directory, which the platform lets one open for reading.
int adopt(Unit& unit, int descriptor, Access access) {
    struct stat status {};
    int error = fstat(descriptor, &status) == 0 ? 0 : errno;
    if (error == 0 && S_ISDIR(status.st_mode)) error = EISDIR;
    if (error != 0) {
        close(descriptor);
        return error;
    }
    unit.access = access;
    unit.regularFile = S_ISREG(status.st_mode) ? 1 : 0;
    unit.descriptor = descriptor;
    return 0;
}

// Replaces the unit's descriptor, under the same number, by one opened
// read-write on the same name and placed at the same position.
bool reopenReadWrite(Unit& unit) {
    const off_t position = lseek(unit.descriptor, 0, SEEK_CUR);
    const int descriptor = open(unit.name, O_RDWR | O_CLOEXEC);
    if (descriptor < 0) return false;
    const bool placed = position <= 0 || lseek(descriptor, position, SEEK_SET) == position;
    const bool replaced = placed && dup3(descriptor, unit.descriptor, O_CLOEXEC) >= 0;
    close(descriptor);
    if (replaced) unit.access = Access::readWrite;
    return replaced;
}

// Blocks every signal for the lifetime of the object.
class SignalHold {
  public:
    SignalHold() {
        sigset_t all;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, &previous_);
    }
    ~SignalHold() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;
    SignalHold(SignalHold&&) = delete;
    SignalHold& operator=(SignalHold&&) = delete;

  private:
    sigset_t previous_{};
};

}  // namespace

int openUnit(Unit& unit) {
    int error = 0;
    for (const OpenAttempt& attempt : kOpenAttempts) {
        const int descriptor = open(unit.name, attempt.flags | O_CLOEXEC, kCreationMode);
        if (descriptor >= 0) return adopt(unit, descriptor, attempt.access);
        error = errno;
    }
    return error;
}

bool prepareForReading(Unit& unit) {
    return unit.access != Access::writeOnly || reopenReadWrite(unit);
}

bool prepareForWriting(Unit& unit) {
    return unit.access != Access::readOnly || reopenReadWrite(unit);
}

int writeRecord(Unit& unit, const char* data, std::size_t length) {
    const SignalHold hold;
    unit.writeStarted = 1;
    std::size_t done = 0;
    while (done < length) {
        const ssize_t count = write(unit.descriptor, data + done, length - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return errno;
        if (count == 0) return EIO;
        done += static_cast<std::size_t>(count);
    }
    unit.writtenLength = static_cast<std::sig_atomic_t>(unit.writtenLength + done);
    return 0;
}

int closeUnit(Unit& unit) {
    const int descriptor = unit.descriptor;
    if (descriptor < 0) return 0;
    unit.descriptor = -1;
    int error = 0;
    if (unit.writeStarted != 0 && unit.regularFile != 0 &&
        ftruncate(descriptor, unit.writtenLength) != 0) {
        error = errno;
    }
    if (close(descriptor) != 0 && errno != EINTR && error == 0) error = errno;
    return error;
}

}  // namespace opbaff
