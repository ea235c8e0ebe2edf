#include "CommandText.h"

namespace CommandText {

Kind KindOf(uint32_t uFlags) {
    switch (uFlags) {
    case 0: case 4: return Kind::Verb;
    case 1: case 5: return Kind::Help;
    case 2: case 6: return Kind::Validate;
    default: return Kind::None;
    }
}

std::wstring_view Answer(Kind kind, uint64_t idCmd) {
    static constexpr std::wstring_view texts[3][2] = {
        {L"(GCS_VERB)MENUITEM1", L"(GCS_VERB)MENUITEM2"},
        {L"Create a M3U Playlist from the selected files", L"Tracklet Options"},
        {L"(GCS_VALIDATE)New menu item number 1", L"(GCS_VALIDATE)New menu item number 2"},
    };
    if (kind == Kind::None || idCmd > 1) return {};
    return texts[static_cast<int>(kind)][idCmd];
}

std::wstring WithoutMnemonic(std::wstring_view caption) {
    std::wstring text;
    text.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&') {
            if (i + 1 == caption.size()) break;
            ++i;
        }
        text.push_back(caption[i]);
    }
    return text;
}

std::wstring CutToUnits(std::wstring_view text, uint32_t cchMax) {
    if (cchMax == 0) return {};
    return std::wstring(text.substr(0, cchMax - 1));
}

std::string CutToBytes(std::wstring_view text, uint32_t cchMax, std::string (*toBytes)(std::wstring_view)) {
    std::string bytes;
    if (cchMax == 0) return bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        std::string one = toBytes(text.substr(i, 1));
        if (bytes.size() + one.size() > cchMax - 1) break;
        bytes += one;
    }
    return bytes;
}

}  // namespace CommandText
