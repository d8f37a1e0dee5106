// TFreeList: a list that owns its items. Clearing or destroying it frees every item.
#pragma once

#include <memory>
#include <vector>

namespace doc {

template <class T> class TFreeList {
public:
    T* Add(std::unique_ptr<T> item) {
        Items.push_back(std::move(item));
        return Items.back().get();
    }
    // Inserts before the item at I (at the end when I is the count).
    T* Insert(int i, std::unique_ptr<T> item) {
        return Items.insert(Items.begin() + i, std::move(item))->get();
    }
    void Clear() { Items.clear(); }
    int Count() const { return static_cast<int>(Items.size()); }
    bool Empty() const { return Items.empty(); }
    T* operator[](int i) const { return Items[static_cast<size_t>(i)].get(); }
    T* Last() const { return Items.empty() ? nullptr : Items.back().get(); }
    // Frees the item at I.
    void Delete(int i) { Items.erase(Items.begin() + i); }
    // Hands the item at I to the caller and removes it from the list.
    std::unique_ptr<T> Extract(int i) {
        std::unique_ptr<T> item = std::move(Items[static_cast<size_t>(i)]);
        Items.erase(Items.begin() + i);
        return item;
    }
    auto begin() const { return Items.begin(); }
    auto end() const { return Items.end(); }

private:
    std::vector<std::unique_ptr<T>> Items;
};

} // namespace doc
