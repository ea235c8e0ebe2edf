// The files a selection keeps: each full path once, all of them in one
// buffer, and each file's name a view of the end of its path, so a large
// selection costs one copy of its paths and no allocation per file. Slot 0 is
// the empty text, as the list has always begun; files follow from slot 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class KeptFiles {
public:
    KeptFiles() { Clear(); }

    // Back to slot 0 alone; the buffers stay for the next selection.
    void Clear();
    // Room for files whose paths add up to chars characters.
    void Reserve(std::size_t files, std::size_t chars);
    // A file whose name is the last nameLength characters of path.
    void Add(std::wstring_view path, std::size_t nameLength);

    std::size_t size() const { return slots_.size(); }
    std::wstring_view Path(std::size_t i) const {
        const Slot& s = slots_[i];
        return {text_.data() + s.start, s.length};
    }
    std::wstring_view Name(std::size_t i) const {
        const Slot& s = slots_[i];
        return {text_.data() + s.start + (s.length - s.nameLength), s.nameLength};
    }
    // The path without the name: its folder with the trailing "\".
    std::wstring_view Folder(std::size_t i) const { return Path(i).substr(0, slots_[i].length - slots_[i].nameLength); }
    void Swap(std::size_t i, std::size_t j) { std::swap(slots_[i], slots_[j]); }
    // Lets go of the files whose path drop(path) holds for; the others keep their order.
    template <class Drop>
    void RemoveIf(Drop drop) {
        std::size_t kept = 1;
        for (std::size_t i = 1; i < slots_.size(); ++i)
            if (!drop(Path(i))) slots_[kept++] = slots_[i];
        slots_.resize(kept);
    }

    // The names, slot for slot (for traces and tests).
    std::vector<std::wstring> Names() const;
    std::vector<std::wstring> Paths() const;

private:
    struct Slot {
        std::size_t start;
        std::uint32_t length;
        std::uint32_t nameLength;
    };
    std::wstring text_;
    std::vector<Slot> slots_;
};
