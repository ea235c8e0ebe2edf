// Runs the real install.exe inside the test's own Wine prefix, from a
// delivery folder, and reads its window and message boxes as a user sees them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace harness {

// A file the build hands the test on its command line as name=path.
std::wstring Input(std::wstring_view name);

std::wstring SystemDir();
// C:\delivery: where a user would unpack the package.
std::wstring DeliveryDir();
// Empties the delivery folder and puts install.exe into it.
void ResetDelivery();
// Copies an input file into the delivery folder under the given name.
void Deliver(std::wstring_view input, std::wstring_view asName);
// install.exe, trkmenu.dll, trkconfig.exe and trkkit.dll as shipped.
void DeliverAll();

bool Exists(const std::wstring& path);
std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const std::wstring& name);
bool KeyExists(HKEY root, const std::wstring& key);
std::optional<DWORD> ReadNumber(HKEY root, const std::wstring& key, const std::wstring& name);
void WriteNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value);
void WriteFileText(const std::wstring& path, std::string_view text);

struct MessageBoxSeen {
    std::wstring title;
    std::wstring text;
    bool icon = false;   // an icon is shown (the critical-stop one is the only kind used)
};

// "C:\delivery\install.exe" with the given argument text, quoted as a shell would.
std::wstring DeliveredInstaller(std::wstring_view arguments);

class InstallerRun {
public:
    // Starts C:\delivery\install.exe with the given argument text.
    explicit InstallerRun(std::wstring_view arguments = {});
    // Starts a whole command line, as Apps & features starts an UninstallString.
    struct Command {
        std::wstring line;
    };
    explicit InstallerRun(const Command& command);
    ~InstallerRun();
    InstallerRun(const InstallerRun&) = delete;
    InstallerRun& operator=(const InstallerRun&) = delete;

    bool started() const { return process_ != nullptr; }
    // Waits until the window's "&Ok" is enabled; a message box appearing
    // instead fails the test with its text. Null on failure.
    HWND WaitUntilFinished();
    // Waits for a message box, reads it and presses its OK.
    std::optional<MessageBoxSeen> TakeMessageBox();
    // Presses "&Ok" and returns the exit code.
    DWORD ClickOkAndWait(HWND window);
    // Exit code, or STILL_ACTIVE when the program did not end in time.
    DWORD WaitForExit();

    // Waits for the end, watching all the while for any window of the
    // program; the exit code, or STILL_ACTIVE.
    DWORD WaitForExitWatchingWindows(bool& windowSeen);

private:
    void Start(std::wstring commandLine, const wchar_t* folder);
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// Installs from a full delivery and presses "&Ok"; true when it all worked.
bool InstallFromFullDelivery();
// Runs "install <arguments>" to its end and presses "&Ok"; true when it all worked.
bool RunToSuccess(std::wstring_view arguments);

// A quiet run of a whole command line: its exit code; windowSeen tells
// whether any window of it became visible.
DWORD RunQuiet(const std::wstring& commandLine, bool& windowSeen);

std::wstring Lower(std::wstring text);

}  // namespace harness
