#include <gtest/gtest.h>

#include "FakeTracePlatform.h"
#include "ModuleState.h"
#include "Trace.h"

namespace {

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ReleaseThreadState();
        FakeTrace::Reset();
        FakeTrace::Clock() = Trace::Stamp{6, 12, 1999, 9, 14, 2, L"AM"};
    }
};

TEST_F(TraceTest, OrdinaryLineHasDepthNamesAndTime) {
    ThreadState().TraceSwitch = true;
    ThreadState().TraceDepth = 3;
    Trace::DebugWrite(L"Setup", L"GetOptions()", L"Begin GetOptions()");
    EXPECT_EQ(FakeTrace::Text(),
              L"   Setup::GetOptions() - Begin GetOptions() (Time: [06.12.99 09:14.02 AM])\r\n");
}

TEST_F(TraceTest, TwelveHourClockOnBothHalvesOfTheDay) {
    Trace::Stamp s{31, 1, 2026, 0, 5, 9, L"AM"};
    EXPECT_EQ(Trace::FormatStamp(s), L"31.01.26 12:05.09 AM");
    s.hour = 12; s.designator = L"PM";
    EXPECT_EQ(Trace::FormatStamp(s), L"31.01.26 12:05.09 PM");
    s.hour = 23;
    EXPECT_EQ(Trace::FormatStamp(s), L"31.01.26 11:05.09 PM");
}

TEST_F(TraceTest, RawLinesAndBlankAfter) {
    ThreadState().TraceSwitch = true;
    ThreadState().TraceDepth = 5;
    Trace::DebugWrite(L"", L"", L"", Trace::BlankAfter | Trace::Raw);
    EXPECT_EQ(FakeTrace::Text(), L"\r\n\r\n");
    Trace::DebugWrite(L"M", L"P()", L"header", Trace::StartNew | Trace::Raw);
    EXPECT_EQ(FakeTrace::Text(), L"header\r\n");
}

TEST_F(TraceTest, NothingIsWrittenWhileSwitchedOff) {
    Trace::DebugWrite(L"M", L"P()", L"x");
    EXPECT_EQ(FakeTrace::Text(), L"");
}

TEST_F(TraceTest, DepthOverflowIsFailureSix) {
    int16_t depth = 32767;
    try {
        Trace::ProcEnter(depth);
        FAIL() << "no overflow";
    } catch (const Failure::Error& e) {
        EXPECT_EQ(e.number, Failure::Overflow);
    }
    EXPECT_EQ(depth, 32767);
}

TEST_F(TraceTest, TrapReportsFailureUnderItsProcedure) {
    ThreadState().TraceSwitch = true;
    bool done = Trace::Trapped(L"General", L"Main()", [] { Failure::Raise(Failure::Overflow); });
    EXPECT_FALSE(done);
    EXPECT_NE(FakeTrace::Text().find(L"General::Main() - ERROR: 6, Overflow (Time:"), std::wstring::npos);
}

}  // namespace
