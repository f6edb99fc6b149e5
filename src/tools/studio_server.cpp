#include "tools/studio_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "tools/studio_task_queue.h"

namespace opbaff::tools {
namespace {

// Only SO_REUSEADDR: the library's default adds SO_REUSEPORT, with which a
// second server on the same port would share it silently instead of failing.
void listenerOptions(socket_t sock) {
    const int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
}

void send(StudioReply reply, httplib::Response& res) {
    res.status = reply.status;
    res.body = std::move(reply.body);
    res.set_header("Content-Type", reply.contentType);
    res.set_header("Cache-Control", "no-cache");
    res.set_header("X-Content-Type-Options", "nosniff");
    if (!reply.attachmentName.empty()) {
        res.set_header("Content-Disposition",
                       "attachment; filename=\"" + reply.attachmentName + "\"");
    }
    if (!reply.allow.empty()) res.set_header("Allow", reply.allow);
}

// The body, at most kMaxRequestBodyBytes of it. A request that announces no
// body has none (the library would otherwise read until the connection ends).
Result<std::string, StudioReply> readBody(const httplib::Request& req, const httplib::Response& res,
                                          const httplib::ContentReader& reader) {
    if (!req.has_header("Content-Length") && !req.has_header("Transfer-Encoding")) {
        return std::string();
    }
    std::string body;
    bool tooLarge = false;
    const bool complete = reader([&](const char* data, std::size_t length) {
        tooLarge = body.size() + length > kMaxRequestBodyBytes;
        if (!tooLarge) body.append(data, length);
        return !tooLarge;
    });
    if (tooLarge || res.status == 413) {
        return errorReply(
            413, "the body is larger than " + std::to_string(kMaxRequestBodyBytes / 1024) + " KiB");
    }
    if (!complete) return errorReply(400, "the body could not be read");
    return body;
}

}  // namespace

// The library's server, with a way to close a listening socket that never
// listened (the library closes it only from a running server).
struct StudioServer::Http : httplib::Server {
    StudioSettings settings;

    // The library listens with a backlog of 5, which a burst of clients
    // overflows (their connections then wait for the system's retries);
    // listening again sets the backlog.
    void setBacklog(int connections) const { ::listen(svr_sock_, connections); }

    void closeListener() {
        const socket_t sock = svr_sock_.exchange(INVALID_SOCKET);
        if (sock != INVALID_SOCKET) ::close(sock);
    }

    void answer(const httplib::Request& req, httplib::Response& res, std::string body) const {
        const StudioRequest request{req.method, req.path, req.params,
                                    req.get_header_value("Content-Type"), std::move(body)};
        send(answerRequest(request, settings), res);
    }

    void answerWithBody(const httplib::Request& req, httplib::Response& res,
                        const httplib::ContentReader& reader) const {
        auto body = readBody(req, res, reader);
        if (!body) return send(body.error(), res);
        answer(req, res, std::move(body).value());
    }

    void route() {
        const auto withoutBody = [this](const httplib::Request& req, httplib::Response& res) {
            answer(req, res, {});
        };
        const auto withBody = [this](const httplib::Request& req, httplib::Response& res,
                                     const httplib::ContentReader& reader) {
            answerWithBody(req, res, reader);
        };
        Get(".*", withoutBody);
        Options(".*", withoutBody);
        Post(".*", withBody);
        Put(".*", withBody);
        Patch(".*", withBody);
        Delete(".*", withBody);
    }

    // Errors the library answers itself (a request line it cannot parse, a
    // URI too long) get a JSON body too; a handler's own error keeps its body.
    void reportErrors() {
        set_error_handler(HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
            if (res.body.empty()) {
                send(errorReply(res.status, "the request could not be read (HTTP status " +
                                                std::to_string(res.status) + ")"),
                     res);
            }
            return HandlerResponse::Handled;
        }));
        set_exception_handler(
            [](const httplib::Request&, httplib::Response& res, const std::exception_ptr& error) {
                std::string what = "unknown exception";
                try {
                    std::rethrow_exception(error);
                } catch (const std::exception& e) {
                    what = e.what();
                } catch (...) {
                }
                send(errorReply(500, "internal error: " + what), res);
            });
    }
};

StudioServer::StudioServer(StudioSettings settings, ServerLimits limits)
    : http_(std::make_unique<Http>()), limits_(limits) {
    Http& http = *http_;
    http.settings = std::move(settings);
    http.new_task_queue = [limits] {
        return new BoundedTaskQueue(limits.workerThreads, limits.waitingConnections);
    };
    http.set_socket_options(listenerOptions);
    http.set_payload_max_length(kMaxRequestBodyBytes);
    http.set_read_timeout(limits.readTimeoutSeconds, 0);
    http.set_write_timeout(limits.writeTimeoutSeconds, 0);
    http.set_keep_alive_timeout(limits.keepAliveSeconds);
    http.set_keep_alive_max_count(limits.requestsPerConnection);
    http.route();
    http.reportErrors();
}

StudioServer::~StudioServer() {
    stop();
}

Result<int, std::string> StudioServer::bind(const std::string& host, int port) {
    errno = 0;
    const int bound =
        port == 0 ? http_->bind_to_any_port(host) : (http_->bind_to_port(host, port) ? port : -1);
    if (bound > 0) {
        http_->setBacklog(static_cast<int>(limits_.waitingConnections));
        return bound;
    }
    const int error = errno;
    return "cannot listen on " + host + ":" + std::to_string(port) + ": " +
           (error != 0 ? std::system_category().message(error)
                       : std::string("no such address on this machine"));
}

void StudioServer::run() {
    {
        const std::lock_guard lock(mutex_);
        if (stopRequested_) return;
        running_ = true;
    }
    http_->listen_after_bind();
    finished_ = true;
}

void StudioServer::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopRequested_ = true;
        if (!running_) {
            http_->closeListener();
            return;
        }
    }
    // run() has begun: wait until the library listens, so that its stop() is
    // not lost.
    while (!http_->is_running() && !finished_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!finished_) http_->stop();
}

}  // namespace opbaff::tools
