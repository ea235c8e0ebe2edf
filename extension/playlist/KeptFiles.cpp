#include "KeptFiles.h"

#include "Failure.h"

void KeptFiles::Clear() {
    text_.clear();
    folders_.assign(1, Span{0, 0});
    slots_.assign(1, Slot{0, 0, 0});
}

void KeptFiles::Reserve(std::size_t files, std::size_t chars) {
    slots_.reserve(files + 1);
    text_.reserve(chars);
}

void KeptFiles::Add(std::wstring_view path, std::size_t nameLength) {
    if (nameLength > path.size()) nameLength = path.size();
    const std::wstring_view folder = path.substr(0, path.size() - nameLength);
    const Span& last = folders_.back();
    if (folder != std::wstring_view(text_.data() + last.start, last.length)) {
        if (folders_.size() > UINT32_MAX) Failure::Raise(Failure::OutOfMemory);
        folders_.push_back(Span{text_.size(), folder.size()});
        text_.append(folder);
    }
    slots_.push_back(Slot{text_.size(), static_cast<std::uint32_t>(nameLength),
                          static_cast<std::uint32_t>(folders_.size() - 1)});
    text_.append(path.substr(folder.size()));
}

std::wstring KeptFiles::Path(std::size_t i) const {
    std::wstring path(Folder(i));
    path.append(Name(i));
    return path;
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
