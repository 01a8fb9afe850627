#pragma once
// The one open document: the user's file, its temporary working copy with
// the record index file, the statistics, the output/commit/undo rotation and
// the view state the rest of the program reads.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tesmora/document/encoding.h"
#include "tesmora/document/host.h"
#include "tesmora/document/message_ids.h"
#include "tesmora/document/record_index.h"
#include "tesmora/document/temp_files.h"
#include "tesmora/document/text_stream.h"
#include "tesmora/document/types.h"

namespace tesmora {

enum class LoadMode {
    Fresh,     // the user's file: copied to a temporary working file first
    NotFresh,  // one of our temporary files (after a commit or an undo)
    InPlace,   // read where it lies, never written (the batch front end)
};

// The order in which several files opened at once are joined ("AddJun").
enum class AppendOrder { AsGiven = 0, NameAscending = 1, NameDescending = 2 };

// How files are opened and joined. The desktop program takes them from its
// settings (LoadOptionsFromSettings), the batch front end from its arguments.
struct LoadOptions {
    AppendOrder order = AppendOrder::NameAscending;
    int first_record = 1;              // "FirstRec": earlier lines of appended files are skipped
    bool ask_first_record = false;     // 30021 when first_record > 1 and files are appended
    bool offer_split_mode = true;      // 30004 for a fixed-width file that is opened
    bool read_only_prompt = true;      // 30040 for a read-only file (else copied as it is)
    std::optional<Encoding> encoding;  // every file read in it; detected per file when empty
    // A large file read in place (LoadMode::InPlace) only in order is indexed
    // as the first pass reads it, instead of by a pass of its own (FinishScan).
    bool scan_beside = false;
};

// Section "AddRead": "AddJun" and "FirstRec"; the questions as the desktop asks them.
LoadOptions LoadOptionsFromSettings(ISettingsStore& store);

inline constexpr int kMaxSplits = 2000;

struct ViewState {
    RecordIndex top_record{0};
    ByteOffset top_offset{0};
    RecordIndex saved_top_record{0};
    ByteOffset saved_top_offset{0};
    FieldIndex sel_start{-1};
    FieldIndex sel_end{-1};
    FieldIndex copy_mark{-1};
    FieldIndex cut_mark{-1};
    bool split_mode = false;
    std::vector<int> split_positions;  // byte columns, in the order placed
};

// One committed change of records, as the batch command that does the same.
struct HistoryStep {
    std::vector<std::string> words;  // the command and its options (UTF-8)
    std::int64_t records = -1;       // the record count after it (-1: the document's now)
    // A replacement set typed or changed in its dialog: the .cng file's bytes,
    // written beside a saved recipe for the step's --pairs.
    std::string pairs;
    std::int64_t commit = 0;  // the commit it belongs to: one undo removes them all
};

class Document {
  public:
    Document(IMessageSink& messages, IProgressSink& progress, ISettingsStore& settings,
             IViewSink& view);
    // Shutdown: closes the files and deletes every temporary file still recorded.
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // ---- state ----
    bool IsOpen() const { return working_.IsOpen(); }
    // Where the records of the working file end.
    std::int64_t DataEnd() {
        FinishScan();
        return data_end_;
    }
    // The last record ends with a line break (read from the file, no index needed).
    bool EndsWithLineBreak();
    bool IsFixedWidth() { return IsOpen() && Stats().most_fields == 1; }
    const Statistics& Stats() {
        FinishScan();
        return stats_;
    }
    // The records are being indexed as the first pass reads them: the
    // statistics are not known yet, and what needs them only to go faster
    // does without them rather than wait.
    bool StatsPending() const { return scan_ != nullptr; }
    // The record count, or while it is pending an estimate (for progress).
    std::int64_t ExpectedRecords() const;
    // Ends the indexing beside the first pass, reading what the pass has not;
    // false when it refused the input (its message is shown, once, and what
    // anyone else would say after it is not).
    bool FinishScan();
    const std::array<int, kMaxFields>& FieldWidths() const { return field_widths_; }
    const std::string& CurrentFileName() const { return current_name_; }
    const std::string& WorkingFileName() const { return working_name_; }
    const std::string& IndexFileName() const { return index_name_; }
    const std::string& OutputFileName() const { return output_name_; }
    const std::string& PreviousWorkingFileName() const { return prev_working_name_; }
    const std::string& PreviousIndexFileName() const { return prev_index_name_; }
    bool CanUndo() const { return !prev_working_name_.empty(); }
    bool Modified() const { return modified_; }
    // The encoding of the user's file, in which Save writes.
    Encoding FileEncoding() const { return encoding_; }
    const VariantForms& Forms() const { return forms_; }
    void SetModified(bool on);
    // Keep the document's record for recovery after a crash (the desktop).
    void SetRecording(bool on) { recording_ = on; }
    // Opens what a run that died left (its working file) as the user's file
    // it belonged to, modified, so that Save writes there.
    bool RecoverDocument(const DocumentRecord& record);
    ViewState& View() { return view_state_; }
    const ViewState& View() const { return view_state_; }
    void SetSplitMode(bool on);

    IMessageSink& Messages() { return messages_; }
    IProgressSink& Progress() { return progress_; }
    ISettingsStore& Settings() { return settings_; }
    IViewSink& ViewSink() { return view_; }
    int Message(int id, MsgStyle style = MsgStyle::Error, const std::string& prefix = {});
    // Runs long work under the wait cursor. A Cancelled thrown out of the
    // progress sink (the work has put everything back on its way out) ends
    // it as a failure without a message, "中止しました" in the status bar.
    bool Cancellable(const std::function<bool()>& work);

    // ---- loading and the record index ----
    // A new, empty, uniquely named file "TesXXXX.TMP" in the temporary folder;
    // empty when none can be made.
    static std::string MakeTempFileName();
    // Such a file is opened with this mode: it is empty already, and
    // truncating it would make some file systems (ext4) force its data out
    // to disk when it is closed.
    static constexpr const char* kTempOpenMode = "r+b";
    bool OpenWorkingFile(const std::string& name, LoadMode mode, const LoadOptions& options = {});
    bool LoadWorkingFile(const std::string& name, LoadMode mode, const LoadOptions& options = {});
    bool OpenIndexFile();
    bool CopyWhileIndexing(const std::string& source,
                           const std::function<bool(const std::atomic<bool>*)>& copy);
    bool BuildRecordIndex();
    bool CheckTextFile(File& file);
    bool ComputeFieldWidths();
    // Also gather the field widths while indexing, saving ComputeFieldWidths'
    // separate pass (the batch statistics).
    void SetCollectFieldWidths(bool on) { collect_widths_ = on; }
    // The records are only read in order (the batch front end): the index
    // files stay empty and a record's offset is found by reading.
    void SetSequentialOnly(bool on) { sequential_only_ = on; }
    // Each operation's output becomes a saved file (the batch front end
    // renames it into place): it is written to the disk as it comes.
    void SetOutputsKept(bool on) { outputs_kept_ = on; }
    bool OutputsKept() const { return outputs_kept_; }
    // Byte offset of record k through the record index file.
    ByteOffset RecordOffset(RecordIndex k);
    // Positions the working file at record k; read lines from there with Records().
    bool SeekRecord(RecordIndex k);
    // A reader over the working file from record `from` (rewinds for 0).
    TextReader Records(RecordIndex from = RecordIndex{0});
    // For a pass that reads the records in two parts at once: a reader over
    // file (the working file opened again) from byte `from`, where a record
    // starts. While the statistics are pending, what it reads is indexed
    // beside what Records() reads up to `from`, on the reader's own thread; it
    // must be done reading before anything asks for the statistics.
    TextReader RecordsFrom(File& file, std::int64_t from);
    // The working file, for readers that manage their own positions.
    File& WorkingFile() { return working_; }
    // Writes every record, each with CR LF, to out in the given encoding. A
    // character with no UTF-8 form stops it, its line (1-based) in unmapped_line.
    bool WriteAllRecords(File& out, Encoding as = Encoding::ShiftJis,
                         std::int64_t* unmapped_line = nullptr);

    // ---- output, commit, undo ----
    bool BeginOutput();
    File& OutputFile() { return output_; }
    // Indexes the output as it is written (null when that could not be set up).
    IndexBuilder* OutputIndex();
    bool CommitOutput();
    // Gives up the output of a failed pass.
    void DiscardOutput();
    bool Undo();

    // ---- history ----
    // Records a step of the commit just made (several steps of one recipe
    // share it). Opening starts a new history, an undo removes the steps it
    // undoes, and a join to a document with steps starts it again.
    void RecordStep(HistoryStep step);
    const std::vector<HistoryStep>& History() const { return history_; }
    // The history was started again by a join.
    bool HistoryRestarted() const { return history_restarted_; }

    // ---- files ----
    // Open command: loads path as the document (none may be open).
    bool OpenDocument(const std::string& path, const LoadOptions& options = {});
    // Several files at once (dropped, command line): the first opened when no
    // document is open, the others appended in options.order. When 30021 is
    // answered Yes, options.first_record becomes 1.
    bool OpenFiles(std::vector<std::string> paths, LoadOptions& options);
    // The same with the options of the settings; a Yes to 30021 is stored.
    bool OpenFiles(std::vector<std::string> paths, bool ask_first_record);
    // Appends path from line first_record on (the setting "FirstRec" without it).
    bool AppendFile(const std::string& path, int first_record,
                    std::optional<Encoding> encoding = std::nullopt);
    bool AppendFile(const std::string& path);
    // Writes the document to target, in the document's encoding or as.
    bool SaveDocument(const std::string& target, bool as_new,
                      std::optional<Encoding> as = std::nullopt);
    // Batch end: the working file itself becomes target (replacing it) when it
    // is a temporary file of ours on the same file system, already in the
    // saved form. The document is closed then; false (and nothing changed)
    // when a copying save is needed instead.
    bool MoveWorkingFileTo(const std::string& target, Encoding as = Encoding::ShiftJis);
    // Batch save of a single file read in place: source is copied beside
    // target (in the kernel) while the document loads on another thread;
    // returns the copy's path, empty on failure.
    static std::string PrepareSaveCopy(const std::string& source, const std::string& target);
    // Once loaded: when the document is exactly that copy's bytes in the saved
    // form, the copy replaces target. False (the copy left alone) otherwise.
    bool SaveFromCopy(const std::string& copy, const std::string& target, Encoding as);
    // Save command: writes to the current file when modified.
    bool Save();
    // Save As command; the document takes the encoding it is saved in.
    bool SaveAs(const std::string& path, std::optional<Encoding> as = std::nullopt);
    // Asks about unsaved changes and closes; false when the document stays open.
    bool CloseDocument();

  private:
    void ClearHistory(bool restarted);
    std::vector<HistoryStep> history_;
    bool history_restarted_ = false;
    std::int64_t commits_ = 0;  // committed outputs so far

    struct Snapshot;
    Snapshot TakeSnapshot() const;
    bool Restore(const Snapshot& s);
    void CloseFiles();
    void DiscardTemp(std::string& name);
    std::string NewTemp();
    // refused: a stream failed the text check (its message shown).
    bool CopyIntoTemp(const std::string& source, const std::string& temp, bool& refused,
                      const std::atomic<bool>* indexing);
    bool CopyStream(File& in, File& out, bool& refused);
    // Converts the UTF-8 text of in (after its BOM) into temp, noting its
    // forms in forms; false with its message shown, naming path.
    bool ConvertIntoTemp(File& in, const std::string& path, const std::string& temp,
                         VariantForms& forms);
    // The message of a conversion that stopped: its fault, or a read failure.
    void ReportConvertFault(const EncodingFault& fault, const std::string& path);
    // The same, indexing the records as they are converted (for the load
    // that follows, as prebuilt_).
    bool ConvertAndIndex(File& in, const std::string& path, const std::string& temp,
                         VariantForms& forms, std::int64_t* consumed);
    // Indexes one record of the working file (and its field widths, when
    // they are gathered); false once the builder refused.
    bool IndexRecord(IndexBuilder& builder, std::string_view text, std::int64_t physical,
                     bool has_break, bool truncated);
    // The encoding a file is read in: forced, or detected (in then stands
    // at the start of its text).
    static Encoding ReadEncoding(File& in, std::optional<Encoding> forced);
    // A save refused: line holds a character UTF-8 cannot hold.
    bool RefuseUnmapped(const std::string& target, std::int64_t line);
    // Raises the field widths by one record; returns its field count.
    int AddFieldWidths(std::string_view record);
    bool AdoptIndex(const IndexBuilder& builder, std::int64_t size, bool written);
    // The same, without a word: the message refusing the index (0 when taken).
    int TakeIndex(const IndexBuilder& builder, std::int64_t size, bool written);
    // The file such a refusal names: the working file or the index file.
    std::string RefusalPrefix(int id) const;
    bool StartScanBeside();
    struct ScanBeside;
    std::unique_ptr<ScanBeside> scan_;
    int scan_refusal_ = 0;  // the message the scan refused the input with
    bool scan_refusal_shown_ = false;

    // An index built while the output was written, handed to the reload.
    struct PendingIndex {
        File file;
        std::string name;
        IndexBuilder builder{file};
        bool written = false;
    };
    void DropPendingIndex(std::unique_ptr<PendingIndex>& pending);
    std::unique_ptr<PendingIndex> output_index_;
    std::unique_ptr<PendingIndex> prebuilt_;

    IMessageSink& messages_;
    IProgressSink& progress_;
    ISettingsStore& settings_;
    IViewSink& view_;

    std::string current_name_;
    std::string working_name_, index_name_, output_name_;
    std::string prev_working_name_, prev_index_name_;
    File working_, index_, output_;
    bool working_writable_ = false;
    std::int64_t data_end_ = 0;  // end of the indexed data in the working file
    bool canonical_ = false;     // every record ends with CR LF, nothing follows
    Statistics stats_;
    std::array<int, kMaxFields> field_widths_{};
    ViewState view_state_;
    bool modified_ = false;
    Encoding encoding_ = Encoding::ShiftJis;
    VariantForms forms_;
    // Bytes of the user's file the working copy was made from, when the
    // document is still exactly that file (-1 otherwise).
    std::int64_t source_size_ = -1;
    bool collect_widths_ = false;
    bool sequential_only_ = false;
    bool outputs_kept_ = false;
    bool recording_ = false;
    // Records the document (or none) for recovery, when recording.
    void NoteRecovery();
    std::set<std::string> owned_temps_;  // files we made and may delete
    std::vector<std::string> strays_;    // ours, but their deletion failed
};

}  // namespace tesmora
