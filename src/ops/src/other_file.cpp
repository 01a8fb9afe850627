// The other file: the text check, the preview and an open-addressing hash
// index, so that a run reads each file once instead of the other file once
// per record.
#include "tesmora/ops/other_file.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "tesmora/document/encoding.h"
#include "tesmora/document/paths.h"
#include "tesmora/document/text.h"
#include "tesmora/document/text_stream.h"

namespace tesmora {

bool OpenOtherFile(Document& doc, const std::string& path, File& file, std::int64_t limit) {
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(ToPath(path), ec);
    EncodingFault fault;
    if (folder || !OpenAsCp932(path, file, fault, limit)) {
        if (fault.message)
            doc.Message(fault.message, MsgStyle::Error, fault.Prefix(path));
        else
            doc.Message(kMsgOpenFailed);
        return false;
    }
    for (char ch : ReadTextPrefix(file, kMaxLineLength)) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') {
            file.Close();
            doc.Message(kMsgOpenFailed);
            return false;
        }
    }
    return true;
}

int CountColumns(File& file) {
    file.Seek(0);
    int count = 0;
    {
        TextReader reader(file);
        Line line;
        for (int i = 0; i < 3 && reader.Next(line); ++i) count = CountFields(line.text);
    }
    file.Seek(0);
    return count;
}

std::vector<std::string> ReadRecords(File& file, int count) {
    std::vector<std::string> records;
    file.Seek(0);
    {
        TextReader reader(file);
        Line line;
        while (static_cast<int>(records.size()) < count && reader.Next(line))
            records.emplace_back(line.text);
    }
    file.Seek(0);
    return records;
}

namespace {

// Keys are short field values: mixed eight bytes at a time, not a byte at a
// time, since every record of the pass looks one up. Never 0, which marks a
// free slot.
std::uint32_t Hash(std::string_view key) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ key.size();
    const char* p = key.data();
    std::size_t n = key.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    }
    if (n > 0) {
        std::uint64_t v = 0;
        std::memcpy(&v, p, n);
        h = (h ^ v) * 0x94D049BB133111EBull;
    }
    h = (h ^ (h >> 29)) * 0xBF58476D1CE4E5B9ull;
    const auto folded = static_cast<std::uint32_t>(h ^ (h >> 32));
    return folded ? folded : 1u;
}

}  // namespace

OtherFileIndex::Slot* OtherFileIndex::Probe(std::string_view key, std::uint32_t hash) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& s = slots_[i];
        if (s.hash == 0) return &s;
        if (s.hash == hash && s.key_size == key.size() &&
            std::string_view(arena_.data() + s.at, s.key_size) == key)
            return &s;
    }
}

void OtherFileIndex::Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{});
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.hash == 0) continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].hash != 0) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

bool OtherFileIndex::Load(Document& doc, const std::string& path, bool value_is_record,
                          const Entry& entry) {
    if (!OpenOtherFile(doc, path, own_)) return false;
    if (Build(own_, value_is_record, entry)) return true;
    doc.Message(kMsgOpenFailed);
    return false;
}

bool OtherFileIndex::Build(File& file, bool value_is_record, const Entry& entry,
                           std::int64_t held_bytes) {
    file_ = &file;
    values_in_file_ = value_is_record && file.Size() > held_bytes;
    slots_.clear();
    arena_.clear();
    count_ = 0;
    Grow();
    if (!file.Seek(0)) return false;
    TextReader reader(file);
    Line line;
    std::string key;
    std::int64_t at = 0;  // file offset of the record
    while (reader.Next(line)) {
        const std::int64_t record_at = at;
        at += line.physical;
        std::string_view value;
        key.clear();
        entry(line.text, key, value);
        // At most three quarters full, so a probe ends soon.
        if (4 * (count_ + 1) > 3 * slots_.size()) Grow();
        const std::uint32_t hash = Hash(key);
        Slot* s = Probe(key, hash);
        if (s->hash != 0) continue;  // the first record of a key wins
        s->hash = hash;
        s->key_size = static_cast<std::uint32_t>(key.size());
        s->value_size = static_cast<std::uint32_t>(value.size());
        s->at = arena_.size();
        arena_.insert(arena_.end(), key.begin(), key.end());
        if (values_in_file_) {
            const auto* offset = reinterpret_cast<const char*>(&record_at);
            arena_.insert(arena_.end(), offset, offset + sizeof record_at);
        } else {
            arena_.insert(arena_.end(), value.begin(), value.end());
        }
        ++count_;
    }
    return true;
}

bool OtherFileIndex::Find(std::string_view key, std::string_view& value, std::string& scratch) {
    const Slot* s = Probe(key, Hash(key));
    if (s->hash == 0) return false;
    const char* after_key = arena_.data() + s->at + s->key_size;
    if (!values_in_file_) {
        value = std::string_view(after_key, s->value_size);
        return true;
    }
    std::int64_t record_at = 0;
    std::memcpy(&record_at, after_key, sizeof record_at);
    scratch.resize(s->value_size);
    if (!file_->Seek(record_at) || file_->Read(scratch.data(), scratch.size()) != scratch.size())
        return false;
    value = scratch;
    return true;
}

}  // namespace tesmora
