#include "frmInput.h"

#include <windows.h>

#include <string>

#include "DialogKit.h"
#include "Failure.h"
#include "resource.h"

namespace frmInput {

namespace {

constexpr wchar_t kCaption[] = L"M3U Filename Prompt [Tracklet 1.42]";
constexpr std::wstring_view kPrompt = L"Enter the M3U Filename: (without ";
constexpr int kClientWidth = 5715, kClientHeight = 915;  // twips

// In tab order.
const DialogKit::Control kControls[] = {
    {IDC_LBLPROMPT, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 15, 0, 5700, 225, false},
    {IDC_TXTINPUT, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, 15, 240, 5700,
     285, false},
    {IDC_CMDOK, L"BUTTON", L"&Ok", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 4470, 570, 1230, 330, false},
    {IDC_CMDCANCEL, L"BUTTON", L"&Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, 3210, 570, 1230, 330, false},
};

struct Load {
    Outcome* outcome;
    std::wstring_view extension;
    std::wstring_view suggestion;
};

void Form_Load(HWND form, std::wstring_view extension, std::wstring_view suggestion) {
    DialogKit::Build(form, kControls, std::size(kControls), kClientWidth, kClientHeight);
    SendDlgItemMessageW(form, IDC_TXTINPUT, EM_LIMITTEXT, 0, 0);
    SendMessageW(form, DM_SETDEFID, IDC_CMDOK, 0);
    SetWindowTextW(form, kCaption);
    SetDlgItemTextW(form, IDC_LBLPROMPT, (std::wstring(kPrompt) + std::wstring(extension) + L")").c_str());
    // Enter takes the suggestion, typing replaces it: the dialog manager
    // selects the whole text of an edit box it moves the focus to.
    SetDlgItemTextW(form, IDC_TXTINPUT, std::wstring(suggestion).c_str());
    DialogKit::SetTopmost(form, true);
    SendMessageW(form, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(form, IDC_TXTINPUT)), TRUE);
    SendDlgItemMessageW(form, IDC_TXTINPUT, EM_SETSEL, 0, -1);
}

void Finish(HWND form, Outcome& outcome, SetupLogic::PromptResult result) {
    outcome.result = result;
    outcome.text = DialogKit::WindowText(GetDlgItem(form, IDC_TXTINPUT));
    if (result != SetupLogic::PromptResult::Closed) DialogKit::SetTopmost(form, false);
    EndDialog(form, 0);
}

INT_PTR CALLBACK Procedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* outcome = reinterpret_cast<Outcome*>(GetWindowLongPtrW(form, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            const auto* load = reinterpret_cast<const Load*>(lParam);
            SetWindowLongPtrW(form, DWLP_USER, reinterpret_cast<LONG_PTR>(load->outcome));
            Form_Load(form, load->extension, load->suggestion);
            return FALSE;  // the focus is set: the text box holds it
        }
        case WM_COMMAND:
            // Nothing to finish before WM_INITDIALOG has attached the outcome.
            if (!outcome) return FALSE;
            // IDOK and IDCANCEL come from Enter/Escape without a control
            // behind them; Escape must do nothing, and Enter reaches cmdOK
            // through the default button.
            if (LOWORD(wParam) == IDC_CMDOK) Finish(form, *outcome, SetupLogic::PromptResult::Ok);
            else if (LOWORD(wParam) == IDC_CMDCANCEL)
                Finish(form, *outcome, SetupLogic::PromptResult::Cancel);
            return TRUE;
        case WM_CLOSE:
            if (!outcome) return FALSE;
            Finish(form, *outcome, SetupLogic::PromptResult::Closed);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

Outcome Show(std::wstring_view extension, std::wstring_view suggestion) {
    Outcome outcome;
    Load load{&outcome, extension, suggestion};
    if (DialogKit::ShowModal(kCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, Procedure,
                             reinterpret_cast<LPARAM>(&load)) == -1)
        Failure::Raise(Failure::Internal, L"the prompt could not be shown");
    return outcome;
}

}  // namespace frmInput
