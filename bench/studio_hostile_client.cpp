// The studio's server under slow, many and hostile clients on loopback.
//
//   studio-hostile-client slow PORT CONNECTIONS SECONDS LIMIT_MS
//       CONNECTIONS clients each sending a byte of a request every 2 s; all
//       the while a normal client posts the example on the standard grid, each
//       request on a new connection. Fails unless its 95th percentile is at
//       most LIMIT_MS.
//   studio-hostile-client keepalive PORT CLIENTS SECONDS
//       CLIENTS kept-alive clients each polling every 1.5 s. Fails unless every
//       request of every client is answered, each answer the one a single
//       client gets.
//   studio-hostile-client burst PORT PID ABOVE_MB AFTER_MB
//       The server's resident memory (from /proc/PID/status) idle, during a
//       burst of hostile requests (huge headers, bodies at the limit, costly
//       polar sets whose answers are never read, Range floods) and 3 s after
//       it. Fails if it rises more than ABOVE_MB above idle, or ends more than
//       AFTER_MB above it.
//
// Exit status 1 when a figure misses its limit, 2 on wrong arguments.
#include <httplib.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "opbaff/design.h"
#include "studio_design_json.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

void raiseFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendAll(int fd, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

std::string exampleJson() {
    opbaff::tools::JsonWriter writer;
    opbaff::tools::writeDesign(writer, opbaff::Design{});
    return writer.take();
}

std::string postRequest(int port, const std::string& target, const std::string& body,
                        const std::string& extra = "") {
    return "POST " + target + " HTTP/1.1\r\nHost: localhost:" + std::to_string(port) +
           "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n" + extra + "\r\n" + body;
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

int slow(int port, int connections, int seconds, double limitMs) {
    std::vector<int> sockets;
    for (int k = 0; k < connections; ++k) {
        const int fd = connectTo(port);
        if (fd >= 0) sockets.push_back(fd);
    }
    std::atomic<bool> done = false;
    std::thread trickle([&] {
        const std::string request = postRequest(port, "/api/response", exampleJson());
        for (std::size_t byte = 0; byte < request.size() && !done; ++byte) {
            for (const int fd : sockets) ::send(fd, &request[byte], 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            for (auto slept = 0ms; slept < 2000ms && !done; slept += 10ms) {
                std::this_thread::sleep_for(10ms);
            }
        }
    });
    std::this_thread::sleep_for(500ms);  // every slow client has sent a byte
    const std::string body = exampleJson();
    std::vector<double> times;
    int failed = 0;
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(10, 0);
        const auto start = Clock::now();
        const auto answer = client.Post("/api/response", body, "application/json");
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!answer || answer->status != 200) ++failed;
        std::this_thread::sleep_for(20ms);
    }
    done = true;
    trickle.join();
    for (const int fd : sockets) ::close(fd);
    const double p95 = percentile(times, 0.95);
    std::printf(
        "%zu slow connections: %zu requests, median %.2f ms, 95th percentile %.2f ms, "
        "max %.2f ms, %d failed\n",
        sockets.size(), times.size(), percentile(times, 0.5), p95, percentile(times, 1.0), failed);
    return failed == 0 && p95 <= limitMs && static_cast<int>(sockets.size()) == connections ? 0 : 1;
}

int keepAlive(int port, int clients, int seconds) {
    const std::string body = exampleJson();
    httplib::Client single("127.0.0.1", port);
    const auto reference = single.Post("/api/response", body, "application/json");
    if (!reference || reference->status != 200) return 2;
    std::atomic<int> equal = 0;
    std::atomic<int> sent = 0;
    std::atomic<int> starved = 0;
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_read_timeout(10, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(c * 1500 / clients));
            const auto end = Clock::now() + std::chrono::seconds(seconds);
            int answered = 0;
            while (Clock::now() < end) {
                ++sent;
                const auto answer = client.Post("/api/response", body, "application/json");
                if (answer && answer->status == 200 && answer->body == reference->body) {
                    ++equal;
                    ++answered;
                }
                std::this_thread::sleep_for(1500ms);
            }
            if (answered == 0) ++starved;
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::printf(
        "%d kept-alive clients for %d s: %d requests, %d answered equal to a single "
        "client's, %d clients without an answer\n",
        clients, seconds, sent.load(), equal.load(), starved.load());
    return equal == sent && starved == 0 ? 0 : 1;
}

double residentMb(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024.0;
    }
    return -1.0;
}

// Connections that each do one hostile thing and then hold on.
std::vector<int> hostileBurst(int port) {
    std::vector<int> sockets;
    const auto open = [&](const std::string& data) {
        const int fd = connectTo(port);
        if (fd < 0) return;
        sendAll(fd, data);
        sockets.push_back(fd);
    };
    const std::string host = "Host: localhost:" + std::to_string(port) + "\r\n";
    std::string headers;
    for (int k = 0; headers.size() < 20000; ++k) headers += "X-" + std::to_string(k) + ": v\r\n";
    for (int k = 0; k < 600; ++k) open("GET / HTTP/1.1\r\n" + host + headers);  // never ended
    const std::string big(64 * 1024 - 2, ' ');
    for (int k = 0; k < 300; ++k)
        open(postRequest(port, "/api/check", "{" + big + "}").substr(0, 60000));
    const std::string design = exampleJson();
    for (int k = 0; k < 60; ++k) {
        open(postRequest(port, "/api/polar?grid=96&angles=-90:90:2", design));  // never read
    }
    std::string ranges = "Range: bytes=0-10";
    for (int k = 1; k < 800; ++k) ranges.append(",").append(std::to_string(k)).append("-");
    ranges += "\r\n";
    for (int k = 0; k < 40; ++k) open(postRequest(port, "/api/polar?grid=96", design, ranges));
    return sockets;
}

int burst(int port, int pid, double aboveMb, double afterMb) {
    // Warm up every path once, so that idle is the size of a server that has worked.
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(30, 0);
    client.Post("/api/polar?grid=96&angles=-90:90:2", exampleJson(), "application/json");
    client.Get("/");
    std::this_thread::sleep_for(500ms);
    const double idle = residentMb(pid);
    double peak = idle;
    std::atomic<bool> sampling = true;
    std::thread sampler([&] {
        while (sampling) {
            peak = std::max(peak, residentMb(pid));
            std::this_thread::sleep_for(20ms);
        }
    });
    std::vector<int> sockets = hostileBurst(port);
    std::this_thread::sleep_for(4s);  // the costly answers computed and held
    for (const int fd : sockets) ::close(fd);
    std::this_thread::sleep_for(3s);
    sampling = false;
    sampler.join();
    const double after = residentMb(pid);
    const auto answer = client.Post("/api/response", exampleJson(), "application/json");
    const bool serving = answer && answer->status == 200;
    std::printf(
        "resident memory: idle %.1f MB, peak %.1f MB (+%.1f) during %zu hostile "
        "connections, %.1f MB (+%.1f) 3 s after; %s\n",
        idle, peak, peak - idle, sockets.size(), after, after - idle,
        serving ? "serving" : "NOT serving");
    return serving && peak - idle <= aboveMb && after - idle <= afterMb ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    raiseFileLimit();
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 5 && args[0] == "slow") {
            return slow(std::stoi(args[1]), std::stoi(args[2]), std::stoi(args[3]),
                        std::stod(args[4]));
        }
        if (args.size() == 4 && args[0] == "keepalive") {
            return keepAlive(std::stoi(args[1]), std::stoi(args[2]), std::stoi(args[3]));
        }
        if (args.size() == 5 && args[0] == "burst") {
            return burst(std::stoi(args[1]), std::stoi(args[2]), std::stod(args[3]),
                         std::stod(args[4]));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "studio-hostile-client: %s\n", e.what());
        return 2;
    }
    std::fprintf(stderr, "usage: see the head of bench/studio_hostile_client.cpp\n");
    return 2;
}
