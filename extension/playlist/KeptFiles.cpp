#include "KeptFiles.h"

void KeptFiles::Clear() {
    text_.clear();
    slots_.assign(1, Slot{0, 0, 0});
}

void KeptFiles::Reserve(std::size_t files, std::size_t chars) {
    slots_.reserve(files + 1);
    text_.reserve(chars);
}

void KeptFiles::Add(std::wstring_view path, std::size_t nameLength) {
    if (nameLength > path.size()) nameLength = path.size();
    slots_.push_back(Slot{text_.size(), static_cast<std::uint32_t>(path.size()),
                          static_cast<std::uint32_t>(nameLength)});
    text_.append(path).push_back(L'\0');
}

std::vector<std::wstring> KeptFiles::Names() const {
    std::vector<std::wstring> names;
    names.reserve(slots_.size());
    for (std::size_t i = 0; i < slots_.size(); ++i) names.emplace_back(Name(i));
    return names;
}

std::vector<std::wstring> KeptFiles::Paths() const {
    std::vector<std::wstring> paths;
    paths.reserve(slots_.size());
    for (std::size_t i = 0; i < slots_.size(); ++i) paths.emplace_back(Path(i));
    return paths;
}
