#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>

#include "FakeTracePlatform.h"
#include "Sort.h"
#include "KeptFiles.h"
#include "ModuleState.h"

namespace {

using List = std::vector<std::wstring>;

// The trace without time stamps, one entry per line.
std::vector<std::wstring> TraceLines() {
    static const std::wregex stamp(L" \\(Time: \\[[^\\]]*\\]\\)$");
    std::vector<std::wstring> lines;
    const std::wstring& text = FakeTrace::Text();
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(std::regex_replace(text.substr(start, end - start), stamp, L""));
    return lines;
}

class SortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ReleaseThreadState();
        FakeTrace::Reset();
    }
    void TraceOn() { ThreadState().TraceSwitch = true; }
};

TEST_F(SortTest, OrdinalOrderCapitalsFirstEmptyFirst) {
    List list{L"", L"b.mp3", L"A.mp3", L"a.mp3", L"", L"a.mp", L"B.mp3", L"\u00e9.mp3"};
    General::Sort(list, 1, 7);  // slot 0 stays where it is, as the handler's list needs
    EXPECT_EQ(list, (List{L"", L"", L"A.mp3", L"B.mp3", L"a.mp", L"a.mp3", L"b.mp3", L"\u00e9.mp3"}));
}

TEST_F(SortTest, ChangesOnlyTheGivenRange) {
    List list{L"z", L"y", L"c", L"b", L"a", L"x", L"w"};
    General::Sort(list, 2, 4);
    EXPECT_EQ(list, (List{L"z", L"y", L"a", L"b", L"c", L"x", L"w"}));
}

TEST_F(SortTest, AgreesWithStdSortOnRandomLists) {
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        const int n = std::uniform_int_distribution<int>(0, 60)(random);
        const int letters = std::uniform_int_distribution<int>(1, 4)(random);  // many equal names
        List list(1);
        for (int k = 0; k < n; ++k) {
            std::wstring name(std::uniform_int_distribution<int>(0, 3)(random), L'a');
            for (wchar_t& c : name) c = L'A' + std::uniform_int_distribution<int>(0, letters)(random);
            list.push_back(name);
        }
        List expected = list;
        std::sort(expected.begin() + 1, expected.end());
        General::Sort(list, 1, static_cast<int32_t>(list.size()) - 1);
        ASSERT_EQ(list, expected) << "round " << round;
        ASSERT_EQ(ThreadState().TraceDepth, 0);
    }
}

// Kept files sort by name alone, as the names do, and every name stays with
// its own path, folder included; slot 0 and a later Clear start empty.
TEST_F(SortTest, KeptFilesSortByNameAndKeepTheirPaths) {
    std::mt19937 random(77);
    const std::wstring folders[] = {L"C:\\Music\\", L"D:\\B\\", L"\\\\srv\\x\\"};
    KeptFiles files;
    List names(1), paths;
    for (int k = 0; k < 200; ++k) {
        std::wstring name(std::uniform_int_distribution<int>(0, 3)(random), L'a');
        for (wchar_t& c : name) c = L'A' + std::uniform_int_distribution<int>(0, 3)(random);
        files.Add(folders[k % 3] + name, name.size());
        names.push_back(name);
        paths.push_back(folders[k % 3] + name);
    }
    General::Sort(files, 1, static_cast<int32_t>(files.size()) - 1);
    General::Sort(names, 1, static_cast<int32_t>(names.size()) - 1);
    EXPECT_EQ(files.Names(), names);
    List after = files.Paths();
    EXPECT_EQ(after[0], L"");
    after.erase(after.begin());
    for (size_t i = 0; i < after.size(); ++i) EXPECT_TRUE(after[i].ends_with(names[i + 1])) << i;
    std::sort(after.begin(), after.end());
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(after, paths);
    files.Clear();
    EXPECT_EQ(files.size(), 1u);
    EXPECT_EQ(files.Name(0), L"");
}

// Names of one folder share long starts; they must still part at the first
// differing code unit wherever it lies, high units after low ones.
TEST_F(SortTest, AgreesWithStdSortOnLongNamesThatShareTheirStart) {
    std::mt19937 random(2024);
    const wchar_t units[] = {L'a', L'b', L'\u00e9', L'\u6771', L'\xFFFF'};
    for (int round = 0; round < 200; ++round) {
        const std::wstring start(std::uniform_int_distribution<int>(0, 24)(random), L'x');
        List list(1);
        for (int k = 0; k < 40; ++k) {
            std::wstring name = start.substr(0, std::uniform_int_distribution<size_t>(0, start.size())(random));
            const int tail = std::uniform_int_distribution<int>(0, 9)(random);
            for (int t = 0; t < tail; ++t) name += units[std::uniform_int_distribution<int>(0, 4)(random)];
            list.push_back(name);
        }
        List expected = list;
        std::sort(expected.begin() + 1, expected.end());
        General::Sort(list, 1, static_cast<int32_t>(list.size()) - 1);
        ASSERT_EQ(list, expected) << "round " << round;
    }
}

TEST_F(SortTest, LargeSortedReversedAndEqualInputsFinish) {
    // Large enough that a quadratic pass or a stack frame per element would show.
    const int n = 30000;
    List sorted, equal(n, L"same.mp3");
    for (int k = 0; k < n; ++k) sorted.push_back(L"track " + std::to_wstring(100000 + k) + L".mp3");
    List reversed(sorted.rbegin(), sorted.rend());
    for (List* list : {&sorted, &reversed, &equal}) {
        List expected = *list;
        std::sort(expected.begin(), expected.end());
        General::Sort(*list, 0, n - 1);
        EXPECT_EQ(*list, expected);
    }
}

TEST_F(SortTest, BoundaryMessageForEmptyAndReversedRanges) {
    TraceOn();
    List list{L"b", L"a"};
    General::Sort(list, 1, 1);
    General::Sort(list, 1, 0);
    EXPECT_EQ(list, (List{L"b", L"a"}));
    const std::wstring boundary =
        L" General::Sort() - The specified Upper Boundary cannot be lower than or equal to the "
        L"Lower Boundary";
    EXPECT_EQ(TraceLines(), (std::vector<std::wstring>{L"General::Sort() - Beginig Sort()", boundary,
                                                       L"General::Sort() - Beginig Sort()", boundary}));
    EXPECT_EQ(ThreadState().TraceDepth, 0);
}

TEST_F(SortTest, TwoOrderedElementsSwapTheFirstWithItself) {
    TraceOn();
    List list{L"a", L"b"};
    General::Sort(list, 0, 1);
    EXPECT_EQ(list, (List{L"a", L"b"}));
    EXPECT_EQ(TraceLines(), (std::vector<std::wstring>{
                                L"General::Sort() - Beginig Sort()",
                                L"  General::Sort() - Swapping elements 0,0",
                                L"General::Sort() - Finished Sort()",
                            }));
}

// A small sort whose recursions nest: indentation and the order of the
// closing lines are those of the recursive procedure.
TEST_F(SortTest, NestedRecursionTraceListing) {
    TraceOn();
    ThreadState().TraceDepth = 1;
    List list{L"c", L"a", L"d", L"b"};
    General::Sort(list, 0, 3);
    EXPECT_EQ(list, (List{L"a", L"b", L"c", L"d"}));
    EXPECT_EQ(TraceLines(), (std::vector<std::wstring>{
                                L" General::Sort() - Beginig Sort()",
                                L"   General::Sort() - Swapping elements 0,1",
                                L"  General::Sort() - Begin Recursion loop...",
                                L"   General::Sort() - Beginig Sort()",
                                L"     General::Sort() - Swapping elements 2,3",
                                L"    General::Sort() - Begin Recursion loop...",
                                L"     General::Sort() - Beginig Sort()",
                                L"       General::Sort() - Swapping elements 1,2",
                                L"     General::Sort() - Finished Sort()",
                                L"    General::Sort() - Finished Recursion loop",
                                L"   General::Sort() - Finished Sort()",
                                L"  General::Sort() - Finished Recursion loop",
                                L" General::Sort() - Finished Sort()",
                            }));
    EXPECT_EQ(ThreadState().TraceDepth, 1);
}

// The procedure as a plain recursion, writing the same messages with their
// depth. Sort keeps its own stack; this checks that it replays the
// recursion's lines in the same order for many shapes of input.
void RecursiveModel(List& list, int low, int high, int& depth, std::vector<std::wstring>& out) {
    auto line = [&](const std::wstring& m) {
        out.push_back(std::wstring(depth, L' ') + L"General::Sort() - " + m);
    };
    line(L"Beginig Sort()");
    ++depth;
    if (high <= low) {
        line(L"The specified Upper Boundary cannot be lower than or equal to the Lower Boundary");
        --depth;
        return;
    }
    const std::wstring pivot = list[(low + high) / 2];
    int i = low, j = high;
    ++depth;
    while (i <= j) {
        while (list[i] < pivot && ++i != high) {}
        while (pivot < list[j] && --j != low) {}
        if (i > j) break;
        line(L"Swapping elements " + std::to_wstring(i) + L"," + std::to_wstring(j));
        std::swap(list[i++], list[j--]);
    }
    --depth;
    for (auto [a, b] : {std::pair{low, j}, std::pair{i, high}}) {
        if (a >= b) continue;
        line(L"Begin Recursion loop...");
        ++depth;
        RecursiveModel(list, a, b, depth, out);
        --depth;
        line(L"Finished Recursion loop");
    }
    --depth;
    line(L"Finished Sort()");
}

TEST_F(SortTest, TraceMatchesTheRecursiveProcedure) {
    std::mt19937 random(777);
    for (int round = 0; round < 200; ++round) {
        const int n = std::uniform_int_distribution<int>(1, 40)(random);
        List list;
        for (int k = 0; k < n; ++k)
            list.push_back(std::wstring(1, L'a' + std::uniform_int_distribution<int>(0, 6)(random)));
        List model = list;
        std::vector<std::wstring> expected;
        int depth = 0;
        RecursiveModel(model, 0, n - 1, depth, expected);
        FakeTrace::Reset();
        ReleaseThreadState();
        TraceOn();
        General::Sort(list, 0, n - 1);
        ASSERT_EQ(list, model) << "round " << round;
        ASSERT_EQ(TraceLines(), expected) << "round " << round;
    }
}

TEST_F(SortTest, IndicesOutsideTheListAreRejected) {
    List list{L"b", L"a"};
    EXPECT_THROW(General::Sort(list, 0, 2), Failure::Error);
    EXPECT_THROW(General::Sort(list, -1, 1), Failure::Error);
    EXPECT_EQ(list, (List{L"b", L"a"}));
}

}  // namespace

namespace {

bool Reversed(const std::wstring& a, const std::wstring& b) { return General::OrdinalLess(b, a); }

}  // namespace

// A given comparison orders the traced sort; the untraced one writes nothing
// and leaves the trace's depth alone.
TEST_F(SortTest, GivenComparisonOrdersBothSortsAndOnlyTheTracedOneTraces) {
    TraceOn();
    List list{L"", L"a", L"c", L"b"};
    General::Sort(list, 1, 3, Reversed);
    EXPECT_EQ(list, (List{L"", L"c", L"b", L"a"}));
    EXPECT_FALSE(TraceLines().empty());
    FakeTrace::Reset();
    ThreadState().TraceDepth = 3;
    List many;
    for (int i = 0; i < 100; ++i) many.push_back(std::to_wstring(i * 7919 % 100));
    General::Order(many, Reversed);
    EXPECT_TRUE(std::is_sorted(many.begin(), many.end(), Reversed));
    EXPECT_TRUE(TraceLines().empty());
    EXPECT_EQ(ThreadState().TraceDepth, 3);
}
