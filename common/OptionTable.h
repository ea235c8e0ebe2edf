// The options file's keys and their defaults, written once for trkmenu's
// options store and trkconfig's dialog. An option is added here and nowhere
// else; both programs walk the table.
#pragma once

#include <array>
#include <string_view>

namespace OptionTable {

inline constexpr std::wstring_view kSection = L"trk";

// What the options dialog shows an option with. The original five keep
// their three-state boxes (a greyed box writes 2); a newer option that means
// only off or on has a two-state box, one of three choices a drop-down list.
enum class Shown { ThreeState, TwoState, Choice };

struct NumericOption {
    std::wstring_view name;
    std::wstring_view defaultValue;  // also the fallback for a value that is not a number
    Shown shown;
};

// In the file's order; the Files key follows them.
enum Numeric { Bitmaps, Debug, Prompt, Overwrite, Paths, Format, Order, Folders, Portable, Name, EachFolder,
               NumericCount };

inline constexpr std::array<NumericOption, NumericCount> kNumeric{{
    {L"Bitmaps", L"1", Shown::ThreeState},
    {L"Debug", L"0", Shown::ThreeState},
    {L"Prompt", L"1", Shown::ThreeState},
    {L"Overwrite", L"1", Shown::ThreeState},
    {L"Paths", L"0", Shown::ThreeState},
    {L"Format", L"0", Shown::TwoState},      // 0: .m3u in the code page; 1: .m3u8, UTF-8
    {L"Order", L"0", Shown::TwoState},       // 0: by character codes; 1: as Explorer shows names
    {L"Folders", L"0", Shown::TwoState},     // 1: selected folders and the background add their files
    {L"Portable", L"0", Shown::TwoState},    // 1: entries with "/", lines ending in LF
    {L"Name", L"0", Shown::TwoState},        // 1: the playlist is named after its folder
    {L"EachFolder", L"0", Shown::Choice},    // with Folders: 1 a playlist per selected folder,
                                             // 2 one in every folder that holds listed files
}};

inline constexpr std::wstring_view kFilesKey = L"Files";
inline constexpr std::wstring_view kDefaultFiles =
    L"mp3,mp2,mpa,voc,wav,it,xm,s3m,stm,mod,dsm,far,ult,mtm,669,wma";

// The name prompt's exchange: trkconfig writes the answer, trkmenu reads it.
inline constexpr std::wstring_view kInputSection = L"input";
inline constexpr std::wstring_view kAnswerKey = L"value";
inline constexpr std::wstring_view kCancelMarker = L"[cancel]";

}  // namespace OptionTable
