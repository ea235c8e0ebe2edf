#include "ModuleState.h"

#include <windows.h>

#include <memory>
#include <new>

// A TLS slot with explicit cleanup rather than thread_local: Explorer loads
// the library while its threads already run, and per-thread C++ objects of a
// late-loaded DLL do not survive those threads' ends. Every record is also on
// one list, so that a library unloaded while threads that used it still run
// (one that made no objects and so did not stay loaded) takes their records
// and its slot along.
namespace {

struct Record {
    ModuleState state;
    Record* previous = nullptr;
    Record* next = nullptr;
};

SRWLOCK recordsLock = SRWLOCK_INIT;
Record* firstRecord = nullptr;

DWORD Slot() {
    static const DWORD slot = TlsAlloc();
    return slot;
}

void Link(Record* record) {
    AcquireSRWLockExclusive(&recordsLock);
    record->next = firstRecord;
    if (firstRecord) firstRecord->previous = record;
    firstRecord = record;
    ReleaseSRWLockExclusive(&recordsLock);
}

void Unlink(Record* record) {
    AcquireSRWLockExclusive(&recordsLock);
    if (record->previous) record->previous->next = record->next;
    else firstRecord = record->next;
    if (record->next) record->next->previous = record->previous;
    ReleaseSRWLockExclusive(&recordsLock);
}

}  // namespace

// Without a slot a record could never be found again: each call would make
// a new one, lost at once, and nothing would carry from one call to the next.
ModuleState& ThreadState() {
    const DWORD slot = Slot();
    if (slot == TLS_OUT_OF_INDEXES) throw std::bad_alloc();
    auto* record = static_cast<Record*>(TlsGetValue(slot));
    if (!record) {
        auto made = std::make_unique<Record>();
        if (!TlsSetValue(slot, made.get())) throw std::bad_alloc();
        record = made.release();
        Link(record);
    }
    return record->state;
}

bool ThreadStateAvailable() { return Slot() != TLS_OUT_OF_INDEXES; }

void ReleaseThreadState() {
    if (Slot() == TLS_OUT_OF_INDEXES) return;
    auto* record = static_cast<Record*>(TlsGetValue(Slot()));
    if (!record) return;
    TlsSetValue(Slot(), nullptr);
    Unlink(record);
    delete record;
}

void ReleaseAllThreadStates() {
    AcquireSRWLockExclusive(&recordsLock);
    while (firstRecord) {
        Record* record = firstRecord;
        firstRecord = record->next;
        delete record;
    }
    ReleaseSRWLockExclusive(&recordsLock);
    if (Slot() != TLS_OUT_OF_INDEXES) TlsFree(Slot());
}
