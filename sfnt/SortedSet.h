#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// An ordered set kept as a sorted vector of unique elements: the parser fills
// it once and the catalogue walks it once, so a flat array beats a tree.
// Elements are ordered and made unique by T's operator<; inserting an element
// equal to one already held keeps the one held.
template <class T>
class SortedSet {
public:
    using const_iterator = typename std::vector<T>::const_iterator;

    // Returns whether v was added.
    bool insert(T v)
    {
        if (items_.empty() || items_.back() < v) {
            items_.push_back(std::move(v));
            return true;
        }
        auto at = std::lower_bound(items_.begin(), items_.end(), v);
        if (at != items_.end() && !(v < *at))
            return false;
        items_.insert(at, std::move(v));
        return true;
    }

    // Takes over elements given in any order; of equal ones the first given stays.
    void assign(std::vector<T> items)
    {
        std::stable_sort(items.begin(), items.end());
        items.erase(std::unique(items.begin(), items.end(),
                                [](const T& a, const T& b) { return !(a < b) && !(b < a); }),
                    items.end());
        items_ = std::move(items);
    }

    const_iterator find(const T& v) const
    {
        auto at = std::lower_bound(items_.begin(), items_.end(), v);
        return at != items_.end() && !(v < *at) ? at : items_.end();
    }
    bool contains(const T& v) const { return find(v) != items_.end(); }

    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }
    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    void clear() { items_.clear(); }

private:
    std::vector<T> items_;
};
