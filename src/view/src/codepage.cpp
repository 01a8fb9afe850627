#include "tesmora/view/codepage.h"

namespace tesmora::desktop {

QString FromCp932(std::string_view bytes) {
    const std::u16string text = Cp932ToUtf16(bytes);
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

std::optional<std::string> ToCp932(const QString& text) {
    return Utf16ToCp932(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                            static_cast<std::size_t>(text.size())));
}

}  // namespace tesmora::desktop
