// Reads folders for FolderWalk as Explorer shows them by default: hidden and
// system entries are left out, and links to folders (junctions, symbolic
// links) are not gone into, so that no loop can form.
#pragma once

#include <windows.h>

#include "FolderWalk.h"

class FolderReader final : public FolderWalk::Reader {
public:
    bool Read(const std::wstring& folder, const FolderWalk::Keep& keep, const FolderWalk::GoOn& goOn,
              FolderWalk::Listing& out) override;

private:
    std::wstring pattern_;
    WIN32_FIND_DATAW found_{};
};
