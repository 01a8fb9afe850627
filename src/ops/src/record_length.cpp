// Record length edit: one pass, each record padded or cut to the target.
#include "tesmora/ops/record_length.h"

#include <algorithm>

#include "tesmora/document/messages.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

namespace {
constexpr int kMsgAlreadySame = 30024;
}  // namespace

RecordLengthSettings LoadRecordLengthSettings(ISettingsStore& store) {
    RecordLengthSettings s;
    s.given_length = store.GetInt(kRecordLengthSection, "SetMax", 0) != 0;
    s.length = std::clamp(store.GetInt(kRecordLengthSection, "LineLen", 100), kMinRecordLength,
                          kMaxRecordLength);
    return s;
}

void StoreRecordLengthMode(ISettingsStore& store, const RecordLengthSettings& s) {
    store.SetInt(kRecordLengthSection, "SetMax", s.given_length ? 1 : 0);
}

void StoreRecordLengthValue(ISettingsStore& store, const RecordLengthSettings& s) {
    store.SetInt(kRecordLengthSection, "LineLen", s.length);
}

RecordLengths MeasureRecordLengths(Document& doc) {
    const Statistics& stats = doc.Stats();
    if (stats.records == 0) return {};
    {
        // Every record but the last ends with a line break; when the last
        // one does too, each line length is its record's length + 2.
        TextReader last = doc.Records(RecordIndex{stats.records - 1});
        Line line;
        if (last.Next(line) && line.has_break)
            return {stats.longest_line - 2, stats.shortest_line - 2};
    }
    RecordLengths m{0, kMaxLineLength};
    TextReader reader = doc.Records();
    Line line;
    while (reader.Next(line)) {
        const int n = static_cast<int>(line.text.size());
        m.longest = std::max(m.longest, n);
        m.shortest = std::min(m.shortest, n);
    }
    return m;
}

int CheckRecordLength(Document& doc, const RecordLengthSettings& s) {
    if (s.given_length) return 0;
    const RecordLengths m = MeasureRecordLengths(doc);
    return m.longest == m.shortest ? kMsgAlreadySame : 0;
}

bool CutsCharacter(std::string_view text, std::size_t cut) {
    if (cut == 0 || cut >= text.size()) return false;
    // A byte that cannot be a lead byte always ends a character, so characters
    // start again right after it; from there on every byte up to the cut may
    // be a lead byte, and each such byte followed by another forms a pair.
    std::size_t start = cut - 1;
    while (start > 0 && IsLeadByte(static_cast<unsigned char>(text[start - 1]))) --start;
    return (cut - 1 - start) % 2 == 0 && CharLength(text, cut - 1) == 2;
}

namespace {

// Bytes of record kept when it is brought to length.
std::size_t KeptBytes(std::string_view record, std::size_t length) {
    std::size_t keep = std::min(record.size(), length);
    // Never keep the lead byte of a character whose trail byte is cut off.
    if (CutsCharacter(record, keep)) --keep;
    return keep;
}

}  // namespace

void FitRecord(std::string_view record, int length, std::string& out) {
    const std::size_t target = static_cast<std::size_t>(std::max(length, 0));
    const std::size_t keep = KeptBytes(record, target);
    out.assign(record.substr(0, keep));
    out.append(target - keep, ' ');
}

bool RecordLengthPass(Document& doc, TextWriter& out, int length) {
    ProgressStepper progress(doc.Progress(), doc.Stats().records);
    const std::size_t target = static_cast<std::size_t>(std::max(length, 0));
    const std::string spaces(target, ' ');
    std::int64_t count = 0;
    TextReader reader = doc.Records();
    Line line;
    while (reader.Next(line)) {
        if (line.text.size() == target) {
            out.WriteRecord(line.text);
        } else {
            // Straight into the output: no copy of the record in between.
            const std::size_t keep = KeptBytes(line.text, target);
            out.WritePart(line.text.substr(0, keep));
            out.WritePart(std::string_view(spaces).substr(0, target - keep));
            out.EndRecord();
        }
        progress.Step(++count);
    }
    return true;
}

bool RunRecordLength(Document& doc, const RecordLengthSettings& s) {
    if (!doc.IsOpen()) return false;
    int length;
    if (s.given_length) {
        // The length control never leaves its range; a caller that does gets
        // the nearest length the file limits allow.
        length = std::clamp(s.length, kMinRecordLength, kMaxRecordLength);
    } else {
        const RecordLengths m = MeasureRecordLengths(doc);
        if (m.longest == m.shortest) {
            doc.Message(kMsgAlreadySame, MsgStyle::Info);
            return false;
        }
        length = m.longest;
    }
    return RunOperation(
        doc, [length](Document& d, TextWriter& out) { return RecordLengthPass(d, out, length); });
}

}  // namespace tesmora
