#include "tesmora/ops/operations.h"

#include <algorithm>
#include <array>
#include <string>
#include <type_traits>

#include "tesmora/document/encoding.h"

namespace tesmora {
namespace {

std::string Num(FieldIndex f) {
    return std::to_string(f.value);
}

// Request text is code page 932; arguments are UTF-8.
std::string Utf8(const std::string& cp932) {
    return Cp932ToUtf8(cp932).value_or(cp932);
}

template <typename Request>
const Request& As(const AnyRequest& r) {
    return std::get<Request>(r);
}

// ---- printers: the options that parse back to the request ----

Words PrintSort(const AnyRequest& any) {
    const auto& r = As<SortRequest>(any);
    Words w{"--key", Num(r.key_field)};
    if (r.descending) w.push_back("--desc");
    return w;
}

Words PrintDuplicates(const AnyRequest& any) {
    const auto& r = As<DuplicateRequest>(any);
    Words w{"--key", Num(r.key_field), "--mode", std::to_string(static_cast<int>(r.mode))};
    if (r.remove_spaces) w.push_back("--ignore-spaces");
    return w;
}

Words PrintLineDelete(const AnyRequest& any) {
    const auto& r = As<LineDeleteRequest>(any);
    Words w{"--from", Num(r.first), "--to", Num(r.last), "--word1", Utf8(r.word1)};
    if (!r.word2.empty()) w.insert(w.end(), {"--word2", Utf8(r.word2)});
    if (!r.use_or) w.push_back("--and");
    w.push_back(r.keep_matching ? "--keep-matching" : "--delete-matching");
    return w;
}

Words PrintRecordLength(const AnyRequest& any) {
    const auto& r = As<RecordLengthRequest>(any);
    if (!r.given_length) return {"--longest"};
    return {"--length", std::to_string(r.length)};
}

Words PrintFieldLength(const AnyRequest& any) {
    const auto& r = As<FieldLengthRequest>(any);
    Words w{"--field", Num(r.key_field), "--length", std::to_string(r.length)};
    if (r.keep_end) w.push_back("--keep-end");
    if (r.use_fill) w.insert(w.end(), {"--fill", Utf8(r.fill_text)});
    return w;
}

Words PrintCsvToTxt(const AnyRequest& any) {
    const auto& r = As<CsvToTxtRequest>(any);
    switch (r.mode) {
        case CommaMode::Delete:
            return {"--delete-commas"};
        case CommaMode::Keep:
            return {"--keep-commas"};
        case CommaMode::Replace:
            break;
    }
    return {"--separator", Utf8(r.text)};
}

Words PrintTxtToCsv(const AnyRequest& any) {
    const auto& r = As<TxtToCsvRequest>(any);
    std::string list;
    for (int c : r.positions) {
        if (!list.empty()) list += ',';
        list += std::to_string(c);
    }
    Words w{"--splits", list};
    if (!r.trim) w.push_back("--no-trim");
    return w;
}

Words PrintReplace(const AnyRequest& any) {
    const auto& s = As<ReplaceStep>(any);
    Words w{"--pairs", s.pairs, "--from", Num(s.request.first), "--to", Num(s.request.last)};
    if (s.request.only_one) w.push_back("--once");
    if (s.swap_order) w.push_back("--swap-order");
    return w;
}

Words PrintTailAdd(const AnyRequest& any) {
    const auto& r = As<TailAddRequest>(any);
    Words w{"--key", Num(r.key_field), "--other", r.other, "--other-key", Num(r.other_key_field)};
    if (r.remove_spaces) w.push_back("--ignore-spaces");
    return w;
}

Words PrintLookup(const AnyRequest& any) {
    const auto& r = As<LookupRequest>(any);
    return {"--target",  Num(r.target),  "--other",   r.other,
            "--compare", Num(r.compare), "--replace", Num(r.replacement)};
}

Words PrintFieldDelete(const AnyRequest& any) {
    const auto& r = As<FieldDeleteRequest>(any);
    if (r.first == r.last) return {"--field", Num(r.first)};
    return {"--from", Num(r.first), "--to", Num(r.last)};
}

Words PrintFieldPaste(const AnyRequest& any) {
    const auto& r = As<FieldPasteRequest>(any);
    const char* side = r.side == PasteSide::Over   ? "over"
                       : r.side == PasteSide::Left ? "left"
                                                   : "right";
    return {r.cut ? "--cut" : "--copy", Num(r.source), "--target", Num(r.target), "--side", side};
}

template <typename Request, Request (*From)(const Args&)>
AnyRequest Parse(const Args& args) {
    return From(args);
}

template <typename Request, std::size_t I = 0>
constexpr std::size_t IndexOf() {
    if constexpr (std::is_same_v<std::variant_alternative_t<I, AnyRequest>, Request>)
        return I;
    else
        return IndexOf<Request, I + 1>();
}

// In the ribbon's order, which --help follows too.
constexpr Operation kOperations[] = {
    {"csv_to_txt", "csv2txt", ID_CSV_TO_TXT, kCsvToTxtSection, "csv_to_txt",
     "comma-separated records to fixed-width text",
     "usage: tesmora-cli csv2txt (--delete-commas | --keep-commas | --separator TEXT)\n"
     "                           INPUT... -o OUTPUT\n"
     "  Pads every field with half-width spaces to the longest value (in bytes) its\n"
     "  position has in the file; missing fields become spaces.\n"
     "  --delete-commas    join the padded fields directly\n"
     "  --keep-commas      keep a comma between them\n"
     "  --separator TEXT   put TEXT between them (not empty)\n",
     IndexOf<CsvToTxtRequest>(), Parse<CsvToTxtRequest, CsvToTxtRequestFrom>, PrintCsvToTxt},
    {"txt_to_csv", "txt2csv", ID_TXT_TO_CSV, kTxtToCsvSection, "txt_to_csv",
     "fixed-width text to comma-separated records at split columns",
     "usage: tesmora-cli txt2csv --splits C1,C2,... [--no-trim] INPUT... -o OUTPUT\n"
     "  Cuts every record after its first C bytes for each column C (in any order)\n"
     "  and joins the pieces with commas: every record gets one field more than\n"
     "  there are columns. Cuts fall at bytes, so a double-byte character may be\n"
     "  divided between two fields.\n"
     "  --splits C1,C2     the split columns, 1 to 4998\n"
     "  --no-trim          keep the trailing half-width and full-width spaces of\n"
     "                     each piece (removed by default)\n",
     IndexOf<TxtToCsvRequest>(), Parse<TxtToCsvRequest, TxtToCsvRequestFrom>, PrintTxtToCsv},
    {"sort", "sort", ID_SORT_SHORI, kSortSection, "sort", "sort the records by a key field",
     "usage: tesmora-cli sort --key K [--desc] INPUT... -o OUTPUT\n"
     "  Orders the records by the bytes of field K (0-based): \"10\" sorts before \"9\",\n"
     "  only the first 99 bytes of a key count, a missing field is an empty key.\n"
     "  Records with equal keys keep their order.\n"
     "  --key K            the key field\n"
     "  --desc             descending order\n",
     IndexOf<SortRequest>(), Parse<SortRequest, SortRequestFrom>, PrintSort},
    {"duplicates", "dedupe", ID_JUUFUKU_SHORI, kDuplicateSection, "duplicates",
     "keep or drop records whose key field repeats the record before",
     "usage: tesmora-cli dedupe --key K --mode 0|1|2|3 [--ignore-spaces] INPUT... -o OUTPUT\n"
     "  A record repeats when its field K equals that of the record before it and\n"
     "  is not empty (sort by field K first). A record with an empty key never\n"
     "  repeats and is never repeated.\n"
     "  --key K            the key field (0-based)\n"
     "  --mode 0           keep the first record of every run\n"
     "  --mode 1           keep only the records that do not repeat\n"
     "  --mode 2           keep the first record of every run that repeats\n"
     "  --mode 3           keep every record of every run that repeats\n"
     "  --ignore-spaces    compare keys without half-width and full-width spaces\n",
     IndexOf<DuplicateRequest>(), Parse<DuplicateRequest, DuplicateRequestFrom>, PrintDuplicates},
    {"line_delete", "delete", ID_JOUKEN_SHORI, kLineDeleteSection, "line_delete",
     "delete the records whose fields do, or do not, contain words",
     "usage: tesmora-cli delete --from S --to E --word1 W [--word2 W] [--and|--or]\n"
     "                          (--delete-matching|--keep-matching) INPUT... -o OUTPUT\n"
     "  A record matches when its fields S to E (0-based) contain word 1 and/or\n"
     "  word 2. Each field is searched on its own: a word never spans two fields\n"
     "  and never starts inside a double-byte character. Case-sensitive.\n"
     "  --from S --to E    the range of fields\n"
     "  --word1 W          the word (required, not empty)\n"
     "  --word2 W          a second word; without it only word 1 counts\n"
     "  --and | --or       both words, or either (default --or)\n"
     "  --delete-matching  delete the records that match\n"
     "  --keep-matching    delete the records that do not match\n",
     IndexOf<LineDeleteRequest>(), Parse<LineDeleteRequest, LineDeleteRequestFrom>,
     PrintLineDelete},
    {"record_length", "reclen", ID_LINE_SHORI, kRecordLengthSection, "record_length",
     "pad or cut every record to the longest or a given length",
     "usage: tesmora-cli reclen (--longest | --length L) INPUT... -o OUTPUT\n"
     "  --longest          pad every record with half-width spaces to the length of\n"
     "                     the longest record (refused when all records have it)\n"
     "  --length L         pad or cut every record to L bytes, 1 to 4998; a cut never\n"
     "                     leaves half a double-byte character (a space takes its place)\n",
     IndexOf<RecordLengthRequest>(), Parse<RecordLengthRequest, RecordLengthRequestFrom>,
     PrintRecordLength},
    {"field_length", "fieldlen", ID_FIELD_LEN_SHORI, kFieldLengthSection, "field_length",
     "pad or cut one field of every record to a given length",
     "usage: tesmora-cli fieldlen --field K --length L [--keep-end] [--fill C] INPUT... -o OUTPUT\n"
     "  --field K          the field (0-based); records without it are left as they are\n"
     "  --length L         the new length in bytes, 1 to 100\n"
     "  --keep-end         keep the end of the field: cut and pad at its beginning\n"
     "  --fill C           the padding character: one single-byte character, not a\n"
     "                     comma (default a half-width space)\n"
     "  A cut never leaves half a double-byte character (a fill byte takes its place).\n",
     IndexOf<FieldLengthRequest>(), Parse<FieldLengthRequest, FieldLengthRequestFrom>,
     PrintFieldLength},
    {"tail_add", "tailadd", ID_FIELD_JOIN_SHORI, kTailAddSection, "tail_add",
     "append the first matching record of another file",
     "usage: tesmora-cli tailadd --key K --other FILE --other-key K2 [--ignore-spaces]\n"
     "                           INPUT... -o OUTPUT\n"
     "  Appends to every record a comma and the first record of FILE whose field K2\n"
     "  equals the record's field K (both 0-based); records without a match are\n"
     "  written as they are, and so are those whose match is an empty record.\n"
     "  --key K            the key field of the INPUT records\n"
     "  --other FILE       the other file (comma-separated text)\n"
     "  --other-key K2     the key field of FILE's records\n"
     "  --ignore-spaces    compare keys without full-width and half-width spaces\n"
     "                     (the appended record keeps its own)\n",
     IndexOf<TailAddRequest>(), Parse<TailAddRequest, TailAddRequestFrom>, PrintTailAdd},
    {"lookup", "lookup", ID_CODE_SHORI, kLookupSection, "lookup",
     "replace a field by the value found for it in another file",
     "usage: tesmora-cli lookup --target T --other FILE --compare C --replace R\n"
     "                          INPUT... -o OUTPUT\n"
     "  Field T of every record is looked up in field C of FILE's records and, at\n"
     "  the first one that has it (bytes compared exactly, spaces included),\n"
     "  replaced by that record's field R (empty when it has none). Values without\n"
     "  a match stay as they are. All field numbers are 0-based.\n"
     "  --target T         the field of the INPUT records to replace\n"
     "  --other FILE       the code table (comma-separated text)\n"
     "  --compare C        its field compared with field T\n"
     "  --replace R        its field that replaces field T (not C)\n",
     IndexOf<LookupRequest>(), Parse<LookupRequest, LookupRequestFrom>, PrintLookup},
    {"replace", "replace", ID_MULTI_SHORI, kReplaceSection, "replace",
     "replace many strings at once within a range of fields",
     "usage: tesmora-cli replace --pairs FILE.cng --from S --to E [--once] [--swap-order]\n"
     "                           INPUT... -o OUTPUT\n"
     "  Applies the pairs of a replacement set (one pair a line: before, byte 0x14,\n"
     "  after) in their order to the fields S to E (0-based) of every record: each\n"
     "  pair replaces every occurrence of its before-string, left to right, starting\n"
     "  only at a character boundary; later pairs work on the result of earlier ones.\n"
     "  At most 1,000 pairs; no empty or repeated before-string, no comma after.\n"
     "  When a later before-string contains an earlier one, the question whether to\n"
     "  exchange the two pairs is answered No unless --swap-order is given.\n"
     "  --pairs FILE.cng  the replacement set (the name must end in .cng)\n"
     "  --from S --to E   the range of fields\n"
     "  --once            a field stops at the first pair that changes it\n"
     "  --swap-order      answer Yes to the order question (exchange the pairs)\n",
     IndexOf<ReplaceStep>(), Parse<ReplaceStep, ReplaceStepFrom>, PrintReplace},
    {"field_delete", "field-delete", 0, "", "",
     "delete one field, or the fields S..E, in every record",
     "usage: tesmora-cli field-delete (--field K | --from S --to E) INPUT... -o OUTPUT\n"
     "  --field K          delete field K (0-based)\n"
     "  --from S --to E    delete fields S to E inclusive (S <= E)\n"
     "  A record without field K (or without field S) is written unchanged.\n",
     IndexOf<FieldDeleteRequest>(), Parse<FieldDeleteRequest, FieldDeleteRequestFrom>,
     PrintFieldDelete},
    {"field_paste", "field-paste", 0, "", "",
     "paste field K of each record over, left or right of field T",
     "usage: tesmora-cli field-paste (--copy K | --cut K) --target T --side over|left|right\n"
     "                               INPUT... -o OUTPUT\n"
     "  --copy K           paste field K; it also stays where it is\n"
     "  --cut K            paste field K; it leaves its own place\n"
     "  --target T         the field pasted over, or beside\n"
     "  --side SIDE        over (replace field T), left or right (insert beside it)\n"
     "  A record without field T is written unchanged; a record without field K\n"
     "  gets an empty field at the paste place.\n",
     IndexOf<FieldPasteRequest>(), Parse<FieldPasteRequest, FieldPasteRequestFrom>,
     PrintFieldPaste},
};

// Answers the order question of the pairs as the step says.
class FixedAnswer : public IMessageSink {
  public:
    explicit FixedAnswer(int answer) : answer_(answer) {}
    int Show(int, const std::string&, MsgStyle) override { return answer_; }

  private:
    int answer_;
};

}  // namespace

std::span<const Operation> Operations() {
    return kOperations;
}

const Operation* FindOperation(std::string_view command) {
    for (const Operation& op : kOperations)
        if (command == op.command) return &op;
    return nullptr;
}

const Operation* FindOperationById(int command_id) {
    for (const Operation& op : kOperations)
        if (command_id != 0 && op.command_id == command_id) return &op;
    return nullptr;
}

const Operation& OperationOf(const AnyRequest& request) {
    for (const Operation& op : kOperations)
        if (op.request_index == request.index()) return op;
    // Every alternative has its row (a test keeps it so).
    return kOperations[0];
}

Words StepWords(const AnyRequest& request) {
    const Operation& op = OperationOf(request);
    Words w{op.command};
    for (std::string& option : op.print(request)) w.push_back(std::move(option));
    return w;
}

AnyRequest ParseStep(const Operation& op, const Words& options) {
    const Args args = ParseArguments(op.usage, options);
    if (!args.inputs.empty()) throw UsageError{"unexpected word '" + args.inputs[0] + "'"};
    if (args.output) throw UsageError{"-o has no place in a step"};
    return op.parse(args);
}

Validation LoadStepFiles(AnyRequest& request) {
    auto* step = std::get_if<ReplaceStep>(&request);
    if (!step || !step->request.before_list.empty() || !step->request.after_list.empty()) return {};
    return LoadReplacementSet(step->pairs, step->request.before_list, step->request.after_list);
}

bool RunStep(Document& doc, AnyRequest request) {
    if (!ReportValidation(doc, LoadStepFiles(request))) return false;
    const bool committed = std::visit(
        [&doc](const auto& r) -> bool {
            using R = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<R, SortRequest>) return RunSort(doc, r);
            if constexpr (std::is_same_v<R, DuplicateRequest>) return RunDuplicates(doc, r);
            if constexpr (std::is_same_v<R, LineDeleteRequest>) return RunLineDelete(doc, r);
            if constexpr (std::is_same_v<R, RecordLengthRequest>) return RunRecordLength(doc, r);
            if constexpr (std::is_same_v<R, FieldLengthRequest>) return RunFieldLength(doc, r);
            if constexpr (std::is_same_v<R, CsvToTxtRequest>) return RunCsvToTxt(doc, r);
            if constexpr (std::is_same_v<R, TxtToCsvRequest>) return RunTxtToCsv(doc, r);
            if constexpr (std::is_same_v<R, TailAddRequest>) return RunTailAdd(doc, r);
            if constexpr (std::is_same_v<R, LookupRequest>) return RunLookup(doc, r);
            if constexpr (std::is_same_v<R, FieldDeleteRequest>) return RunFieldDelete(doc, r);
            if constexpr (std::is_same_v<R, FieldPasteRequest>) return RunFieldPaste(doc, r);
            if constexpr (std::is_same_v<R, ReplaceStep>) {
                if (!doc.IsOpen()) return false;
                FixedAnswer answer(r.swap_order ? kIdYes : kIdNo);
                ReplacementPairs pairs;
                if (!ReportValidation(doc, ValidatePairs(r.request, answer, &pairs))) return false;
                return RunReplace(doc, r.request, pairs);
            }
        },
        request);
    if (committed) RecordStep(doc, request);
    return committed;
}

void RecordStep(Document& doc, const AnyRequest& request) {
    HistoryStep step{StepWords(request), -1, {}, 0};
    const auto* replace = std::get_if<ReplaceStep>(&request);
    if (replace && replace->pairs.empty()) {
        // The lists pair line by line, as a .cng file holds them.
        const std::string& b = replace->request.before_list;
        const std::string& a = replace->request.after_list;
        std::size_t i = 0, j = 0;
        while (i < b.size() || j < a.size()) {
            std::size_t ei = std::min(b.find('\n', i), b.size());
            std::size_t ej = std::min(a.find('\n', j), a.size());
            std::string before = b.substr(i, ei - i), after = a.substr(j, ej - j);
            if (!before.empty() && before.back() == '\r') before.pop_back();
            if (!after.empty() && after.back() == '\r') after.pop_back();
            if (!before.empty() || !after.empty()) step.pairs += before + '\x14' + after + "\r\n";
            i = ei + 1;
            j = ej + 1;
        }
    }
    doc.RecordStep(std::move(step));
}

bool PairsSwapped(const ReplaceRequest& r, const ReplacementPairs& validated) {
    FixedAnswer keep(kIdNo);
    ReplacementPairs listed;
    ValidatePairs(r, keep, &listed);
    return listed.before != validated.before;
}

SortRequest SortRequestFrom(const Args& args) {
    SortRequest r;
    r.key_field = args.Field("key");
    r.descending = args.Has("desc");
    return r;
}

DuplicateRequest DuplicateRequestFrom(const Args& args) {
    DuplicateRequest r;
    r.key_field = args.Field("key");
    const int mode = args.Int("mode");
    if (mode < 0 || mode > 3) throw UsageError{"--mode takes 0, 1, 2 or 3"};
    r.mode = static_cast<DuplicateMode>(mode);
    r.remove_spaces = args.Has("ignore-spaces");
    return r;
}

LineDeleteRequest LineDeleteRequestFrom(const Args& args) {
    LineDeleteRequest r;
    r.first = FieldIndex{args.Int("from")};
    r.last = FieldIndex{args.Int("to")};
    if (r.first.value < 0 || r.last < r.first) throw UsageError{"--from and --to take 0 <= S <= E"};
    r.word1 = args.Cp932("word1");
    r.word2 = args.Cp932("word2", std::string());
    if (args.Has("and") && args.Has("or")) throw UsageError{"give --and or --or, not both"};
    r.use_or = !args.Has("and");
    r.keep_matching = args.OneOf({"delete-matching", "keep-matching"}) == "keep-matching";
    return r;
}

RecordLengthRequest RecordLengthRequestFrom(const Args& args) {
    if (args.Has("longest") == args.Value("length").has_value())
        throw UsageError{"give one of --longest and --length L"};
    RecordLengthRequest r;
    r.given_length = !args.Has("longest");
    if (r.given_length) {
        r.length = args.Int("length");
        if (r.length < kMinRecordLength || r.length > kMaxRecordLength)
            throw UsageError{"--length takes 1 to 4998"};
    }

    return r;
}

FieldLengthRequest FieldLengthRequestFrom(const Args& args) {
    FieldLengthRequest r;
    r.key_field = args.Field("field");
    r.length = args.Int("length");
    // The range is the request's own rule; here it is a usage error.
    if (ValidateFieldLength(r).message == kMsgFieldLengthRange)
        throw UsageError{"--length takes 1 to 100"};
    r.keep_end = args.Has("keep-end");
    r.use_fill = args.Value("fill").has_value();
    if (r.use_fill) r.fill_text = args.Cp932("fill");
    return r;
}

CsvToTxtRequest CsvToTxtRequestFrom(const Args& args) {
    CsvToTxtRequest r;
    const bool separator = args.Value("separator").has_value();
    const int given = (args.Has("delete-commas") ? 1 : 0) + (args.Has("keep-commas") ? 1 : 0) +
                      (separator ? 1 : 0);
    if (given != 1)
        throw UsageError{"give one of --delete-commas, --keep-commas, --separator TEXT"};
    if (separator) {
        r.mode = CommaMode::Replace;
        r.text = args.Cp932("separator");
        // A line break would split every record in two.
        if (r.text.find_first_of("\r\n\x1A") != std::string::npos)
            throw UsageError{"--separator must not hold a line break"};
    } else {
        r.mode = args.Has("delete-commas") ? CommaMode::Delete : CommaMode::Keep;
    }

    return r;
}

TxtToCsvRequest TxtToCsvRequestFrom(const Args& args) {
    TxtToCsvRequest r;
    const std::string list = args.Text("splits");
    std::size_t from = 0;
    while (from <= list.size()) {
        std::size_t comma = list.find(',', from);
        if (comma == std::string::npos) comma = list.size();
        const std::string item = list.substr(from, comma - from);
        std::size_t used = 0;
        int c = 0;
        try {
            c = std::stoi(item, &used);
        } catch (...) {
            used = 0;
        }

        if (item.empty() || used != item.size() || c < 1 || c > kMaxRecordBytes)
            throw UsageError{"--splits takes columns from 1 to 4998, not '" + item + "'"};
        r.positions.push_back(c);
        from = comma + 1;
    }

    if (r.positions.size() > static_cast<std::size_t>(kMaxSplits))
        throw UsageError{"--splits takes at most 2000 columns"};
    r.trim = !args.Has("no-trim");
    return r;
}

TailAddRequest TailAddRequestFrom(const Args& args) {
    TailAddRequest r;
    r.key_field = args.Field("key");
    r.other = args.Text("other");
    r.other_key_field = args.Field("other-key");
    r.remove_spaces = args.Has("ignore-spaces");
    return r;
}

LookupRequest LookupRequestFrom(const Args& args) {
    LookupRequest r;
    r.target = args.Field("target");
    r.other = args.Text("other");
    r.compare = args.Field("compare");
    r.replacement = args.Field("replace");
    return r;
}

FieldDeleteRequest FieldDeleteRequestFrom(const Args& args) {
    const bool single = args.Value("field").has_value();
    const bool range = args.Value("from") || args.Value("to");
    if (single == range) throw UsageError{"give either --field K or --from S --to E"};
    if (single) {
        const FieldIndex k = args.Field("field");
        return {k, k};
    }

    FieldDeleteRequest r{args.Field("from"), FieldIndex{args.Int("to")}};
    if (r.last < r.first) throw UsageError{"--to must not be less than --from"};
    return r;
}

FieldPasteRequest FieldPasteRequestFrom(const Args& args) {
    const bool copy = args.Value("copy").has_value();
    const bool cut = args.Value("cut").has_value();
    if (copy == cut) throw UsageError{"give either --copy K or --cut K"};
    FieldPasteRequest r;
    r.cut = cut;
    r.source = args.Field(cut ? "cut" : "copy");
    r.target = args.Field("target");
    const std::string side = args.Text("side");
    if (side == "over")
        r.side = PasteSide::Over;
    else if (side == "left")
        r.side = PasteSide::Left;
    else if (side == "right")
        r.side = PasteSide::Right;
    else
        throw UsageError{"--side takes over, left or right, not '" + side + "'"};
    return r;
}

ReplaceStep ReplaceStepFrom(const Args& args) {
    ReplaceStep s;
    s.request.first = args.Field("from");
    s.request.last = FieldIndex{args.Int("to")};
    if (s.request.last < s.request.first) throw UsageError{"--from and --to take 0 <= S <= E"};
    s.request.only_one = args.Has("once");
    s.pairs = args.Text("pairs");
    s.swap_order = args.Has("swap-order");
    return s;
}

ReplaceRequest ReplaceRequestFrom(const Args& args, Validation& loaded) {
    AnyRequest step = ReplaceStepFrom(args);
    loaded = LoadStepFiles(step);
    return std::get<ReplaceStep>(step).request;
}

}  // namespace tesmora
