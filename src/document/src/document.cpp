// Document state, loading, the text check and the record index file.
#include "tesmora/document/document.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <random>
#include <system_error>
#include <thread>
#include <utility>

#include "tesmora/document/messages.h"
#include "tesmora/document/paths.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/record_index.h"
#include "tesmora/document/temp_files.h"
#include "tesmora/document/text.h"

namespace fs = std::filesystem;

namespace tesmora {

Document::Document(IMessageSink& messages, IProgressSink& progress, ISettingsStore& settings,
                   IViewSink& view)
    : messages_(messages), progress_(progress), settings_(settings), view_(view) {}

Document::~Document() {
    DropPendingIndex(output_index_);
    DropPendingIndex(prebuilt_);
    CloseFiles();
    for (std::string* name :
         {&working_name_, &index_name_, &prev_working_name_, &prev_index_name_, &output_name_})
        DiscardTemp(*name);
    for (const std::string& name : strays_) RemoveTemp(name);
}

int Document::Message(int id, MsgStyle style, const std::string& prefix) {
    // Whatever a pass says waits for the index of its input: an input the
    // load refuses is all there is to say.
    if ((scan_ || scan_refusal_) && !FinishScan()) return kIdCancel;
    return ShowMessage(messages_, id, prefix, style);
}

void Document::SetModified(bool on) {
    modified_ = on;
    NoteRecovery();
}

void Document::NoteRecovery() {
    if (!recording_) return;
    if (!IsOpen()) {
        RecordDocument(nullptr);
        return;
    }
    DocumentRecord r;
    r.working = working_name_;
    r.file = current_name_;
    r.encoding = EncodingWord(encoding_);
    for (int s = 1; s < VariantForms::kSlots; ++s) r.forms += static_cast<char>('0' + forms_.Of(s));
    r.modified = modified_;
    r.time = static_cast<std::int64_t>(std::time(nullptr));
    r.records = stats_.records;
    RecordDocument(&r);
}

bool Document::RecoverDocument(const DocumentRecord& record) {
    return Cancellable([&] {
        // The working file is code page 932 already, and was checked.
        LoadOptions options;
        options.encoding = Encoding::ShiftJis;
        options.offer_split_mode = false;
        options.read_only_prompt = false;
        current_name_.clear();
        if (!LoadWorkingFile(record.working, LoadMode::Fresh, options)) return false;
        current_name_ = record.file;
        encoding_ = EncodingFromWord(record.encoding).value_or(Encoding::ShiftJis);
        forms_ = VariantForms{};
        for (std::size_t i = 0; i + 1 < VariantForms::kSlots && i < record.forms.size(); ++i)
            forms_.Note(static_cast<int>(i + 1),
                        static_cast<VariantForms::Form>(std::clamp(record.forms[i] - '0', 0, 2)));
        view_.UpdateTitle();
        SetModified(true);
        return true;
    });
}

bool Document::Cancellable(const std::function<bool()>& work) {
    struct Busy {
        IViewSink& view;
        explicit Busy(IViewSink& v) : view(v) { view.SetWaitCursor(true); }
        ~Busy() { view.SetWaitCursor(false); }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;
    } busy(view_);
    try {
        return work();
    } catch (const Cancelled&) {
        const char* text = MessageText(kMsgStatusCancelled);
        progress_.SetPos(0);
        progress_.SetStatusText(text ? text : "");
        return false;
    }
}

void Document::SetSplitMode(bool on) {
    if (view_state_.split_mode == on) return;
    view_state_.split_mode = on;
    view_.SplitModeChanged();
}

void Document::CloseFiles() {
    working_.Close();
    index_.Close();
    output_.Close();
}

void Document::DiscardTemp(std::string& name) {
    if (name.empty()) return;
    // Two names may share one file (after a commit); delete it once, and
    // never a file we did not make. One that cannot be deleted now is tried
    // again at shutdown.
    if (owned_temps_.erase(name) > 0 && !RemoveTemp(name)) strays_.push_back(name);
    name.clear();
}

std::string Document::MakeTempFileName() {
    std::error_code ec;
    fs::path dir = fs::temp_directory_path(ec);
    if (ec || dir.empty()) return {};
    static std::mt19937 rng{std::random_device{}()};
    unsigned start = rng() & 0xFFFF;
    for (unsigned i = 0; i < 0x10000; ++i) {
        unsigned n = (start + i) & 0xFFFF;
        if (n == 0) continue;
        char leaf[16];
        std::snprintf(leaf, sizeof leaf, "Tes%X.TMP", n);
        std::string path = ToUtf8(dir / leaf);
        // "x": create exclusively, so two instances never share a name.
        File f;
        if (f.Open(path, "wbx")) {
            RecordTemp(path);
            return path;
        }
    }
    return {};
}

std::string Document::NewTemp() {
    std::string name = MakeTempFileName();
    if (!name.empty()) owned_temps_.insert(name);
    return name;
}

namespace {

// Smaller files are indexed a record at a time, their progress with them.
constexpr std::int64_t kBlockIndexing = 1 << 20;
// Files this large are worth a second thread.
constexpr std::int64_t kHalvesIndexing = std::int64_t{16} << 20;

// Whole blocks of file from byte `from` on: the builder finds the records
// itself, far faster than taking them a line at a time. fed is told the bytes
// so far and says whether to go on. False when file cannot be positioned.
bool IndexBlocks(File& file, std::int64_t from, IndexBuilder& builder,
                 const std::function<bool(std::int64_t)>& fed) {
    if (!file.Seek(from)) return false;
    TextReader reader(file);
    std::int64_t total = 0;
    for (std::string_view block; !builder.failure() && !(block = reader.NextBlock()).empty();) {
        builder.Feed(block);
        total += static_cast<std::int64_t>(block.size());
        if (!fed(total)) break;
    }
    return true;
}

// Feeds builder the bytes of file from `from` to `to`, a block at a time; fed
// is told each block's size and says whether to go on. A byte 0x1A ends the
// data, as it does for the reader: true when one did. A file that ends sooner
// has shrunk: a read failure.
bool FeedRange(File& file, std::int64_t from, std::int64_t to, IndexBuilder& builder,
               const std::function<bool(std::int64_t)>& fed) {
    std::vector<char> buf(std::size_t{1} << 18);
    if (!file.Seek(from)) {
        file.NoteShortRead();
        return false;
    }
    for (std::int64_t at = from; at < to && !builder.failure();) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(to - at, static_cast<std::int64_t>(buf.size())));
        const std::size_t got = file.Read(buf.data(), want);
        if (got == 0) {
            file.NoteShortRead();
            return false;
        }
        const void* eod = std::memchr(buf.data(), 0x1A, got);
        const std::size_t data =
            eod ? static_cast<std::size_t>(static_cast<const char*>(eod) - buf.data()) : got;
        builder.Feed(std::string_view(buf.data(), data));
        if (eod) return true;
        at += static_cast<std::int64_t>(got);
        if (!fed(static_cast<std::int64_t>(got))) return false;
    }
    return false;
}

// A large file read only in order is indexed by both cores from byte `from`
// on (the builder has had the bytes before it): the records from the first
// that starts after the middle of the rest on a thread of their own, joined
// to the first half's at the end. False, with nothing fed, when the rest does
// not split (a line around its middle too long for any record).
bool IndexHalves(File& file, std::int64_t from, std::int64_t size, IndexBuilder& builder,
                 int* widths, const std::function<bool(std::int64_t)>& fed) {
    std::int64_t split = from + (size - from) / 2;
    {
        std::vector<char> around(static_cast<std::size_t>(kMaxLineLength));
        if (!file.Seek(split)) return false;
        const std::size_t got = file.Read(around.data(), around.size());
        const void* lf = std::memchr(around.data(), '\n', got);
        if (!lf) return false;
        split += static_cast<const char*>(lf) - around.data() + 1;
    }
    File rest;
    if (!rest.Open(file.path(), "rb")) return false;
    IndexBuilder later(rest);
    later.SkipEntries();
    std::vector<int> later_widths(widths ? kMaxFields : 0);
    if (widths) later.CollectWidths(later_widths.data());
    std::atomic<std::int64_t> later_fed{0};
    bool joins = false;
    {
        std::jthread second([&](std::stop_token stop) {
            FeedRange(rest, split, size, later, [&](std::int64_t n) {
                later_fed.fetch_add(n, std::memory_order_relaxed);
                return !stop.stop_requested();
            });
        });
        std::int64_t first_fed = 0;
        const bool ended = FeedRange(file, from, split, builder, [&](std::int64_t n) {
            first_fed += n;
            return fed(from + first_fed + later_fed.load(std::memory_order_relaxed));
        });
        // What follows a failure or the end of the data cannot count.
        joins = !ended && !builder.failure() && builder.offset() == split;
        if (!joins) second.request_stop();
        second.join();  // to its end (leaving the scope would ask it to stop)
    }
    if (!joins) return true;
    if (rest.ReadFailed()) file.NoteShortRead();
    builder.Join(later);
    return true;
}

// What tells a file changed while it was copied.
std::pair<std::uintmax_t, fs::file_time_type> Stamp(const std::string& name) {
    std::error_code ec;
    const fs::path path = ToPath(name);
    const auto size = fs::file_size(path, ec);
    if (ec) return {};
    const auto time = fs::last_write_time(path, ec);
    if (ec) return {};
    return {size, time};
}

}  // namespace

// A large user's file is indexed on another core while this one copies it
// (and the copy takes both cores once the index is done): the index of the
// copy is the index of the file, unless it changed meanwhile.
bool Document::CopyWhileIndexing(const std::string& source,
                                 const std::function<bool(const std::atomic<bool>*)>& copy) {
    const auto before = Stamp(source);
    if (collect_widths_ || before.first < static_cast<std::uintmax_t>(kBlockIndexing))
        return copy(nullptr);
    auto pending = std::make_unique<PendingIndex>();
    pending->name = NewTemp();
    if (pending->name.empty() || !pending->file.Open(pending->name, kTempOpenMode)) {
        DropPendingIndex(pending);
        return copy(nullptr);
    }
    if (sequential_only_) pending->builder.SkipEntries();
    bool indexed = false, copied = false;
    std::atomic<bool> indexing{true};
    std::atomic<std::int64_t> index_fed{0};
    try {
        std::jthread indexer([&](std::stop_token stop) {
            File in;
            if (in.Open(source, "rb")) {
                IndexBlocks(in, 0, pending->builder, [&](std::int64_t total) {
                    index_fed.store(total, std::memory_order_relaxed);
                    return !stop.stop_requested();
                });
                indexed = !stop.stop_requested() && !in.ReadFailed();
                pending->written = pending->builder.Finish();
            }
            indexing = false;
        });
        copied = copy(&indexing);
        if (!copied) indexer.request_stop();
        // A copy done first waits for the index, the bar following it (and
        // the work can still be stopped): leaving the scope would ask the
        // index to stop, and the copy would be indexed all over again.
        while (copied && indexing.load()) {
            progress_.SetPos(static_cast<int>(index_fed.load(std::memory_order_relaxed) / 100));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        indexer.join();
    } catch (const Cancelled&) {
        DropPendingIndex(pending);
        throw;
    }
    if (copied && indexed && Stamp(source) == before)
        prebuilt_ = std::move(pending);
    else
        DropPendingIndex(pending);
    return copied;
}

bool Document::OpenWorkingFile(const std::string& name, LoadMode mode, const LoadOptions& options) {
    std::error_code ec;
    fs::path path = ToPath(name);
    auto st = FileStatus(name, ec);
    if (ec || !fs::exists(st)) return false;
    if (mode == LoadMode::Fresh && options.read_only_prompt &&
        (st.permissions() & fs::perms::owner_write) == fs::perms::none) {
        if (Message(kMsgClearReadOnly, MsgStyle::Question, name + "\n") != kIdYes) return false;
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
        if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) {
            Message(kMsgAccessDenied);
            return false;
        }
    }
    // A stream can be read only once, and the index pass would use it up:
    // it is taken into a copy like a user's file. So is every UTF-8 file,
    // converted: the engine reads code page 932 only.
    const bool fresh = mode != LoadMode::NotFresh;
    const bool regular = st.type() == fs::file_type::regular;
    Encoding encoding = encoding_;
    VariantForms forms;
    std::int64_t source_size = -1;
    std::string working = name;
    bool owned = false;  // working is a temporary file of ours
    auto give_up = [&] {
        if (owned) DiscardTemp(working);
        return false;
    };
    // A plain copy of the user's bytes into a new temporary file, on one
    // core while the file is indexed on the other.
    auto copy_raw = [&](const std::atomic<bool>* indexing = nullptr) {
        working = NewTemp();
        owned = !working.empty();
        bool refused = false;
        if (owned && !CopyIntoTemp(name, working, refused, indexing)) {
            DiscardTemp(working);
            owned = false;
        }
        if (!owned && !refused) Message(kMsgFileObjectFailed);
        return owned;
    };
    // The raw stream first: its encoding is known only from its bytes.
    if (fresh) DropPendingIndex(prebuilt_);
    try {
        if (fresh && !regular && !copy_raw()) return false;
        if (fresh) {
            File in;
            if (!in.Open(working, "rb")) {
                Message(kMsgOpenFailed, MsgStyle::Error, name + "\n");
                return give_up();
            }
            encoding = ReadEncoding(in, options.encoding);
            if (IsUtf8(encoding)) {
                std::string converted = NewTemp();
                if (converted.empty()) {
                    Message(kMsgFileObjectFailed);
                    return give_up();
                }
                bool ok = false;
                try {
                    ok = ConvertAndIndex(in, name, converted, forms, &source_size);
                } catch (const Cancelled&) {
                    DiscardTemp(converted);
                    throw;
                }
                if (!ok) {
                    DiscardTemp(converted);
                    return give_up();
                }
                if (encoding == Encoding::Utf8Bom)
                    source_size += static_cast<std::int64_t>(kUtf8Bom.size());
                in.Close();
                if (owned) DiscardTemp(working);  // the raw stream
                working = converted;
                owned = true;
            } else if (mode == LoadMode::Fresh && regular) {
                in.Close();
                if (!CopyWhileIndexing(name, copy_raw)) return false;
            }
        }
    } catch (const Cancelled&) {
        DropPendingIndex(prebuilt_);
        give_up();
        throw;
    }
    working_writable_ = mode != LoadMode::InPlace;
    if (!working_.Open(working, working_writable_ ? "r+b" : "rb")) {
        Message(kMsgCreateFailed);
        DropPendingIndex(prebuilt_);
        return give_up();
    }
    // The user's file is checked however it is read; a copy that fails the
    // check is of no use.
    if (fresh && !CheckTextFile(working_)) {
        working_.Close();
        DropPendingIndex(prebuilt_);
        return give_up();
    }
    working_name_ = working;
    if (fresh) {
        encoding_ = encoding;
        forms_ = forms;
        source_size_ = source_size;
    } else {
        source_size_ = -1;
    }
    return true;
}

Encoding Document::ReadEncoding(File& in, std::optional<Encoding> forced) {
    if (!forced) return DetectEncoding(in);
    SkipBom(in);
    if (*forced != Encoding::ShiftJis) return in.Tell() > 0 ? Encoding::Utf8Bom : Encoding::Utf8;
    in.Seek(0);
    return Encoding::ShiftJis;
}

namespace {

// Splits text handed over in pieces into records as TextReader reads them:
// LF or CR LF ends one, a lone CR is data, a last line may lack its break.
// Records within a piece are passed as they lie; one that spans pieces is
// gathered, up to the longest any record may be.
class RecordSplitter {
  public:
    using Record = std::function<bool(std::string_view text, std::int64_t physical, bool has_break,
                                      bool truncated)>;
    explicit RecordSplitter(Record record) : record_(std::move(record)) {}

    bool Feed(std::string_view bytes) {
        while (!bytes.empty()) {
            const void* lf = std::memchr(bytes.data(), '\n', bytes.size());
            if (!lf) {
                Keep(bytes);
                return true;
            }
            const auto n = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data());
            bool ok;
            if (length_ == 0) {
                std::string_view text = bytes.substr(0, n);
                const auto physical = static_cast<std::int64_t>(n) + 1;
                if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
                ok = record_(text, physical, true, false);
            } else {
                Keep(bytes.substr(0, n));
                ok = End(true, length_ + 1);
            }
            if (!ok) return false;
            bytes.remove_prefix(n + 1);
        }
        return true;
    }
    // The last line, when the data does not end with a line break.
    bool Finish() { return length_ == 0 || End(false, length_); }

  private:
    static constexpr std::size_t kHeld = kMaxLineLength + 2;
    void Keep(std::string_view bytes) {
        if (held_.size() < kHeld) held_.append(bytes.substr(0, kHeld - held_.size()));
        if (!bytes.empty()) last_ = bytes.back();
        length_ += static_cast<std::int64_t>(bytes.size());
    }
    bool End(bool has_break, std::int64_t physical) {
        std::string_view text = held_;
        const bool truncated = length_ > static_cast<std::int64_t>(held_.size());
        if (has_break && last_ == '\r' && !truncated) text.remove_suffix(1);
        const bool ok = record_(text, physical, has_break, truncated);
        held_.clear();
        length_ = 0;
        return ok;
    }
    Record record_;
    std::string held_;
    std::int64_t length_ = 0;  // bytes of the record so far
    char last_ = 0;
};

}  // namespace

bool Document::ConvertAndIndex(File& in, const std::string& path, const std::string& temp,
                               VariantForms& forms, std::int64_t* consumed) {
    File out;
    auto pending = std::make_unique<PendingIndex>();
    pending->name = NewTemp();
    if (pending->name.empty() || !out.Open(temp, kTempOpenMode) ||
        !pending->file.Open(pending->name, kTempOpenMode)) {
        DropPendingIndex(pending);
        Message(kMsgCreateFailed);
        return false;
    }
    // The records are indexed as they are converted, so the working copy is
    // never read back: it is written on this thread while the next piece is
    // converted on another.
    if (collect_widths_) field_widths_.fill(0);
    IndexBuilder& builder = pending->builder;
    if (sequential_only_) builder.SkipEntries();
    RecordSplitter splitter(
        [&](std::string_view text, std::int64_t physical, bool has_break, bool truncated) {
            return IndexRecord(builder, text, physical, has_break, truncated);
        });
    const std::int64_t size = in.Size();
    progress_.SetRange(static_cast<int>(size / 100));
    std::int64_t converted = 0;
    bool wrote = true;
    auto take = [&](std::string_view bytes) {
        wrote = out.Write(bytes.data(), bytes.size());
        // A record over the limits stops the indexing, not the copy: the
        // text check comes first, and may refuse the file for another reason.
        if (!builder.failure()) splitter.Feed(bytes);
        converted += static_cast<std::int64_t>(bytes.size());
        progress_.SetPos(static_cast<int>(converted / 100));
        return wrote;
    };
    EncodingFault fault;
    bool ok = false;
    try {
        ok = ConvertUtf8Chunks(in, take, forms, fault, consumed) && out.Flush();
    } catch (const Cancelled&) {
        DropPendingIndex(pending);
        throw;
    }
    progress_.SetPos(0);
    if (!ok) {
        DropPendingIndex(pending);
        if (!wrote || !out.Flush())
            Message(kMsgCreateFailed, MsgStyle::Error, temp + "\n");
        else
            ReportConvertFault(fault, path);
        return false;
    }
    if (!builder.failure()) splitter.Finish();
    pending->written = builder.Finish();
    prebuilt_ = std::move(pending);
    return true;
}

bool Document::IndexRecord(IndexBuilder& builder, std::string_view text, std::int64_t physical,
                           bool has_break, bool truncated) {
    const std::size_t commas =
        collect_widths_ ? static_cast<std::size_t>(AddFieldWidths(text) - 1) : CountByte(text, ',');
    return builder.Add(truncated ? kMaxLineLength : text.size(), physical, has_break, commas);
}

void Document::ReportConvertFault(const EncodingFault& fault, const std::string& path) {
    if (fault.io)
        Message(kMsgOpenFailed, MsgStyle::Error, path + "\n");
    else
        Message(fault.message, MsgStyle::Error, fault.Prefix(path));
}

bool Document::ConvertIntoTemp(File& in, const std::string& path, const std::string& temp,
                               VariantForms& forms) {
    File out;
    EncodingFault fault;
    if (!out.Open(temp, kTempOpenMode)) {
        Message(kMsgCreateFailed);
        return false;
    }
    if (ConvertUtf8ToCp932(in, out, forms, fault)) return true;
    ReportConvertFault(fault, path);
    return false;
}

bool Document::CopyIntoTemp(const std::string& source, const std::string& temp, bool& refused,
                            const std::atomic<bool>* indexing) {
    File in, out;
    if (!in.Open(source, "rb") || !out.Open(temp, kTempOpenMode)) return false;
    if (!in.IsRegular()) return CopyStream(in, out, refused);
    progress_.SetRange(static_cast<int>(in.Size() / 100));
    const bool ok = CopyToEnd(
        in, out, -1,
        [this](std::int64_t copied) { progress_.SetPos(static_cast<int>(copied / 100)); },
        indexing);
    progress_.SetPos(0);
    return ok;
}

bool Document::CopyStream(File& in, File& out, bool& refused) {
    // What the text check reads comes first: an endless stream that is no
    // text (/dev/zero) is refused at once instead of filling the disk.
    constexpr std::int64_t kChecked = 2 * kMaxLineLength + 1;
    if (!CopyToEnd(in, out, kChecked)) return false;
    if (!CheckTextFile(out)) {
        refused = true;
        return false;
    }
    return out.SeekEnd() && CopyToEnd(in, out);
}

bool Document::OpenIndexFile() {
    std::string name = NewTemp();
    if (name.empty()) {
        Message(kMsgFileObjectFailed);
        return false;
    }
    if (!index_.Open(name, kTempOpenMode)) {
        DiscardTemp(name);
        Message(kMsgCreateFailed);
        return false;
    }
    index_name_ = name;
    return true;
}

bool Document::LoadWorkingFile(const std::string& name, LoadMode mode, const LoadOptions& options) {
    const std::time_t start = std::time(nullptr);
    if (mode != LoadMode::NotFresh) ClearHistory(false);
    scan_.reset();
    scan_refusal_ = 0;
    scan_refusal_shown_ = false;
    if (mode != LoadMode::NotFresh && !working_name_.empty()) {
        // A new document replaces whatever was loaded: its files go.
        CloseFiles();
        for (std::string* old :
             {&working_name_, &index_name_, &prev_working_name_, &prev_index_name_})
            DiscardTemp(*old);
    }
    if (!OpenWorkingFile(name, mode, options)) return false;
    auto fail = [&] {
        working_.Close();
        index_.Close();
        // A half-built index is never shown; a fresh copy that cannot be
        // loaded is of no further use.
        DiscardTemp(index_name_);
        if (mode == LoadMode::Fresh) DiscardTemp(working_name_);
        return false;
    };
    if (prebuilt_) {
        // The output's index was built while it was written, or a UTF-8
        // file's while it was converted.
        std::unique_ptr<PendingIndex> pending = std::move(prebuilt_);
        index_ = std::move(pending->file);
        index_name_ = pending->name;
        if (!AdoptIndex(pending->builder, working_.Size(), pending->written)) return fail();
    } else {
        if (!OpenIndexFile()) return fail();
        try {
            const bool beside =
                options.scan_beside && mode == LoadMode::InPlace && StartScanBeside();
            if (!beside && !BuildRecordIndex()) return fail();
        } catch (const Cancelled&) {
            fail();
            throw;
        }
    }
    if (stats_.longest_line > 500 && !view_.CreateOffscreenImage(stats_.longest_line))
        return fail();
    view_state_.top_record = RecordIndex{0};
    view_state_.top_offset = ByteOffset{0};
    view_state_.copy_mark = view_state_.cut_mark = FieldIndex{-1};
    view_state_.sel_start = view_state_.sel_end = FieldIndex{-1};
    // The time the load took, not the time the question below stays open.
    const std::time_t loaded = std::time(nullptr);
    if (mode == LoadMode::Fresh && options.offer_split_mode && IsFixedWidth() &&
        Message(kMsgOfferSplitMode, MsgStyle::Question) == kIdYes) {
        Message(kMsgSplitModeHint, MsgStyle::Info);
        SetSplitMode(true);
    }
    view_.UpdateViewLayout();
    progress_.SetStatusText(FormatElapsed(loaded - start));
    return true;
}

bool Document::CheckTextFile(File& file) {
    std::string head = ReadTextPrefix(file, kMaxLineLength);
    bool has_break = false;
    for (char ch : head) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '\r' || c == '\n') {
            has_break = true;
        } else if (c < 0x20 && c != '\t') {
            Message(kMsgNotTextFile);
            return false;
        }
    }
    if (!has_break) {
        Message(kMsgNoLineBreak);
        return false;
    }
    return true;
}

bool Document::BuildRecordIndex() {
    working_.Seek(0);
    const std::int64_t size = working_.Size();
    progress_.SetRange(static_cast<int>(size / 100));
    progress_.SetPos(0);
    index_.Seek(0);
    if (index_.Size() > 0) index_.Truncate(0);
    if (collect_widths_) field_widths_.fill(0);

    IndexBuilder builder(index_);
    if (sequential_only_) builder.SkipEntries();
    working_.ClearReadError();
    if (size >= kBlockIndexing) {
        if (collect_widths_) builder.CollectWidths(field_widths_.data());
        auto fed = [this](std::int64_t total) {
            progress_.SetPos(static_cast<int>(total / 100));
            return true;
        };
        const bool halves = sequential_only_ && size >= kHalvesIndexing && working_.IsRegular() &&
                            IndexHalves(working_, 0, size, builder,
                                        collect_widths_ ? field_widths_.data() : nullptr, fed);
        if (!halves) IndexBlocks(working_, 0, builder, fed);
    } else {
        TextReader reader(working_);
        Line line;
        while (reader.Next(line)) {
            if (!IndexRecord(builder, line.text, line.physical, line.has_break, line.truncated))
                break;
            const std::int64_t offset = builder.offset();
            if (builder.stats().records < 1000 || offset % 100 == 0)
                progress_.SetPos(static_cast<int>(offset / 100));
        }
    }
    const bool written = builder.Finish();
    progress_.SetPos(0);
    if (working_.ReadFailed()) {
        // An index of the records read so far would silently drop the rest.
        Message(kMsgOpenFailed, MsgStyle::Error, working_name_ + "\n");
        return false;
    }
    return AdoptIndex(builder, size, written);
}

// Takes the statistics of a finished index pass over the working file.
bool Document::AdoptIndex(const IndexBuilder& builder, std::int64_t size, bool written) {
    const int refusal = TakeIndex(builder, size, written);
    if (refusal) Message(refusal, MsgStyle::Error, RefusalPrefix(refusal));
    return refusal == 0;
}

std::string Document::RefusalPrefix(int id) const {
    if (id == kMsgOpenFailed) return working_name_ + "\n";
    if (id == kMsgCreateFailed) return index_name_ + "\n";
    return {};
}

int Document::TakeIndex(const IndexBuilder& builder, std::int64_t size, bool written) {
    const Statistics& got = builder.stats();
    stats_.records = got.records;
    stats_.longest_line = got.longest_line;
    stats_.shortest_line = got.shortest_line;
    data_end_ = builder.offset();
    canonical_ = !builder.failure() && builder.canonical() && data_end_ == size;
    if (builder.failure()) return builder.failure();
    if (!written) return kMsgCreateFailed;
    stats_ = got;
    if (working_writable_) working_.SeekEnd();
    return 0;
}

struct Document::ScanBeside {
    explicit ScanBeside(File& index) : builder(index), later(index) {
        builder.SkipEntries();
        later.SkipEntries();
    }
    IndexBuilder builder;
    std::int64_t fed = 0;  // bytes the builder has seen
    bool tapped = false;   // a reader feeds it
    std::int64_t expected = 0;
    // The records from byte later_from on, fed by a second reader (RecordsFrom).
    IndexBuilder later;
    std::int64_t later_from = -1, later_fed = 0;
};

// Reading a large file once instead of twice is most of what a streaming
// command costs: the pass that reads it anyway indexes it (Records).
bool Document::StartScanBeside() {
    const std::int64_t size = working_.Size();
    if (!sequential_only_ || collect_widths_ || size < kBlockIndexing || !working_.IsRegular())
        return false;
    scan_ = std::make_unique<ScanBeside>(index_);
    // The progress of the pass counts records: guess them from the file's head.
    std::vector<char> head(std::size_t{64} << 10);
    working_.Seek(0);
    const std::size_t got = working_.Read(head.data(), head.size());
    working_.Seek(0);
    const auto lines =
        std::count(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(got), '\n');
    scan_->expected =
        got ? static_cast<std::int64_t>(lines) * size / static_cast<std::int64_t>(got) : 0;
    stats_ = {};
    data_end_ = 0;
    canonical_ = false;
    return true;
}

std::int64_t Document::ExpectedRecords() const {
    return scan_ ? scan_->expected : stats_.records;
}

bool Document::FinishScan() {
    if (scan_) {
        // Taken out first: a reader still feeding it stops here.
        const std::unique_ptr<ScanBeside> scan = std::move(scan_);
        IndexBuilder& builder = scan->builder;
        // A second reader's part follows on when the first part ends where it begins.
        if (scan->later_from >= 0 && scan->fed == scan->later_from && !builder.failure() &&
            builder.offset() == scan->later_from) {
            builder.Join(scan->later);
            scan->fed += scan->later_fed;
        }
        File rest;
        bool read = true;
        if (!builder.failure()) {
            read = rest.Open(working_name_, "rb");
            const std::int64_t size = read ? rest.Size() : 0;
            const bool halves = read && size - scan->fed >= kHalvesIndexing &&
                                IndexHalves(rest, scan->fed, size, builder, nullptr,
                                            [](std::int64_t) { return true; });
            if (read && !halves)
                read = IndexBlocks(rest, scan->fed, builder, [](std::int64_t) { return true; });
            read = read && !rest.ReadFailed();
        }
        const bool written = builder.Finish();
        scan_refusal_ = read ? TakeIndex(builder, working_.Size(), written) : kMsgOpenFailed;
    }
    if (!scan_refusal_) return true;
    if (!scan_refusal_shown_) {
        scan_refusal_shown_ = true;
        ShowMessage(messages_, scan_refusal_, RefusalPrefix(scan_refusal_), MsgStyle::Error);
    }
    return false;
}

bool Document::ComputeFieldWidths() {
    field_widths_.fill(0);
    {
        ProgressStepper progress(progress_, stats_.records);
        TextReader reader = Records();
        Line line;
        std::int64_t counter = 0;
        while (reader.Next(line)) {
            AddFieldWidths(line.text);
            progress.Step(++counter);
        }
    }
    return true;
}

int Document::AddFieldWidths(std::string_view record) {
    int field = 0;
    std::size_t start = 0;
    ForEachComma(record, [&](std::size_t comma) {
        const int width = static_cast<int>(comma - start);
        if (width > field_widths_[field]) field_widths_[field] = width;
        start = comma + 1;
        ++field;
        // After the 2,000th comma the rest of the record is not a field.
        return field < kMaxFields;
    });
    if (field < kMaxFields) {
        const int width = static_cast<int>(record.size() - start);
        if (width > field_widths_[field]) field_widths_[field] = width;
    }
    return field + 1;
}

bool Document::EndsWithLineBreak() {
    char last = 0;
    return data_end_ > 0 && working_.Seek(data_end_ - 1) && working_.Read(&last, 1) == 1 &&
           last == '\n';
}

ByteOffset Document::RecordOffset(RecordIndex k) {
    if (k.value <= 0) return ByteOffset{0};
    if (!sequential_only_) return ByteOffset{ReadIndexEntry(index_, k.value - 1)};
    working_.Seek(0);
    TextReader reader(working_);
    Line line;
    std::int64_t offset = 0;
    for (std::int64_t i = 0; i < k.value; ++i) {
        if (!reader.Next(line)) return ByteOffset{-1};
        offset += line.physical;
    }
    return ByteOffset{offset};
}

bool Document::SeekRecord(RecordIndex k) {
    const ByteOffset offset = RecordOffset(k);
    return offset.value >= 0 && working_.Seek(offset.value);
}

TextReader Document::Records(RecordIndex from) {
    if (from.value == 0)
        working_.Seek(0);
    else
        SeekRecord(from);
    TextReader reader(working_);
    if (scan_ && from.value == 0 && !scan_->tapped) {
        scan_->tapped = true;
        reader.SetTap([this](std::string_view block) {
            if (!scan_) return;  // finished meanwhile
            // What lies beyond a second reader's start is its to index.
            if (scan_->later_from >= 0)
                block = block.substr(0, static_cast<std::size_t>(std::max<std::int64_t>(
                                            0, scan_->later_from - scan_->fed)));
            scan_->builder.Feed(block);
            scan_->fed += static_cast<std::int64_t>(block.size());
        });
    }
    return reader;
}

TextReader Document::RecordsFrom(File& file, std::int64_t from) {
    file.Seek(from);
    TextReader reader(file);
    if (scan_ && scan_->later_from < 0 && from >= scan_->fed) {
        scan_->later_from = from;
        reader.SetTap([scan = scan_.get()](std::string_view block) {
            scan->later.Feed(block);
            scan->later_fed += static_cast<std::int64_t>(block.size());
        });
    }
    return reader;
}

namespace {

// Copies the records of reader to writer, each ended by CR LF: straight from
// the read blocks, since only a lone LF needs its CR and a last line without
// a break gets CR LF. The pieces go through one buffer: an LF-only file
// would otherwise cost two writes per record.
template <class Writer>
void WriteBlocks(TextReader& reader, Writer& writer) {
    char prev = '\n';
    for (std::string_view block; !(block = reader.NextBlock()).empty();) {
        const char* p = block.data();
        const char* const end = p + block.size();
        const char* run = p;  // start of bytes not yet written
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
            if (!lf) break;
            const char before = lf > block.data() ? lf[-1] : prev;
            if (before != '\r') {
                writer.WritePart(std::string_view(run, lf - run));
                writer.WritePart("\r\n");
                run = lf + 1;
            }
            p = lf + 1;
        }
        writer.WritePart(std::string_view(run, end - run));
        prev = block.back();
    }
    if (prev != '\n') writer.WritePart("\r\n");
}

}  // namespace

bool Document::WriteAllRecords(File& out, Encoding as, std::int64_t* unmapped_line) {
    working_.ClearReadError();
    if (!IsUtf8(as)) {
        // A working file already in the saved form (every record ended by CR
        // LF, nothing after the data) is copied as it is.
        if (canonical_) {
            progress_.SetRange(static_cast<int>(data_end_ / 100));
            const bool ok = CopyRange(working_, 0, data_end_, out, [this](std::int64_t copied) {
                progress_.SetPos(static_cast<int>(copied / 100));
            });
            progress_.SetPos(0);
            return ok;
        }
        TextReader reader = Records();
        TextWriter writer(out);
        WriteBlocks(reader, writer);
        return writer.Flush() && !working_.ReadFailed();
    }
    bool unmapped = false;
    {
        TextReader reader = Records();
        Utf8Writer writer(out, forms_, as == Encoding::Utf8Bom);
        WriteBlocks(reader, writer);
        if (writer.Flush()) return !working_.ReadFailed();
        unmapped = writer.unmapped();
    }
    if (unmapped && unmapped_line) {
        // Rare: find the record again, for the message.
        TextReader reader = Records();
        Line line;
        for (std::int64_t number = 1; reader.Next(line); ++number) {
            if (!Cp932ToUtf8(line.text)) {
                *unmapped_line = number;
                break;
            }
        }
    }
    return false;
}

}  // namespace tesmora
