// POST /api/speaker: a speaker of several drivers on one baffle (its speaker
// file's text, see studio_speaker_input.h) heard on the thin-plate model at
// its listening distance: each driver and the sum on axis, optionally the
// sum's directivity round both planes and its spin (opbaff/spin.h), and the
// speaker's file again.
//
// The last speaker solved is kept: a request for the same speaker on the same
// grid listens again only, and one whose single change is a driver moved
// solves that driver only (SpeakerModel::withDriverMoved). Without the
// directivity such a request is not solved at all: the baffle's listening
// place on axis, solved once by reciprocity and kept, hears the moved driver
// (SpeakerListeningPlace), which is what makes dragging a driver on the page
// quick; the model stays the last one solved.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "opbaff/speaker.h"
#include "studio_api.h"
#include "studio_speaker_input.h"

namespace opbaff::tools {

// The last speaker model solved, shared by the workers (under its mutex; a
// model is copied out, cheaply, and computed with outside it).
class SpeakerModelCache {
  public:
    struct Entry {
        std::string key;  // speakerCacheKey of the model's speaker
        SpeakerModel model;
    };
    std::optional<Entry> last() const;
    void keep(Entry entry);
    // The listening place kept for drags, and a new one to keep.
    std::optional<SpeakerListeningPlace> place() const;
    void keep(SpeakerListeningPlace place);

  private:
    mutable std::mutex mutex_;
    std::optional<Entry> last_;
    std::optional<SpeakerListeningPlace> place_;
};

// What a speaker request costs the studio's queue in classic (frequency,
// angle) pairs, counted as if every driver had to be solved: per frequency
// and driver kAccurateCostPerFrequency, plus one per listening place. 0 for a
// request that does not read (it is refused at once).
std::size_t speakerCostOf(const StudioRequest& request);

// The same count for a speaker read, and the refusal's words once it passes
// kMaxPairsPerRequest: the most frequencies the speaker takes, and what to
// change (grid=N, or a larger angle step given as `stepParameter`).
std::size_t postedSpeakerCost(const PostedSpeaker& posted);
std::string speakerTooCostlyText(const PostedSpeaker& posted, const std::string& stepParameter);

// {"error", and for a file that does not read "line", "column", "key"}.
StudioReply speakerInputReply(const SpeakerInputError& error);

// The posted speaker's model, kept as the last solved: the cached one when
// the speaker and the grid are the same, the cached one with its one moved
// driver solved again, else a new one; with the drivers solved for it.
struct SolvedSpeakerModel {
    SpeakerModel model;
    int driversSolved = 0;
};
Result<SolvedSpeakerModel, SpeakerFailure> solvedSpeakerModel(const PostedSpeaker& posted,
                                                              SpeakerModelCache& cache);

StudioReply answerSpeaker(const StudioRequest& request, SpeakerModelCache& cache);

}  // namespace opbaff::tools
