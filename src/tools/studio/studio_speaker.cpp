#include "studio_speaker.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "opbaff/speaker_file.h"
#include "opbaff/spin.h"
#include "speaker_polar.h"
#include "studio_json_writer.h"
#include "studio_speaker_input.h"

namespace opbaff::tools {
namespace {

constexpr double kCmPerM = 100.0;

// The places a request listens at: on axis, and each angle of both planes.
std::size_t placesOf(const PostedSpeaker& posted) {
    if (!posted.angleStepDeg) return 1;
    return 1 + 2 * (static_cast<std::size_t>(360.0 / *posted.angleStepDeg) + 1);
}

std::size_t costOf(const PostedSpeaker& posted) {
    return posted.grid.size() * posted.speaker.drivers.size() *
           (kAccurateCostPerFrequency + placesOf(posted));
}

// The same speaker, on the same grid, with the same measured data.
std::string cacheKey(const Speaker& speaker, const PostedSpeaker& posted) {
    std::string key = speakerFileText(speaker);
    key.push_back('\0');
    key += std::to_string(posted.grid.size()) + ":" +
           std::to_string(posted.grid.frequencies().front()) + ":" +
           std::to_string(posted.grid.frequencies().back());
    key.push_back('\0');
    return key + posted.frdSignature;
}

// The posted speaker's model and what it hears on axis: the cached model as it
// is, the cached one with one driver moved (solved again, or, without the
// directivity, heard moved at the kept listening place), or a new one.
struct Solved {
    SpeakerModel model;  // the posted speaker's, or the cached one when heardMoved
    SpeakerResponse onAxis;
    int driversSolved = 0;
    bool heardMoved = false;
};

// The driver that alone moved between the cached speaker and the posted one.
std::optional<std::size_t> movedDriver(const PostedSpeaker& posted,
                                       const SpeakerModelCache::Entry& last) {
    const Speaker& before = last.model.speaker();
    if (before.drivers.size() != posted.speaker.drivers.size()) return std::nullopt;
    for (std::size_t i = 0; i < before.drivers.size(); ++i) {
        Speaker unmoved = posted.speaker;
        unmoved.drivers[i].centreM = before.drivers[i].centreM;
        if (cacheKey(unmoved, posted) == last.key) return i;
    }
    return std::nullopt;
}

Result<SpeakerResponse, SpeakerFailure> onAxisOf(const SpeakerModel& model) {
    return model.listen(PlateListener{model.speaker().listeningDistanceM, 0.0, 0.0});
}

// Driver `index` moved in `model`, heard on axis at the kept listening place
// (made and kept first when the kept one serves another baffle or distance).
Result<SpeakerResponse, SpeakerFailure> heardMoved(const SpeakerModel& model, std::size_t index,
                                                   PlatePoint centreM, SpeakerModelCache& cache) {
    const PlateListener onAxis{model.speaker().listeningDistanceM, 0.0, 0.0};
    auto place = cache.place();
    if (!place || !place->serves(model) || place->listener().distanceM != onAxis.distanceM) {
        auto made = SpeakerListeningPlace::create(model, onAxis);
        if (!made) return made.error();
        cache.keep(*made);
        place = std::move(made).value();
    }
    return place->hearWithDriverMoved(model, index, centreM);
}

Result<Solved, SpeakerFailure> solve(const PostedSpeaker& posted, SpeakerModelCache& cache) {
    const auto last = cache.last();
    // Without the directivity, a driver moved is heard moved, not solved.
    if (!posted.angleStepDeg && last && last->key != cacheKey(posted.speaker, posted)) {
        if (const auto index = movedDriver(posted, *last)) {
            const PlatePoint centre = posted.speaker.drivers[*index].centreM;
            auto heard = heardMoved(last->model, *index, centre, cache);
            if (!heard) return heard.error();
            return Solved{last->model, std::move(heard).value(), 0, true};
        }
    }
    auto solved = solvedSpeakerModel(posted, cache);
    if (!solved) return solved.error();
    auto onAxis = onAxisOf(solved->model);
    if (!onAxis) return onAxis.error();
    return Solved{std::move(solved->model), std::move(onAxis).value(), solved->driversSolved,
                  false};
}

float levelDb(std::complex<double> p) {
    return static_cast<float>(20.0 * std::log10(std::abs(p)));
}

float phaseDeg(std::complex<double> p) {
    return static_cast<float>(std::arg(p) * 180.0 / std::numbers::pi);
}

void writeCurve(JsonWriter& writer, const std::vector<std::complex<double>>& values) {
    std::vector<float> levels;
    std::vector<float> phases;
    for (const auto& p : values) {
        levels.push_back(levelDb(p));
        phases.push_back(phaseDeg(p));
    }
    writer.key("levels").values(levels).key("phases").values(phases);
}

const char* cornersName(SpeakerBaffle::Corners corners) {
    switch (corners) {
        case SpeakerBaffle::Corners::chamfered:
            return "chamfered";
        case SpeakerBaffle::Corners::rounded:
            return "rounded";
        case SpeakerBaffle::Corners::square:
            break;
    }
    return "square";
}

void writePoint(JsonWriter& writer, PlatePoint point) {
    writer.beginArray().value(point.x * kCmPerM).value(point.y * kCmPerM).endArray();
}

// The geometry the page draws, in cm.
void writeGeometry(JsonWriter& writer, const Speaker& speaker) {
    const SpeakerBaffle& b = speaker.baffle;
    writer.key("baffle").beginObject();
    writer.key("widthCm").value(b.widthM * kCmPerM).key("heightCm").value(b.heightM * kCmPerM);
    writer.key("corners").value(cornersName(b.corners));
    writer.key("cornerSizeCm").value(b.cornerSizeM * kCmPerM);
    writer.key("polygonCm").beginArray();
    if (b.isPolygon) {
        for (const PlatePoint& p : b.polygonM) writePoint(writer, p);
    }
    writer.endArray().endObject();
    writer.key("referenceCm");
    writePoint(writer, speaker.referenceM);
    writer.key("listeningDistanceM").value(speaker.listeningDistanceM);
}

// The sum's levels round one plane, in the shape of /api/polar's answer; a
// place the model cannot hear (on the plate) is null. False once abandoned.
bool writePlane(JsonWriter& writer, const SpeakerModel& model, double stepDeg, bool horizontal,
                const std::vector<float>& onAxis, const std::function<bool()>& abandoned,
                SpinOrbit& orbit) {
    const double distance = model.speaker().listeningDistanceM;
    std::vector<float> angles;
    const auto steps = static_cast<int>(std::lround(360.0 / stepDeg));
    for (int k = 0; k <= steps; ++k) angles.push_back(static_cast<float>(-180.0 + k * stepDeg));
    writer.beginObject().key("angles").values(angles);
    writer.key("frequencies").values(model.frequenciesHz());
    writer.key("levels").beginArray();
    for (const float angle : angles) {
        if (abandoned && abandoned()) return false;
        // The places polar's sets are heard at, so that the page and the FRD zip agree.
        const PlateListener place = polarListener(
            horizontal ? PolarPlane::horizontal : PolarPlane::vertical, angle, distance);
        const auto heard = model.listen(place);
        std::vector<float> levels(model.frequenciesHz().size(), std::nanf(""));
        if (heard) {
            for (std::size_t f = 0; f < levels.size(); ++f) levels[f] = levelDb(heard->sum[f]);
        }
        writer.values(levels);
        orbit.anglesDeg.push_back(angle);
        orbit.levelsDb.emplace_back(levels.begin(), levels.end());
    }
    writer.endArray().key("onAxis").values(onAxis).endObject();
    return true;
}

// The spin of the sum from both orbits, when their step lands on every 10
// degrees the spin needs; a curve through a place not heard is null.
void writeSpin(JsonWriter& writer, const std::vector<float>& frequencies, SpinOrbit horizontal,
               SpinOrbit vertical) {
    SpinOrbits orbits{
        {frequencies.begin(), frequencies.end()}, std::move(horizontal), std::move(vertical)};
    const auto spin = computeSpin(orbits);
    if (!spin) return;
    const auto curve = [&writer](const char* name, const std::vector<double>& levels) {
        writer.key(name).beginArray();
        for (const double level : levels) writer.value(static_cast<float>(level));
        writer.endArray();
    };
    writer.key("spin").beginObject();
    curve("onAxis", spin->onAxisDb);
    curve("listeningWindow", spin->listeningWindowDb);
    curve("earlyReflections", spin->earlyReflectionsDb);
    curve("soundPower", spin->soundPowerDb);
    curve("estimatedInRoom", spin->estimatedInRoomDb);
    curve("soundPowerDi", spin->soundPowerDiDb);
    curve("earlyReflectionsDi", spin->earlyReflectionsDiDb);
    writer.endObject();
}

}  // namespace

StudioReply speakerInputReply(const SpeakerInputError& error) {
    JsonWriter writer(error.message.size() + 128);
    writer.beginObject().key("error").value(error.message);
    if (error.fromFile) {
        writer.key("line").value(error.line).key("column").value(error.column);
        writer.key("key").value(error.key);
    }
    writer.endObject();
    return {error.status, "application/json", writer.take(), {}, {}};
}

std::string speakerTooCostlyText(const PostedSpeaker& posted, const std::string& stepParameter) {
    const std::size_t perFrequency =
        posted.speaker.drivers.size() * (kAccurateCostPerFrequency + placesOf(posted));
    return "speaker: " + std::to_string(posted.speaker.drivers.size()) + " drivers on " +
           std::to_string(posted.grid.size()) + " frequencies" +
           (posted.angleStepDeg ? " with the directivity" : "") +
           " are more than the studio computes at a time (at most " +
           std::to_string(kMaxPairsPerRequest / perFrequency) +
           " frequencies for this speaker); choose fewer points per octave (grid=N)" +
           (posted.angleStepDeg ? " or a larger angle step (" + stepParameter + "=STEP)" : "");
}

std::size_t postedSpeakerCost(const PostedSpeaker& posted) {
    return costOf(posted);
}

Result<SolvedSpeakerModel, SpeakerFailure> solvedSpeakerModel(const PostedSpeaker& posted,
                                                              SpeakerModelCache& cache) {
    const std::string key = cacheKey(posted.speaker, posted);
    const auto last = cache.last();
    if (last && last->key == key) return SolvedSpeakerModel{last->model, 0};
    if (const auto index = last ? movedDriver(posted, *last) : std::nullopt) {
        auto moved = last->model.withDriverMoved(*index, posted.speaker.drivers[*index].centreM);
        if (!moved) return moved.error();
        cache.keep({key, *moved});
        return SolvedSpeakerModel{std::move(moved).value(), 1};
    }
    auto model = SpeakerModel::create(posted.speaker, posted.grid);
    if (!model) return model.error();
    cache.keep({key, *model});
    return SolvedSpeakerModel{std::move(model).value(),
                              static_cast<int>(posted.speaker.drivers.size())};
}

std::optional<SpeakerModelCache::Entry> SpeakerModelCache::last() const {
    const std::lock_guard lock(mutex_);
    return last_;
}

void SpeakerModelCache::keep(Entry entry) {
    const std::lock_guard lock(mutex_);
    last_ = std::move(entry);
}

std::optional<SpeakerListeningPlace> SpeakerModelCache::place() const {
    const std::lock_guard lock(mutex_);
    return place_;
}

void SpeakerModelCache::keep(SpeakerListeningPlace place) {
    const std::lock_guard lock(mutex_);
    place_ = std::move(place);
}

std::size_t speakerCostOf(const StudioRequest& request) {
    const auto posted = readPostedSpeaker(request);
    return posted ? costOf(*posted) : 0;
}

StudioReply answerSpeaker(const StudioRequest& request, SpeakerModelCache& cache) {
    const auto posted = readPostedSpeaker(request);
    if (!posted) return speakerInputReply(posted.error());
    if (costOf(*posted) > kMaxPairsPerRequest) {
        return errorReply(400, speakerTooCostlyText(*posted, "directivity"));
    }
    const auto solved = solve(*posted, cache);
    if (!solved) {
        return errorReply(422, "speaker: " + speakerFailureText(posted->speaker, solved.error()));
    }
    const SpeakerModel& model = solved->model;
    // Heard moved, the posted speaker is the model's with one driver elsewhere.
    const Speaker& speaker = solved->heardMoved ? posted->speaker : model.speaker();
    const SpeakerResponse* heard = &solved->onAxis;
    const std::size_t n = heard->frequenciesHz.size();
    JsonWriter writer(4096 + n * (speaker.drivers.size() + 1) * 24 + n * (placesOf(*posted)) * 10);
    writer.beginObject().key("name").value(speaker.name);
    writer.key("driversSolved").value(solved->driversSolved);
    writer.key("heardMoved").value(solved->heardMoved);
    writer.key("frequencies").values(heard->frequenciesHz);
    writer.key("drivers").beginArray();
    for (std::size_t i = 0; i < speaker.drivers.size(); ++i) {
        const SpeakerDriver& d = speaker.drivers[i];
        writer.beginObject().key("name").value(d.name);
        writer.key("centreCm");
        writePoint(writer, d.centreM);
        writer.key("diameterCm").value(d.pistonDiameterM * kCmPerM);
        writeCurve(writer, heard->drivers[i]);
        writer.endObject();
    }
    writer.endArray().key("sum").beginObject();
    writeCurve(writer, heard->sum);
    writer.endObject();
    writeGeometry(writer, speaker);
    writer.key("file").value(speakerFileText(speaker));
    if (posted->angleStepDeg) {
        std::vector<float> onAxis(heard->sum.size());
        std::transform(heard->sum.begin(), heard->sum.end(), onAxis.begin(), levelDb);
        SpinOrbit horizontal;
        SpinOrbit vertical;
        writer.key("directivity").beginObject().key("horizontal");
        if (!writePlane(writer, model, *posted->angleStepDeg, true, onAxis, request.abandoned,
                        horizontal) ||
            !writePlane(writer.key("vertical"), model, *posted->angleStepDeg, false, onAxis,
                        request.abandoned, vertical)) {
            return errorReply(503, "speaker: abandoned, nobody waits for the answer");
        }
        writer.endObject();
        writeSpin(writer, model.frequenciesHz(), std::move(horizontal), std::move(vertical));
    }
    writer.endObject();
    return {200, "application/json", writer.take(), {}, {}};
}

std::shared_ptr<SpeakerModelCache> newSpeakerModelCache() {
    return std::make_shared<SpeakerModelCache>();
}

}  // namespace opbaff::tools
