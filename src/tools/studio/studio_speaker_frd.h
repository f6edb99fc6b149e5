// POST /api/speaker-frd: the posted speaker's FRD sets, every driver's and
// the sum's in both planes with level and phase, the very files `opbaff-design
// polar SPEAKER.toml --angles -180:180:STEP --vertical -180:180:STEP` writes
// for it (speaker_frd_set.h), for the page to zip.
//
// The body and the query read as /api/speaker's (studio_speaker_input.h),
// with the angle step as ?step=STEP (default 10; 2 to 180, dividing 180), and
//   ?source=NAME     the speaker file's name the remarks give (default
//                    "speaker.toml"; printable ASCII, at most 200 characters)
// The answer: {"name", "speaker": the speaker file on the set's grid (polar on
// it writes the same files), "files": {file name: FRD text, ...}} in the
// order polar writes them.
//
// The model is the studio's last solved when it serves (SpeakerModelCache),
// the request weighs as /api/speaker's with that directivity step, and one
// that weighs too much, or would answer more than kMaxFrdFilesPerAnswer
// files, is a 400 naming what to change.
#pragma once

#include <cstddef>

#include "studio_api.h"
#include "studio_speaker.h"

namespace opbaff::tools {

inline constexpr std::size_t kMaxFrdFilesPerAnswer = 2000;
inline constexpr long kDefaultFrdStepDeg = 10;

// The weight of the request (postedSpeakerCost), 0 when it does not read.
std::size_t speakerFrdCostOf(const StudioRequest& request);

// The set heard on `jobs` threads.
StudioReply answerSpeakerFrd(const StudioRequest& request, SpeakerModelCache& cache, int jobs);

}  // namespace opbaff::tools
