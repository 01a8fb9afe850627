// Record length edit: one pass, each record padded or cut to the target.
#include "tesmora/ops/record_length.h"

#include <algorithm>

#include "tesmora/document/messages.h"
#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

RecordLengthRequest LoadRecordLengthSettings(ISettingsStore& store) {
    RecordLengthRequest s;
    s.given_length = store.GetInt(kRecordLengthSection, "SetMax", 0) != 0;
    s.length = std::clamp(store.GetInt(kRecordLengthSection, "LineLen", 100), kMinRecordLength,
                          kMaxRecordLength);
    return s;
}

void StoreRecordLengthMode(ISettingsStore& store, const RecordLengthRequest& s) {
    store.SetInt(kRecordLengthSection, "SetMax", s.given_length ? 1 : 0);
}

void StoreRecordLengthValue(ISettingsStore& store, const RecordLengthRequest& s) {
    store.SetInt(kRecordLengthSection, "LineLen", s.length);
}

RecordLengths MeasureRecordLengths(Document& doc) {
    const Statistics& stats = doc.Stats();
    if (stats.records == 0) return {};
    // Every record but the last ends with a line break; when the last one
    // does too, each line length is its record's length + 2.
    if (doc.EndsWithLineBreak()) return {stats.longest_line - 2, stats.shortest_line - 2};
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

RecordLengthTarget ResolveRecordLength(Document& doc, const RecordLengthRequest& s) {
    // The length control never leaves its range; a caller that does gets the
    // nearest length the file limits allow.
    if (s.given_length) return {std::clamp(s.length, kMinRecordLength, kMaxRecordLength), {}};
    const RecordLengths m = MeasureRecordLengths(doc);
    if (m.longest == m.shortest)
        return {m.longest, Refuse(kMsgAllSameLength, Focus::None, MsgStyle::Info)};
    return {m.longest, {}};
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
    const std::size_t target = static_cast<std::size_t>(std::max(length, 0));
    const std::string spaces(target, ' ');
    return EachRecord(doc, out, [&](std::string_view record) {
        if (record.size() == target) {
            out.WriteRecord(record);
            return true;
        }
        // Straight into the output: no copy of the record in between.
        const std::size_t keep = KeptBytes(record, target);
        out.WritePart(record.substr(0, keep));
        out.WritePart(std::string_view(spaces).substr(0, target - keep));
        out.EndRecord();
        return true;
    });
}

bool RunRecordLength(Document& doc, const RecordLengthRequest& s) {
    if (!doc.IsOpen()) return false;
    const RecordLengthTarget target = ResolveRecordLength(doc, s);
    if (!ReportValidation(doc, target.validation)) return false;
    const int length = target.length;
    return RunOperation(
        doc, [length](Document& d, TextWriter& out) { return RecordLengthPass(d, out, length); });
}

}  // namespace tesmora
