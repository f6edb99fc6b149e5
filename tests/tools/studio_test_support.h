// The studio's server for the tool's tests: run on a loopback port the system
// chooses, on its own thread, stopped and joined when the test ends.
#pragma once

#include <httplib.h>

#include <string>
#include <thread>

#include "studio_server.h"

namespace opbaff::tools::test {

class RunningStudio {
  public:
    explicit RunningStudio(StudioSettings settings = {}, ServerLimits limits = {});
    explicit RunningStudio(ServerLimits limits) : RunningStudio(StudioSettings{}, limits) {}
    RunningStudio(const RunningStudio&) = delete;
    RunningStudio& operator=(const RunningStudio&) = delete;
    ~RunningStudio();

    int port() const { return port_; }
    ServerCounts counts() const { return server_.counts(); }

    // A client whose paths go out exactly as written, waiting at most
    // `readTimeoutSeconds` for an answer.
    httplib::Client client(int readTimeoutSeconds = 60) const;

  private:
    StudioServer server_;
    int port_ = 0;
    std::thread thread_;
};

}  // namespace opbaff::tools::test
