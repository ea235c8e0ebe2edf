#include "mdlFiles.h"

namespace mdlFiles {

std::wstring_view FileNamePart(std::wstring_view path) {
    auto slash = path.find_last_of(L'\\');
    if (slash == std::wstring_view::npos) return {};
    return path.substr(slash + 1);
}

std::wstring_view ExtensionPart(std::wstring_view name) {
    auto dot = name.find_last_of(L'.');
    if (dot == std::wstring_view::npos) return {};
    return name.substr(dot + 1);
}

}  // namespace mdlFiles
