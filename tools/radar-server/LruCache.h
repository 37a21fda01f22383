#pragma once

#include <QHash>

#include <list>
#include <optional>
#include <utility>

namespace pluvix::radarserver {

// Keeps the `capacity` most recently used values; capacity 0 keeps nothing.
template <typename Key, typename Value> class LruCache {
public:
    explicit LruCache(int capacity) : m_capacity(capacity < 0 ? 0 : capacity) {}

    std::optional<Value> find(const Key& key) {
        const auto it = m_index.find(key);
        if (it == m_index.end())
            return std::nullopt;
        m_order.splice(m_order.begin(), m_order, it.value());
        return it.value()->second;
    }

    void insert(const Key& key, Value value) {
        if (m_capacity == 0)
            return;
        const auto it = m_index.find(key);
        if (it != m_index.end()) {
            it.value()->second = std::move(value);
            m_order.splice(m_order.begin(), m_order, it.value());
            return;
        }
        m_order.emplace_front(key, std::move(value));
        m_index.insert(key, m_order.begin());
        if (int(m_order.size()) > m_capacity) {
            m_index.remove(m_order.back().first);
            m_order.pop_back();
        }
    }

    int size() const { return int(m_order.size()); }
    void clear() {
        m_order.clear();
        m_index.clear();
    }

private:
    using Entry = std::pair<Key, Value>;
    int m_capacity;
    std::list<Entry> m_order; // most recent first
    QHash<Key, typename std::list<Entry>::iterator> m_index;
};

} // namespace pluvix::radarserver
