// Opening, appending, saving and closing.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "tesmora/document/document.h"
#include "tesmora/document/messages.h"
#include "tesmora/document/paths.h"
#include "tesmora/document/progress.h"
#include "tesmora/document/temp_files.h"
#include "tesmora/document/text.h"

namespace fs = std::filesystem;

namespace tesmora {
namespace {

std::string FileNamePart(const std::string& path) {
    std::size_t p = path.find_last_of("/\\");
    return p == std::string::npos ? path : path.substr(p + 1);
}

constexpr const char* kAddReadSection = "AddRead";

int FirstRecordSetting(ISettingsStore& settings) {
    return settings.GetInt(kAddReadSection, "FirstRec", 1);
}

}  // namespace

LoadOptions LoadOptionsFromSettings(ISettingsStore& store) {
    LoadOptions o;
    const int order = store.GetInt(kAddReadSection, "AddJun", 1);
    o.order = order == 1   ? AppendOrder::NameAscending
              : order == 2 ? AppendOrder::NameDescending
                           : AppendOrder::AsGiven;
    o.first_record = FirstRecordSetting(store);
    return o;
}

bool Document::OpenDocument(const std::string& path, const LoadOptions& options) {
    return Cancellable([&] {
        current_name_.clear();
        if (!LoadWorkingFile(path, LoadMode::Fresh, options)) return false;
        current_name_ = path;
        view_.UpdateTitle();
        view_.AddRecentFile(path);
        NoteRecovery();
        return true;
    });
}

bool Document::OpenFiles(std::vector<std::string> paths, bool ask_first_record) {
    LoadOptions options = LoadOptionsFromSettings(settings_);
    options.ask_first_record = ask_first_record;
    const int first = options.first_record;
    const bool opened = OpenFiles(std::move(paths), options);
    if (options.first_record != first) settings_.SetInt(kAddReadSection, "FirstRec", 1);
    return opened;
}

bool Document::OpenFiles(std::vector<std::string> paths, LoadOptions& options) {
    return Cancellable([&] {
        const std::size_t k = paths.size();
        if (k == 0) return false;
        if (k > 1 && options.order != AppendOrder::AsGiven) {
            const bool ascending = options.order == AppendOrder::NameAscending;
            // Stable, so equal names keep the order given.
            std::stable_sort(paths.begin(), paths.end(),
                             [ascending](const std::string& a, const std::string& b) {
                                 const std::string na = FileNamePart(a), nb = FileNamePart(b);
                                 return ascending ? na < nb : nb < na;
                             });
        }
        bool appended = false;
        const bool was_open = IsOpen();
        const std::int64_t old_end = data_end_;
        // Appended lines whose index failed are neither the document before nor
        // after: back to the records the old index covered (no document, when
        // none was open).
        auto give_up = [&] {
            if (!was_open) {
                CloseDocument();
            } else if (working_.Truncate(old_end) && working_.SeekEnd()) {
                BuildRecordIndex();
            }
            return false;
        };
        // Lines already appended must not stay unseen behind an old index.
        // A stopped indexing pass fails as any other.
        auto build = [&] {
            try {
                return BuildRecordIndex();
            } catch (const Cancelled&) {
                give_up();
                throw;
            }
        };
        auto stop = [&] {
            if (!appended) return false;
            if (!build()) return give_up();
            SetModified(true);
            view_.UpdateViewLayout();
            return false;
        };
        if (!IsOpen()) {
            if (!OpenDocument(paths[0], options)) return false;
            if (k == 1) {
                SetModified(true);
                view_.UpdateViewLayout();
                return true;
            }
        } else {
            if (!AppendFile(paths[0], options.first_record, options.encoding)) return false;
            appended = true;
        }
        if (k > 1) {
            if (options.ask_first_record && options.first_record > 1) {
                const int answer = Message(kMsgAskFirstRecord, MsgStyle::QuestionCancel);
                if (answer == kIdCancel) return stop();
                if (answer == kIdYes) options.first_record = 1;
            }
            for (std::size_t i = 1; i < k; ++i) {
                if (!AppendFile(paths[i], options.first_record, options.encoding)) return stop();
                appended = true;
            }
        }
        if (!build()) return give_up();
        SetModified(true);
        view_.UpdateViewLayout();
        return true;
    });
}

bool Document::AppendFile(const std::string& path) {
    return AppendFile(path, FirstRecordSetting(settings_));
}

bool Document::AppendFile(const std::string& path, int first, std::optional<Encoding> encoding) {
    return Cancellable([&] {
        File in;
        if (!in.Open(path, "rb")) {
            Message(kMsgOpenFailed, MsgStyle::Error, path + "\n");
            return false;
        }
        // Both passes below read the file from its start: a stream is taken into
        // a temporary file first, which goes when this function returns.
        std::string spool;
        struct Spool {
            Document& doc;
            std::string& name;
            ~Spool() { doc.DiscardTemp(name); }
        } spool_guard{*this, spool};
        if (!in.IsRegular()) {
            spool = NewTemp();
            File copy;
            bool refused = false;
            if (spool.empty() || !copy.Open(spool, kTempOpenMode) ||
                !CopyStream(in, copy, refused) || !copy.Seek(0)) {
                if (!refused) Message(kMsgFileObjectFailed);
                return false;
            }
            in = std::move(copy);
        }
        // Each file is read in its own encoding; the document keeps its own.
        VariantForms forms = forms_;
        if (IsUtf8(ReadEncoding(in, encoding))) {
            std::string converted = NewTemp();
            const bool ok = !converted.empty() && ConvertIntoTemp(in, path, converted, forms);
            in.Close();
            DiscardTemp(spool);
            spool = converted;
            if (!ok) {
                if (converted.empty()) Message(kMsgFileObjectFailed);
                return false;
            }
            File text;
            if (!text.Open(spool, "rb")) {
                Message(kMsgOpenFailed, MsgStyle::Error, path + "\n");
                return false;
            }
            in = std::move(text);
        }
        in.Seek(0);
        if (!CheckTextFile(in)) return false;

        // First pass: the whole file must be usable before anything is written.
        std::int64_t count = 0;
        {
            TextReader reader(in);
            Line line;
            std::int64_t number = 0;
            while (reader.Next(line)) {
                if (++number < first) continue;
                // Written with CR LF, as the index will count it.
                if (line.truncated ||
                    line.text.size() > static_cast<std::size_t>(kMaxRecordBytes)) {
                    Message(kMsgLineTooLong);
                    return true;
                }
                if (CountFields(line.text) > kMaxFields) {
                    Message(kMsgTooManyFields);
                    return true;
                }
                ++count;
            }
        }
        if (in.ReadFailed()) {
            Message(kMsgOpenFailed, MsgStyle::Error, path + "\n");
            return false;
        }

        // Steps before a join cannot be replayed on a file without it.
        if (!history_.empty()) ClearHistory(true);
        // Append after the indexed data; a last record without a line break gets
        // one, so that it does not join the first appended line.
        const std::int64_t before = data_end_;
        bool ok = working_.Seek(before);
        if (ok && before > 0) {
            char last = 0;
            ok = working_.Seek(before - 1) && working_.Read(&last, 1) == 1 && working_.Seek(before);
            if (ok && last != '\n') ok = working_.Write("\r\n", 2);
        }
        ok = ok && working_.Truncate(working_.Tell());
        if (ok) {
            try {
                in.Seek(0);
                ProgressStepper progress(progress_, count);
                TextReader reader(in);
                TextWriter out(working_);
                Line line;
                std::int64_t number = 0, counter = 0;
                while (reader.Next(line)) {
                    if (++number < first) continue;
                    out.WriteRecord(line.text);
                    progress.Step(++counter);
                }
                ok = out.Flush() && !in.ReadFailed();
            } catch (const Cancelled&) {
                // As it was before this file.
                working_.Truncate(before);
                working_.Seek(before);
                throw;
            }
        }
        if (!ok) {
            // Leave the working file as it was before this file.
            working_.Truncate(before);
            working_.Seek(before);
            Message(kMsgCreateFailed, MsgStyle::Error, working_name_ + "\n");
            return false;
        }
        data_end_ = working_.Tell();
        forms_ = forms;
        source_size_ = -1;
        return true;
    });
}

namespace {

// Where a save goes (a link's target, not the link) and the permissions the
// saved file gets (those of the file it replaces); false when an existing
// target may not be written.
bool ResolveSaveTarget(fs::path& path, fs::perms& perms) {
    std::error_code ec;
    perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
            fs::perms::others_read;
    if (!fs::exists(path, ec)) return true;
    if (fs::is_symlink(fs::symlink_status(path, ec))) path = fs::canonical(path, ec);
    perms = fs::status(path, ec).permissions();
    File probe;
    return (perms & fs::perms::owner_write) != fs::perms::none && probe.Open(ToUtf8(path), "r+b");
}

// Creates a new file beside target (same folder, so it can replace target by
// renaming); its path goes to temp.
bool CreateBeside(const fs::path& target, fs::path& temp, File& out) {
    std::error_code ec;
    for (int attempt = 0; attempt < 100 && !out.IsOpen(); ++attempt) {
        temp = target;
        temp += ".Tes" + std::to_string(attempt) + ".tmp";
        if (!fs::exists(temp, ec) && out.Open(ToUtf8(temp), "wbx")) RecordTemp(ToUtf8(temp));
    }
    return out.IsOpen();
}

// Renames file over target (resolved as a save resolves it); false, with
// nothing changed, when target is not a plain file that may be replaced.
bool ReplaceByRename(const fs::path& file, const std::string& target) {
    fs::path path = ToPath(target);
    fs::perms perms;
    if (!ResolveSaveTarget(path, perms)) return false;
    std::error_code ec;
    const auto kind = FileStatus(ToUtf8(path), ec).type();
    if (kind != fs::file_type::not_found && kind != fs::file_type::regular) return false;
    fs::permissions(file, perms, ec);
    if (!File::Rename(ToUtf8(file), ToUtf8(path))) return false;  // fails across file systems
    ForgetTemp(ToUtf8(file));
    return true;
}

}  // namespace

std::string Document::PrepareSaveCopy(const std::string& source, const std::string& target) {
    // A stream has one reader: the load.
    std::error_code ec;
    if (!fs::is_regular_file(ToPath(source), ec)) return {};
    File in, out;
    fs::path temp;
    if (!in.Open(source, "rb") || !CreateBeside(ToPath(target), temp, out)) return {};
    const std::int64_t size = in.Size();
    const bool ok = CopyRange(in, 0, size, out);
    out.Close();
    if (!ok) RemoveTemp(ToUtf8(temp));
    return ok ? ToUtf8(temp) : std::string{};
}

bool Document::SaveFromCopy(const std::string& copy, const std::string& target, Encoding as) {
    // The copy is the saved form only when the document is that file exactly,
    // in the same encoding (a UTF-8 file converts back to its own bytes).
    if (!IsOpen() || !canonical_ || ToPath(copy).empty() || as != encoding_) return false;
    const std::int64_t size = IsUtf8(as) ? source_size_ : data_end_;
    std::error_code ec;
    if (static_cast<std::int64_t>(fs::file_size(ToPath(copy), ec)) != size || ec) return false;
    return ReplaceByRename(ToPath(copy), target);
}

bool Document::SaveDocument(const std::string& target, bool as_new, std::optional<Encoding> as) {
    return Cancellable([&] {
        const Encoding encoding = as.value_or(encoding_);
        std::error_code ec;
        fs::path path = ToPath(target);
        if (as_new && fs::exists(path, ec) &&
            Message(kMsgOverwriteExisting, MsgStyle::Question) != kIdYes)
            return false;
        auto refuse = [&] {
            Message(kMsgCreateFailed, MsgStyle::Error, target + "\n");
            return false;
        };
        fs::perms perms;
        if (!ResolveSaveTarget(path, perms)) return refuse();
        const auto kind = FileStatus(ToUtf8(path), ec).type();
        if (kind == fs::file_type::directory) return refuse();
        if (kind != fs::file_type::not_found && kind != fs::file_type::regular) {
            // A device or a pipe holds no file to protect, and must never be
            // replaced by one: write into it.
            File device;
            std::int64_t unmapped = 0;
            if (!device.Open(ToUtf8(path), "wb") || !WriteAllRecords(device, encoding, &unmapped))
                return unmapped ? RefuseUnmapped(target, unmapped) : refuse();
            if (working_writable_) working_.SeekEnd();
            return true;
        }
        // Write beside the target and replace it only once the whole file is
        // written, so a failure never destroys the user's file.
        fs::path temp;
        File out;
        if (!CreateBeside(path, temp, out)) return refuse();
        std::int64_t unmapped = 0;
        bool ok = false;
        try {
            ok = WriteAllRecords(out, encoding, &unmapped);
        } catch (const Cancelled&) {
            out.Close();
            RemoveTemp(ToUtf8(temp));
            throw;
        }
        out.Close();
        if (unmapped) {
            RemoveTemp(ToUtf8(temp));
            return RefuseUnmapped(target, unmapped);
        }
#ifdef _WIN32
        // Windows replaces no open file, and a document read in place reads the
        // target itself: it lets go of it for the rename, then reads the saved
        // file, which holds the same records.
        const bool reads_target =
            ok && !working_name_.empty() && fs::equivalent(ToPath(working_name_), path, ec);
        if (reads_target) working_.Close();
#endif
        if (ok) {
            fs::permissions(temp, perms, ec);
            ok = File::Rename(ToUtf8(temp), ToUtf8(path));
        }
#ifdef _WIN32
        if (reads_target && working_.Open(working_name_, working_writable_ ? "r+b" : "rb") && ok &&
            !canonical_)
            BuildRecordIndex();
#endif
        if (!ok) {
            RemoveTemp(ToUtf8(temp));
            return refuse();
        }
        ForgetTemp(ToUtf8(temp));
        if (working_writable_) working_.SeekEnd();
        if (as_new) Message(kMsgSaved, MsgStyle::Info);
        return true;
    });
}

bool Document::MoveWorkingFileTo(const std::string& target, Encoding as) {
    // Only a temporary file of ours already in the saved form can simply
    // become the target; anything else is saved by copying.
    if (!IsOpen() || !canonical_ || IsUtf8(as) || owned_temps_.count(working_name_) == 0)
        return false;
    working_.Close();
    if (!ReplaceByRename(ToPath(working_name_), target)) {
        working_.Open(working_name_, "r+b");
        return false;
    }
    owned_temps_.erase(working_name_);
    working_name_.clear();
    CloseFiles();
    return true;
}

bool Document::RefuseUnmapped(const std::string& target, std::int64_t line) {
    Message(kMsgNoUtf8Form, MsgStyle::Error, target + "\n" + std::to_string(line) + "行目\n");
    return false;
}

bool Document::Save() {
    if (!IsOpen() || !modified_) return true;
    if (!SaveDocument(current_name_, false)) return false;
    SetModified(false);
    return true;
}

bool Document::SaveAs(const std::string& path, std::optional<Encoding> as) {
    if (!IsOpen() || !SaveDocument(path, true, as)) return false;
    encoding_ = as.value_or(encoding_);
    current_name_ = path;
    view_.UpdateTitle();
    SetModified(false);
    view_.AddRecentFile(path);
    return true;
}

bool Document::CloseDocument() {
    if (modified_) {
        const int answer = Message(kMsgSaveChanges, MsgStyle::QuestionCancel);
        if (answer == kIdCancel) return false;
        // A failed save keeps the document open: nothing is discarded.
        if (answer == kIdYes && !SaveDocument(current_name_, false)) return false;
    }
    CloseFiles();
    ClearHistory(false);
    DiscardTemp(prev_working_name_);
    DiscardTemp(prev_index_name_);
    DiscardTemp(working_name_);
    DiscardTemp(index_name_);
    DiscardTemp(output_name_);
    working_name_.clear();
    index_name_.clear();
    stats_ = Statistics{};
    data_end_ = 0;
    canonical_ = false;
    modified_ = false;
    encoding_ = Encoding::ShiftJis;
    forms_ = VariantForms{};
    source_size_ = -1;
    SetSplitMode(false);
    current_name_.clear();
    NoteRecovery();
    view_.UpdateTitle();
    view_state_.top_record = RecordIndex{0};
    view_state_.top_offset = ByteOffset{0};
    view_.ClearView();
    return true;
}

}  // namespace tesmora
