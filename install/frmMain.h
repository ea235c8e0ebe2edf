// The installer's only window. All the work runs in Form_Load, before the
// window handles any message: the installation, or with "remove" RemoveTRK.
// Every failure the installer foresees shows a message box that begins with
// HeaderText and ends the program. A quiet run makes no window and shows no
// box; its exit code tells what happened.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Handles.h"
#include "InstallText.h"

// Where a run puts Tracklet: for every user (the system directory, the
// machine's classes and settings), or with /user for the current user alone
// (%LOCALAPPDATA%\Programs\Tracklet, HKEY_CURRENT_USER).
struct InstallTarget {
    bool perUser = false;
    std::wstring folder;
    HKEY settings = HKEY_LOCAL_MACHINE;   // approval, Apps & features entry
    HKEY classes = HKEY_CLASSES_ROOT;     // classes and handler keys, below classesPrefix
    std::wstring classesPrefix;

    std::wstring Classes(std::wstring_view key) const { return classesPrefix + std::wstring(key); }
    static InstallTarget Machine(const std::wstring& systemDir);
    static InstallTarget User(const std::wstring& folder);
};

class frmMain {
public:
    explicit frmMain(HINSTANCE instance);
    ~frmMain();
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // Runs the program for this command line; the process's exit code:
    // 0 once "&Ok" or closing ends a finished run, 1 after a failure message;
    // in a quiet run the Outcome.
    int Run(std::wstring_view commandLine);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    bool Create();
    // false: a message was shown and the program ends.
    bool Form_Load();
    // A machine-wide run without administrator rights: the same run again,
    // elevated; its exit code is passed on.
    bool RunElevated();
    // The other kind of installation is there (per-user against machine-wide).
    bool OtherKindInstalled() const;
    // Registers Tracklet.msix on Windows 11 and tells which menu carries Tracklet.
    bool ChooseMenu(const std::wstring& ownDir, std::wstring& classicReason);
    bool InstallTRK();
    bool RemoveTRK();
    void cmdOk_Click();

    // Copies every delivered file (source, destination), then deletes the
    // sources: a copy that fails leaves the delivery folder whole.
    bool MoveAllInto(const std::vector<std::pair<std::wstring, std::wstring>>& files);
    // The copy of this program that Apps & features runs to remove the system.
    bool PlaceRemover(const std::wstring& remover);
    // Deletes the file, or has it deleted at the next restart when a running
    // program holds it (pending is then set).
    bool DeleteInstalled(const std::wstring& path, bool& pending);
    bool RegisterLibrary(const std::wstring& library);
    // Per user: the library's classes go with it (through trkkit, as they came).
    void UnregisterForUser(const std::wstring& library);
    void RemoveClassicEntries(const std::wstring& classId);
    // Per user the system cannot delete a file at the restart (that needs
    // administrator rights): what is left goes at the user's next sign-in.
    void ScheduleUserCleanup();
    void CountSharedKit(const std::wstring& kit, bool kitWasThere);
    bool ReleaseSharedKit(const std::wstring& kit, bool& pending);
    void WriteUninstallEntry(const std::wstring& folder, const std::wstring& remover);
    // Always false: the outcome is kept and, unless quiet, the message shown.
    bool Fail(InstallText::Outcome outcome, const InstallText::Message& message);
    bool FailOnFile(InstallText::FileOp op, const std::wstring& path, const std::wstring& detail, DWORD error);
    void Show(const InstallText::Message& message);

    void SetBold(int row, bool bold);
    void Mark(int row);
    void Repaint();
    void Pause();
    void Finish();

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND lblReg_[2] = {};
    HWND chk_[2] = {};
    HWND cmdOk_ = nullptr;
    Handles::UniqueFont font_;
    Handles::UniqueFont boldFont_;
    std::wstring HeaderText;
    InstallText::Request request_;
    std::wstring arguments_;
    InstallTarget target_;
    InstallText::Outcome outcome_ = InstallText::Outcome::Done;
    // The exit code of the elevated run, when this run started one.
    std::optional<int> passOn_;
    bool userCleanupDue_ = false;
};
