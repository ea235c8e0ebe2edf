#include "mdlFiles.h"

namespace mdlFiles {

std::wstring FileNamePart(std::wstring_view path) {
    auto slash = path.find_last_of(L'\\');
    if (slash == std::wstring_view::npos) return {};
    return std::wstring(path.substr(slash + 1));
}

std::wstring ExtensionPart(std::wstring_view name) {
    auto dot = name.find_last_of(L'.');
    if (dot == std::wstring_view::npos) return {};
    return std::wstring(name.substr(dot + 1));
}

}  // namespace mdlFiles
