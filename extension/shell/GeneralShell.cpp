#include "GeneralShell.h"

#include <wrl/client.h>

#include <string>

#include "Failure.h"
#include "Handles.h"
#include "MenuGraphics.h"
#include "ModuleState.h"
#include "Server.h"
#include "ShellExt.h"
#include "Trace.h"

namespace General {

namespace {

// The menu's lines stand under the class's module, its failures under General's.
constexpr Trace::Procedure MenuTrace{L"ShellExt", L"QueryContextMenu()"};
constexpr Trace::Procedure MenuFailureTrace{L"General", MenuTrace.name};
constexpr Trace::Procedure ReplaceTrace{L"General", L"ReplaceVtableEntry()"};
constexpr Trace::Procedure ProtectTrace{L"General", L"ReplaceVtableEntry::VirtualProtect()"};

// Each item: a text with its own check-mark pictures, placed by position.
constexpr UINT kItemFlags = MF_BYPOSITION | MF_USECHECKBITMAPS;
constexpr UINT kPictureFlags = MF_BYPOSITION | MF_USECHECKBITMAPS | MF_BITMAP;
constexpr UINT kCascadeFlags = MF_BYPOSITION | MF_POPUP;
// The flags that say where the menu is shown.
constexpr UINT kSourceFlags = CMF_DEFAULTONLY | CMF_VERBSONLY | CMF_EXPLORE | CMF_NOVERBS;

// The table is shared by every thread's objects; a VirtualProtect pair of one
// thread must not interleave with another's, or a write lands on a page
// already made read-only again.
SRWLOCK tableLock = SRWLOCK_INIT;

std::wstring LoadCaption(UINT id) {
    wchar_t text[256] = {};
    int n = LoadStringW(Server::Instance(), id, text, 256);
    if (n <= 0) Failure::Raise(Failure::FileNotFound, L"string " + std::to_wstring(id));
    return std::wstring(text, n);
}

HBITMAP MenuPicture(UINT id) {
    const Handles::UniqueBitmap source(LoadBitmapW(Server::Instance(), MAKEINTRESOURCEW(id)));
    if (!source) Failure::Raise(Failure::FileNotFound, L"bitmap " + std::to_wstring(id));
    return MenuGraphics::ScaleMenuBitmap(source.get());
}

}  // namespace

HRESULT STDMETHODCALLTYPE QueryContextMenu(IContextMenu* object, HMENU hMenu, UINT indexMenu, UINT idCmdFirst,
                                           UINT idCmdLast, UINT uFlags) {
    // The object must outlive this call even if the shell lets go of it meanwhile.
    const Microsoft::WRL::ComPtr<IContextMenu> hold(object);
    ShellExt* self = static_cast<ShellExt*>(object);
    ModuleState& state = ThreadState();

    int32_t result = 0;
    bool runningSet = false;
    uint32_t running = 0;
    // Ours to destroy until it becomes part of the shell's menu.
    Handles::UniqueMenu submenu;
    bool completed = Failure::Guard(
        [&] {
            MenuTrace(L"Begin QueryContextMenu()");
            Trace::ProcEnter(state.TraceDepth);
            if (state.ShowMenu == 0) {
                MenuTrace(L"ShowMenu has been flagged as flase, exiting procedure");
                return;
            }
            MenuTrace(L"hMenu: " + Trace::Number(hMenu) +
                      L" indexMenu: " + Trace::Number(static_cast<int32_t>(indexMenu)) +
                      L" idCmdFirst: " + Trace::Number(static_cast<int32_t>(idCmdFirst)) +
                      L" idCmdLast: " + Trace::Number(static_cast<int32_t>(idCmdLast)) +
                      L" uFlags: " + Trace::Number(static_cast<int32_t>(uFlags)));
            const std::wstring cascade = LoadCaption(101);
            const std::wstring create = LoadCaption(102);
            const std::wstring options = LoadCaption(103);
            running = idCmdFirst;
            runningSet = true;

            const UINT kind = uFlags & kSourceFlags;
            if (kind == CMF_NORMAL) {
                MenuTrace(L"CMF_NORMAL; Normal File - Displaying menu items");
            } else if (kind & CMF_VERBSONLY) {
                MenuTrace(L"CMF_VERBSONLY; Shortcut File - NOT Displaying menu items");
                return;
            } else if (kind & CMF_EXPLORE) {
                MenuTrace(L"CMF_EXPLORE; [From] Windows Explorer - Displaying menu items");
            } else {
                MenuTrace(L"CMF_?; Unknown or unsupported calling source - NOT Displaying menu items");
                return;
            }

            // Identifiers past idCmdLast belong to the shell or to other handlers.
            if (idCmdLast < idCmdFirst || idCmdLast - idCmdFirst < 1) {
                MenuTrace(L"Not enough command identifiers - NOT Displaying menu items");
                return;
            }

            const bool bitmaps = state.Options.Bitmaps == 1;
            MenuTrace(L"Adding cascaded menus");
            submenu.reset(CreateMenu());
            InsertMenuW(submenu.get(), 0, kItemFlags, idCmdFirst, create.c_str());
            if (bitmaps) {
                MenuTrace(L"Adding bitmaps");
                HBITMAP picture = MenuPicture(101);
                self->AdoptMenuBitmap(picture);
                state.MenuBitmaps[0] = picture;
                SetMenuItemBitmaps(submenu.get(), 0, kPictureFlags, picture, picture);
            }
            running = idCmdFirst + 1;
            InsertMenuW(submenu.get(), 1, kItemFlags, idCmdFirst + 1, options.c_str());
            if (bitmaps) {
                HBITMAP picture = MenuPicture(102);
                self->AdoptMenuBitmap(picture);
                state.MenuBitmaps[1] = picture;
                SetMenuItemBitmaps(submenu.get(), 1, kPictureFlags, picture, picture);
            }
            running = idCmdFirst + 2;
            const auto cascadeItem = reinterpret_cast<UINT_PTR>(submenu.get());
            if (InsertMenuW(hMenu, indexMenu, kCascadeFlags, cascadeItem, cascade.c_str())) submenu.release();
            running = idCmdFirst + 3;
            result = static_cast<int32_t>(running - 1 - idCmdFirst);
        },
        [&](const Failure::Error& e) {
            MenuFailureTrace(Failure::Report(e));
            result = runningSet ? static_cast<int32_t>(running - idCmdFirst) : 0;
        });
    if (completed) {
        Failure::Guard(
            [&] {
                Trace::ProcLeave(state.TraceDepth);
                MenuTrace(L"Done QueryContextMenu()", Trace::BlankAfter);
            },
            [](const Failure::Error&) {});
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<uint16_t>(result));
}

uintptr_t ReplaceVtableEntry(void* object, int16_t slot, uintptr_t newEntry) {
    ModuleState& state = ThreadState();
    uintptr_t old = 0;
    Trace::Trapped(ReplaceTrace, [&] {
        if (state.InitFailed != 0) {
            ReplaceTrace(L"Function will be skipped due to an error");
            return;
        }
        ReplaceTrace(L"Modifying VTable Entries...");
        Trace::ProcEnter(state.TraceDepth);
        // A null entry would crash the next call through the table.
        if (!object || !newEntry || slot < 1) Failure::Raise(Failure::InvalidArgument);
        const int32_t offset = (slot - 1) * static_cast<int32_t>(sizeof(uintptr_t));
        if (offset > INT16_MAX) Failure::Raise(Failure::Overflow);
        auto* table = *static_cast<uintptr_t**>(object);
        uintptr_t* entry = reinterpret_cast<uintptr_t*>(reinterpret_cast<char*>(table) + offset);
        ProtectTrace(L"Calling VirtualProtect()...");
        {
            AcquireSRWLockExclusive(&tableLock);
            // The table is data, so writable is enough where a process forbids
            // pages both writable and executable (Arbitrary Code Guard). Where
            // the entry cannot be made writable at all it stays as it is: a
            // write into a read-only page would take Explorer down.
            DWORD oldProtect = 0;
            const bool writable = VirtualProtect(entry, sizeof *entry, PAGE_EXECUTE_READWRITE, &oldProtect) ||
                                  VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &oldProtect);
            if (writable) {
                old = *entry;
                *entry = newEntry;
                VirtualProtect(entry, sizeof *entry, oldProtect, &oldProtect);
            }
            ReleaseSRWLockExclusive(&tableLock);
            if (!writable) Failure::Raise(Failure::FileAccess, L"the table entry cannot be made writable");
        }
        ProtectTrace(L"Done VirtualProtect()!");
        Trace::ProcLeave(state.TraceDepth);
        ReplaceTrace(L"Done; Old Address->" + Trace::Number(static_cast<intptr_t>(old)), Trace::BlankAfter);
    });
    return old;
}

}  // namespace General
