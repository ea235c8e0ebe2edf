// Which playlist names Windows can take: the one rule of the name prompt
// (trkconfig, before it closes) and of the handler (trkmenu, for an answer
// from another trkconfig or an edited trk.ini). Platform-free; the limits of
// a folder come from the platform edge (LimitsFor).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace FileNameRule {

enum class Verdict {
    Fine,
    Character,         // \ / : * ? " < > |
    ControlCharacter,  // below U+0020
    DeviceName,        // CON, PRN, AUX, NUL, COM1-9, LPT1-9, alone or with an extension
    TrailingDotOrBlank,
    TooLong,           // the playlist's path or name would pass the folder's limits
};

// What the system accepts in a folder. path counts every character of the
// full path (the terminating zero not included); name one file name.
struct Limits {
    std::size_t path = 259;
    std::size_t name = 255;
};

// name is the base name as the user typed it; the playlist is folder + name +
// extension, folder with its "\". Without limits (no folder known) the length
// is not checked. The empty name is fine: it makes the playlist ".m3u".
Verdict Check(std::wstring_view name, std::wstring_view extension, std::wstring_view folder,
              const Limits* limits);

// The sentence that tells the user why name was refused (as Explorer words
// it when renaming where it has a wording).
std::wstring Message(Verdict verdict, std::wstring_view name, std::wstring_view extension,
                     std::wstring_view folder, const Limits* limits);

// True when the playlist's file name (name + extension) is longer than the
// shortest name any Windows volume takes (8.3: 12 characters), so that only
// the folder's own volume can tell whether it fits. A shorter one fits every
// volume: the default Limits judge it as LimitsFor would.
bool MayPassVolumeLimit(std::wstring_view name, std::wstring_view extension);

// The platform's limits for a folder (Windows only). It asks the folder's
// volume, which costs a round trip on a share.
Limits LimitsFor(const std::wstring& folder);

}  // namespace FileNameRule
