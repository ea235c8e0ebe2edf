#include "ModuleState.h"

#include <windows.h>

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

ModuleState& ThreadState() {
    auto* record = static_cast<Record*>(TlsGetValue(Slot()));
    if (!record) {
        record = new Record();
        Link(record);
        TlsSetValue(Slot(), record);
    }
    return record->state;
}

void ReleaseThreadState() {
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
    TlsFree(Slot());
}
