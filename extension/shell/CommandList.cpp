#include "CommandList.h"

#include <new>

#include "Server.h"

HRESULT CommandList::Create(Commands commands, IEnumExplorerCommand** list) {
    if (!list) return E_POINTER;
    *list = nullptr;
    std::shared_ptr<const Commands> shared;
    try {
        shared = std::make_shared<const Commands>(std::move(commands));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    auto* object = new (std::nothrow) CommandList(std::move(shared), 0);
    if (!object) return E_OUTOFMEMORY;
    *list = object;
    return S_OK;
}

CommandList::CommandList(std::shared_ptr<const Commands> commands, size_t position)
    : commands_(std::move(commands)), position_(position) {
    Server::LockModule();
}

CommandList::~CommandList() { Server::UnlockModule(); }

IFACEMETHODIMP CommandList::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumExplorerCommand)) {
        *ppv = static_cast<IEnumExplorerCommand*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

IFACEMETHODIMP_(ULONG) CommandList::AddRef() { return InterlockedIncrement(&refs_); }

IFACEMETHODIMP_(ULONG) CommandList::Release() {
    LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
}

IFACEMETHODIMP CommandList::Next(ULONG count, IExplorerCommand** commands, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (!commands) return E_POINTER;
    // Only a caller that asks for one may leave out the count it got.
    if (!fetched && count != 1) return E_INVALIDARG;
    ULONG got = 0;
    while (got < count && position_ < commands_->size()) {
        IExplorerCommand* command = (*commands_)[position_++].Get();
        command->AddRef();
        commands[got++] = command;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

IFACEMETHODIMP CommandList::Skip(ULONG count) {
    const size_t left = commands_->size() - position_;
    if (count > left) {
        position_ = commands_->size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

IFACEMETHODIMP CommandList::Reset() {
    position_ = 0;
    return S_OK;
}

IFACEMETHODIMP CommandList::Clone(IEnumExplorerCommand** copy) {
    if (!copy) return E_POINTER;
    auto* object = new (std::nothrow) CommandList(commands_, position_);
    *copy = object;
    return object ? S_OK : E_OUTOFMEMORY;
}
