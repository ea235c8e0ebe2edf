#include "LogicalOrder.h"

#include <windows.h>
#include <shlwapi.h>

namespace LogicalOrder {

bool Less(const std::wstring& a, const std::wstring& b) {
    const int order = StrCmpLogicalW(a.c_str(), b.c_str());
    if (order != 0) return order < 0;
    return General::OrdinalLess(a, b);
}

General::Less Chosen(int16_t order) { return order == 1 ? Less : General::OrdinalLess; }

}  // namespace LogicalOrder
