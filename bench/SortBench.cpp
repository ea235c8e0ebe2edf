// General::Sort (trace off) against std::sort of the same 100,000 file names,
// measured in the same run. Prints the ratio of the two times; the absolute
// times depend on the machine, the ratio far less.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "KeptFiles.h"
#include "Sort.h"
#include "ModuleState.h"
#include "Trace.h"

// The trace is switched off here; its platform side only has to exist.
namespace Trace {
Stamp Now() { return {}; }
void Append(std::wstring_view, bool) {}
std::wstring DebugFile() { return {}; }
}  // namespace Trace

namespace {

using List = std::vector<std::wstring>;

// Names as a music folder holds them: artist, album, track number and title,
// a few extensions, some names repeated (the same file under several folders).
List RealisticNames(size_t count, unsigned seed) {
    static const wchar_t* artists[] = {L"Air", L"Beck", L"Björk", L"Can", L"Daft Punk", L"Enya",
                                       L"Faust", L"Goldfrapp", L"Hooverphonic", L"Incubus",
                                       L"Jamiroquai", L"Kraftwerk", L"Lamb", L"Moby", L"Neu!",
                                       L"Orbital", L"Portishead", L"Queen", L"Röyksopp", L"Slowdive"};
    static const wchar_t* words[] = {L"Blue", L"Night", L"Song", L"Love", L"Train", L"Dream",
                                     L"Light", L"City", L"Water", L"Fire", L"Home", L"Time",
                                     L"remix", L"live", L"Intro", L"Outro"};
    static const wchar_t* extensions[] = {L".mp3", L".mp3", L".mp3", L".wav", L".wma", L".MP3"};
    std::mt19937 random(seed);
    auto pick = [&](auto& table) {
        return table[std::uniform_int_distribution<size_t>(0, std::size(table) - 1)(random)];
    };
    List names;
    names.reserve(count);
    while (names.size() < count) {
        if (!names.empty() && random() % 10 == 0) {
            names.push_back(names[random() % names.size()]);
            continue;
        }
        wchar_t track[8];
        std::swprintf(track, 8, L"%02u", static_cast<unsigned>(random() % 20 + 1));
        std::wstring name = std::wstring(pick(artists)) + L" - " + pick(words) + L" " +
                            pick(words) + L" - " + track + L" - " + pick(words) + L" " +
                            pick(words) + pick(extensions);
        names.push_back(std::move(name));
    }
    return names;
}

template <class Body>
double BestSeconds(const List& input, Body body) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        List list = input;
        auto start = std::chrono::steady_clock::now();
        body(list);
        std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count());
    }
    return best;
}

bool Report(const char* label, const List& input) {
    List ours = input, theirs = input;
    General::Sort(ours, 0, static_cast<int32_t>(ours.size()) - 1);
    std::sort(theirs.begin(), theirs.end());
    if (ours != theirs) {
        std::printf("%-22s MISMATCH: Sort and std::sort disagree\n", label);
        return false;
    }
    const double sortTime = BestSeconds(input, [](List& l) {
        General::Sort(l, 0, static_cast<int32_t>(l.size()) - 1);
    });
    const double stdTime = BestSeconds(input, [](List& l) { std::sort(l.begin(), l.end()); });
    std::printf("%-22s Sort %8.2f ms   std::sort %8.2f ms   ratio %.2f\n", label, sortTime * 1e3,
                stdTime * 1e3, sortTime / stdTime);
    return true;
}

// The kept files of a shuffled music folder ("07 Björk - Déjà vu 000006.mp3",
// about 35 characters, each under its folder's path), as the handler sorts
// them, against std::sort of the same names.
bool ReportKept() {
    static const wchar_t* artists[] = {L"Björk", L"Sigur Rós", L"Café Tacvba", L"Beyoncé", L"The Beatles",
                                       L"Måneskin", L"Die Ärzte", L"Zoë Keating", L"Os Mutantes"};
    static const wchar_t* titles[] = {L"Intro", L"Hyperballad", L"Déjà vu", L"It's Oh So Quiet", L"Niño"};
    const std::wstring folder = L"D:\\Music\\Various Artists\\The Collection (Remastered)\\";
    List names;
    for (unsigned i = 0; i < 100000; ++i) {
        wchar_t number[16];
        std::swprintf(number, 16, L"%02u ", i % 20 + 1);
        wchar_t serial[16];
        std::swprintf(serial, 16, L" %06u.mp3", i);
        names.push_back(number + std::wstring(artists[i % std::size(artists)]) + L" - " +
                        titles[(i / 7) % std::size(titles)] + serial);
    }
    std::shuffle(names.begin(), names.end(), std::mt19937(42));
    double kept = 1e9, plain = 1e9;
    bool same = true;
    for (int round = 0; round < 5; ++round) {
        KeptFiles files;
        for (const std::wstring& name : names) files.Add(folder + name, name.size());
        List theirs = names;
        auto start = std::chrono::steady_clock::now();
        General::Sort(files, 0, static_cast<int32_t>(files.size()) - 1);
        auto middle = std::chrono::steady_clock::now();
        std::sort(theirs.begin(), theirs.end());
        auto end = std::chrono::steady_clock::now();
        kept = std::min(kept, std::chrono::duration<double>(middle - start).count());
        plain = std::min(plain, std::chrono::duration<double>(end - middle).count());
        List ours = files.Names();
        ours.erase(ours.begin());
        same = same && ours == theirs;
    }
    if (!same) {
        std::printf("%-22s MISMATCH: Sort and std::sort disagree\n", "kept files");
        return false;
    }
    std::printf("%-22s Sort %8.2f ms   std::sort %8.2f ms   ratio %.2f\n", "kept files", kept * 1e3, plain * 1e3,
                kept / plain);
    return true;
}

}  // namespace

int main() {
    ThreadState().TraceSwitch = false;
    const size_t count = 100000;
    List names = RealisticNames(count, 2026);
    List sorted = names;
    std::sort(sorted.begin(), sorted.end());
    List reversed(sorted.rbegin(), sorted.rend());
    List equal(count, L"Queen - Love Song - 01 - Night Train.mp3");

    std::printf("100,000 file names, trace off, best of 5 rounds\n");
    bool ok = Report("random order", names);
    ok &= Report("already sorted", sorted);
    ok &= Report("reversed", reversed);
    ok &= Report("all equal", equal);
    ok &= ReportKept();
    return ok ? 0 : 1;
}
