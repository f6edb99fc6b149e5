// The latency of the studio's POST /api/response as the page sees it: one
// client on one kept-alive connection, each request sent when the answer to
// the one before has arrived.
//
//   studio-latency-client PORT GRID COUNT [LIMIT_MS]
//
// Posts the shipped example (a rectangular design) COUNT times, after 50
// requests not counted, and prints the median and the 95th percentile. Exit
// status 1 when LIMIT_MS is given and the 95th percentile is not below it, 2
// when a request fails or the arguments are wrong.
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "opbaff/design.h"
#include "tools/studio_design_json.h"

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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: studio-latency-client PORT GRID COUNT [LIMIT_MS]\n");
        return 2;
    }
    const int port = std::stoi(argv[1]);
    const std::string grid = argv[2];
    const int count = std::stoi(argv[3]);
    if (count < 1) return 2;

    opbaff::tools::JsonWriter writer;
    opbaff::tools::writeDesign(writer, opbaff::Design{});
    const std::string body = writer.take();
    const std::string target = "/api/response?grid=" + grid;
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);

    std::vector<double> times;
    for (int k = 0; k < kWarmUp + count; ++k) {
        const double milliseconds = timeRequest(client, target, body);
        if (milliseconds < 0) return 2;
        if (k >= kWarmUp) times.push_back(milliseconds);
    }
    std::sort(times.begin(), times.end());
    const double p95 = percentile(times, 0.95);
    std::printf("grid %-8s %d requests: median %.3f ms, 95th percentile %.3f ms, max %.3f ms\n",
                grid.c_str(), count, percentile(times, 0.5), p95, times.back());
    if (argc == 5 && !(p95 < std::stod(argv[4]))) {
        std::printf("95th percentile %.3f ms is not below the limit of %s ms\n", p95, argv[4]);
        return 1;
    }
    return 0;
}
