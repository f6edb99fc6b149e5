#include "studio_server.h"

#include <malloc.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "studio_request_guard.h"
#include "studio_task_queue.h"

namespace opbaff::tools {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kTrimAfterBytes = std::size_t{8} * 1024 * 1024;
constexpr std::size_t kTrimAfterConnections = 64;

std::int64_t nowTicks() {
    return Clock::now().time_since_epoch().count();
}

// A connection as the deadline sweep sees it. Its socket stays open while it
// is registered: the server's library tells of a connection's end before it
// closes the socket.
struct Watched {
    enum Phase { receiving, computing, sending };
    int fd = -1;
    std::atomic<int> phase = receiving;
    std::atomic<std::int64_t> since = nowTicks();
    bool cut = false;  // under the registry's mutex

    void enter(Phase next) {
        since = nowTicks();
        phase = next;
    }
};

// One request from its headers to its answer.
struct Exchange {
    Watched* watched = nullptr;
    StudioRequest request;
    bool tooLarge = false;
    std::optional<StudioReply> reply;  // set by a worker, then the connection resumes
};

// An answer's body while the library sends it.
struct HeldAnswer {
    std::atomic<std::size_t>* held;
    std::atomic<std::size_t>* freed;
    std::string body;
};

void releaseAnswer(void* cls) {
    auto* answer = static_cast<HeldAnswer*>(cls);
    *answer->held -= answer->body.size();
    *answer->freed += answer->body.size();
    delete answer;  // NOLINT(cppcoreguidelines-owning-memory): the library hands it back
}

MHD_Result collectHeader(void* cls, MHD_ValueKind, const char* key, const char* value) {
    static_cast<HeaderList*>(cls)->emplace_back(key, value != nullptr ? value : "");
    return MHD_YES;
}

MHD_Result collectQuery(void* cls, MHD_ValueKind, const char* key, const char* value) {
    static_cast<QueryParams*>(cls)->emplace(key, value != nullptr ? value : "");
    return MHD_YES;
}

// True when the client's side of the socket is gone: reset, or shut both ways.
// A client that only finished sending (half-closed) still waits for its answer.
bool peerGone(int fd) {
    pollfd probe{fd, 0, 0};
    return ::poll(&probe, 1, 0) > 0 && (probe.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
}

Result<int, std::string> listenOn(const std::string& host, int port, int backlog) {
    const std::string where = "cannot listen on " + host + ":" + std::to_string(port) + ": ";
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) {
        return where + "no such address on this machine";
    }
    int error = 0;
    int sock = -1;
    for (const addrinfo* a = found; a != nullptr && sock < 0; a = a->ai_next) {
        sock = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (sock < 0) {
            error = errno;
            continue;
        }
        // Only SO_REUSEADDR: with SO_REUSEPORT a second server on the port
        // would share it silently instead of failing.
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(sock, a->ai_addr, a->ai_addrlen) != 0 || ::listen(sock, backlog) != 0) {
            error = errno;
            ::close(sock);
            sock = -1;
        }
    }
    ::freeaddrinfo(found);
    if (sock < 0) return where + std::system_category().message(error);
    return sock;
}

int boundPort(int sock) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    }
    return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
}

bool isComputation(const std::string& method, const char* url) {
    return method == "POST" && std::string_view(url).starts_with("/api/");
}

}  // namespace

struct StudioServer::Impl {
    StudioSettings settings;
    ServerLimits limits;
    ListeningAddress listening;
    int listenFd = -1;
    MHD_Daemon* daemon = nullptr;
    std::optional<BoundedTaskQueue> workers;
    std::optional<BoundedTaskQueue> costlyWorkers;
    std::atomic<std::size_t> freedSinceTrim = 0;   // bytes of answers
    std::atomic<std::size_t> closedSinceTrim = 0;  // connections

    std::mutex stateMutex;
    std::condition_variable stateChanged;
    bool stopRequested = false;
    bool finished = false;
    std::atomic<bool> stopping = false;

    std::mutex registryMutex;
    std::unordered_set<Watched*> registry;
    std::atomic<std::size_t> heldBytes = 0;
    std::atomic<std::size_t> cutAtDeadline = 0;
    std::atomic<std::size_t> abandoned = 0;

    Result<int, std::string> start(const std::string& host, int port);
    void sweep();
    void finish();

    static MHD_Result access(void* cls, MHD_Connection* connection, const char* url,
                             const char* method, const char* version, const char* upload,
                             std::size_t* uploadSize, void** requestContext);
    static void completed(void* cls, MHD_Connection*, void** requestContext,
                          MHD_RequestTerminationCode);
    static void connectionEvent(void* cls, MHD_Connection* connection, void** socketContext,
                                MHD_ConnectionNotificationCode code);

    MHD_Result answer(MHD_Connection* connection, const char* url, const char* method,
                      const char* upload, std::size_t* uploadSize, Exchange*& exchange);
    MHD_Result send(MHD_Connection* connection, Exchange& exchange, StudioReply reply);
    MHD_Result dispatch(MHD_Connection* connection, Exchange& exchange);
    void compute(MHD_Connection* connection, Exchange& exchange);
};

Result<int, std::string> StudioServer::Impl::start(const std::string& host, int port) {
    auto sock = listenOn(host, port, static_cast<int>(limits.connections));
    if (!sock) return sock.error();
    listenFd = *sock;
    listening = {host, boundPort(listenFd)};
    workers.emplace(limits.workerThreads, limits.waitingComputations);
    costlyWorkers.emplace(limits.costlyThreads, limits.waitingCostly);
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length);
    unsigned int flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME;
    if (address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
    daemon = MHD_start_daemon(
        flags, 0, nullptr, nullptr, &Impl::access, this, MHD_OPTION_LISTEN_SOCKET, listenFd,
        MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned int>(limits.connections),
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits.connectionMemoryBytes,
        MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned int>(limits.idleSeconds),
        MHD_OPTION_NOTIFY_COMPLETED, &Impl::completed, this, MHD_OPTION_NOTIFY_CONNECTION,
        &Impl::connectionEvent, this, MHD_OPTION_END);
    if (daemon == nullptr) {
        ::close(listenFd);
        listenFd = -1;
        return "cannot listen on " + host + ":" + std::to_string(port) +
               ": the HTTP server did not start";
    }
    return listening.port;
}

// Cuts the connections whose request (or answer) has taken too long: shutting
// the socket down makes the library see its end and close it.
void StudioServer::Impl::sweep() {
    const auto limit = std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(limits.requestSeconds))
                           .count();
    const std::int64_t now = nowTicks();
    const std::lock_guard lock(registryMutex);
    for (Watched* watched : registry) {
        if (watched->cut || watched->phase == Watched::computing) continue;
        if (now - watched->since > limit) {
            ::shutdown(watched->fd, SHUT_RDWR);
            watched->cut = true;
            ++cutAtDeadline;
        }
    }
}

// No new connection, every computation told to stop and its connection
// resumed, then every connection closed.
void StudioServer::Impl::finish() {
    stopping = true;
    if (daemon == nullptr) return;
    const int sock = MHD_quiesce_daemon(daemon);
    if (sock >= 0) ::close(sock);
    workers->shutdown();
    costlyWorkers->shutdown();
    MHD_stop_daemon(daemon);
    daemon = nullptr;
}

MHD_Result StudioServer::Impl::access(void* cls, MHD_Connection* connection, const char* url,
                                      const char* method, const char*, const char* upload,
                                      std::size_t* uploadSize, void** requestContext) {
    auto* self = static_cast<Impl*>(cls);
    auto*& exchange = reinterpret_cast<Exchange*&>(*requestContext);
    try {
        return self->answer(connection, url, method, upload, uploadSize, exchange);
    } catch (const std::exception&) {
        return MHD_NO;  // out of memory: the connection closes
    }
}

MHD_Result StudioServer::Impl::answer(MHD_Connection* connection, const char* url,
                                      const char* method, const char* upload,
                                      std::size_t* uploadSize, Exchange*& exchange) {
    if (exchange == nullptr) {
        // The headers are in; the body, if any, is not.
        exchange = new Exchange;  // NOLINT(cppcoreguidelines-owning-memory): freed in completed()
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        exchange->watched = static_cast<Watched*>(info->socket_context);
        HeaderList headers;
        MHD_get_connection_values(connection, MHD_HEADER_KIND, &collectHeader, &headers);
        if (auto refusal = screenRequest(method, headers, listening)) {
            return send(connection, *exchange, std::move(*refusal));
        }
        return MHD_YES;
    }
    if (exchange->reply) return send(connection, *exchange, std::move(*exchange->reply));
    if (*uploadSize > 0) {
        std::string& body = exchange->request.body;
        exchange->tooLarge = exchange->tooLarge || body.size() + *uploadSize > kMaxRequestBodyBytes;
        if (!exchange->tooLarge) body.append(upload, *uploadSize);
        *uploadSize = 0;
        return MHD_YES;
    }
    if (exchange->tooLarge) {
        return send(connection, *exchange,
                    errorReply(413, "the body is larger than " +
                                        std::to_string(kMaxRequestBodyBytes / 1024) + " KiB"));
    }
    StudioRequest& request = exchange->request;
    request.method = method;
    request.path = url;
    MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, &collectQuery, &request.query);
    const char* type =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_TYPE);
    request.contentType = type != nullptr ? type : "";
    if (isComputation(request.method, url)) return dispatch(connection, *exchange);
    return send(connection, *exchange, answerRequest(request, settings));
}

// To a worker, the connection set aside until its answer is ready.
MHD_Result StudioServer::Impl::dispatch(MHD_Connection* connection, Exchange& exchange) {
    if (heldBytes > limits.heldBytes) {
        return send(connection, exchange,
                    errorReply(503, "the studio is busy sending earlier answers; try again"));
    }
    exchange.watched->enter(Watched::computing);
    MHD_suspend_connection(connection);
    const std::size_t bodyBytes = exchange.request.body.size();
    heldBytes += bodyBytes;
    BoundedTaskQueue& queue =
        costOf(exchange.request) > limits.costlyPairs ? *costlyWorkers : *workers;
    const bool queued = queue.tryEnqueue([this, connection, &exchange, bodyBytes] {
        heldBytes -= bodyBytes;
        compute(connection, exchange);
    });
    if (!queued) {
        heldBytes -= bodyBytes;
        exchange.reply = errorReply(503, "the studio is busy; try again");
        MHD_resume_connection(connection);
    }
    return MHD_YES;
}

void StudioServer::Impl::compute(MHD_Connection* connection, Exchange& exchange) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    const int fd = info != nullptr ? info->connect_fd : -1;
    bool gone = false;
    exchange.request.abandoned = [this, fd, &gone] {
        gone = gone || stopping || peerGone(fd);
        return gone;
    };
    try {
        exchange.reply = gone || stopping ? errorReply(503, "the studio is stopping")
                                          : answerRequest(exchange.request, settings);
    } catch (const std::exception& e) {
        exchange.reply = errorReply(500, std::string("internal error: ") + e.what());
    }
    exchange.request.abandoned = nullptr;
    if (gone) ++abandoned;
    MHD_resume_connection(connection);
}

MHD_Result StudioServer::Impl::send(MHD_Connection* connection, Exchange& exchange,
                                    StudioReply reply) {
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): released by the library
    auto* held = new HeldAnswer{&heldBytes, &freedSinceTrim, std::move(reply.body)};
    heldBytes += held->body.size();
    MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
        held->body.size(), held->body.data(), &releaseAnswer, held);
    if (response == nullptr) {
        releaseAnswer(held);
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
    for (const auto& [name, value] : securityHeaders()) {
        MHD_add_response_header(response, name, value);
    }
    if (!reply.attachmentName.empty()) {
        const std::string disposition = "attachment; filename=\"" + reply.attachmentName + "\"";
        MHD_add_response_header(response, "Content-Disposition", disposition.c_str());
    }
    if (!reply.allow.empty()) MHD_add_response_header(response, "Allow", reply.allow.c_str());
    if (reply.status == 503) MHD_add_response_header(response, "Retry-After", "1");
    exchange.watched->enter(Watched::sending);
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned int>(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

void StudioServer::Impl::completed(void*, MHD_Connection*, void** requestContext,
                                   MHD_RequestTerminationCode) {
    auto* exchange = static_cast<Exchange*>(*requestContext);
    if (exchange == nullptr) return;
    exchange->watched->enter(Watched::receiving);
    delete exchange;  // NOLINT(cppcoreguidelines-owning-memory): made in answer()
    *requestContext = nullptr;
}

void StudioServer::Impl::connectionEvent(void* cls, MHD_Connection* connection,
                                         void** socketContext,
                                         MHD_ConnectionNotificationCode code) {
    auto* self = static_cast<Impl*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        auto* watched = new Watched;  // NOLINT(cppcoreguidelines-owning-memory): freed below
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        watched->fd = info->connect_fd;
        const int yes = 1;
        ::setsockopt(watched->fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        *socketContext = watched;
        const std::lock_guard lock(self->registryMutex);
        self->registry.insert(watched);
        return;
    }
    auto* watched = static_cast<Watched*>(*socketContext);
    if (watched == nullptr) return;
    {
        const std::lock_guard lock(self->registryMutex);
        self->registry.erase(watched);
    }
    ++self->closedSinceTrim;
    delete watched;  // NOLINT(cppcoreguidelines-owning-memory): made above
    *socketContext = nullptr;
}

StudioServer::StudioServer(StudioSettings settings, const ServerLimits& limits)
    : impl_(std::make_unique<Impl>()) {
    impl_->settings = std::move(settings);
    if (!impl_->settings.speakers) impl_->settings.speakers = newSpeakerModelCache();
    impl_->limits = limits;
}

StudioServer::~StudioServer() {
    stop();
    const std::unique_lock lock(impl_->stateMutex);
    if (!impl_->finished) {
        impl_->finish();
        impl_->finished = true;
    }
}

Result<int, std::string> StudioServer::bind(const std::string& host, int port) {
    return impl_->start(host, port);
}

void StudioServer::run() {
    std::unique_lock lock(impl_->stateMutex);
    while (!impl_->stopRequested) {
        impl_->stateChanged.wait_for(lock, std::chrono::milliseconds(100));
        if (impl_->stopRequested) break;
        impl_->sweep();
        // Many answers gone: their memory back to the system, so that a burst
        // leaves the server its idle size (not after every small answer,
        // which would only make the next one fault its pages in again).
        if (impl_->heldBytes == 0 && (impl_->freedSinceTrim > kTrimAfterBytes ||
                                      impl_->closedSinceTrim > kTrimAfterConnections)) {
            impl_->freedSinceTrim = 0;
            impl_->closedSinceTrim = 0;
            ::malloc_trim(0);
        }
    }
    if (!impl_->finished) {
        impl_->finish();
        impl_->finished = true;
    }
}

void StudioServer::stop() {
    {
        const std::lock_guard lock(impl_->stateMutex);
        impl_->stopRequested = true;
    }
    impl_->stopping = true;
    impl_->stateChanged.notify_all();
}

ServerCounts StudioServer::counts() const {
    return {impl_->cutAtDeadline.load(), impl_->abandoned.load()};
}

}  // namespace opbaff::tools
