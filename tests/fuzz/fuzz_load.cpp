// Loading a file: the text check, the record index and the limits against a
// reference reading of the same bytes; the index built from written pieces
// against the reading pass; the saved form.
#include <filesystem>
#include <fstream>

#include "fuzz_support.h"
#include "tesmora/document/document.h"
#include "tesmora/document/record_index.h"

using namespace tesmora;
using namespace tesmora::fuzz;

namespace {

struct Reference {
    bool text_ok = true;
    bool within_limits = true;
    std::vector<std::string_view> records;
    std::vector<int> line_lengths;
    std::vector<int> field_counts;
};

Reference Read(std::string_view bytes) {
    Reference r;
    // The check: the first 5,000 bytes as a text stream.
    std::string head;
    for (std::size_t i = 0; i < bytes.size() && head.size() < 5000; ++i) {
        if (bytes[i] == 0x1A) break;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        head.push_back(bytes[i]);
    }
    bool has_break = false;
    for (char ch : head) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r' || c == '\n') has_break = true;
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') r.text_ok = false;
    }
    if (!has_break) r.text_ok = false;
    // Records: LF ends one (a CR before it goes), 0x1A ends the data.
    std::string_view data = bytes.substr(0, std::min(bytes.find('\x1A'), bytes.size()));
    while (!data.empty()) {
        const std::size_t lf = data.find('\n');
        std::string_view rec = data.substr(0, lf);
        const bool has_lf = lf != std::string_view::npos;
        if (has_lf && !rec.empty() && rec.back() == '\r') rec.remove_suffix(1);
        r.records.push_back(rec);
        r.line_lengths.push_back(static_cast<int>(rec.size()) + (has_lf ? 2 : 1));
        r.field_counts.push_back(CountFields(rec));
        if (r.line_lengths.back() > kMaxLineLength || r.field_counts.back() > kMaxFields)
            r.within_limits = false;
        data.remove_prefix(has_lf ? lf + 1 : data.size());
    }
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = ScratchFolder() + "/in.txt";
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const Reference ref = Read(bytes);
    NullMessages messages;
    NullProgress progress;
    MemorySettings settings;
    IViewSink view;
    {
        Document doc(messages, progress, settings, view);
        // The reference reads code page 932 bytes (UTF-8 has its own target).
        LoadOptions options;
        options.encoding = Encoding::ShiftJis;
        const bool loaded = doc.LoadWorkingFile(path, LoadMode::InPlace, options);
        FUZZ_CHECK(loaded == (ref.text_ok && ref.within_limits), bytes);
        if (loaded) {
            const Statistics& s = doc.Stats();
            FUZZ_CHECK(s.records == static_cast<std::int64_t>(ref.records.size()));
            if (!ref.records.empty()) {
                FUZZ_CHECK(s.longest_line ==
                           *std::max_element(ref.line_lengths.begin(), ref.line_lengths.end()));
                FUZZ_CHECK(s.shortest_line ==
                           *std::min_element(ref.line_lengths.begin(), ref.line_lengths.end()));
                FUZZ_CHECK(s.most_fields ==
                           *std::max_element(ref.field_counts.begin(), ref.field_counts.end()));
                FUZZ_CHECK(s.fewest_fields ==
                           *std::min_element(ref.field_counts.begin(), ref.field_counts.end()));
            }
            for (std::size_t k = 0; k < ref.records.size(); ++k) {
                TextReader reader = doc.Records(RecordIndex{static_cast<std::int64_t>(k)});
                Line line;
                FUZZ_CHECK(reader.Next(line) && line.text == ref.records[k], bytes);
            }
            // The saved form: every record with CR LF.
            const std::string saved_path = ScratchFolder() + "/saved.txt";
            {
                File out;
                FUZZ_CHECK(out.Open(saved_path, "wb") && doc.WriteAllRecords(out));
            }
            std::string want;
            for (std::string_view r : ref.records) (want += r) += "\r\n";
            std::ifstream saved(saved_path, std::ios::binary);
            const std::string got((std::istreambuf_iterator<char>(saved)), {});
            FUZZ_CHECK(got == want, bytes);
        }
    }
    // The index an operation builds from the pieces it writes equals a
    // reading pass over the same bytes, however they are cut.
    if (bytes.find('\x1A') == std::string_view::npos && ref.within_limits) {
        File index;
        FUZZ_CHECK(index.Open(ScratchFolder() + "/index.bin", "w+b"));
        IndexBuilder fed(index);
        std::size_t at = 0, step = 1 + (size ? data[0] % 7 : 0);
        while (at < bytes.size()) {
            fed.Feed(bytes.substr(at, step));
            at += step;
            step = step % 5 + 1;
        }
        FUZZ_CHECK(fed.Finish());
        FUZZ_CHECK(fed.failure() == 0);
        FUZZ_CHECK(fed.stats().records == static_cast<std::int64_t>(ref.records.size()));
        FUZZ_CHECK(fed.offset() == static_cast<std::int64_t>(bytes.size()));
        std::int64_t offset = 0;
        std::string_view rest = bytes;
        for (std::size_t k = 0; k < ref.records.size(); ++k) {
            const std::size_t lf = rest.find('\n');
            const std::size_t n = lf == std::string_view::npos ? rest.size() : lf + 1;
            offset += static_cast<std::int64_t>(n);
            rest.remove_prefix(n);
            FUZZ_CHECK(ReadIndexEntry(index, static_cast<std::int64_t>(k)) == offset);
        }
    }
    return 0;
}
