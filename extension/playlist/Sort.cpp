// General::Sort: quicksort with the middle element as pivot, traced step by
// step. The recursion runs on an explicit stack of frames so that a selection
// of any size cannot exhaust the (possibly small) stack of an Explorer
// thread; the frames replay the recursive procedure's steps in the same order,
// so results and trace lines are those of the recursive form.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Failure.h"
#include "Sort.h"
#include "KeptFiles.h"
#include "ModuleState.h"
#include "Trace.h"

namespace General {
namespace {

constexpr Trace::Procedure SortTrace{L"General", L"Sort()"};

}  // namespace

namespace {

// Names in one folder often share long starts: those are passed over several
// code units at a time. Negative, zero or positive as a sorts before, with
// or after b: one pass answers both questions a stable sort asks.
int OrdinalCompare(std::wstring_view a, std::wstring_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    const wchar_t* x = a.data();
    const wchar_t* y = b.data();
    constexpr std::size_t kStep = sizeof(uint64_t) / sizeof(wchar_t);
    std::size_t k = 0;
    for (; k + kStep <= n; k += kStep) {
        uint64_t u, v;
        std::memcpy(&u, x + k, sizeof u);
        std::memcpy(&v, y + k, sizeof v);
        if (u != v) break;
    }
    for (; k < n; ++k)
        if (x[k] != y[k]) return static_cast<uint32_t>(x[k]) < static_cast<uint32_t>(y[k]) ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool OrdinalBefore(std::wstring_view a, std::wstring_view b) { return OrdinalCompare(a, b) < 0; }

}  // namespace

bool OrdinalLess(const std::wstring& a, const std::wstring& b) { return OrdinalBefore(a, b); }

namespace {

constexpr int32_t kShortRange = 16;

// The kept files sort by their names; each slot moves whole, path and all.
struct FileNames {
    KeptFiles& files;
    std::size_t size() const { return files.size(); }
    std::wstring_view operator[](int32_t i) const { return files.Name(i); }
};

void SwapSlots(std::vector<std::wstring>& list, int32_t i, int32_t j) { list[i].swap(list[j]); }
void SwapSlots(FileNames& list, int32_t i, int32_t j) { list.files.Swap(i, j); }

template <class List, class Before>
void InsertionSort(List& list, int32_t low, int32_t high, Before SortsBefore) {
    for (int32_t i = low + 1; i <= high; ++i)
        for (int32_t j = i; j > low && SortsBefore(list[j], list[j - 1]); --j) SwapSlots(list, j, j - 1);
}

int32_t Checked(int64_t value) {
    if (value < INT32_MIN || value > INT32_MAX) Failure::Raise(Failure::Overflow);
    return static_cast<int32_t>(value);
}

struct Frame {
    enum Step { Start, Left, AfterLeft, Right, AfterRight, Finish };
    int32_t low, high;
    int32_t i = 0, j = 0;
    Step step = Start;
};

// Every scan stops at the range's ends, so even a comparison that is not a
// strict order cannot lead it outside the range.
template <class List, class Before>
void SortWith(List& list, int32_t low, int32_t high, Before SortsBefore, bool traced) {
    ModuleState& state = ThreadState();
    int16_t quietDepth = 0;
    int16_t& depth = traced ? state.TraceDepth : quietDepth;
    const bool tracing = traced && state.TraceSwitch;
    // An untraced sort, the usual case, skips the trace's look-up of the thread.
    auto trace = [tracing](std::wstring_view message) {
        if (tracing) SortTrace(message);
    };

    std::vector<Frame> stack;
    stack.reserve(64);
    stack.push_back(Frame{low, high});
    // Sorts low..high as a child of the top frame, which goes on at after;
    // a part of one element is in order already, and the frame goes on at skip.
    auto Descend = [&](int32_t childLow, int32_t childHigh, Frame::Step after, Frame::Step skip) {
        if (childLow < childHigh) {
            trace(L"Begin Recursion loop...");
            Trace::ProcEnter(depth);
            stack.back().step = after;
            stack.push_back(Frame{childLow, childHigh});
        } else {
            stack.back().step = skip;
        }
    };
    auto Ascend = [&](Frame::Step next) {
        Trace::ProcLeave(depth);
        trace(L"Finished Recursion loop");
        stack.back().step = next;
    };
    while (!stack.empty()) {
        Frame& f = stack.back();
        switch (f.step) {
        case Frame::Start: {
            trace(L"Beginig Sort()");
            Trace::ProcEnter(depth);
            if (f.high <= f.low) {
                trace(L"The specified Upper Boundary cannot be lower than or equal to the Lower Boundary");
                Trace::ProcLeave(depth);
                stack.pop_back();
                break;
            }
            if (f.low < 0 || static_cast<size_t>(f.high) >= list.size())
                Failure::Raise(Failure::InvalidArgument);
            // Untraced, only the order shows, and equal names are alike: a
            // short range is put in order by insertion, with no partitions.
            if (!tracing && f.high - f.low < kShortRange) {
                InsertionSort(list, f.low, f.high, SortsBefore);
                Trace::ProcLeave(depth);
                stack.pop_back();
                break;
            }
            // The pivot's value is followed through the swaps by its slot
            // rather than copied: one allocation fewer per partition.
            int32_t p = Checked((int64_t{f.low} + f.high) / 2);
            int32_t i = f.low, j = f.high;
            Trace::ProcEnter(depth);
            while (i <= j) {
                while (SortsBefore(list[i], list[p])) {
                    i = Checked(int64_t{i} + 1);
                    if (i == f.high) break;
                }
                while (SortsBefore(list[p], list[j])) {
                    j = Checked(int64_t{j} - 1);
                    if (j == f.low) break;
                }
                if (i > j) break;
                if (tracing)
                    trace(L"Swapping elements " + std::to_wstring(i) + L"," + std::to_wstring(j));
                SwapSlots(list, i, j);
                if (p == i) p = j;
                else if (p == j) p = i;
                i = Checked(int64_t{i} + 1);
                j = Checked(int64_t{j} - 1);
            }
            Trace::ProcLeave(depth);
            f.i = i;
            f.j = j;
            f.step = Frame::Left;
            break;
        }
        case Frame::Left:
            Descend(f.low, f.j, Frame::AfterLeft, Frame::Right);
            break;
        case Frame::AfterLeft:
            Ascend(Frame::Right);
            break;
        case Frame::Right:
            Descend(f.i, f.high, Frame::AfterRight, Frame::Finish);
            break;
        case Frame::AfterRight:
            Ascend(Frame::Finish);
            break;
        case Frame::Finish:
            Trace::ProcLeave(depth);
            trace(L"Finished Sort()");
            stack.pop_back();
            break;
        }
    }
}

}  // namespace

void Sort(std::vector<std::wstring>& list, int32_t low, int32_t high) {
    SortWith(list, low, high, [](const std::wstring& a, const std::wstring& b) { return OrdinalLess(a, b); }, true);
}

// Equal names keep the selection's order: their texts lie in the one buffer
// in the order they came.
void Sort(KeptFiles& files, int32_t low, int32_t high) {
    FileNames names{files};
    SortWith(names, low, high,
             [](std::wstring_view a, std::wstring_view b) {
                 const int order = OrdinalCompare(a, b);
                 return order < 0 || (order == 0 && a.data() < b.data());
             },
             true);
}

void Sort(KeptFiles& files, int32_t low, int32_t high, Less less) {
    FileNames names{files};
    // The chosen order compares whole texts. Two texts serve every
    // comparison, so that a large selection makes no allocation per one.
    std::wstring x, y;
    SortWith(names, low, high,
             [less, &x, &y](std::wstring_view a, std::wstring_view b) {
                 x.assign(a);
                 y.assign(b);
                 return less(x, y) || (!less(y, x) && a.data() < b.data());
             },
             true);
}

void Sort(std::vector<std::wstring>& list, int32_t low, int32_t high, Less less) {
    SortWith(list, low, high, less, true);
}

void Order(std::vector<std::wstring>& list, Less less) {
    if (list.size() > 1) SortWith(list, 0, Checked(static_cast<int64_t>(list.size()) - 1), less, false);
}

}  // namespace General
