#pragma once
// CArrayList: the growable owning pointer array behind the dBase table and the shapefile.
// Allocation failures are reported as results (push gives -1, reserve false), never thrown,
// because both readers turn them into their "out of memory" code.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace korvel {

template <typename T>
class CArrayList {
public:
    CArrayList() { Reserve(1); }
    CArrayList(const CArrayList&) = delete;
    CArrayList& operator=(const CArrayList&) = delete;
    virtual ~CArrayList() = default;

    // Destroys every entry; the count becomes 0 (the capacity stays).
    virtual void RemoveAll() { m_entries.clear(); }

    // Makes room for at least `n` entries. False only when the allocation fails.
    bool Reserve(uint32_t n)
    {
        try {
            m_entries.reserve(n);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        } catch (const std::length_error&) {
            return false;
        }
    }

    // Appends `entry` (taking ownership) and returns its index; -1 when the array cannot grow
    // (the entry is then destroyed). A full array grows by the grow step, and by at least half
    // its size so that long runs of pushes stay linear.
    int Push(std::unique_ptr<T> entry)
    {
        if (m_entries.size() >= static_cast<size_t>(INT32_MAX)) return -1;
        if (m_entries.size() == m_entries.capacity()) {
            const size_t grow = std::max<size_t>(m_nGrowStep, m_entries.size() / 2);
            if (!Reserve(static_cast<uint32_t>(std::min<size_t>(m_entries.size() + grow, INT32_MAX)))) return -1;
        }
        m_entries.push_back(std::move(entry));
        return static_cast<int>(m_entries.size() - 1);
    }

    // Removes the last entry and hands it back (used to undo a push).
    std::unique_ptr<T> PopBack()
    {
        std::unique_ptr<T> last = std::move(m_entries.back());
        m_entries.pop_back();
        return last;
    }

    void Swap(uint32_t a, uint32_t b) { std::swap(m_entries[a], m_entries[b]); }

    uint32_t GetCount() const { return static_cast<uint32_t>(m_entries.size()); }
    uint32_t GetCapacity() const { return static_cast<uint32_t>(m_entries.capacity()); }
    uint32_t GetGrowStep() const { return m_nGrowStep; }
    void SetGrowStep(uint32_t step) { m_nGrowStep = step ? step : 1; }

    // Entry `i` (0 <= i < count).
    T* Get(uint32_t i) const { return m_entries[i].get(); }
    T* operator[](uint32_t i) const { return m_entries[i].get(); }

    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    std::vector<std::unique_ptr<T>> m_entries;
    uint32_t m_nGrowStep = 1;
};

}  // namespace korvel
