#include "WalkProgress.h"

#include <shlobj.h>
#include <wrl/client.h>

namespace WalkProgress {
namespace {

class ShellDialog final : public Dialog {
public:
    ShellDialog(Microsoft::WRL::ComPtr<IProgressDialog> dialog, HWND owner) : dialog_(std::move(dialog)) {
        dialog_->SetTitle(L"Tracklet");
        dialog_->SetLine(1, L"Reading folders...", FALSE, nullptr);
        dialog_->StartProgressDialog(owner, nullptr, PROGDLG_NORMAL | PROGDLG_MARQUEEPROGRESS | PROGDLG_NOTIME,
                                     nullptr);
    }
    ~ShellDialog() override { dialog_->StopProgressDialog(); }
    void Show(const std::wstring& folder) override { dialog_->SetLine(2, folder.c_str(), TRUE, nullptr); }
    bool Cancelled() override { return dialog_->HasUserCancelled() != FALSE; }

private:
    Microsoft::WRL::ComPtr<IProgressDialog> dialog_;
};

uint64_t Now() { return GetTickCount64(); }

std::unique_ptr<Dialog> Open(HWND owner) {
    Microsoft::WRL::ComPtr<IProgressDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_ProgressDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IProgressDialog,
                                reinterpret_cast<void**>(dialog.GetAddressOf()))))
        return nullptr;
    return std::make_unique<ShellDialog>(std::move(dialog), owner);
}

const Seam kReal{Now, Open};
const Seam* current = &kReal;

}  // namespace

void Replace(const Seam* seam) { current = seam ? seam : &kReal; }

Watch::Watch(HWND owner, bool ui) : owner_(owner), ui_(ui) {
    if (ui_) start_ = current->now();
}

bool Watch::Reading(const std::wstring& folder) {
    if (!ui_ || cancelled_) return !cancelled_;
    if (!opened_ && current->now() - start_ >= kDelay) {
        opened_ = true;
        dialog_ = current->open(owner_);
    }
    if (dialog_) {
        dialog_->Show(folder);
        if (dialog_->Cancelled()) cancelled_ = true;
    }
    return !cancelled_;
}

}  // namespace WalkProgress
