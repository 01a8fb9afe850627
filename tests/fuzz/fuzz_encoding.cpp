// UTF-8 at the edges: detection never fails on any bytes, and whatever the
// conversion to code page 932 accepts comes back as the same UTF-8, in the
// forms it noted; the text converted through files agrees with the text
// converted in memory.
#include <cstring>

#include "fuzz_support.h"
#include "tesmora/document/encoding.h"
#include "tesmora/document/text_stream.h"

using namespace tesmora;
using namespace tesmora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    DetectEncoding(bytes, true);
    DetectEncoding(bytes, false);

    // The data ends at 0x1A, as for the file converter.
    const std::string_view text = bytes.substr(0, bytes.find('\x1A'));
    VariantForms forms;
    EncodingFault fault;
    const auto cp932 = ConvertUtf8ToCp932(text, forms, fault);
    if (cp932) {
        FUZZ_CHECK(Cp932ToUtf8(*cp932, forms) == text, text);
        FUZZ_CHECK(cp932->size() <= text.size(), text);
    } else {
        FUZZ_CHECK(fault.message != 0 && fault.line >= 1, text);
    }

    const std::string dir = ScratchFolder();
    const std::string in_path = dir + "/enc.in", out_path = dir + "/enc.out";
    File in, out;
    FUZZ_CHECK(in.Open(in_path, "w+b") && in.Write(bytes.data(), bytes.size()) && in.Seek(0));
    FUZZ_CHECK(out.Open(out_path, "w+b"));
    VariantForms file_forms;
    EncodingFault file_fault;
    const bool ok = ConvertUtf8ToCp932(in, out, file_forms, file_fault);
    FUZZ_CHECK(ok == cp932.has_value(), text);
    if (ok) {
        FUZZ_CHECK(file_forms == forms);
        std::string written(static_cast<std::size_t>(out.Size()), '\0');
        FUZZ_CHECK(out.Seek(0) && out.Read(written.data(), written.size()) == written.size());
        FUZZ_CHECK(written == *cp932, text);
    } else {
        FUZZ_CHECK(file_fault.message == fault.message && file_fault.line == fault.line, text);
    }
    return 0;
}
