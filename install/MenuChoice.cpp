#include "MenuChoice.h"

namespace MenuChoice {

Choice Choose(unsigned long build, Registration registration) {
    if (!WantsPackage(build)) return {Menu::Classic, Why::OlderWindows};
    switch (registration) {
    case Registration::Registered:
        return {Menu::Packaged, Why::Packaged};
    case Registration::PackageMissing:
        return {Menu::Classic, Why::PackageMissing};
    case Registration::NotTried:
    case Registration::Failed:
        break;
    }
    // Without a package the classic handler must serve, or nothing would.
    return {Menu::Classic, Why::RegistrationFailed};
}

}  // namespace MenuChoice
