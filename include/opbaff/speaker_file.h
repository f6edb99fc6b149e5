// opbaff: the speaker file, a TOML text that a person writes and reads (the
// README's "Speaker files" names every key), and the FRD files of measured
// driver responses it refers to.
//
// Lengths are in the file's unit (`unit = "cm"`, the default, or "in"); every
// error names the file, the line and column, and the key; a key the format does
// not know is an error, never ignored.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "opbaff/result.h"
#include "opbaff/speaker.h"

namespace opbaff {

// Where and why a speaker file could not be read.
struct SpeakerFileError {
    std::string file;     // the name the caller gave
    int line = 0;         // 1-based; 0 when the whole file is at fault
    int column = 0;       // 1-based; 0 when unknown
    std::string key;      // the dotted key ("driver[1].filter[0].order"), or empty
    std::string message;  // a sentence ("must be 1 to 8, not 9")
};

// "two-way.toml:12:3: driver[1].filter[0].order: must be 1 to 8, not 9".
std::string speakerFileErrorText(const SpeakerFileError& error);

// The largest speaker or FRD file read (bytes), and the most points an FRD file
// may hold.
inline constexpr std::size_t kMaxSpeakerFileBytes = 1U << 20U;
inline constexpr std::size_t kMaxFrdFileBytes = 16U << 20U;
inline constexpr std::size_t kMaxFrdPoints = 100000;

// An FRD text: lines of frequency (Hz), magnitude (dB) and optionally phase
// (degrees, 0 when left out), separated by blanks, tabs or commas; lines that
// start with '*', '#', ';' or '"' and empty lines are remarks. The frequencies
// must increase. Errors name the line.
Result<MeasuredResponse, SpeakerFileError> parseFrdText(std::string_view text,
                                                        std::string_view fileName);

// Why an FRD file could not be loaded: a sentence naming it.
struct FrdLoadError {
    std::string message;
};

// Gives the text of the FRD file a speaker file names (as written in it), or
// why not; readSpeakerFile's loader reads it from the speaker file's folder.
using FrdLoader = std::function<Result<std::string, FrdLoadError>(const std::string& name)>;

// The speaker in `text`, `fileName` naming it in errors. Without a loader, a
// measured response is an error.
Result<Speaker, SpeakerFileError> parseSpeakerText(std::string_view text, std::string_view fileName,
                                                   const FrdLoader& loader = {});

// The speaker file at `path`, measured responses read relative to its folder
// (a name that climbs out of it with ".." or is absolute is still allowed: the
// file is the user's own); files over their size limits are refused.
Result<Speaker, SpeakerFileError> readSpeakerFile(const std::string& path);

// A speaker with the unit its file writes lengths in ("cm" or "in"), for
// tools that take lengths in the file's unit and write the speaker back in it.
struct SpeakerInUnit {
    Speaker speaker;
    std::string unit;
};

// parseSpeakerText and readSpeakerFile, with the file's unit.
Result<SpeakerInUnit, SpeakerFileError> parseSpeakerTextInUnit(std::string_view text,
                                                               std::string_view fileName,
                                                               const FrdLoader& loader = {});
Result<SpeakerInUnit, SpeakerFileError> readSpeakerFileInUnit(const std::string& path);

// The speaker as a speaker file's text in `unit` ("cm" or "in"), which
// parseSpeakerText reads back to the same speaker (measured responses by the
// names they were read by).
std::string speakerFileText(const Speaker& speaker, std::string_view unit = "cm");

// True if `text` looks like a speaker file rather than a parameter file (it
// holds a `[baffle]` table or a `[[driver]]` array), for tools that take both.
bool looksLikeSpeakerFile(std::string_view text);

// The file's word for a corner treatment: "square", "chamfered" or "rounded".
const char* speakerCornersName(SpeakerBaffle::Corners corners);

}  // namespace opbaff
