#include "file_slips.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "number_text.h"
#include "words.h"

namespace opbaff::tools {
namespace {

constexpr int kRecords = static_cast<int>(kParameterRecords.size());

// The first item of a line that holds one, as the reader would take it.
struct Item {
    int line = 0;
    std::string_view text;   // empty for a null value (a lone comma or slash)
    std::string_view whole;  // the line from the item on
};

// The first item of every line that is not blank: the reader skips blank lines
// and what follows a value on its line.
std::vector<Item> itemsOf(std::string_view bytes) {
    std::vector<Item> items;
    int line = 0;
    while (!bytes.empty() && items.size() < 4 * kParameterRecords.size()) {
        ++line;
        const std::size_t end = std::min(bytes.find('\n'), bytes.size());
        std::string_view text = bytes.substr(0, end);
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
        const std::size_t start = text.find_first_not_of(" \t\r");
        if (start == std::string_view::npos) continue;
        text.remove_prefix(start);
        const std::size_t stop = std::min(text.find_first_of(" \t\r,/"), text.size());
        const std::string_view whole = text.substr(0, text.find_last_not_of(" \t\r") + 1);
        items.push_back({line, text.substr(0, stop), whole});
    }
    return items;
}

// A number that does not parse ("25deg", "1.5.2") is still meant as one.
enum class ItemKind { number, word, null };

ItemKind kindOf(std::string_view text) {
    if (text.empty()) return ItemKind::null;
    const char first = text.front();
    const bool numeric =
        (first >= '0' && first <= '9') || first == '.' || first == '-' || first == '+';
    return numeric ? ItemKind::number : ItemKind::word;
}

// How badly an item fits a record: a word where a number belongs is worst, a
// number outside its field's plausible values or where a code belongs less so.
int misfit(const Item& item, int record) {
    const RecordSpec& spec = kParameterRecords[static_cast<std::size_t>(record - 1)];
    const ItemKind kind = kindOf(item.text);
    if (kind == ItemKind::null) return 0;
    if (spec.type == RecordType::code) return kind == ItemKind::number ? 1 : 0;
    if (kind == ItemKind::word) return 2;
    const DesignField* field = designFieldOfRecord(record);
    const auto value = parseNumber<double>(item.text.substr(item.text.find('*') + 1));
    if (field == nullptr || !value) return 0;
    return *value < field->low || *value > field->high ? 1 : 0;
}

// The misfit of the items read with record `missing` left out of the file (0:
// none) and item `extra` a line too many (-1: none).
int misfitOf(const std::vector<Item>& items, int missing, int extra) {
    int total = 0;
    int record = 1;
    for (int i = 0; i < static_cast<int>(items.size()) && record <= kRecords; ++i) {
        if (i == extra) continue;
        if (record == missing) ++record;
        if (record > kRecords) break;
        total += misfit(items[static_cast<std::size_t>(i)], record);
        ++record;
    }
    return total;
}

std::string recordName(int record) {
    return "record " + std::to_string(record) + " (" +
           kParameterRecords[static_cast<std::size_t>(record - 1)].name + ")";
}

std::string quoted(std::string_view text) {
    constexpr std::size_t kShown = 24;
    std::string shown = printableAscii(std::string(text.substr(0, kShown)));
    return "\"" + shown + (text.size() > kShown ? "...\"" : "\"");
}

// "record 7 (...)", "record 7 (...) or record 8 (...)", or "a value between
// record 3 (...) and record 9 (...)" for the records that fit best.
std::string missingText(const std::vector<int>& records) {
    if (records.size() == 1) return recordName(records.front());
    if (records.size() == 2) return recordName(records[0]) + " or " + recordName(records[1]);
    return "a value between " + recordName(records.front()) + " and " + recordName(records.back());
}

// The records whose leaving out explains the items best, and how well.
struct Fit {
    int score = 0;
    std::vector<int> records;
};

Fit bestMissing(const std::vector<Item>& items, int prior) {
    Fit best{1 << 20, {}};
    for (int record = 1; record <= kRecords; ++record) {
        const int score = misfitOf(items, record, -1) + prior;
        if (score < best.score) best = {score, {}};
        if (score == best.score) best.records.push_back(record);
    }
    return best;
}

std::optional<std::string> encodingHint(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        return "the file starts with a UTF-8 byte-order mark, as some editors save it; save it "
               "as plain text (ANSI or UTF-8 without a byte-order mark)";
    }
    const bool utf16 = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") ||
                       bytes.substr(0, 64).find('\0') != std::string_view::npos;
    if (utf16) {
        return "the file is saved as UTF-16 (\"Unicode\"); save it as plain text (ANSI or "
               "UTF-8)";
    }
    return std::nullopt;
}

// The best explanation by a value left out or a line too many, if it explains
// the file better than reading it as it stands.
std::optional<std::string> layoutHint(const std::vector<Item>& items) {
    const int count = static_cast<int>(items.size());
    // A file of 14 values is short of one; one of 16 has one too many.
    const int missingPrior = count >= kRecords ? 1 : 0;
    const int extraPrior = count <= kRecords ? 1 : 0;
    const Fit missing = bestMissing(items, missingPrior);
    int bestExtra = 1 << 20;
    int extra = -1;
    for (int i = 0; i < count; ++i) {
        const int score = misfitOf(items, 0, i) + extraPrior;
        if (score < bestExtra) extra = i;
        bestExtra = std::min(bestExtra, score);
    }
    const int asWritten = misfitOf(items, 0, -1);
    if (std::min(missing.score, bestExtra) >= asWritten) return std::nullopt;
    if (bestExtra < missing.score) {
        const Item& item = items[static_cast<std::size_t>(extra)];
        return "line " + std::to_string(item.line) + " (" + quoted(item.whole) +
               ") looks like a remark on a line of its own" +
               (extra == 0 ? " at the top: the first line holds the first value (read and "
                             "ignored), and a remark may only follow a value on its line"
                           : ": a remark may only follow a value on its line");
    }
    return missingText(missing.records) +
           " is probably missing: the values after it stand one record early";
}

// A file that ends early: how many values it holds, and which one is probably
// missing when it holds all but one.
std::optional<std::string> shortFileHint(const std::vector<Item>& items) {
    const int count = static_cast<int>(items.size());
    if (count == 0) return "the file holds no value";
    if (count >= kRecords) return std::nullopt;
    const std::string holds = "the file holds " + std::to_string(count) + " of the " +
                              std::to_string(kRecords) + " values, one per line";
    if (count + 1 < kRecords) return holds;
    const std::vector<int> missing = bestMissing(items, 0).records;
    if (static_cast<int>(missing.size()) == kRecords) return holds;
    return holds + ": " + missingText(missing) + " is probably missing";
}

}  // namespace

std::optional<std::string> fileSlipHint(std::string_view bytes, const ReadFailure& failure) {
    if (failure.error == ReadError::cannotOpen) return std::nullopt;
    if (failure.record <= 1) {
        if (auto hint = encodingHint(bytes)) return hint;
    }
    const std::vector<Item> items = itemsOf(bytes);
    if (failure.endOfFile) return shortFileHint(items);
    return layoutHint(items);
}

std::optional<std::string> leadingBytes(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(kHintBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

}  // namespace opbaff::tools
