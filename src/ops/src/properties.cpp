#include "tesmora/ops/properties.h"

#include <climits>

#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

FieldLengthExtremes ComputeFieldLengthExtremes(Document& doc) {
    FieldLengthExtremes result{0, INT_MAX};
    const auto& widths = doc.FieldWidths();
    const int most = doc.Stats().most_fields;
    for (int p = 0; p < most && p < kMaxFields; ++p) {
        if (widths[p] > result.longest) result.longest = widths[p];
        if (widths[p] < result.shortest) result.shortest = widths[p];
    }
    if (most <= 0) result.shortest = 0;
    return result;
}

FieldCountRecords FindFieldCountRecords(Document& doc) {
    FieldCountRecords found;
    if (!doc.IsOpen()) return found;
    ProgressStepper progress(doc.Progress(), doc.ExpectedRecords());
    int most = 0, fewest = INT_MAX;
    TextReader reader = doc.Records();
    Line line;
    std::int64_t i = 0;
    while (reader.Next(line)) {
        const int c = CountFields(line.text);
        if (c > most) {
            most = c;
            found.most = RecordIndex{i};
        }
        if (c < fewest) {
            fewest = c;
            found.fewest = RecordIndex{i};
        }
        progress.Step(++i);
    }
    return found;
}

}  // namespace tesmora
