#include "studio_test_support.h"

#include <stdexcept>
#include <utility>

namespace opbaff::tools::test {

RunningStudio::RunningStudio(StudioSettings settings, ServerLimits limits)
    : server_(std::move(settings), limits) {
    const auto bound = server_.bind("127.0.0.1", 0);
    if (!bound) throw std::runtime_error(bound.error());
    port_ = *bound;
    thread_ = std::thread([this] { server_.run(); });
}

RunningStudio::~RunningStudio() {
    server_.stop();
    thread_.join();
}

httplib::Client RunningStudio::client(int readTimeoutSeconds) const {
    httplib::Client client("127.0.0.1", port_);
    client.set_url_encode(false);
    client.set_read_timeout(readTimeoutSeconds, 0);
    return client;
}

}  // namespace opbaff::tools::test
