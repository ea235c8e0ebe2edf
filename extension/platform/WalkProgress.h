// The progress of a folder walk: once a walk has taken about a second, the
// shell's progress dialog shows the folder being read and offers Cancel.
// Without UI (CMIC_MASK_FLAG_NO_UI) nothing is ever shown.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "FolderWalk.h"

namespace WalkProgress {

inline constexpr uint64_t kDelay = 1000;  // milliseconds before the dialog shows

class Dialog {
public:
    virtual ~Dialog() = default;
    virtual void Show(const std::wstring& folder) = 0;
    virtual bool Cancelled() = 0;
};

// The clock and the dialog; tests put their own in place of the real ones.
struct Seam {
    uint64_t (*now)();                             // milliseconds
    std::unique_ptr<Dialog> (*open)(HWND owner);   // null when none can be made
};
// Null puts the real clock and the shell's dialog back.
void Replace(const Seam* seam);

class Watch final : public FolderWalk::Progress {
public:
    Watch(HWND owner, bool ui);
    bool Reading(const std::wstring& folder) override;
    bool Cancelled() const { return cancelled_; }

private:
    HWND owner_;
    bool ui_;
    bool opened_ = false;
    bool cancelled_ = false;
    uint64_t start_ = 0;
    std::unique_ptr<Dialog> dialog_;
};

}  // namespace WalkProgress
