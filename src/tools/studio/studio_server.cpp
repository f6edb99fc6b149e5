#include "studio_server.h"

#include <fcntl.h>
#include <malloc.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/basic_parser.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/serializer.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <utility>

#include "studio_request_guard.h"
#include "studio_task_queue.h"

namespace opbaff::tools {
namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kTrimAfterBytes = std::size_t{8} * 1024 * 1024;
constexpr std::size_t kTrimAfterConnections = 64;
constexpr std::size_t kReadBytes = 8192;
constexpr auto kSweepPeriod = std::chrono::milliseconds(100);
// After an answer that ends its connection, what the client still sends is
// read and dropped for so long (or so many bytes), so that the answer is not
// lost to a reset.
constexpr auto kLingerTime = std::chrono::seconds(2);
constexpr std::size_t kLingerBytes = std::size_t{8} * 1024 * 1024;

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

sockaddr_storage localAddress(int sock) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    return address;
}

int boundPort(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    }
    return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
}

bool isComputation(const StudioRequest& request) {
    return request.method == "POST" && request.path.starts_with("/api/");
}

// An HTTP date, "Sun, 06 Nov 1994 08:49:37 GMT".
std::string httpDate() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return {text, length};
}

// A request as it is parsed, into no more than the studio reads of it: the
// request line, at most kMaxRequestHeaders fields (one more is an error, before
// it is stored), and the body.
class RequestParser : public http::basic_parser<true> {
  public:
    std::string method;
    std::string target;
    HeaderList headers;
    std::string body;
    bool tooManyHeaders = false;

    // The first field of that name (in any case), or "".
    std::string_view field(std::string_view name) const {
        for (const auto& [key, value] : headers) {
            if (boost::beast::iequals(key, name)) return value;
        }
        return {};
    }

  private:
    void on_request_impl(http::verb, std::string_view methodText, std::string_view targetText, int,
                         error_code&) override {
        method = methodText;
        target = targetText;
    }
    void on_response_impl(int, std::string_view, int, error_code&) override {}
    void on_field_impl(http::field, std::string_view name, std::string_view value,
                       error_code& error) override {
        if (headers.size() == kMaxRequestHeaders) {
            tooManyHeaders = true;
            error = http::error::header_limit;
            return;
        }
        headers.emplace_back(name, value);
    }
    void on_header_impl(error_code&) override {}
    void on_body_init_impl(const boost::optional<std::uint64_t>& length, error_code&) override {
        if (length) body.reserve(static_cast<std::size_t>(*length));  // within the body limit
    }
    std::size_t on_body_impl(std::string_view part, error_code&) override {
        body.append(part);
        return part.size();
    }
    void on_chunk_header_impl(std::uint64_t, std::string_view, error_code&) override {}
    std::size_t on_chunk_body_impl(std::uint64_t, std::string_view part, error_code&) override {
        body.append(part);
        return part.size();
    }
    void on_finish_impl(error_code&) override {}
};

// The answer to a request the parser refused. A body framing it could not
// take is answered as the header check answers it, from the fields already
// parsed and, for a field the parser refused, that field: the first line of
// what it left (`rest`). What is left has a fixed answer by the parser's error.
StudioReply refusalOf(const error_code& error, const RequestParser& parser, std::string_view rest,
                      const ServerLimits& limits, const ListeningAddress& listening) {
    if (parser.tooManyHeaders) {
        return errorReply(431, "more than " + std::to_string(kMaxRequestHeaders) + " headers");
    }
    if (error == http::error::header_limit) {
        return errorReply(431, "the request line and headers are larger than " +
                                   std::to_string(limits.connectionMemoryBytes / 1024) + " KiB");
    }
    const bool refusedField =
        error == http::error::bad_content_length || error == http::error::bad_transfer_encoding;
    if (refusedField || (error == http::error::body_limit && !parser.is_header_done())) {
        HeaderList fields = parser.headers;
        if (refusedField) {
            for (auto& field : headerFieldsOf(rest.substr(0, rest.find("\r\n")))) {
                fields.push_back(std::move(field));
            }
        }
        if (auto refusal = screenRequest(parser.method, fields, listening)) {
            return std::move(*refusal);
        }
    }
    if (error == http::error::body_limit) {
        return errorReply(
            413, "the body is larger than " + std::to_string(kMaxRequestBodyBytes / 1024) + " KiB");
    }
    return errorReply(400, "malformed request: " + error.message());
}

class Session;

// What the server's thread (the one running `io`), the workers and run() share.
// The sessions and everything asio owns are the network thread's alone.
struct Core {
    StudioSettings settings;
    ServerLimits limits;
    ListeningAddress listening;
    std::optional<BoundedTaskQueue> workers;
    std::optional<BoundedTaskQueue> costlyWorkers;
    std::atomic<std::size_t> heldBytes = 0;
    std::atomic<std::size_t> freedSinceTrim = 0;   // bytes of answers
    std::atomic<std::size_t> closedSinceTrim = 0;  // connections
    std::atomic<std::size_t> cutAtDeadline = 0;
    std::atomic<std::size_t> abandoned = 0;
    std::atomic<bool> stopping = false;
    std::unordered_set<Session*> sessions;
    // Declared after what its handlers touch, so that it goes first.
    asio::io_context io{1};
    std::optional<tcp::acceptor> acceptor;
    std::optional<asio::steady_timer> sweepTimer;
    std::optional<asio::steady_timer> acceptRetry;
    std::thread network;

    void accept();
    void sweep();
};

// One connection, from its first byte to its close: requests read and
// answered one after the other, each under its deadlines.
class Session : public std::enable_shared_from_this<Session> {
  public:
    Session(Core& core, tcp::socket socket) : core_(core), socket_(std::move(socket)) {
        core_.sessions.insert(this);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        releaseAnswer();
        core_.sessions.erase(this);
        ++core_.closedSinceTrim;
    }

    void start() { beginRequest(); }

    // Ends the connections whose request or answer has taken too long, or
    // that sent or took nothing for the idle time.
    void sweep(Clock::time_point now);

    // At the server's end, with no handler running.
    void closeNow() { close(); }

  private:
    enum class Phase { receiving, computing, sending, lingering, closed };

    void beginRequest();
    void readMore();
    void parse();
    bool screen();
    void handle();
    void dispatch(StudioRequest request);
    void answer(StudioReply reply, bool thenClose);
    void writeMore();
    void linger();
    void drain();
    void releaseAnswer();
    void close();
    void enter(Phase phase) {
        phase_ = phase;
        since_ = lastActivity_ = Clock::now();
    }

    Core& core_;
    tcp::socket socket_;
    boost::beast::flat_buffer buffer_;
    std::optional<RequestParser> parser_;
    bool screened_ = false;
    bool keepAlive_ = false;
    bool head_ = false;
    Phase phase_ = Phase::receiving;
    Clock::time_point since_ = Clock::now();
    Clock::time_point lastActivity_ = since_;
    std::optional<http::response<http::string_body>> response_;
    std::optional<http::response_serializer<http::string_body>> serializer_;
    std::size_t answerBytes_ = 0;  // counted in the server's held bytes
    std::size_t lingered_ = 0;
};

void Session::beginRequest() {
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(core_.limits.connectionMemoryBytes));
    parser_->body_limit(kMaxRequestBodyBytes);
    screened_ = false;
    head_ = false;
    enter(Phase::receiving);
    // Bytes of a next request may already be here (pipelining).
    if (buffer_.size() > 0) {
        parse();
    } else {
        readMore();
    }
}

void Session::readMore() {
    socket_.async_read_some(buffer_.prepare(kReadBytes),
                            [self = shared_from_this()](error_code error, std::size_t bytes) {
                                if (self->phase_ != Phase::receiving) return;
                                if (error) {
                                    self->close();  // closed by the client, reset, or cut
                                    return;
                                }
                                self->buffer_.commit(bytes);
                                self->lastActivity_ = Clock::now();
                                self->parse();
                            });
}

// Feeds the parser what has arrived; the head is checked as soon as it is
// whole, before any of the body is taken.
void Session::parse() {
    while (buffer_.size() > 0 && !parser_->is_done()) {
        error_code error;
        const std::size_t used = parser_->put(buffer_.data(), error);
        if (error == http::error::need_more) {
            buffer_.consume(used);
            break;
        }
        if (error) {
            const std::string_view rest(static_cast<const char*>(buffer_.data().data()) + used,
                                        buffer_.size() - used);
            answer(refusalOf(error, *parser_, rest, core_.limits, core_.listening), true);
            return;
        }
        buffer_.consume(used);
        if (parser_->is_header_done() && !screened_ && !screen()) return;
    }
    if (parser_->is_done()) {
        handle();
    } else {
        readMore();
    }
}

// The head's check; false when it was refused, or when a "100 Continue" goes
// out first and the reading goes on after it.
bool Session::screen() {
    screened_ = true;
    if (auto refusal = screenRequest(parser_->method, parser_->headers, core_.listening)) {
        answer(std::move(*refusal), true);
        return false;
    }
    const bool expectsContinue = boost::beast::iequals(parser_->field("expect"), "100-continue");
    if (!expectsContinue || parser_->is_done() || buffer_.size() > 0) return true;
    static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
    asio::async_write(socket_, asio::buffer(kContinue.data(), kContinue.size()),
                      [self = shared_from_this()](error_code error, std::size_t) {
                          if (self->phase_ != Phase::receiving) return;
                          if (error) {
                              self->close();
                              return;
                          }
                          self->parse();
                      });
    return false;
}

void Session::handle() {
    keepAlive_ = parser_->keep_alive();
    StudioRequest request;
    request.method = std::move(parser_->method);
    decodeTarget(parser_->target, request.path, request.query);
    request.contentType = parser_->field("content-type");
    request.body = std::move(parser_->body);
    parser_.reset();
    head_ = request.method == "HEAD";
    if (isComputation(request)) {
        dispatch(std::move(request));
        return;
    }
    StudioReply reply;
    try {
        reply = answerRequest(request, core_.settings);
    } catch (const std::exception& e) {
        reply = errorReply(500, std::string("internal error: ") + e.what());
    }
    answer(std::move(reply), !keepAlive_);
}

// The worker that answers a computation: stopped between angles when its
// client goes (reset or shut both ways) or the server stops.
StudioReply compute(Core& core, int fd, StudioRequest& request) {
    bool gone = false;
    request.abandoned = [&core, fd, &gone] {
        gone = gone || core.stopping || peerGone(fd);
        return gone;
    };
    StudioReply reply;
    try {
        reply = core.stopping ? errorReply(503, "the studio is stopping")
                              : answerRequest(request, core.settings);
    } catch (const std::exception& e) {
        reply = errorReply(500, std::string("internal error: ") + e.what());
    }
    request.abandoned = nullptr;
    if (gone) ++core.abandoned;
    return reply;
}

// To a worker; the connection reads nothing meanwhile, and no deadline runs.
void Session::dispatch(StudioRequest request) {
    if (core_.heldBytes > core_.limits.heldBytes) {
        answer(errorReply(503, "the studio is busy sending earlier answers; try again"),
               !keepAlive_);
        return;
    }
    enter(Phase::computing);
    const std::size_t bodyBytes = request.body.size();
    core_.heldBytes += bodyBytes;
    BoundedTaskQueue& queue =
        costOf(request) > core_.limits.costlyPairs ? *core_.costlyWorkers : *core_.workers;
    const bool queued = queue.tryEnqueue([self = shared_from_this(), fd = socket_.native_handle(),
                                          bodyBytes, request = std::move(request)]() mutable {
        Core& core = self->core_;
        core.heldBytes -= bodyBytes;
        StudioReply reply = compute(core, fd, request);
        asio::post(core.io, [self = std::move(self), reply = std::move(reply)]() mutable {
            if (self->phase_ == Phase::computing) {
                self->answer(std::move(reply), !self->keepAlive_);
            }
        });
    });
    if (!queued) {
        core_.heldBytes -= bodyBytes;
        answer(errorReply(503, "the studio is busy; try again"), !keepAlive_);
    }
}

void Session::answer(StudioReply reply, bool thenClose) {
    parser_.reset();  // the request's memory, before the answer takes its own
    const bool close = thenClose || core_.stopping;
    auto& response = response_.emplace();
    response.version(11);
    response.result(static_cast<unsigned int>(reply.status));
    response.set(http::field::date, httpDate());
    response.set(http::field::content_type, reply.contentType);
    for (const auto& [name, value] : securityHeaders()) response.set(name, value);
    if (!reply.attachmentName.empty()) {
        response.set(http::field::content_disposition,
                     "attachment; filename=\"" + reply.attachmentName + "\"");
    }
    if (!reply.allow.empty()) response.set(http::field::allow, reply.allow);
    if (reply.status == 503) response.set(http::field::retry_after, "1");
    response.keep_alive(!close);
    response.body() = std::move(reply.body);
    response.prepare_payload();
    if (head_) response.body().clear();  // the length stays the GET's
    answerBytes_ = response.body().size();
    core_.heldBytes += answerBytes_;
    keepAlive_ = !close;
    serializer_.emplace(response);
    enter(Phase::sending);
    writeMore();
}

void Session::writeMore() {
    http::async_write_some(socket_, *serializer_,
                           [self = shared_from_this()](error_code error, std::size_t) {
                               if (self->phase_ != Phase::sending) return;
                               if (error) {
                                   self->close();
                                   return;
                               }
                               self->lastActivity_ = Clock::now();
                               if (!self->serializer_->is_done()) {
                                   self->writeMore();
                                   return;
                               }
                               self->serializer_.reset();
                               self->response_.reset();
                               self->releaseAnswer();
                               if (self->keepAlive_) {
                                   self->beginRequest();
                               } else {
                                   self->linger();
                               }
                           });
}

// The answer is out; the client's last bytes are taken and dropped until it
// closes, so that its stack does not discard the answer for a reset.
void Session::linger() {
    error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_send, ignored);
    enter(Phase::lingering);
    lingered_ = 0;
    buffer_.clear();
    drain();
}

void Session::drain() {
    socket_.async_read_some(buffer_.prepare(kReadBytes),
                            [self = shared_from_this()](error_code error, std::size_t bytes) {
                                if (self->phase_ != Phase::lingering) return;
                                self->lingered_ += bytes;
                                if (error || self->lingered_ > kLingerBytes) {
                                    self->close();
                                    return;
                                }
                                self->drain();
                            });
}

void Session::releaseAnswer() {
    if (answerBytes_ == 0) return;
    core_.heldBytes -= answerBytes_;
    core_.freedSinceTrim += answerBytes_;
    answerBytes_ = 0;
}

void Session::close() {
    if (phase_ == Phase::closed) return;
    phase_ = Phase::closed;
    error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    serializer_.reset();
    response_.reset();
    releaseAnswer();
}

void Session::sweep(Clock::time_point now) {
    const auto request = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(core_.limits.requestSeconds));
    const auto idle = std::chrono::seconds(core_.limits.idleSeconds);
    switch (phase_) {
        case Phase::receiving:
        case Phase::sending:
            if (now - lastActivity_ > idle) {
                close();
            } else if (now - since_ > request) {
                ++core_.cutAtDeadline;
                close();
            }
            break;
        case Phase::lingering:
            if (now - since_ > kLingerTime) close();
            break;
        case Phase::computing:
        case Phase::closed:
            break;
    }
}

void Core::accept() {
    acceptor->async_accept([this](error_code error, tcp::socket socket) {
        if (error == asio::error::operation_aborted || stopping) return;
        if (error) {
            // Out of descriptors, say: try again shortly rather than spin.
            acceptRetry->expires_after(std::chrono::milliseconds(50));
            acceptRetry->async_wait([this](error_code waited) {
                if (!waited) accept();
            });
            return;
        }
        if (sessions.size() >= limits.connections) {
            error_code ignored;
            socket.close(ignored);
        } else {
            const int fd = socket.native_handle();
            const int yes = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            try {
                std::make_shared<Session>(*this, std::move(socket))->start();
            } catch (const std::exception&) {
                // Out of memory: this connection closes, the next is taken.
            }
        }
        accept();
    });
}

void Core::sweep() {
    const auto now = Clock::now();
    // A session closed here stays in the set until its last handler has run.
    for (Session* session : sessions) session->sweep(now);
    sweepTimer->expires_after(kSweepPeriod);
    sweepTimer->async_wait([this](error_code error) {
        if (!error) sweep();
    });
}

}  // namespace

struct StudioServer::Impl {
    Core core;
    std::mutex stateMutex;
    std::condition_variable stateChanged;
    bool stopRequested = false;
    bool finished = false;

    Result<int, std::string> start(const std::string& host, int port);
    void finish();
};

Result<int, std::string> StudioServer::Impl::start(const std::string& host, int port) {
    auto sock = listenOn(host, port, static_cast<int>(core.limits.connections));
    if (!sock) return sock.error();
    const sockaddr_storage address = localAddress(*sock);
    core.listening = {host, boundPort(address)};
    error_code error;
    core.acceptor.emplace(core.io);
    core.acceptor->assign(address.ss_family == AF_INET6 ? tcp::v6() : tcp::v4(), *sock, error);
    if (error) {
        ::close(*sock);
        core.acceptor.reset();
        return "cannot listen on " + host + ":" + std::to_string(port) + ": " + error.message();
    }
    core.workers.emplace(core.limits.workerThreads, core.limits.waitingComputations);
    core.costlyWorkers.emplace(core.limits.costlyThreads, core.limits.waitingCostly);
    core.sweepTimer.emplace(core.io);
    core.acceptRetry.emplace(core.io);
    core.accept();
    core.sweep();
    core.network = std::thread([this] {
        // A handler that throws (out of memory) loses its connection, which
        // its deadline then closes; the others are served on.
        for (;;) {
            try {
                core.io.run();
                return;
            } catch (const std::exception&) {
            }
        }
    });
    return core.listening.port;
}

// No new connection, every computation told to stop, then every connection
// closed.
void StudioServer::Impl::finish() {
    core.stopping = true;
    if (!core.network.joinable()) return;
    core.workers->shutdown();
    core.costlyWorkers->shutdown();
    core.io.stop();
    core.network.join();
    error_code ignored;
    core.acceptor->close(ignored);
    for (Session* session : core.sessions) session->closeNow();
}

StudioServer::StudioServer(StudioSettings settings, const ServerLimits& limits)
    : impl_(std::make_unique<Impl>()) {
    impl_->core.settings = std::move(settings);
    if (!impl_->core.settings.speakers) impl_->core.settings.speakers = newSpeakerModelCache();
    impl_->core.limits = limits;
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
    Core& core = impl_->core;
    std::unique_lock lock(impl_->stateMutex);
    while (!impl_->stopRequested) {
        impl_->stateChanged.wait_for(lock, kSweepPeriod);
        if (impl_->stopRequested) break;
        // Many answers gone: their memory back to the system, so that a burst
        // leaves the server its idle size (not after every small answer,
        // which would only make the next one fault its pages in again).
        if (core.heldBytes == 0 && (core.freedSinceTrim > kTrimAfterBytes ||
                                    core.closedSinceTrim > kTrimAfterConnections)) {
            core.freedSinceTrim = 0;
            core.closedSinceTrim = 0;
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
    impl_->core.stopping = true;
    impl_->stateChanged.notify_all();
}

ServerCounts StudioServer::counts() const {
    return {impl_->core.cutAtDeadline.load(), impl_->core.abandoned.load()};
}

}  // namespace opbaff::tools
