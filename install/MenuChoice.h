// Which context menu carries Tracklet: the packaged Explorer command that
// Windows 11 shows first (and in its classic menu too), or the classic
// handler keys. A function of the Windows build and of what the package's
// registration gave, nothing else.
#pragma once

namespace MenuChoice {

// The first build of Windows 11, whose Explorer shows packaged commands first.
constexpr unsigned long FirstPackagedBuild = 22000;

// Whether the package is to be registered on this build at all.
constexpr bool WantsPackage(unsigned long build) { return build >= FirstPackagedBuild; }

enum class Registration {
    NotTried,        // the build does not want it
    PackageMissing,  // no Tracklet.msix beside the installer
    Registered,
    Failed,          // the platform refused (untrusted certificate, no package manager, ...)
};

enum class Menu { Packaged, Classic };

// Why the classic menu carries Tracklet.
enum class Why { Packaged, OlderWindows, PackageMissing, RegistrationFailed };

struct Choice {
    Menu menu;
    Why why;
};

Choice Choose(unsigned long build, Registration registration);

// The installation ends with a word on the menu only where the user would
// look for Tracklet in the first menu and not find it there.
constexpr bool TellsTheUser(Choice choice) {
    return choice.why == Why::PackageMissing || choice.why == Why::RegistrationFailed;
}

}  // namespace MenuChoice
