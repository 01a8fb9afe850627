#pragma once
// What the user chose to see, and the main window's state: kept by the
// application object, stored in the "Last" section, each value when it changes.
#include <algorithm>

#include "tesmora/document/host.h"

namespace tesmora::desktop {

inline constexpr int kMinFontSize = 8;
inline constexpr int kMaxFontSize = 16;
inline constexpr int kDefaultFontSize = 12;

struct ViewOptions {
    int font_size = kDefaultFontSize;  // points
    bool show_record_numbers = false;
    bool show_ruler = false;
};

namespace last {
inline constexpr const char* kSection = "Last";

inline ViewOptions LoadViewOptions(ISettingsStore& store) {
    ViewOptions o;
    o.show_record_numbers = store.GetInt(kSection, "DspRno", 0) != 0;
    o.show_ruler = store.GetInt(kSection, "DspKeta", 0) != 0;
    // The font box offers 8 to 16 points; a stored size outside them is
    // brought inside, so that the box and the view agree.
    o.font_size = std::clamp(store.GetInt(kSection, "FontSize", kDefaultFontSize), kMinFontSize,
                             kMaxFontSize);
    return o;
}
inline void StoreRecordNumbers(ISettingsStore& store, bool on) {
    store.SetInt(kSection, "DspRno", on ? 1 : 0);
}
inline void StoreRuler(ISettingsStore& store, bool on) {
    store.SetInt(kSection, "DspKeta", on ? 1 : 0);
}
inline void StoreFontSize(ISettingsStore& store, int points) {
    store.SetInt(kSection, "FontSize", points);
}

inline bool LoadZoomed(ISettingsStore& store) {
    return store.GetInt(kSection, "Zoomed", 0) == 1;
}
// The normal rectangle is stored for tools that read the profile; the program
// itself opens at its first size (or maximized) and never reads it back.
inline void StoreWindowState(ISettingsStore& store, bool zoomed, int left, int top, int width,
                             int height) {
    store.SetInt(kSection, "Zoomed", zoomed ? 1 : 0);
    store.SetInt(kSection, "PX", std::max(0, left));
    store.SetInt(kSection, "PY", std::max(0, top));
    store.SetInt(kSection, "SX", width);
    store.SetInt(kSection, "SY", height);
}
}  // namespace last

}  // namespace tesmora::desktop
