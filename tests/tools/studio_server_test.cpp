// The studio's server against hostile and careless clients on loopback: slow
// and idle connections hold no worker, every request has a deadline, header
// floods and Range headers cost nothing, only requests for the server itself
// are served, a client gone abandons its computation, and the real program
// stops within a second whatever its clients do.
#include "studio_server.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "opbaff/opbaff.h"
#include "studio_design_json.h"
#include "studio_request_guard.h"
#include "studio_test_support.h"
#include "tool_test_support.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): for posix_spawn

namespace opbaff::tools {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

using test::RunningStudio;

// A raw loopback connection, closed when it goes.
class Socket {
  public:
    explicit Socket(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool connected() const { return connected_; }
    bool send(std::string_view data) const {
        return ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(data.size());
    }
    void halfClose() const { ::shutdown(fd_, SHUT_WR); }
    // Closes with a reset, as a client that gives up does.
    void reset() {
        const linger abort{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        ::close(fd_);
        fd_ = -1;
    }
    // Everything until the server closes, or until `limit` passes.
    std::string receiveAll(std::chrono::milliseconds limit) const {
        std::string data;
        const auto end = Clock::now() + limit;
        char buffer[65536];
        while (Clock::now() < end) {
            pollfd wait{fd_, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (::poll(&wait, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 1))) <= 0)
                continue;
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            data.append(buffer, static_cast<std::size_t>(got));
        }
        return data;
    }
    // True when the server closed the connection within `limit`.
    bool closedWithin(std::chrono::milliseconds limit) const {
        const auto end = Clock::now() + limit;
        char buffer[4096];
        while (Clock::now() < end) {
            pollfd wait{fd_, POLLIN, 0};
            if (::poll(&wait, 1, 50) <= 0) continue;
            if (::recv(fd_, buffer, sizeof buffer, 0) <= 0) return true;
        }
        return false;
    }

  private:
    int fd_;
    bool connected_ = false;
};

std::string exampleJson() {
    JsonWriter writer;
    writeDesign(writer, Design{});
    return writer.take();
}

std::string post(const std::string& target, int port, const std::string& body,
                 const std::string& extraHeaders = "") {
    return "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n" + extraHeaders + "\r\n" + body;
}

int statusOf(const std::string& answer) {
    return answer.starts_with("HTTP/1.1 ") ? std::stoi(answer.substr(9, 3)) : 0;
}

std::string bodyOf(const std::string& answer) {
    const std::size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

// Clients that open a request and send one byte of its headers every
// `period`, as long as the test lasts; `stop` ends them.
std::thread trickle(int port, int clients, std::chrono::milliseconds period,
                    std::atomic<bool>& stop, std::atomic<int>& cut) {
    return std::thread([=, &stop, &cut] {
        std::vector<std::unique_ptr<Socket>> sockets;
        for (int k = 0; k < clients; ++k) sockets.push_back(std::make_unique<Socket>(port));
        const std::string request =
            "GET /api/design HTTP/1.1\r\nHost: localhost\r\nX-Pad: " + std::string(200, 'a') +
            "\r\n\r\n";
        std::vector<bool> closed(sockets.size(), false);
        for (std::size_t byte = 0; byte < request.size() && !stop; ++byte) {
            for (std::size_t k = 0; k < sockets.size(); ++k) {
                if (!closed[k] && !sockets[k]->send(request.substr(byte, 1))) {
                    closed[k] = true;
                    ++cut;
                }
            }
            for (auto slept = 0ms; slept < period && !stop; slept += 10ms)
                std::this_thread::sleep_for(10ms);
        }
    });
}

// The real program serving on a port the system chooses, in `dir`, ended by
// its id when the test is done.
class ServeProcess {
  public:
    ServeProcess(const test::TempDir& dir, const std::vector<std::string>& extra) {
        const std::string out = dir.file("out");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, dir.file("err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> words = {OPBAFF_DESIGN_EXE, "serve", "--port", "0",
                                          "--stop-after",    "60"};
        words.insert(words.end(), extra.begin(), extra.end());
        std::vector<char*> arguments;
        for (std::string& word : words) arguments.push_back(word.data());
        arguments.push_back(nullptr);
        if (posix_spawn(&pid_, words[0].c_str(), &actions, nullptr, arguments.data(), environ) !=
            0) {
            pid_ = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
        for (int wait = 0; wait < 200 && pid_ != 0 && port_ == 0; ++wait) {
            std::this_thread::sleep_for(25ms);
            const std::string text = test::readFile(out);
            const std::size_t colon = text.rfind(':');
            if (text.ends_with("/\n") && colon != std::string::npos) {
                port_ = std::stoi(text.substr(colon + 1));
            }
        }
    }
    ServeProcess(const ServeProcess&) = delete;
    ServeProcess& operator=(const ServeProcess&) = delete;
    ~ServeProcess() {
        if (pid_ == 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    int port() const { return port_; }

    // Signals the program and waits at most 5 s for its end: how long it
    // took, and its wait status.
    std::pair<Clock::duration, int> stopWith(int signal) {
        const auto start = Clock::now();
        ::kill(pid_, signal);
        int status = -1;
        while (::waitpid(pid_, &status, WNOHANG) == 0 && Clock::now() - start < 5s) {
            std::this_thread::sleep_for(5ms);
        }
        const auto took = Clock::now() - start;
        if (took < 5s) pid_ = 0;
        return {took, status};
    }

  private:
    pid_t pid_ = 0;
    int port_ = 0;
};

// 120 connections each sending a byte every 2 s, more than ten times the
// workers: a normal request is answered at once all the while, and the slow
// ones are cut when their deadline passes.
TEST(SlowClientTest, TricklingConnectionsDelayNoRequestAndMeetTheirDeadline) {
    ServerLimits limits;
    limits.workerThreads = 2;
    limits.requestSeconds = 3.0;
    const RunningStudio studio(limits);
    std::atomic<bool> stop = false;
    std::atomic<int> cut = 0;
    std::thread slow = trickle(studio.port(), 120, 2000ms, stop, cut);
    std::this_thread::sleep_for(300ms);
    httplib::Client client = studio.client();
    std::vector<double> times;
    for (int k = 0; k < 30; ++k) {
        const auto start = Clock::now();
        const auto answer = client.Post("/api/response", exampleJson(), "application/json");
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200);
        std::this_thread::sleep_for(100ms);
    }
    std::sort(times.begin(), times.end());
    EXPECT_LT(times.back(), 200.0) << "slowest of 30 requests";
    // 3 s after they opened, the server has cut every one of them.
    for (int wait = 0; wait < 60 && studio.counts().cutAtDeadline < 120; ++wait) {
        std::this_thread::sleep_for(100ms);
    }
    stop = true;
    slow.join();
    EXPECT_EQ(studio.counts().cutAtDeadline, 120U);
}

// Far more kept-alive clients than workers, each polling: every one answered,
// every answer the single client's.
TEST(KeepAliveTest, EveryPollingClientAnsweredAsASingleClientIs) {
    ServerLimits limits;
    limits.workerThreads = 2;
    const RunningStudio studio(limits);
    const std::string body = exampleJson();
    const auto single = studio.client().Post("/api/response?grid=12", body, "application/json");
    ASSERT_TRUE(single && single->status == 200);
    constexpr int kClients = 100;
    std::atomic<int> equal = 0;
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&] {
            httplib::Client client = studio.client();
            client.set_keep_alive(true);
            for (int r = 0; r < 3; ++r) {
                const auto answer = client.Post("/api/response?grid=12", body, "application/json");
                if (answer && answer->status == 200 && answer->body == single->body) ++equal;
                std::this_thread::sleep_for(300ms);
            }
        });
    }
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(equal.load(), kClients * 3);
}

struct FloodCase {
    const char* name;
    int headers;
    std::size_t headerBytes;
    int status;
};

void PrintTo(const FloodCase& c, std::ostream* out) {
    *out << c.name;
}

class HeaderFloodTest : public testing::TestWithParam<FloodCase> {};

// Too many headers, or too large, are refused without being kept; the server
// serves on.
TEST_P(HeaderFloodTest, RefusedThenTheServerServesOn) {
    const FloodCase& c = GetParam();
    const RunningStudio studio;
    std::string headers;
    for (int k = 0; k < c.headers; ++k) {
        headers += "X-" + std::to_string(k) + ": " + std::string(c.headerBytes, 'v') + "\r\n";
    }
    const Socket socket(studio.port());
    socket.send("GET /api/design HTTP/1.1\r\nHost: localhost:" + std::to_string(studio.port()) +
                "\r\n" + headers + "\r\n");
    const std::string answer = socket.receiveAll(5000ms);
    EXPECT_EQ(statusOf(answer), c.status);
    const auto error = nlohmann::json::parse(bodyOf(answer), nullptr, false);
    EXPECT_TRUE(error.is_object() && error.contains("error")) << bodyOf(answer);
    const auto next = studio.client().Get("/api/design");
    ASSERT_TRUE(next);
    EXPECT_EQ(next->status, 200);
}

const FloodCase kFloods[] = {
    {"sixty_five_headers", 65, 4, 431},
    {"a_hundred_thousand_headers", 100000, 4, 431},
    {"one_header_of_a_megabyte", 1, 1 << 20, 431},
};

INSTANTIATE_TEST_SUITE_P(Cases, HeaderFloodTest, testing::ValuesIn(kFloods),
                         [](const testing::TestParamInfo<FloodCase>& info) {
                             return std::string(info.param.name);
                         });

// Range is ignored: the whole answer, 200, however many ranges are asked for.
TEST(RangeTest, IgnoredOnEveryAnswer) {
    const RunningStudio studio;
    httplib::Client client = studio.client();
    const std::string body = exampleJson();
    const auto whole = client.Post("/api/polar?grid=6", body, "application/json");
    ASSERT_TRUE(whole && whole->status == 200);
    std::string ranges = "bytes=0-10";
    for (int k = 1; k < 800; ++k) {
        ranges.append(",").append(std::to_string(k)).append("-").append(std::to_string(k + 100));
    }
    for (const std::string& range : {std::string("bytes=0-10"), ranges, std::string("bytes=x")}) {
        const auto answer =
            client.Post("/api/polar?grid=6", {{"Range", range}}, body, "application/json");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200) << range.substr(0, 20);
        EXPECT_EQ(answer->body, whole->body) << range.substr(0, 20);
    }
    const auto page = client.Get("/", {{"Range", "bytes=0-10"}});
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_GT(page->body.size(), 11U);
}

struct OriginCase {
    const char* name;
    const char* method;
    std::string host;  // "PORT" stands for the server's port
    std::string origin;
    int status;
};

void PrintTo(const OriginCase& c, std::ostream* out) {
    *out << c.name;
}

class OriginTest : public testing::TestWithParam<OriginCase> {};

// Only requests that name this server are served, and only its own page may
// post; every answer, refusals included, carries the page's protections.
TEST_P(OriginTest, OnlyTheStudiosOwnRequestsAreServed) {
    const OriginCase& c = GetParam();
    const RunningStudio studio;
    const auto withPort = [&](std::string text) {
        const std::size_t at = text.find("PORT");
        if (at != std::string::npos) text.replace(at, 4, std::to_string(studio.port()));
        return text;
    };
    std::string request = std::string(c.method) + " /api/check HTTP/1.1\r\n";
    if (!c.host.empty()) request += "Host: " + withPort(c.host) + "\r\n";
    if (!c.origin.empty()) request += "Origin: " + withPort(c.origin) + "\r\n";
    const std::string body = exampleJson();
    request += "Content-Type: application/json\r\nConnection: close\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n\r\n" + body;
    if (std::string_view(c.method) == "GET")
        request = request.substr(0, request.find("Content-Type")) + "Connection: close\r\n\r\n";
    const Socket socket(studio.port());
    socket.send(request);
    const std::string answer = socket.receiveAll(5000ms);
    EXPECT_EQ(statusOf(answer), c.status) << answer.substr(0, 200);
    EXPECT_NE(answer.find("X-Content-Type-Options: nosniff\r\n"), std::string::npos);
    EXPECT_NE(answer.find("frame-ancestors 'none'"), std::string::npos);
    const auto error = nlohmann::json::parse(bodyOf(answer), nullptr, false);
    EXPECT_TRUE(error.is_object()) << bodyOf(answer);
}

const OriginCase kOrigins[] = {
    {"own_address", "POST", "127.0.0.1:PORT", "http://127.0.0.1:PORT", 200},
    {"localhost", "POST", "localhost:PORT", "http://localhost:PORT", 200},
    {"no_origin", "POST", "127.0.0.1:PORT", "", 200},
    {"rebinding_name", "POST", "attacker.example:PORT", "", 421},
    {"rebinding_name_get", "GET", "attacker.example:PORT", "", 421},
    {"other_port", "GET", "127.0.0.1:1", "", 421},
    {"no_port", "GET", "localhost", "", 421},
    {"no_host", "GET", "", "", 421},
    {"localhost_suffix", "GET", "localhost.attacker.example:PORT", "", 421},
    {"cross_site_post", "POST", "127.0.0.1:PORT", "http://attacker.example", 403},
    {"opaque_origin", "POST", "127.0.0.1:PORT", "null", 403},
    {"other_port_origin", "POST", "127.0.0.1:PORT", "http://127.0.0.1:1", 403},
    {"https_origin", "POST", "127.0.0.1:PORT", "https://127.0.0.1:PORT", 403},
    {"cross_site_get_is_answered", "GET", "127.0.0.1:PORT", "http://attacker.example", 405},
};

INSTANTIATE_TEST_SUITE_P(Cases, OriginTest, testing::ValuesIn(kOrigins),
                         [](const testing::TestParamInfo<OriginCase>& info) {
                             return std::string(info.param.name);
                         });

struct HostCase {
    const char* name;
    const char* listening;
    const char* host;
    bool served;
};

void PrintTo(const HostCase& c, std::ostream* out) {
    *out << c.name;
}

class HostTest : public testing::TestWithParam<HostCase> {};

TEST_P(HostTest, NamesTheServerOrNot) {
    const HostCase& c = GetParam();
    EXPECT_EQ(namesServer(c.host, {c.listening, 8080}), c.served);
}

const HostCase kHosts[] = {
    {"ipv6_loopback", "::1", "[::1]:8080", true},
    {"ipv6_without_brackets", "::1", "::1:8080", false},
    {"ipv4_on_ipv6", "::1", "127.0.0.1:8080", false},
    {"case_of_localhost", "127.0.0.1", "LocalHost:8080", true},
    {"wildcard_takes_an_address", "0.0.0.0", "192.168.1.20:8080", true},
    {"wildcard_takes_no_name", "0.0.0.0", "nas.example:8080", false},
    {"given_name", "studio.lan", "studio.lan:8080", true},
    {"port_with_sign", "127.0.0.1", "127.0.0.1:+8080", false},
    {"port_with_tail", "127.0.0.1", "127.0.0.1:8080x", false},
};

INSTANTIATE_TEST_SUITE_P(Cases, HostTest, testing::ValuesIn(kHosts),
                         [](const testing::TestParamInfo<HostCase>& info) {
                             return std::string(info.param.name);
                         });

struct FramingCase {
    const char* name;
    std::string headers;
    bool sendBody;  // false: the answer must come before any body is sent
    int status;
};

void PrintTo(const FramingCase& c, std::ostream* out) {
    *out << c.name;
}

class FramingTest : public testing::TestWithParam<FramingCase> {};

// A body whose length or coding is in doubt is refused at once, without
// waiting for bytes that may never come.
TEST_P(FramingTest, RefusedAtOnce) {
    const FramingCase& c = GetParam();
    const RunningStudio studio;
    const std::string head =
        "POST /api/check HTTP/1.1\r\nHost: localhost:" + std::to_string(studio.port()) +
        "\r\nContent-Type: application/json\r\nConnection: close\r\n";
    const std::string rest = c.headers + "\r\n" + (c.sendBody ? exampleJson() : "");
    // Sent whole, then in two parts with the case's first header in the first,
    // as a slow client's would arrive: the same answer.
    std::vector<std::string> bodies;
    for (const std::size_t split : {std::size_t{0}, rest.find("\r\n") + 2}) {
        const Socket socket(studio.port());
        socket.send(head + rest.substr(0, split));
        if (split > 0) std::this_thread::sleep_for(100ms);
        socket.send(rest.substr(split));
        const auto start = Clock::now();
        const std::string answer = socket.receiveAll(3000ms);
        EXPECT_LT(Clock::now() - start, 1000ms);
        EXPECT_EQ(statusOf(answer), c.status) << answer.substr(0, 300);
        const auto error = nlohmann::json::parse(bodyOf(answer), nullptr, false);
        EXPECT_TRUE(error.is_object() && (c.status == 200 || error.contains("error")))
            << bodyOf(answer);
        bodies.push_back(bodyOf(answer));
    }
    EXPECT_EQ(bodies[0], bodies[1]);
}

const std::string kExampleLength =
    "Content-Length: " + std::to_string(exampleJson().size()) + "\r\n";

const FramingCase kFramings[] = {
    {"negative_length", "Content-Length: -5\r\n", false, 400},
    {"malformed_length", "Content-Length: 12ab\r\n", false, 400},
    {"conflicting_lengths", kExampleLength + "Content-Length: 3\r\n", false, 400},
    {"length_and_chunked", kExampleLength + "Transfer-Encoding: chunked\r\n", false, 400},
    {"length_over_limit", "Content-Length: 65537\r\n", false, 413},
    {"huge_length", "Content-Length: 99999999999999999999999\r\n", false, 413},
    {"gzip_body", kExampleLength + "Content-Encoding: gzip\r\n", false, 415},
    {"coding_not_chunked", "Transfer-Encoding: gzip\r\n", false, 400},
    {"gzip_then_chunked", "Transfer-Encoding: gzip, chunked\r\n", false, 415},
    {"chunked_twice", "Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n", false, 400},
    {"identity_body", kExampleLength + "Content-Encoding: identity\r\n", true, 200},
    {"same_length_twice", kExampleLength + kExampleLength, true, 200},
};

INSTANTIATE_TEST_SUITE_P(Cases, FramingTest, testing::ValuesIn(kFramings),
                         [](const testing::TestParamInfo<FramingCase>& info) {
                             return std::string(info.param.name);
                         });

struct ExchangeCase {
    const char* name;
    std::string requests;       // sent at once; "PORT" stands for the port
    std::vector<int> statuses;  // of the answers, in order
};

void PrintTo(const ExchangeCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<int> statusesOf(const std::string& answers) {
    std::vector<int> statuses;
    for (std::size_t at = answers.find("HTTP/1.1 "); at != std::string::npos;
         at = answers.find("HTTP/1.1 ", at + 1)) {
        statuses.push_back(std::stoi(answers.substr(at + 9, 3)));
    }
    return statuses;
}

class ExchangeTest : public testing::TestWithParam<ExchangeCase> {};

// Whole exchanges on one connection: requests sent together are answered in
// turn, and what the parser cannot read is answered in JSON, then closed.
TEST_P(ExchangeTest, AnsweredInTurnInJson) {
    const ExchangeCase& c = GetParam();
    const RunningStudio studio;
    std::string requests = c.requests;
    for (std::size_t at = requests.find("PORT"); at != std::string::npos;
         at = requests.find("PORT", at)) {
        requests.replace(at, 4, std::to_string(studio.port()));
    }
    const Socket socket(studio.port());
    socket.send(requests);
    const std::string answers = socket.receiveAll(3000ms);
    EXPECT_EQ(statusesOf(answers), c.statuses) << answers.substr(0, 300);
    const std::size_t last = answers.rfind("HTTP/1.1 ");
    ASSERT_NE(last, std::string::npos);
    const auto body = nlohmann::json::parse(bodyOf(answers.substr(last)), nullptr, false);
    EXPECT_TRUE(body.is_object()) << answers.substr(last, 300);
}

const std::string kGet = "GET /api/design HTTP/1.1\r\nHost: localhost:PORT\r\n\r\n";
const std::string kLastGet =
    "GET /api/design HTTP/1.1\r\nHost: localhost:PORT\r\nConnection: close\r\n\r\n";

const ExchangeCase kExchanges[] = {
    {"three_pipelined", kGet + kGet + kLastGet, {200, 200, 200}},
    {"no_request_line", "\x01\x02 nonsense\r\n\r\n" + kGet, {400}},
    {"http_version_unknown", "GET / HTTP/7\r\nHost: localhost:PORT\r\n\r\n", {400}},
    {"header_without_colon", "GET / HTTP/1.1\r\nHost localhost\r\n\r\n", {400}},
    {"after_a_good_one", kGet + "GET / HTTP/1.1\r\nBad header\r\n\r\n" + kGet, {200, 400}},
    {"chunked_body_too_large",
     "POST /api/check HTTP/1.1\r\nHost: localhost:PORT\r\nContent-Type: application/json\r\n"
     "Transfer-Encoding: chunked\r\n\r\n10001\r\n" +
         std::string(65537, ' ') + "\r\n0\r\n\r\n",
     {413}},
    {"request_line_too_long",
     "GET /" + std::string(20000, 'a') + " HTTP/1.1\r\nHost: localhost:PORT\r\n\r\n",
     {431}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ExchangeTest, testing::ValuesIn(kExchanges),
                         [](const testing::TestParamInfo<ExchangeCase>& info) {
                             return std::string(info.param.name);
                         });

// A client that asks before sending its body (as curl does for large ones)
// is told to go on only once its headers have passed, and then answered.
TEST(ExpectContinueTest, TheBodyIsAskedForThenAnswered) {
    const RunningStudio studio;
    const Socket socket(studio.port());
    const std::string body = exampleJson();
    const std::string head = post("/api/check", studio.port(), body, "Expect: 100-continue\r\n");
    socket.send(head.substr(0, head.size() - body.size()));
    const std::string asked = socket.receiveAll(500ms);
    EXPECT_EQ(asked, "HTTP/1.1 100 Continue\r\n\r\n");
    socket.send(body);
    const std::string answer = socket.receiveAll(1000ms);
    EXPECT_EQ(statusOf(answer), 200) << answer.substr(0, 300);
    // Refused headers get their refusal, not a "go on".
    const Socket other(studio.port());
    other.send(
        "POST /api/check HTTP/1.1\r\nHost: evil.example\r\nContent-Length: 5\r\n"
        "Expect: 100-continue\r\n\r\n");
    EXPECT_EQ(statusOf(other.receiveAll(1000ms)), 421);
}

struct TargetCase {
    const char* name;
    const char* target;
    const char* path;
    std::vector<std::pair<std::string, std::string>> query;  // in order
};

void PrintTo(const TargetCase& c, std::ostream* out) {
    *out << c.name;
}

class TargetTest : public testing::TestWithParam<TargetCase> {};

TEST_P(TargetTest, DecodedAsAFormIs) {
    const TargetCase& c = GetParam();
    std::string path;
    QueryParams query;
    decodeTarget(c.target, path, query);
    EXPECT_EQ(path, c.path);
    const std::vector<std::pair<std::string, std::string>> got(query.begin(), query.end());
    EXPECT_EQ(got, c.query);
}

const TargetCase kTargets[] = {
    {"plain",
     "/api/polar?grid=12&angles=-90:90:5",
     "/api/polar",
     {{"angles", "-90:90:5"}, {"grid", "12"}}},
    {"percent_and_plus", "/a%20b+c?na%6De=x+y%2Bz", "/a b+c", {{"name", "x y+z"}}},
    {"lone_percent_kept", "/p?x=%&y=%4&z=%zz", "/p", {{"x", "%"}, {"y", "%4"}, {"z", "%zz"}}},
    {"repeated_in_order", "/p?k=2&&k=1&flag", "/p", {{"flag", ""}, {"k", "2"}, {"k", "1"}}},
    {"only_a_mark", "/p?", "/p", {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, TargetTest, testing::ValuesIn(kTargets),
                         [](const testing::TestParamInfo<TargetCase>& info) {
                             return std::string(info.param.name);
                         });

// A client that has finished sending (shutdown of its side) still waits for
// the answer, and gets it whole.
TEST(HalfClosedTest, GetsItsAnswer) {
    const RunningStudio studio;
    const Socket socket(studio.port());
    socket.send(post("/api/response", studio.port(), exampleJson()));
    socket.halfClose();
    const std::string answer = socket.receiveAll(5000ms);
    ASSERT_EQ(statusOf(answer), 200) << answer.substr(0, 200);
    const auto response = nlohmann::json::parse(bodyOf(answer), nullptr, false);
    EXPECT_TRUE(response.is_object() && response.contains("columns"));
}

// A polar set left by its client (a reset connection) stops early: the one
// worker for costly sets is free for the next.
TEST(AbandonTest, AClientGoneStopsItsComputation) {
    ServerLimits limits;
    limits.costlyThreads = 1;
    const RunningStudio studio(limits);
    const std::string target = "/api/polar?grid=96&angles=-90:90:2";
    httplib::Client client = studio.client();
    const auto timed = [&] {
        const auto start = Clock::now();
        const auto answer = client.Post(target, exampleJson(), "application/json");
        EXPECT_TRUE(answer && answer->status == 200);
        return Clock::now() - start;
    };
    const auto alone = timed();
    ASSERT_GT(alone, 200ms) << "the set is too quick to tell";
    Socket socket(studio.port());
    socket.send(post(target, studio.port(), exampleJson()));
    std::this_thread::sleep_for(50ms);
    socket.reset();
    // The worker notices between angles, long before the set would be done.
    const auto start = Clock::now();
    while (studio.counts().abandoned == 0 && Clock::now() - start < 10s) {
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_EQ(studio.counts().abandoned, 1U);
    EXPECT_LT(Clock::now() - start, alone / 2);
    timed();  // and the worker serves on
}

// The real program, with slow clients, kept-alive ones and a computation
// attached, ends within a second of SIGTERM or SIGINT.
class StopTest : public testing::TestWithParam<int> {};

TEST_P(StopTest, WithinASecondWhateverTheClientsDo) {
    const test::TempDir dir;
    ServeProcess serve(dir, {});
    const int port = serve.port();
    ASSERT_NE(port, 0) << test::readFile(dir.file("err"));
    std::vector<std::unique_ptr<Socket>> clients;
    for (int k = 0; k < 100; ++k) {
        clients.push_back(std::make_unique<Socket>(port));
        clients.back()->send("GET /api/design HTTP/1.1\r\nHost: localhost:" + std::to_string(port));
    }
    for (int k = 0; k < 3; ++k) {
        clients.push_back(std::make_unique<Socket>(port));
        clients.back()->send(post("/api/polar?grid=96&angles=-90:90:2", port, exampleJson()));
    }
    std::this_thread::sleep_for(200ms);
    const auto [took, status] = serve.stopWith(GetParam());
    EXPECT_LT(took, 1s);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

INSTANTIATE_TEST_SUITE_P(Signals, StopTest, testing::Values(SIGTERM, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "termination"
                                                                      : "interrupt");
                         });

// serve reads its file once, at start: from a FIFO, which gives its text only
// once, the design is there for every request.
TEST(StartingFileTest, ReadOnceSoAFifoServes) {
    const test::TempDir dir;
    const std::string fifo = dir.file("design.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string text =
        test::readFile(test::referenceFile("single-path-piston", "Opbaffin.txt"));
    // The writer waits (at most 10 s) for the server to open the FIFO.
    std::thread writer([&] {
        for (int wait = 0; wait < 1000; ++wait) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                const int flags = ::fcntl(fd, F_GETFL);
                ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
                const bool whole =
                    ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
                ::close(fd);
                EXPECT_TRUE(whole);
                return;
            }
            std::this_thread::sleep_for(10ms);
        }
    });
    ServeProcess serve(dir, {fifo});
    writer.join();
    const int port = serve.port();
    ASSERT_NE(port, 0) << test::readFile(dir.file("err"));
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(5, 0);
    const Design expected = readParameterText(text)->design;
    for (int k = 0; k < 3; ++k) {
        const auto answer = client.Get("/api/design");
        ASSERT_TRUE(answer);
        const auto start = nlohmann::json::parse(answer->body);
        EXPECT_EQ(start["source"], "design.fifo");
        const auto design = designFromJson(start["design"].dump());
        ASSERT_TRUE(design);
        EXPECT_EQ(design->model, expected.model);
        EXPECT_EQ(design->driverXCm, expected.driverXCm);
    }
}

}  // namespace
}  // namespace opbaff::tools
