// CList: the ordered list of the framework, kept contiguous. The model is
// appended to point by point and walked millions of times per render, so a
// vector beats linked nodes; the operations and their order are the list's.
#pragma once

#include <cstddef>
#include <vector>

// A walking position: the 1-based index of the element GetNext returns next,
// or null at the end.
using POSITION = struct PositionTag*;

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList {
public:
    // The block size of the framework's node allocator has no meaning for a
    // contiguous list; it is accepted so declarations read as before.
    explicit CList(int /*nBlockSize*/ = 10) {}

    void AddTail(ARG_TYPE v) { m_items.push_back(v); }
    TYPE RemoveTail() {
        TYPE v = m_items.back();
        m_items.pop_back();
        return v;
    }
    void RemoveAll() { m_items.clear(); }
    int GetCount() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    const TYPE& GetHead() const { return m_items.front(); }
    const TYPE& GetTail() const { return m_items.back(); }

    POSITION GetHeadPosition() const { return m_items.empty() ? nullptr : ToPos(1); }
    const TYPE& GetNext(POSITION& pos) const {
        const std::size_t i = FromPos(pos);
        pos = i + 1 < m_items.size() ? ToPos(i + 2) : nullptr;
        return m_items[i];
    }

    // Direct access for the hot loops (drawing, writers).
    const TYPE* begin() const { return m_items.data(); }
    const TYPE* end() const { return m_items.data() + m_items.size(); }
    std::size_t size() const { return m_items.size(); }
    void Reserve(std::size_t n) { m_items.reserve(n); }

private:
    static POSITION ToPos(std::size_t oneBased) { return reinterpret_cast<POSITION>(oneBased); }
    static std::size_t FromPos(POSITION p) { return reinterpret_cast<std::size_t>(p) - 1; }

    std::vector<TYPE> m_items;
};
