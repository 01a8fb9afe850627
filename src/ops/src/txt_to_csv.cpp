// Fixed-width text to CSV: the positions sorted once, then one pass that cuts
// every record at them.
#include "tesmora/ops/txt_to_csv.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "tesmora/document/pipeline.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/text.h"

namespace tesmora {

bool LoadTxtToCsvTrim(ISettingsStore& store) {
    return store.GetInt(kTxtToCsvSection, "SpaceCut", 1) != 0;
}

void StoreTxtToCsvTrim(ISettingsStore& store, bool trim) {
    store.SetInt(kTxtToCsvSection, "SpaceCut", trim ? 1 : 0);
}

namespace {

std::string PositionName(int i) {
    return "Pos" + std::to_string(i);
}

}  // namespace

std::vector<int> LoadSplitPositions(ISettingsStore& store) {
    const int count = std::min(store.GetInt(kTxtToCsvSection, "SetCnt", 0), kMaxSplits);
    std::vector<int> positions;
    for (int i = 0; i < count; ++i) {
        const int p = store.GetInt(kTxtToCsvSection, PositionName(i), 2 * (i + 1));
        if (p >= 1 && p <= kMaxRecordBytes) positions.push_back(p);
    }
    return positions;
}

void StoreSplitPositions(ISettingsStore& store, const std::vector<int>& positions) {
    store.SetInt(kTxtToCsvSection, "SetCnt", static_cast<int>(positions.size()));
    for (std::size_t i = 0; i < positions.size(); ++i)
        store.SetInt(kTxtToCsvSection, PositionName(static_cast<int>(i)), positions[i]);
}

Validation ValidateTxtToCsv(const TxtToCsvRequest& r) {
    if (r.positions.empty()) return Refuse(kMsgNoSplitPositions, Focus::None, MsgStyle::Info);
    return {};
}

std::string_view TrimTrailingSpaces(std::string_view piece) {
    while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
    // Only a whole full-width space: 0x81 0x40 can also be the second byte of
    // one character and a '@'.
    while (piece.size() >= 2 && piece[piece.size() - 2] == '\x81' && piece.back() == '\x40' &&
           !CutsCharacter(piece, piece.size() - 2))
        piece.remove_suffix(2);
    return piece;
}

bool ConvertTxtToCsv(Document& doc, TextWriter& out, const TxtToCsvRequest& r) {
    std::vector<std::size_t> cuts;
    for (int p : r.positions) cuts.push_back(static_cast<std::size_t>(std::max(p, 0)));
    // Stable, as the positions were placed; equal ones give empty fields.
    std::stable_sort(cuts.begin(), cuts.end());
    if (cuts.size() + 1 > static_cast<std::size_t>(kMaxFields)) {
        doc.Message(kMsgTooManyFields);
        return false;
    }
    return EachRecord(doc, out, [&](std::string_view text) {
        // Straight into the output, a piece and a comma at a time.
        std::size_t from = 0;
        auto piece = [&](std::size_t to) {
            std::string_view p = from < text.size() ? text.substr(from, to - std::min(from, to))
                                                    : std::string_view{};
            if (r.trim) p = TrimTrailingSpaces(p);
            out.WritePart(p);
        };
        for (std::size_t c : cuts) {
            piece(std::min(c, text.size()));
            out.WritePart(",");
            from = c;
        }
        piece(text.size());
        out.EndRecord();
        return true;
    });
}

bool RunTxtToCsv(Document& doc, const TxtToCsvRequest& r) {
    if (!doc.IsOpen() || !ReportValidation(doc, ValidateTxtToCsv(r))) return false;
    return RunOperation(doc,
                        [&r](Document& d, TextWriter& out) { return ConvertTxtToCsv(d, out, r); });
}

}  // namespace tesmora
