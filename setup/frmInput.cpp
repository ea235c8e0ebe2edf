#include "frmInput.h"

#include <windows.h>

#include <string>

#include "DialogKit.h"
#include "Failure.h"
#include "FileNameRule.h"
#include "resource.h"

namespace frmInput {

namespace {

constexpr wchar_t kCaption[] = L"M3U Filename Prompt [Tracklet 1.42]";
constexpr std::wstring_view kPrompt = L"Enter the M3U Filename: (without ";
constexpr int kClientWidth = 5715, kClientHeight = 915;  // twips
// A refused name: the message takes two lines under the text box, and the
// prompt grows to make room for them.
constexpr int kMessageGrowth = 450;

// In tab order.
const DialogKit::Control kControls[] = {
    {IDC_LBLPROMPT, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 15, 0, 5700, 225, false},
    {IDC_TXTINPUT, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, 15, 240, 5700,
     285, false},
    {IDC_LBLMESSAGE, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, 15, 570, 5700, 420, false},
    {IDC_CMDOK, L"BUTTON", L"&Ok", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 4470, 570, 1230, 330, false},
    {IDC_CMDCANCEL, L"BUTTON", L"&Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, 3210, 570, 1230, 330, false},
};

struct Load {
    Outcome* outcome;
    std::wstring_view extension;
    std::wstring_view suggestion;
    std::wstring_view folder;
};

void Form_Load(HWND form, std::wstring_view extension, std::wstring_view suggestion) {
    DialogKit::Build(form, kControls, std::size(kControls), kClientWidth, kClientHeight);
    ShowWindow(GetDlgItem(form, IDC_LBLMESSAGE), SW_HIDE);
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

// The message under the text box, which keeps the focus with the text
// selected for typing anew. The first one makes room for itself.
void Refuse(HWND form, const std::wstring& message) {
    HWND label = GetDlgItem(form, IDC_LBLMESSAGE);
    if (!IsWindowVisible(label)) {
        const int grow = DialogKit::Scale(kMessageGrowth, DialogKit::Dpi(form));
        for (int id : {IDC_CMDOK, IDC_CMDCANCEL}) {
            HWND button = GetDlgItem(form, id);
            RECT r;
            GetWindowRect(button, &r);
            MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
            SetWindowPos(button, nullptr, r.left, r.top + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        RECT frame;
        GetWindowRect(form, &frame);
        SetWindowPos(form, nullptr, frame.left, frame.top - grow / 2, frame.right - frame.left,
                     frame.bottom - frame.top + grow, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(label, SW_SHOWNA);
    }
    SetWindowTextW(label, message.c_str());
    HWND box = GetDlgItem(form, IDC_TXTINPUT);
    SendMessageW(form, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
    SendMessageW(box, EM_SETSEL, 0, -1);
}

// OK takes only a name Windows can take. The playlist's folder, when the
// caller named it, also limits its length.
void cmdOK_Click(HWND form, const Load& load) {
    const std::wstring typed = DialogKit::WindowText(GetDlgItem(form, IDC_TXTINPUT));
    const std::wstring folder(load.folder);
    FileNameRule::Limits limits;
    if (!folder.empty()) limits = FileNameRule::LimitsFor(folder);
    const FileNameRule::Limits* known = folder.empty() ? nullptr : &limits;
    const FileNameRule::Verdict verdict = FileNameRule::Check(typed, load.extension, folder, known);
    if (verdict != FileNameRule::Verdict::Fine) {
        Refuse(form, FileNameRule::Message(verdict, typed, load.extension, folder, known));
        return;
    }
    Finish(form, *load.outcome, SetupLogic::PromptResult::Ok);
}

INT_PTR CALLBACK Procedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* load = reinterpret_cast<const Load*>(GetWindowLongPtrW(form, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            load = reinterpret_cast<const Load*>(lParam);
            SetWindowLongPtrW(form, DWLP_USER, reinterpret_cast<LONG_PTR>(load));
            Form_Load(form, load->extension, load->suggestion);
            return FALSE;  // the focus is set: the text box holds it
        }
        case WM_COMMAND:
            // Nothing to finish before WM_INITDIALOG has attached the outcome.
            if (!load) return FALSE;
            // IDOK and IDCANCEL come from Enter/Escape without a control
            // behind them; Escape must do nothing, and Enter reaches cmdOK
            // through the default button.
            if (LOWORD(wParam) == IDC_CMDOK) cmdOK_Click(form, *load);
            else if (LOWORD(wParam) == IDC_CMDCANCEL)
                Finish(form, *load->outcome, SetupLogic::PromptResult::Cancel);
            return TRUE;
        case WM_CLOSE:
            if (!load) return FALSE;
            Finish(form, *load->outcome, SetupLogic::PromptResult::Closed);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

Outcome Show(std::wstring_view extension, std::wstring_view suggestion, std::wstring_view folder) {
    Outcome outcome;
    Load load{&outcome, extension, suggestion, folder};
    if (DialogKit::ShowModal(kCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, Procedure,
                             reinterpret_cast<LPARAM>(&load)) == -1)
        Failure::Raise(Failure::Internal, L"the prompt could not be shown");
    return outcome;
}

}  // namespace frmInput
