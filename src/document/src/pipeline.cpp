// Output files, commit with one level of undo, and the operation calling order.
#include "tesmora/document/pipeline.h"

#include <ctime>
#include <initializer_list>

#include "tesmora/document/messages.h"
#include "tesmora/document/text.h"

namespace tesmora {

struct Document::Snapshot {
    std::string working, index, prev_working, prev_index;
    bool writable;
    bool canonical;
    std::int64_t data_end;
    Statistics stats;
    ViewState view;
};

Document::Snapshot Document::TakeSnapshot() const {
    return {working_name_,     index_name_, prev_working_name_, prev_index_name_,
            working_writable_, canonical_,  data_end_,          stats_,
            view_state_};
}

// Puts the document back as it was before a refused reload: the files are
// still on disk untouched, so reopening them restores everything.
bool Document::Restore(const Snapshot& s) {
    CloseFiles();
    if (index_name_ != s.index) DiscardTemp(index_name_);
    working_name_ = s.working;
    index_name_ = s.index;
    prev_working_name_ = s.prev_working;
    prev_index_name_ = s.prev_index;
    working_writable_ = s.writable;
    canonical_ = s.canonical;
    data_end_ = s.data_end;
    stats_ = s.stats;
    view_state_ = s.view;
    const bool ok = working_.Open(working_name_, working_writable_ ? "r+b" : "rb") &&
                    index_.Open(index_name_, "r+b");
    if (!ok) CloseFiles();
    if (stats_.longest_line > 500) view_.CreateOffscreenImage(stats_.longest_line);
    view_.UpdateViewLayout();
    return ok;
}

bool Document::BeginOutput() {
    std::string name = NewTemp();
    if (name.empty()) return false;
    if (!output_.Open(name, kTempOpenMode)) {
        Message(kMsgCreateFailed, MsgStyle::Error, name + "\n");
        DiscardTemp(name);
        return false;
    }
    if (outputs_kept_) output_.WriteBackAsWritten();
    DiscardTemp(output_name_);
    output_name_ = name;
    DropPendingIndex(output_index_);
    auto pending = std::make_unique<PendingIndex>();
    pending->name = NewTemp();
    if (sequential_only_) pending->builder.SkipEntries();
    if (!pending->name.empty() && pending->file.Open(pending->name, kTempOpenMode))
        output_index_ = std::move(pending);
    else
        DiscardTemp(pending->name);  // the reload indexes by reading instead
    return true;
}

IndexBuilder* Document::OutputIndex() {
    return output_index_ ? &output_index_->builder : nullptr;
}

void Document::DropPendingIndex(std::unique_ptr<PendingIndex>& pending) {
    if (!pending) return;
    pending->file.Close();
    DiscardTemp(pending->name);
    pending.reset();
}

void Document::DiscardOutput() {
    output_.Close();
    DiscardTemp(output_name_);
    DropPendingIndex(output_index_);
}

bool Document::CommitOutput() {
    Snapshot before = TakeSnapshot();
    if (output_index_) {
        // Usable only when it saw every byte of the output as written.
        output_index_->written = output_index_->builder.Finish();
        const std::int64_t size = output_.Size();
        if (output_index_->builder.offset() == size && !output_index_->builder.saw_end_of_data())
            prebuilt_ = std::move(output_index_);
        else
            DropPendingIndex(output_index_);
    }
    CloseFiles();
    std::string new_working = output_name_;
    output_name_.clear();  // the output file is the working file from now on
    prev_working_name_ = working_name_;
    prev_index_name_ = index_name_;
    working_name_.clear();
    index_name_.clear();
    bool loaded = false;
    try {
        loaded = LoadWorkingFile(new_working, LoadMode::NotFresh);
    } catch (const Cancelled&) {
        DropPendingIndex(prebuilt_);
        DiscardTemp(new_working);
        Restore(before);
        throw;
    }
    if (loaded) {
        // One level of undo: what was previous before is given up.
        if (before.prev_working != prev_working_name_) DiscardTemp(before.prev_working);
        if (before.prev_index != prev_index_name_) DiscardTemp(before.prev_index);
        ++commits_;
        return true;
    }
    // The reload refused the output: back to the document as it was.
    DropPendingIndex(prebuilt_);
    DiscardTemp(new_working);
    Restore(before);
    return false;
}

void Document::RecordStep(HistoryStep step) {
    if (step.records < 0) step.records = stats_.records;
    step.commit = commits_;
    history_.push_back(std::move(step));
}

void Document::ClearHistory(bool restarted) {
    history_.clear();
    history_restarted_ = restarted;
}

bool Document::Undo() {
    return Cancellable([&] {
        if (!CanUndo()) return false;
        const std::time_t start = std::time(nullptr);
        RecordChange change;
        change.before = stats_.records;
        Snapshot before = TakeSnapshot();
        CloseFiles();
        std::string undone = working_name_, undone_index = index_name_;
        std::string restored_index = prev_index_name_;
        working_name_ = prev_working_name_;
        index_name_.clear();
        prev_working_name_.clear();
        prev_index_name_.clear();
        SetSplitMode(false);
        bool loaded = false;
        try {
            loaded = LoadWorkingFile(working_name_, LoadMode::NotFresh);
        } catch (const Cancelled&) {
            working_name_.clear();
            Restore(before);
            view_.SplitModeChanged();
            throw;
        }
        if (!loaded) {
            working_name_.clear();
            Restore(before);
            return false;
        }
        // A new index was built: the undone file and both older indexes go.
        DiscardTemp(undone);
        DiscardTemp(undone_index);
        DiscardTemp(restored_index);
        // The steps of the undone commit leave the history.
        while (!history_.empty() && history_.back().commit == commits_) history_.pop_back();
        --commits_;
        view_state_.top_record = view_state_.saved_top_record;
        view_state_.top_offset = view_state_.saved_top_offset;
        change.after = stats_.records;
        progress_.SetStatusText(StatusLine(std::time(nullptr) - start, change));
        NoteRecovery();
        view_.ResetScroll();
        view_.RedrawView();
        return true;
    });
}

namespace {

// n with a comma every three digits, as the messages write numbers.
std::string Grouped(std::int64_t n) {
    const std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out = n < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// A message of the string table with %1, %2, ... filled in.
std::string Filled(int id, std::initializer_list<std::string> values) {
    const char* text = MessageText(id);
    std::string out = text ? text : "";
    char mark[] = "%1";
    for (const std::string& v : values) {
        out = ReplaceAll(out, mark, v);
        ++mark[1];
    }
    return out;
}

}  // namespace

std::string StatusLine(long long seconds, const RecordChange& change) {
    std::string line =
        FormatElapsed(seconds) + "  " +
        Filled(kMsgRecordCountChange, {Grouped(change.before), Grouped(change.after)});
    if (change.changed >= 0) line += "  " + Filled(kMsgRecordsChanged, {Grouped(change.changed)});
    return line;
}

bool RunOperation(Document& doc, const OperationPass& pass) {
    return RunOperation(doc,
                        CountingPass([&pass](Document& d, TextWriter& out, std::int64_t& changed) {
                            const bool ok = pass(d, out);
                            changed = -1;  // not counted
                            return ok;
                        }));
}

namespace {
bool RunOperationOnce(Document& doc, const CountingPass& pass);
}  // namespace

bool RunOperation(Document& doc, const CountingPass& pass) {
    return doc.Cancellable([&] { return RunOperationOnce(doc, pass); });
}

namespace {

bool RunOperationOnce(Document& doc, const CountingPass& pass) {
    ViewState& view = doc.View();
    // A stopped operation leaves the place undo returns to as it was.
    const RecordIndex saved_record = view.saved_top_record;
    const ByteOffset saved_offset = view.saved_top_offset;
    auto stopped = [&] {
        view.saved_top_record = saved_record;
        view.saved_top_offset = saved_offset;
    };
    view.saved_top_record = view.top_record;
    view.saved_top_offset = view.top_offset;
    const std::time_t start = std::time(nullptr);
    RecordChange change;
    if (!doc.BeginOutput()) return false;
    doc.ViewSink().SetWaitCursor(true);
    bool ok;
    doc.WorkingFile().ClearReadError();
    try {
        TextWriter out(doc.OutputFile());
        out.SetIndex(doc.OutputIndex());
        change.changed = 0;
        ok = pass(doc, out, change.changed);
        // A pass whose reads failed saw only part of the records.
        if (ok && doc.WorkingFile().ReadFailed()) {
            doc.Message(kMsgOpenFailed, MsgStyle::Error, doc.WorkingFileName() + "\n");
            ok = false;
        }
        if (ok && !out.Flush()) {
            doc.Message(kMsgCreateFailed, MsgStyle::Error, doc.OutputFileName() + "\n");
            ok = false;
        }
        // The input indexed beside the pass must pass the load's checks too.
        if (!doc.FinishScan()) ok = false;
    } catch (const Cancelled&) {
        doc.ViewSink().SetWaitCursor(false);
        doc.DiscardOutput();
        stopped();
        throw;
    }
    doc.ViewSink().SetWaitCursor(false);
    if (!ok) {
        doc.DiscardOutput();
        return false;
    }
    change.before = doc.Stats().records;
    try {
        if (!doc.CommitOutput()) return false;
    } catch (const Cancelled&) {
        stopped();
        throw;
    }
    change.after = doc.Stats().records;
    doc.Progress().SetStatusText(StatusLine(std::time(nullptr) - start, change));
    view.top_record = RecordIndex{0};
    view.top_offset = ByteOffset{0};
    doc.SetModified(true);
    doc.ViewSink().RedrawView();
    return true;
}

}  // namespace

}  // namespace tesmora
