// The studio's web server: the API and the page's embedded files over HTTP
// (Boost.Beast on Asio). One thread waits on every connection at once (epoll);
// computations run on a small pool of workers while their connection is set
// aside, so that neither a slow client nor an idle kept-alive one holds a
// worker. Every resource is bounded: connections, header memory, body size,
// the time a request may take to arrive and its answer to leave, the cost of a
// computation, and the bytes of answers waiting for their clients.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "opbaff/result.h"
#include "studio_api.h"

namespace opbaff::tools {

struct ServerLimits {
    // Workers for requests of at most costlyPairs (frequency, angle) pairs,
    // and the requests that may wait for them, their connections set aside;
    // beyond these, or beyond heldBytes, 503 at once.
    std::size_t workerThreads = 2;
    std::size_t waitingComputations = 1500;
    // Costlier requests (large polar sets) have workers of their own, and few
    // may wait: a flood of them neither delays the others nor piles up work.
    std::size_t costlyPairs = 20000;
    std::size_t costlyThreads = 2;
    std::size_t waitingCostly = 4;
    std::size_t connections = 1500;
    // The bytes of one request's request line and headers, at most.
    std::size_t connectionMemoryBytes = std::size_t{16} * 1024;
    // A connection that sends or takes nothing for this long is closed.
    int idleSeconds = 5;
    // A request must arrive whole (headers and body), and its answer leave,
    // within this time; the computation in between is not counted.
    double requestSeconds = 10.0;
    // The bodies of requests waiting for a worker and the answers not yet
    // taken by their clients; beyond it, 503.
    std::size_t heldBytes = std::size_t{32} * 1024 * 1024;
};

// What the server has done about misbehaving clients, for tests and logs.
struct ServerCounts {
    std::size_t cutAtDeadline = 0;  // connections closed for a request too slow
    std::size_t abandoned = 0;      // computations stopped for a client gone
};

class StudioServer {
  public:
    explicit StudioServer(StudioSettings settings, const ServerLimits& limits = {});
    StudioServer(const StudioServer&) = delete;
    StudioServer& operator=(const StudioServer&) = delete;
    ~StudioServer();

    // Listens on `host` (a name or an address) and `port` (0: one the system
    // chooses) and starts answering. Returns the port, or "cannot listen on
    // HOST:PORT: <reason>". Another server on the port is refused, not shared.
    Result<int, std::string> bind(const std::string& host, int port);

    // Watches the connections' deadlines until stop(); then ends every
    // connection and computation and returns, within a fraction of a second
    // whatever the clients do. Returns at once if stop() came first.
    void run();

    // Stops the server from any thread, once or more.
    void stop();

    ServerCounts counts() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace opbaff::tools
