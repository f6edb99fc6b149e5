#include "run/unit_input.h"

#include <unistd.h>

#include <cerrno>

#include "run/failure_report.h"

namespace opbaff {

long UnitInput::readSome(char* buffer, std::size_t capacity) {
    if (!prepared_) {
        if (!prepareForReading(unit_)) {
            endWithReport(unit_, Statement::listRead,
                          placeAndReason("read start", "can't read file"));
        }
        prepared_ = true;
    }
    ssize_t count = 0;
    do {
        count = read(unit_.descriptor, buffer, capacity);
    } while (count < 0 && errno == EINTR);
    return count;
}

}  // namespace opbaff
