// The studio's web server: the API and the page's embedded files over HTTP
// (cpp-httplib), with every resource bounded: a fixed pool of worker threads, a
// queue of waiting connections of bounded length, a body size limit, and read,
// write and keep-alive timeouts.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "opbaff/result.h"
#include "tools/studio_api.h"

namespace opbaff::tools {

struct ServerLimits {
    std::size_t workerThreads = 8;
    // Accepted connections waiting for a worker, and as many again waiting in
    // the system's backlog to be accepted.
    std::size_t waitingConnections = 32;
    int readTimeoutSeconds = 5;
    int writeTimeoutSeconds = 5;
    int keepAliveSeconds = 2;
    std::size_t requestsPerConnection = 100;
};

class StudioServer {
  public:
    explicit StudioServer(StudioSettings settings, ServerLimits limits = {});
    StudioServer(const StudioServer&) = delete;
    StudioServer& operator=(const StudioServer&) = delete;
    ~StudioServer();

    // Opens the listening socket on `host` (a name or an address) and `port`
    // (0: one the system chooses). Returns the port, or "cannot listen on
    // HOST:PORT: <reason>". Another server on the port is refused, not shared.
    Result<int, std::string> bind(const std::string& host, int port);

    // Answers requests until stop(); returns at once if stop() came first.
    void run();

    // Stops the server from any thread, once or more: run() returns after the
    // requests in progress are answered.
    void stop();

  private:
    struct Http;
    std::unique_ptr<Http> http_;
    ServerLimits limits_;
    std::mutex mutex_;
    bool stopRequested_ = false;
    bool running_ = false;
    std::atomic<bool> finished_ = false;
};

}  // namespace opbaff::tools
