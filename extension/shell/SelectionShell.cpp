#include "SelectionShell.h"

#include <wrl/client.h>

#include "Failure.h"

namespace Selection {

DWORD FetchDropList(IUnknown* dataObject, Handles::UniqueMedium& medium) {
    if (!dataObject) Failure::Raise(Failure::InvalidArgument);
    Microsoft::WRL::ComPtr<IDataObject> data;
    HRESULT hr = dataObject->QueryInterface(IID_PPV_ARGS(&data));
    if (FAILED(hr)) Failure::Raise(static_cast<int>(hr));
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    hr = data->GetData(&format, medium.put());
    if (FAILED(hr)) Failure::Raise(static_cast<int>(hr));
    return GetLastError();
}

std::size_t ReadDropList(const STGMEDIUM& medium, const Rules& rules, Files& files) {
    if (medium.tymed != TYMED_HGLOBAL || !medium.hGlobal) Failure::Raise(Failure::InvalidArgument);
    const Handles::GlobalLocked block(medium.hGlobal);
    if (!block.data()) Failure::Raise(Failure::InvalidArgument);
    return Read(block.data(), block.size(), rules, files);
}

}  // namespace Selection
