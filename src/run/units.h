// A connected file: a unit number, the file's plain name, its descriptor and
// how it may be used. Opening keeps an existing file as it is; a unit that has
// been written is cut, when it is closed, right after its last complete record.
#pragma once

#include <csignal>
#include <cstddef>

namespace opbaff {

enum class Access { none, readWrite, readOnly, writeOnly };

// The members a signal handler reads (descriptor, regular file, write
// started, written length) are volatile sig_atomic_t, so that the exit
// processing can run from a handler.
struct Unit {
    int number = 0;
    const char* name = "";
    volatile std::sig_atomic_t descriptor = -1;
    volatile std::sig_atomic_t regularFile = 0;    // only regular files are cut
    volatile std::sig_atomic_t writeStarted = 0;   // a record write has begun
    volatile std::sig_atomic_t writtenLength = 0;  // bytes of complete records
    Access access = Access::none;
};

// Opens the unit's file read-write, else read-only, else creates it (or
// opens it) write-only, never truncating. A directory does not count as
// opened. Returns 0, or the errno of the last attempt.
int openUnit(Unit& unit);

// A unit open for writing only is reopened read-write at its position
// before its first read; false if that fails.
bool prepareForReading(Unit& unit);

// A unit open for reading only is reopened read-write at its position
// before its first write; false if that fails.
bool prepareForWriting(Unit& unit);

// Writes one record in whole at the current position and counts it as
// complete; a signal that arrives meanwhile waits until the count is
// updated. Returns 0, or the errno of the failed write.
int writeRecord(Unit& unit, const char* data, std::size_t length);

// Cuts a written regular file after its last complete record and closes the
// unit. A closed unit is left alone. Returns 0, or the errno of the first
// failure. Async-signal-safe.
int closeUnit(Unit& unit);

}  // namespace opbaff
