// The sub-commands of a flyout, as Explorer walks them: IEnumExplorerCommand
// over a fixed list that its clones share, each clone with its own position.
#pragma once

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <memory>
#include <vector>

class CommandList final : public IEnumExplorerCommand {
public:
    using Commands = std::vector<Microsoft::WRL::ComPtr<IExplorerCommand>>;

    // An enumerator at the start of commands (reference count 1 in *list).
    static HRESULT Create(Commands commands, IEnumExplorerCommand** list);

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;
    // IEnumExplorerCommand: Next fills [0, fetched) and answers S_FALSE when
    // fewer than asked were left; Skip likewise.
    IFACEMETHODIMP Next(ULONG count, IExplorerCommand** commands, ULONG* fetched) override;
    IFACEMETHODIMP Skip(ULONG count) override;
    IFACEMETHODIMP Reset() override;
    IFACEMETHODIMP Clone(IEnumExplorerCommand** copy) override;

private:
    CommandList(std::shared_ptr<const Commands> commands, size_t position);
    ~CommandList();

    LONG refs_ = 1;
    const std::shared_ptr<const Commands> commands_;
    size_t position_;
};
