// Tracklet.msix, the package with external location that puts Tracklet into
// Windows 11's first context menu: registered and removed for the current
// user through the platform's package manager
// (Windows.Management.Deployment.PackageManager), reached at run time, so
// that the installer still starts on Windows without it.
#pragma once

#include <windows.h>

#include <string>

namespace Package {

constexpr wchar_t FileName[] = L"Tracklet.msix";
// The package's Identity Name.
constexpr wchar_t Name[] = L"Tracklet";

// The build number of the running Windows, as the system reports it to
// programs that declare every version (0 when it cannot tell).
unsigned long WindowsBuild();

struct Outcome {
    Outcome() = default;
    Outcome(HRESULT result) : hr(result) {}
    HRESULT hr = S_OK;
    std::wstring errorText;  // the deployment's own words, when it gave any
};

// Registers the package for the current user (AddPackageByUriAsync), with the
// folder as its external location, and waits for the result. Fails without
// a package manager, as under Wine.
Outcome Register(const std::wstring& packagePath, const std::wstring& externalFolder);

// Removes every package of that name registered for the current user; none
// counts as removed.
Outcome Remove();

}  // namespace Package
