// The latency of the studio's POST /api/response as the page sees it: one
// client on one kept-alive connection, each request sent when the answer to
// the one before has arrived.
//
//   studio-latency-client PORT GRID COUNT [LIMIT_MS]
//   studio-latency-client compare PORT_A PORT_B GRID ROUNDS COUNT RATIO
//
// Posts the shipped example (a rectangular design) COUNT times, after 50
// requests not counted, and prints the median and the 95th percentile. Exit
// status 1 when LIMIT_MS is given and the 95th percentile is not below it, 2
// when a request fails or the arguments are wrong.
//
// `compare` measures two servers in alternation, ROUNDS rounds of COUNT
// requests each, so that a drift of the machine's speed falls on both alike;
// exit status 1 unless the median of A is at most RATIO times that of B.
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "opbaff/design.h"
#include "studio_design_json.h"

namespace {

constexpr int kWarmUp = 50;

// The time of one request in milliseconds, or a negative value if it failed.
double timeRequest(httplib::Client& client, const std::string& target, const std::string& body) {
    const auto start = std::chrono::steady_clock::now();
    const auto answer = client.Post(target, body, "application/json");
    const auto end = std::chrono::steady_clock::now();
    if (!answer || answer->status != 200 || answer->body.find("\"columns\"") == std::string::npos) {
        std::fprintf(stderr, "studio-latency-client: request failed: %s\n",
                     answer ? answer->body.c_str() : httplib::to_string(answer.error()).c_str());
        return -1.0;
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double percentile(const std::vector<double>& sorted, double fraction) {
    const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
    return sorted[rank];
}

struct Timing {
    double median;
    double p95;
    double max;
};

Timing summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {percentile(times, 0.5), percentile(times, 0.95), times.back()};
}

std::string exampleBody() {
    opbaff::tools::JsonWriter writer;
    opbaff::tools::writeDesign(writer, opbaff::Design{});
    return writer.take();
}

httplib::Client connect(int port) {
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    return client;
}

// Appends COUNT timed requests (after the warm-up, when asked) to `times`.
bool timeRequests(httplib::Client& client, const std::string& target, const std::string& body,
                  int count, bool warmUp, std::vector<double>& times) {
    for (int k = 0; k < (warmUp ? kWarmUp : 0) + count; ++k) {
        const double milliseconds = timeRequest(client, target, body);
        if (milliseconds < 0) return false;
        if (!warmUp || k >= kWarmUp) times.push_back(milliseconds);
    }
    return true;
}

int compareServers(int argc, char** argv) {
    if (argc != 8) return 2;
    const int rounds = std::stoi(argv[5]);
    const int count = std::stoi(argv[6]);
    const double ratio = std::stod(argv[7]);
    if (rounds < 1 || count < 1 || !(ratio > 0)) return 2;
    const std::string body = exampleBody();
    const std::string target = std::string("/api/response?grid=") + argv[4];
    auto clientA = connect(std::stoi(argv[2]));
    auto clientB = connect(std::stoi(argv[3]));
    std::vector<double> timesA;
    std::vector<double> timesB;
    for (int round = 0; round < rounds; ++round) {
        if (!timeRequests(clientA, target, body, count, round == 0, timesA) ||
            !timeRequests(clientB, target, body, count, round == 0, timesB)) {
            return 2;
        }
    }
    const Timing a = summarise(timesA);
    const Timing b = summarise(timesB);
    std::printf(
        "grid %-8s %d requests each, in %d alternating rounds: A median %.3f ms "
        "(95th percentile %.3f ms), B median %.3f ms (95th percentile %.3f ms): "
        "ratio %.2f (limit %.2f)\n",
        argv[4], rounds * count, rounds, a.median, a.p95, b.median, b.p95, a.median / b.median,
        ratio);
    return a.median <= ratio * b.median ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "compare") return compareServers(argc, argv);
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: studio-latency-client PORT GRID COUNT [LIMIT_MS]\n");
        return 2;
    }
    const int port = std::stoi(argv[1]);
    const std::string grid = argv[2];
    const int count = std::stoi(argv[3]);
    if (count < 1) return 2;

    const std::string body = exampleBody();
    const std::string target = "/api/response?grid=" + grid;
    auto client = connect(port);

    std::vector<double> times;
    if (!timeRequests(client, target, body, count, true, times)) return 2;
    const Timing timing = summarise(times);
    std::printf("grid %-8s %d requests: median %.3f ms, 95th percentile %.3f ms, max %.3f ms\n",
                grid.c_str(), count, timing.median, timing.p95, timing.max);
    if (argc == 5 && !(timing.p95 < std::stod(argv[4]))) {
        std::printf("95th percentile %.3f ms is not below the limit of %s ms\n", timing.p95,
                    argv[4]);
        return 1;
    }
    return 0;
}
