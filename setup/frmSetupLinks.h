// The look of frmSetup's link labels is kept in two window properties of each
// label as well as drawn, so that it can be read from outside the process:
//   "Tracklet.LinkColor"     the text colour as a COLORREF with bit 24 set
//                            (so black still reads as present)
//   "Tracklet.LinkUnderline" 1 plain, 2 underlined
#pragma once

#include <windows.h>

namespace frmSetupLinks {

inline constexpr wchar_t kColorProp[] = L"Tracklet.LinkColor";
inline constexpr wchar_t kUnderlineProp[] = L"Tracklet.LinkUnderline";

inline HANDLE EncodeColor(COLORREF color) {
    return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(color | 0x01000000u));
}
inline COLORREF DecodeColor(HANDLE value) {
    return static_cast<COLORREF>(reinterpret_cast<UINT_PTR>(value)) & 0x00FFFFFFu;
}
inline HANDLE EncodeUnderline(bool underlined) {
    return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(underlined ? 2 : 1));
}
inline bool DecodeUnderline(HANDLE value) { return reinterpret_cast<UINT_PTR>(value) == 2; }

}  // namespace frmSetupLinks
