// The baffle's own response: a response with the driver's high-pass divided out.
#include <cmath>
#include <complex>

#include "api/fp_environment.h"
#include "opbaff/response.h"

namespace opbaff {

Response baffleOnlyResponse(Response response, const Design& design) {
    const ExactEnvironment exact;
    const std::vector<float>& frequencies = response.frequenciesHz;
    for (ResponseColumn& column : response.columns) {
        if (column.kind == ResponseKind::referenceLevel) continue;
        for (std::size_t i = 0; i < column.levelsDb.size() && i < frequencies.size(); ++i) {
            const double highPassDb =
                20.0 * std::log10(std::abs(driverHighPass(design, frequencies[i])));
            column.levelsDb[i] = static_cast<float>(column.levelsDb[i] - highPassDb);
        }
    }
    return response;
}

}  // namespace opbaff
