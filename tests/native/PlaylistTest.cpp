#include <gtest/gtest.h>

#include "Playlist.h"
#include "mdlFiles.h"

using Playlist::Encoding;

namespace {

// A stand-in code page: Latin-1, so that CJK text does not fit.
bool Fits(std::wstring_view t) {
    for (wchar_t c : t)
        if (static_cast<unsigned>(c) > 0xFF) return false;
    return true;
}
void ToLatin1(std::wstring_view t, std::string& s) {
    for (wchar_t c : t) s += static_cast<unsigned>(c) > 0xFF ? '?' : static_cast<char>(c);
}
std::wstring FromLatin1(std::string_view s) {
    std::wstring t;
    for (char c : s) t += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return t;
}
void ToUtf8(std::wstring_view t, std::string& s) {
    for (wchar_t c : t) {
        auto u = static_cast<unsigned>(c);
        if (u < 0x80) {
            s += static_cast<char>(u);
        } else if (u < 0x800) {
            s += static_cast<char>(0xC0 | (u >> 6));
            s += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            s += static_cast<char>(0xE0 | (u >> 12));
            s += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
}
const Playlist::Codec kCodec{Fits, ToLatin1, FromLatin1, ToUtf8};

// Kept files from their paths; slot 0 of paths is passed over.
KeptFiles Kept(const std::vector<std::wstring>& paths) {
    KeptFiles files;
    for (std::size_t i = 1; i < paths.size(); ++i)
        files.Add(paths[i], paths[i].size() - (paths[i].rfind(L'\\') + 1));
    return files;
}

// Lines of bare names, as files without a folder give them.
std::wstring NameLines(std::vector<std::wstring> names) {
    Playlist::EntryMaker entry(L"", false);
    return Playlist::Lines(Kept(names), {}, entry);
}

std::string Bytes(std::vector<std::wstring> entries, bool overwrite, std::string_view old,
                  bool utf8Format = false) {
    entries.insert(entries.begin(), L"");
    std::wstring lines = NameLines(entries);
    Playlist::Plan plan = Playlist::Decide(overwrite, Playlist::Detect(old), Fits(lines), utf8Format);
    return Playlist::Compose(plan, lines, old, kCodec);
}

}  // namespace

TEST(PlaylistEntry, ResolvesFromThePlaylistFolder) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* path;
        const wchar_t* entry;
    };
    const Case cases[] = {
        {L"C:\\Music\\", L"C:\\Music\\a.mp3", L"a.mp3"},
        {L"C:\\Music\\", L"c:\\MUSIC\\a.mp3", L"a.mp3"},              // case-blind folders
        {L"C:\\Music\\", L"C:\\Other\\x.mp3", L"..\\Other\\x.mp3"},
        {L"C:\\Music\\", L"C:\\Music\\Sub\\x.mp3", L"Sub\\x.mp3"},
        {L"C:\\Music\\Rock\\", L"C:\\x.mp3", L"..\\..\\x.mp3"},
        {L"C:\\", L"C:\\Music\\x.mp3", L"Music\\x.mp3"},
        {L"C:\\Music\\", L"D:\\Music\\x.mp3", L"D:\\Music\\x.mp3"},   // other drive
        {L"\\\\srv\\share\\Music\\", L"\\\\SRV\\Share\\Pop\\x.mp3", L"..\\Pop\\x.mp3"},
        {L"\\\\srv\\share\\Music\\", L"\\\\srv\\other\\x.mp3", L"\\\\srv\\other\\x.mp3"},
        {L"C:\\Music\\", L"\\\\?\\C:\\Music\\Sub\\x.mp3", L"Sub\\x.mp3"},
        {L"\\", L"C:\\Music\\x.mp3", L"C:\\Music\\x.mp3"},  // drive unknown
        {L"C:\\Music\\..\\Other\\.\\", L"C:\\Music\\x.mp3", L"..\\Music\\x.mp3"},
        {L"C:\\\u00c9t\u00e9\\", L"C:\\\u00e9T\u00c9\\x.mp3", L"x.mp3"},
        {L"C:\\\u041c\u0443\u0437\\", L"C:\\\u043c\u0443\u0437\\x.mp3", L"x.mp3"},
    };
    for (const Case& c : cases) {
        Playlist::EntryMaker make(c.folder, false);
        const std::wstring_view name = mdlFiles::FileNamePart(c.path);
        EXPECT_EQ(make(c.path, name), c.entry) << c.folder << " | " << c.path;
        // The shared prefix of a one-folder selection gives the same entry.
        std::wstring_view fileFolder(c.path);
        fileFolder.remove_suffix(name.size());
        EXPECT_EQ(std::wstring(make.PrefixIn(fileFolder)).append(name), c.entry) << c.path;
    }
}

TEST(PlaylistEntry, FullPathsOptionAndUnknownPaths) {
    Playlist::EntryMaker full(L"C:\\Music\\", true);
    EXPECT_EQ(full(L"C:\\Music\\a.mp3", L"a.mp3"), L"C:\\Music\\a.mp3");
    // A name whose path the handler does not know stays a bare name.
    Playlist::EntryMaker bare(L"C:\\Music\\", false);
    EXPECT_EQ(bare(L"", L"a.mp3"), L"a.mp3");
    // The folder cache must not leak one folder's prefix into the next.
    EXPECT_EQ(bare(L"C:\\Other\\b.mp3", L"b.mp3"), L"..\\Other\\b.mp3");
    EXPECT_EQ(bare(L"D:\\c.mp3", L"c.mp3"), L"D:\\c.mp3");
    EXPECT_EQ(bare(L"C:\\Music\\d.mp3", L"d.mp3"), L"d.mp3");
    EXPECT_EQ(bare(L"D:\\e.mp3", L"e.mp3"), L"D:\\e.mp3");
}

TEST(PlaylistEntry, RelativeEntriesStartingWithHashAreNoComments) {
    Playlist::EntryMaker relative(L"C:\\Music\\", false);
    EXPECT_EQ(relative(L"C:\\Music\\#1 Crush.mp3", L"#1 Crush.mp3"), L".\\#1 Crush.mp3");
    EXPECT_EQ(relative(L"", L"#1 Crush.mp3"), L".\\#1 Crush.mp3");
    EXPECT_EQ(relative(L"C:\\Music\\#Hits\\a.mp3", L"a.mp3"), L".\\#Hits\\a.mp3");
    EXPECT_EQ(relative(L"C:\\#Hits\\a.mp3", L"a.mp3"), L"..\\#Hits\\a.mp3");
    EXPECT_EQ(relative(L"C:\\Music\\a#1.mp3", L"a#1.mp3"), L"a#1.mp3");
    // Files of one folder share what stands before their names.
    Playlist::EntryMaker shared(L"C:\\Music\\", false);
    EXPECT_EQ(Playlist::Lines(Kept({L"", L"C:\\Music\\#2.mp3"}), L"C:\\Music\\", shared), L".\\#2.mp3\n");
    // Full paths never start with "#" and stay as they are.
    Playlist::EntryMaker full(L"#\\", true);
    EXPECT_EQ(full(L"C:\\#\\#3.mp3", L"#3.mp3"), L"C:\\#\\#3.mp3");
}

// Players trim the blanks a line starts with: " Intro.mp3" would be looked
// for as "Intro.mp3".
TEST(PlaylistEntry, RelativeEntriesStartingWithABlankKeepIt) {
    Playlist::EntryMaker relative(L"C:\\Music\\", false);
    EXPECT_EQ(relative(L"C:\\Music\\ Intro.mp3", L" Intro.mp3"), L".\\ Intro.mp3");
    EXPECT_EQ(relative(L"C:\\Music\\ Live\\a.mp3", L"a.mp3"), L".\\ Live\\a.mp3");
    EXPECT_EQ(relative(L"C:\\Music\\a .mp3", L"a .mp3"), L"a .mp3");
    Playlist::EntryMaker shared(L"C:\\Music\\", false);
    EXPECT_EQ(Playlist::Lines(Kept({L"", L"C:\\Music\\ 2.mp3"}), L"C:\\Music\\", shared), L".\\ 2.mp3\n");
}

// Phones and media servers read "\\" as part of a name.
TEST(PlaylistEntry, PortableEntriesUseSlashesEverywhere) {
    struct Case {
        const wchar_t* folder;
        bool full;
        const wchar_t* path;
        const wchar_t* entry;
    };
    const Case cases[] = {
        {L"C:\\Music\\", false, L"C:\\Music\\a.mp3", L"a.mp3"},
        {L"C:\\Music\\", false, L"C:\\Music\\Sub\\Deep\\x.mp3", L"Sub/Deep/x.mp3"},
        {L"C:\\Music\\Rock\\", false, L"C:\\Music\\Pop\\x.mp3", L"../Pop/x.mp3"},
        {L"C:\\Music\\", false, L"D:\\Other\\x.mp3", L"D:/Other/x.mp3"},
        {L"C:\\Music\\", true, L"C:\\Music\\x.mp3", L"C:/Music/x.mp3"},
        {L"\\\\srv\\share\\", true, L"\\\\srv\\share\\x.mp3", L"//srv/share/x.mp3"},
        {L"C:\\Music\\", false, L"C:\\Music\\#1.mp3", L"./#1.mp3"},
        {L"C:\\Music\\", false, L"C:\\Music\\ Intro.mp3", L"./ Intro.mp3"},
        {L"C:\\Music\\", false, L"C:\\Music\\#Hits\\a.mp3", L"./#Hits/a.mp3"},
        {L"C:\\Music\\", false, L"", L"./#bare.mp3"},
    };
    for (const Case& c : cases) {
        Playlist::EntryMaker make(c.folder, c.full, true);
        const std::wstring_view name = *c.path ? mdlFiles::FileNamePart(c.path) : std::wstring_view(L"#bare.mp3");
        EXPECT_EQ(make(c.path, name), c.entry) << c.folder << " | " << c.path;
        if (!*c.path) continue;
        // A walked folder's files go through the prefix and AppendEntry.
        std::wstring_view fileFolder(c.path);
        fileFolder.remove_suffix(name.size());
        std::wstring walked;
        Playlist::AppendEntry(walked, make.PrefixIn(fileFolder), name, make.Portable());
        EXPECT_EQ(walked, c.entry) << c.path;
    }
}

TEST(PlaylistFolder, InvokingFolderThenViewFolderThenFirstFile) {
    EXPECT_EQ(Playlist::TargetFolder(L"C:\\Music", L"D:\\View", L"E:\\x\\a.mp3"), L"C:\\Music\\");
    EXPECT_EQ(Playlist::TargetFolder(L"C:\\Music\\", L"", L""), L"C:\\Music\\");
    EXPECT_EQ(Playlist::TargetFolder(L"", L"D:\\View", L"E:\\x\\a.mp3"), L"D:\\View\\");
    EXPECT_EQ(Playlist::TargetFolder(L"", L"", L"E:\\x\\a.mp3"), L"E:\\x\\");
    EXPECT_EQ(Playlist::TargetFolder(L"", L"", L""), L"\\");
}

TEST(PlaylistOrder, CommonFolderOnlyWhenEveryFileLiesInIt) {
    using Playlist::CommonFolder;
    EXPECT_EQ(CommonFolder(Kept({L"", L"C:\\M\\a.mp3", L"C:\\M\\b.mp3"})), L"C:\\M\\");
    EXPECT_EQ(CommonFolder(Kept({L"", L"C:\\M\\a.mp3", L"C:\\N\\b.mp3"})), L"");
    EXPECT_EQ(CommonFolder(Kept({L"", L"C:\\M\\a.mp3", L"C:\\M\\"})), L"");
    EXPECT_EQ(CommonFolder(Kept({L"", L"a.mp3"})), L"");
    EXPECT_EQ(CommonFolder(Kept({L""})), L"");
}

// The shared prefix of files from one folder must give the entries each
// file's own path gives.
TEST(PlaylistBytes, OneFolderLinesEqualLinesFromEachPath) {
    const KeptFiles files = Kept({L"", L"C:\\Music\\Sub\\a.mp3", L"C:\\Music\\Sub\\B.mp3"});
    const std::wstring_view folder = Playlist::CommonFolder(files);
    ASSERT_EQ(folder, L"C:\\Music\\Sub\\");
    for (const wchar_t* playlistFolder : {L"C:\\Music\\Sub\\", L"C:\\music\\", L"C:\\Other\\", L"D:\\", L""}) {
        for (bool full : {false, true}) {
            Playlist::EntryMaker shared(playlistFolder, full), each(playlistFolder, full);
            EXPECT_EQ(Playlist::Lines(files, folder, shared), Playlist::Lines(files, {}, each))
                << testing::PrintToString(std::wstring(playlistFolder)) << full;
        }
    }
    Playlist::EntryMaker entry(L"C:\\Music\\", false);
    EXPECT_EQ(Playlist::Lines(files, folder, entry), L"Sub\\a.mp3\nSub\\B.mp3\n");
}

TEST(PlaylistName, AfterTheFolderItLandsIn) {
    struct Case {
        const wchar_t* folder;
        const wchar_t* name;
    } cases[] = {
        {L"D:\\Music\\Kind of Blue\\", L"Kind of Blue"},
        {L"D:\\Music\\Kind of Blue", L"Kind of Blue"},
        {L"\\\\nas\\music\\Abbey Road\\", L"Abbey Road"},
        {L"\\\\?\\D:\\Music\\\u6771\u4eac\\", L"\u6771\u4eac"},
        {L"D:\\Music\\Vol. 2\\", L"Vol. 2"},
        {L"D:\\", L"new"},                    // a drive's root
        {L"\\\\nas\\music\\", L"new"},         // a share's root
        {L"\\", L"new"},                      // the drive unknown
        {L"", L"new"},
        {L"D:\\Music\\CON\\", L"new"},          // not a file name as it stands
        {L"D:\\Music\\Dots...\\", L"new"},
        {L"D:\\Music\\Live \\", L"new"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Playlist::NameAfterFolder(c.folder), c.name) << testing::PrintToString(std::wstring(c.folder));
    EXPECT_TRUE(Playlist::IsPlaylistFile(L"Mix.M3U8"));
    EXPECT_TRUE(Playlist::IsPlaylistFile(L"new.m3u"));
    EXPECT_FALSE(Playlist::IsPlaylistFile(L"m3u.mp3"));
}

TEST(PlaylistBytes, LinesEndInCrLfWithoutHeader) {
    EXPECT_EQ(NameLines({L"", L"A.mp3", L"b.mp3"}), L"A.mp3\nb.mp3\n");
    EXPECT_EQ(NameLines({L""}), L"");
    EXPECT_EQ(Bytes({L"A.mp3", L"b.mp3"}, true, ""), "A.mp3\r\nb.mp3\r\n");
    EXPECT_EQ(Bytes({L"caf\u00e9.mp3"}, true, ""), "caf\xe9.mp3\r\n");
}

TEST(PlaylistEncoding, CodePageUnlessAnEntryDoesNotFit) {
    const std::wstring tokyo = L"\u6771\u4eac.mp3";
    // New or replaced: UTF-8 with BOM as soon as one entry needs it, never "?".
    EXPECT_EQ(Bytes({L"a.mp3", tokyo}, true, "old\r\n"),
              "\xEF\xBB\xBF" "a.mp3\r\n\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n");
    EXPECT_EQ(Bytes({tokyo}, false, ""), "\xEF\xBB\xBF\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n");
    // Appending joins the old last line when it has no line end.
    EXPECT_EQ(Bytes({L"b.mp3"}, false, "a.mp3"), "b.mp3\r\n");
    // Appending to UTF-8 stays UTF-8 without a second BOM, even for fitting names.
    EXPECT_EQ(Bytes({L"caf\u00e9.mp3"}, false, "\xEF\xBB\xBFx\r\n"), "caf\xC3\xA9.mp3\r\n");
    // A code-page file that must take an unfit entry is rewritten as UTF-8 with BOM.
    EXPECT_EQ(Bytes({tokyo}, false, "caf\xe9.mp3\r\n"),
              "\xEF\xBB\xBF" "caf\xC3\xA9.mp3\r\n\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n");
}

namespace {

std::string PortableBytes(const std::vector<std::wstring>& paths, bool utf8Format) {
    Playlist::EntryMaker entry(L"C:\\Music\\", false, true);
    const std::wstring lines = Playlist::Lines(Kept(paths), {}, entry);
    Playlist::Plan plan = Playlist::Decide(true, Encoding::None, Fits(lines), utf8Format);
    plan.crlf = Playlist::UsesCrLf(true, Playlist::LineBreak::None, true);
    return Playlist::Compose(plan, lines, {}, kCodec);
}

}  // namespace

TEST(PlaylistBytes, PortablePlaylistsInBothFormats) {
    const std::vector<std::wstring> paths{L"", L"C:\\Music\\ Intro.mp3", L"C:\\Music\\CD 2\\caf\u00e9.mp3",
                                          L"C:\\Music\\#1.mp3"};
    EXPECT_EQ(PortableBytes(paths, false), "./ Intro.mp3\nCD 2/caf\xe9.mp3\n./#1.mp3\n");
    EXPECT_EQ(PortableBytes(paths, true), "#EXTM3U\n./ Intro.mp3\nCD 2/caf\xC3\xA9.mp3\n./#1.mp3\n");
    // Unfit for the code page: UTF-8 with its mark, as without Portable.
    EXPECT_EQ(PortableBytes({L"", L"C:\\Music\\\u6771\\a.mp3"}, false), "\xEF\xBB\xBF\xE6\x9D\xB1/a.mp3\n");
}

TEST(PlaylistBytes, LineEndsOfNewReplacedAndAppendedPlaylists) {
    using Playlist::LineBreak;
    using Playlist::UsesCrLf;
    EXPECT_EQ(Playlist::FirstLineBreak(Encoding::CodePage, "a.mp3\r\nb.mp3\n"), LineBreak::CrLf);
    EXPECT_EQ(Playlist::FirstLineBreak(Encoding::CodePage, "a.mp3\nb.mp3\r\n"), LineBreak::Lf);
    EXPECT_EQ(Playlist::FirstLineBreak(Encoding::CodePage, "a.mp3"), LineBreak::None);
    EXPECT_EQ(Playlist::FirstLineBreak(Encoding::Utf16Le, std::string("\xFF\xFE" "a\0\r\0\n\0", 8)), LineBreak::CrLf);
    EXPECT_EQ(Playlist::FirstLineBreak(Encoding::Utf16Le, std::string("\xFF\xFE\x0A\x0D\n\0", 6)), LineBreak::Lf);
    EXPECT_EQ(Playlist::FirstLineBreak(Encoding::Utf16Be, std::string("\xFE\xFF\0a\0\n", 6)), LineBreak::Lf);
    for (bool portable : {false, true}) {
        // New or replaced: CR LF, LF alone when portable; so is an append to
        // a playlist that has no line break yet.
        EXPECT_EQ(UsesCrLf(true, LineBreak::Lf, portable), !portable);
        EXPECT_EQ(UsesCrLf(false, LineBreak::None, portable), !portable);
        // An append follows the playlist.
        EXPECT_TRUE(UsesCrLf(false, LineBreak::CrLf, portable));
        EXPECT_FALSE(UsesCrLf(false, LineBreak::Lf, portable));
    }
    Playlist::Plan lf = Playlist::Decide(false, Encoding::CodePage, true);
    lf.crlf = false;
    EXPECT_EQ(Playlist::Compose(lf, L"\na\\b.mp3\n", {}, kCodec), "\na\\b.mp3\n");
    Playlist::Plan wide = Playlist::Decide(false, Encoding::Utf16Le, true);
    EXPECT_EQ(Playlist::Compose(wide, L"a\n", {}, kCodec), std::string("a\0\r\0\n\0", 6));
}

// The bytes come in pieces of whole lines; together they are the whole.
TEST(PlaylistBytes, PiecesAreWholeLinesAndAddUpToTheWhole) {
    std::wstring lines;
    for (int i = 0; lines.size() < 3 * Playlist::kPieceChars; ++i) lines += L"caf\u00e9 " + std::to_wstring(i) + L".mp3\n";
    Playlist::Plan plan = Playlist::Decide(true, Encoding::None, true);
    struct : Playlist::ByteSink {
        std::vector<std::string> pieces;
        void Write(std::string_view bytes) override { pieces.emplace_back(bytes); }
    } sink;
    Playlist::TextLines text(lines);
    Playlist::Emit(plan, text, {}, kCodec, sink);
    ASSERT_GE(sink.pieces.size(), 3u);
    std::string whole, expected;
    for (const std::string& piece : sink.pieces) {
        EXPECT_EQ(piece.substr(piece.size() - 2), "\r\n");
        whole += piece;
    }
    for (wchar_t c : lines) {
        if (c == L'\n') expected += '\r';
        expected += static_cast<char>(c);
    }
    EXPECT_EQ(whole, expected);
    // A selection's lines, made as they are asked for, are the lines.
    std::vector<std::wstring> paths{L""};
    for (int i = 0; i < 12000; ++i) paths.push_back(L"C:\\Music\\" + std::to_wstring(i % 3) + L"\\#" + std::to_wstring(i) + L".mp3");
    const KeptFiles files = Kept(paths);
    Playlist::EntryMaker all(L"C:\\Music\\", false, true), each(L"C:\\Music\\", false, true);
    Playlist::KeptLines made(files, {}, each);
    std::wstring joined, piece;
    size_t count = 0;
    for (int pass = 0; pass < 2; ++pass) {  // a second pass after Rewind gives the same
        joined.clear();
        made.Rewind();
        for (count = 0; piece.clear(), made.Next(piece); ++count) {
            EXPECT_EQ(piece.back(), L'\n');
            joined += piece;
        }
        EXPECT_EQ(joined, Playlist::Lines(files, {}, all));
    }
    EXPECT_GT(count, 2u);
}

TEST(PlaylistEncoding, PlanSaysWhetherTheFileIsRewritten) {
    EXPECT_TRUE(Playlist::Decide(true, Encoding::CodePage, true).rewrite);
    EXPECT_FALSE(Playlist::Decide(false, Encoding::None, false).rewrite);
    EXPECT_FALSE(Playlist::Decide(false, Encoding::CodePage, true).rewrite);
    auto convert = Playlist::Decide(false, Encoding::CodePage, false);
    EXPECT_TRUE(convert.rewrite && convert.convertOld && convert.bom);
    EXPECT_EQ(Playlist::Detect("\xEF\xBB"), Encoding::CodePage);  // a cut BOM is no BOM
}

TEST(PlaylistEncoding, Utf8PlaylistsHaveNoBomAndAHeaderWhenNew) {
    const std::wstring tokyo = L"\u6771\u4eac.mp3";
    const std::string tokyo8 = "\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n";
    // Created or replaced: the header, then UTF-8 even where the code page would do.
    EXPECT_EQ(Bytes({L"caf\u00e9.mp3", tokyo}, true, "old\r\n", true),
              "#EXTM3U\r\ncaf\xC3\xA9.mp3\r\n" + tokyo8);
    EXPECT_EQ(Bytes({L"a.mp3"}, false, "", true), "#EXTM3U\r\na.mp3\r\n");
    // Appended: UTF-8 lines only, whatever the existing file starts with.
    EXPECT_EQ(Bytes({tokyo}, false, "#EXTM3U\r\nx.mp3\r\n", true), tokyo8);
    EXPECT_EQ(Bytes({tokyo}, false, "\xEF\xBB\xBFx\r\n", true), tokyo8);
    EXPECT_EQ(Bytes({tokyo}, false, "caf\xe9.mp3\r\n", true), tokyo8);
}

TEST(PlaylistEncoding, Utf16PlaylistsTakeAppendsInTheirOwnForm) {
    const std::wstring lines = L"\u00e9\u6771\n";
    for (bool utf8Format : {false, true}) {
        auto le = Playlist::Decide(false, Playlist::Detect("\xFF\xFE" "a"), false, utf8Format);
        EXPECT_EQ(Playlist::Compose(le, lines, {}, kCodec), std::string("\xE9\x00\x71\x67\r\0\n\0", 8));
        EXPECT_FALSE(le.rewrite || le.bom || le.header);
        auto be = Playlist::Decide(false, Playlist::Detect("\xFE\xFF\0"), true, utf8Format);
        EXPECT_EQ(Playlist::Compose(be, lines, {}, kCodec), std::string("\x00\xE9\x67\x71\0\r\0\n", 8));
    }
    // Replacing one writes a playlist of today's kind.
    EXPECT_EQ(Playlist::Decide(true, Encoding::Utf16Le, true).encoding, Encoding::CodePage);
    // Beyond the basic plane: a surrogate pair where wchar_t holds whole code points.
    if constexpr (sizeof(wchar_t) == 4)
        EXPECT_EQ(Playlist::ToUtf16(std::wstring(1, static_cast<wchar_t>(0x1F3B5)), false), "\x3C\xD8\xB5\xDF");
}

TEST(PlaylistEncoding, AppendStartsOnALineOfItsOwn) {
    using Playlist::EndsInsideALine;
    const std::string le("\xFF\xFE", 2), be("\xFE\xFF", 2);
    EXPECT_TRUE(EndsInsideALine(Encoding::Utf16Le, le, std::string("a\0", 2), 4));
    EXPECT_FALSE(EndsInsideALine(Encoding::Utf16Le, le, std::string("\n\0", 2), 6));
    EXPECT_TRUE(EndsInsideALine(Encoding::Utf16Le, le, std::string("\0\n", 2), 6));  // U+0A00
    EXPECT_FALSE(EndsInsideALine(Encoding::Utf16Be, be, std::string("\0\n", 2), 6));
    EXPECT_FALSE(EndsInsideALine(Encoding::Utf16Be, be, be, 2));  // the mark alone
    EXPECT_FALSE(EndsInsideALine(Encoding::Utf8, "\xEF\xBB\xBF", "\xBB\xBF", 3));
    EXPECT_TRUE(EndsInsideALine(Encoding::Utf8, "\xEF\xBB\xBF", "\xBFx", 4));
    EXPECT_TRUE(EndsInsideALine(Encoding::CodePage, "a", "a", 1));
    EXPECT_FALSE(EndsInsideALine(Encoding::None, "", "", 0));
}
