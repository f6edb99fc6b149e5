// The studio's HTTP interface apart from the sockets: a request in, a reply
// out. The JSON API under /api/ and the page's embedded files.
//
//   GET  /api/design          the design the studio starts from
//   POST /api/response        the response of a design on a grid, with merit and notes
//   POST /api/polar           the off-axis levels of a rectangular design at many angles
//   POST /api/check           the notes on a design
//   POST /api/parameter-file  the canonical parameter file of a design
//   POST /api/frd             one response column as an FRD file
//   GET  /<path>              a file of the page ("/" is /index.html)
//
// Every answer is computed by the library for this request alone.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace opbaff::tools {

inline constexpr std::size_t kMaxRequestBodyBytes = std::size_t{64} * 1024;
inline constexpr std::size_t kMaxAnglesPerRequest = 181;

using QueryParams = std::multimap<std::string, std::string>;

struct StudioRequest {
    std::string method;  // "GET", "HEAD", "POST", ...
    std::string path;    // percent-decoded, without the query
    QueryParams query;
    std::string contentType;  // the header as sent, "" when there is none
    std::string body;
};

struct StudioReply {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    std::string attachmentName;  // a file name: sent as Content-Disposition: attachment
    std::string allow;           // with 405: the methods the path takes
};

struct StudioSettings {
    // The parameter file GET /api/design reads at each request; the shipped
    // example stands in when it cannot be read.
    std::string parameterFile = "Opbaffin.txt";
    int polarJobs = 2;  // threads of one polar request
};

StudioReply answerRequest(const StudioRequest& request, const StudioSettings& settings);

// {"error": message} with `status`.
StudioReply errorReply(int status, const std::string& message);

}  // namespace opbaff::tools
