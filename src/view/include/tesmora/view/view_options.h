#pragma once
// What the user chose to see; kept by the application object, stored in the
// "Last" section when changed.
namespace tesmora::desktop {

inline constexpr int kMinFontSize = 8;
inline constexpr int kMaxFontSize = 16;
inline constexpr int kDefaultFontSize = 12;

struct ViewOptions {
    int font_size = kDefaultFontSize;  // points
    bool show_record_numbers = false;  // "DspRno"
    bool show_ruler = false;           // "DspKeta"
};

}  // namespace tesmora::desktop
