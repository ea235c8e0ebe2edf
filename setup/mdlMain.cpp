// trkconfig's start procedure: the argument text chooses the options dialog
// (empty) or the name prompt (anything else).
#include <windows.h>
#include <commctrl.h>

#include "Failure.h"
#include "PromptExchange.h"
#include "SetupLogic.h"
#include "SetupStore.h"
#include "frmInput.h"
#include "frmSetup.h"
#include "inihelper.h"

namespace mdlMain {

int Main() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    const std::wstring_view argument = SetupLogic::ArgumentText(GetCommandLineW());
    if (SetupLogic::ChooseMode(argument) == SetupLogic::Mode::Options) {
        frmSetup::Show();
        return 0;
    }
    const PromptExchange::Request request = PromptExchange::Parse(argument);
    const frmInput::Outcome outcome = frmInput::Show(request.extension, request.suggestion, request.folder);
    const bool written =
        SetupStore::WriteAnswer(outcome.result, outcome.text, inihelper::OptionsFile(), request.key);
    return SetupLogic::PromptExitStatus(written);
}

}  // namespace mdlMain

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int status = 1;
    const bool completed = Failure::Guard([&] { status = mdlMain::Main(); },
                                          [](const Failure::Error& e) {
                                              MessageBoxW(nullptr, Failure::Report(e).c_str(),
                                                          L"Tracklet", MB_OK | MB_ICONERROR);
                                          });
    // Ends at once: no window outlives the dialog.
    ExitProcess(completed ? static_cast<UINT>(status) : 1u);
}
