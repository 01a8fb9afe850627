#include "tesmora/document/messages.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace tesmora {
namespace {
struct Entry {
    int id;
    const char* text;
};
constexpr Entry kTable[] = {
#include "strings_table.inc"
};
}  // namespace

const char* MessageText(int id) {
    auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                               [](const Entry& e, int v) { return e.id < v; });
    return it != std::end(kTable) && it->id == id ? it->text : nullptr;
}

int ShowMessage(IMessageSink& sink, int id, std::string_view prefix, MsgStyle style) {
    const char* text = MessageText(id);
    if (!text) return 0;
    std::string shown(prefix);
    shown += text;
    return sink.Show(id, shown, style);
}

}  // namespace tesmora
