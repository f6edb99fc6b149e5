// The studio's HTTP interface apart from the sockets: a request in, a reply
// out. The JSON API under /api/ and the page's embedded files.
//
//   GET  /api/design          the design the studio starts from
//   POST /api/response        the response of a design on a grid, with merit and notes
//   POST /api/polar           the off-axis levels of a rectangular design at many angles
//                             (both on the classic model, or with ?model=accurate on
//                             the thin-plate model)
//   POST /api/check           the notes on a design
//   POST /api/parameter-file  the canonical parameter file of a design
//   POST /api/read-parameter-file  the design of a parameter file's bytes, as
//                             the program reads them
//   POST /api/frd             one response column as an FRD file
//   POST /api/speaker         a speaker file's drivers and their sum on the thin-plate
//                             model, optionally the sum's directivity (studio_speaker.h)
//   POST /api/speaker-frd     every driver's and the sum's FRD sets of both planes, as
//                             polar writes them for the speaker (studio_speaker_frd.h)
//   POST /api/eq              the equaliser fitted to a response column (or a chain
//                             given, measured), with the raw and equalised levels
//   GET  /<path>              a file of the page ("/" is /index.html)
//
// Every answer is computed by the library for this request alone.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "opbaff/design.h"

namespace opbaff::tools {

inline constexpr std::size_t kMaxRequestBodyBytes = std::size_t{64} * 1024;
inline constexpr std::size_t kMaxAnglesPerRequest = 181;
// The most (frequency, angle) pairs one request computes: every polar set the
// page asks for (round the whole circle at a 2 degree step on at most 48 points
// per octave: 528 x 181) and not much more.
inline constexpr std::size_t kMaxPairsPerRequest = 100000;

// What one frequency of the accurate model costs against the classic model's
// (frequency, angle) pair: its plate's solve is about a thousand times dearer,
// so the studio computes it for at most 100 frequencies at a time.
inline constexpr std::size_t kAccurateCostPerFrequency = 1000;

// What fitting an equaliser costs per frequency against a classic (frequency,
// angle) pair: up to 6,000 evaluations of the chain over the band, about 50 ms
// on 24 points per octave, so a fit on a grid finer than about 8 points per
// octave goes to the costly workers.
inline constexpr std::size_t kEqFitCostPerFrequency = 100;

using QueryParams = std::multimap<std::string, std::string>;

struct StudioRequest {
    std::string method;  // "GET", "HEAD", "POST", ...
    std::string path;    // percent-decoded, without the query
    QueryParams query;
    std::string contentType;  // the header as sent, "" when there is none
    std::string body;
    // Asked between angles of a long computation: true when nobody waits for
    // the answer any more, which then is a 503. Empty: never.
    std::function<bool()> abandoned;
};

struct StudioReply {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    std::string attachmentName;  // a file name: sent as Content-Disposition: attachment
    std::string allow;           // with 405: the methods the path takes
};

// The design GET /api/design answers with: a parameter file's, read once when
// the studio starts, or the shipped example.
struct StartingDesign {
    Design design;
    std::string source = "example";  // the file's name (never its folder), or "example"
    std::string problem;             // why the file did not read, "" if it did
};

// The design of the parameter file at `path`, read now and only now (a pipe
// or a FIFO is read once); the example when there is no such file, or, with
// the reason, when it does not read.
StartingDesign readStartingDesign(const std::string& path);

class SpeakerModelCache;  // studio_speaker.h
std::shared_ptr<SpeakerModelCache> newSpeakerModelCache();

struct StudioSettings {
    StartingDesign start;
    int polarJobs = 2;  // threads of one polar request
    // The last speaker /api/speaker solved, shared by the copies of these
    // settings; the server makes one when none is given (without one, every
    // speaker request solves its speaker anew).
    std::shared_ptr<SpeakerModelCache> speakers{};
};

StudioReply answerRequest(const StudioRequest& request, const StudioSettings& settings);

// The (frequency, angle) pairs a request would compute: its grid's size, times
// its angles for /api/polar, times kEqFitCostPerFrequency for a fit of
// /api/eq; on the accurate model its grid's size times
// kAccurateCostPerFrequency plus the angles; 0 for a request that computes
// nothing or whose query does not read (it is refused at once).
std::size_t costOf(const StudioRequest& request);

// {"error": message} with `status`.
StudioReply errorReply(int status, const std::string& message);

}  // namespace opbaff::tools
