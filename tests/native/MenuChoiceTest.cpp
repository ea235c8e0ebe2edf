// The installer's choice of menu: the packaged command only on Windows 11
// with the package registered; every other case keeps the classic handler.
#include <gtest/gtest.h>

#include "MenuChoice.h"

using namespace MenuChoice;

TEST(MenuChoice, PackagedOnlyOnWindows11WithThePackageRegistered) {
    const struct {
        unsigned long build;
        Registration registration;
        Menu menu;
        Why why;
    } cases[] = {
        {22000, Registration::Registered, Menu::Packaged, Why::Packaged},
        {26100, Registration::Registered, Menu::Packaged, Why::Packaged},
        {22000, Registration::Failed, Menu::Classic, Why::RegistrationFailed},
        {22631, Registration::PackageMissing, Menu::Classic, Why::PackageMissing},
        {22631, Registration::NotTried, Menu::Classic, Why::RegistrationFailed},
        // Windows 10 keeps the classic menu, whatever a registration said.
        {21999, Registration::Registered, Menu::Classic, Why::OlderWindows},
        {19045, Registration::NotTried, Menu::Classic, Why::OlderWindows},
        {19045, Registration::PackageMissing, Menu::Classic, Why::OlderWindows},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.build << " " << static_cast<int>(c.registration));
        const Choice choice = Choose(c.build, c.registration);
        EXPECT_EQ(choice.menu, c.menu);
        EXPECT_EQ(choice.why, c.why);
        // A word at the end exactly where Windows 11 has to do without its first menu.
        EXPECT_EQ(TellsTheUser(choice), c.menu == Menu::Classic && c.why != Why::OlderWindows);
    }
    EXPECT_FALSE(WantsPackage(21999));
    EXPECT_TRUE(WantsPackage(22000));
}
