// The files a selection keeps: each file's name, and its folder once for all
// the files that come from it in a row, all in one buffer, so a large
// selection costs one copy of its names and no allocation per file; the
// names lie side by side, which the sort, reading them again and again,
// finds in fewer cache lines. Slot 0 is the empty text, as the list has
// always begun; files follow from slot 1.
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
    std::wstring_view Name(std::size_t i) const {
        const Slot& s = slots_[i];
        return {text_.data() + s.name, s.nameLength};
    }
    // The path without the name: its folder with the trailing "\".
    std::wstring_view Folder(std::size_t i) const {
        const Span& f = folders_[slots_[i].folder];
        return {text_.data() + f.start, f.length};
    }
    std::wstring Path(std::size_t i) const;
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
        std::size_t name;  // where the name starts in text_
        std::uint32_t nameLength;
        std::uint32_t folder;  // in folders_
    };
    struct Span {
        std::size_t start;
        std::size_t length;
    };
    std::wstring text_;
    std::vector<Span> folders_;
    std::vector<Slot> slots_;
};
