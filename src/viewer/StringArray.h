// The view's list arrays: the slide list, its names and the directory list.
#pragma once

#include <compare>
#include <cstddef>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace vantor {

// A fixed-capacity array of strings: entries beyond the used count keep their old
// text until overwritten. Storage is made in blocks as entries are written, so the
// view's half a million list entries cost nothing until used (a string object is
// 32 bytes: allocated up front they were 16 MB).
class StringArray {
public:
    explicit StringArray(std::size_t size, std::string fill = {}) : m_size(size), m_fill(std::move(fill)) {
        m_blocks.resize((size + kBlock - 1) / kBlock);
    }
    std::size_t size() const { return m_size; }
    // Makes room for at least size entries; the new ones read as the fill text.
    void Grow(std::size_t size) {
        if (size <= m_size) return;
        m_size = size;
        m_blocks.resize((size + kBlock - 1) / kBlock);
    }
    std::string& operator[](std::size_t i) {
        auto& block = m_blocks[i / kBlock];
        if (!block) {
            block = std::make_unique<std::string[]>(kBlock);
            for (std::size_t k = 0; k < kBlock; ++k) block[k] = m_fill;
        }
        return block[i % kBlock];
    }
    const std::string& operator[](std::size_t i) const {
        const auto& block = m_blocks[i / kBlock];
        return block ? block[i % kBlock] : m_fill;
    }

    // Reading in order, as from an array.
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = const std::string*;
        using reference = const std::string&;
        const_iterator(const StringArray* a = nullptr, std::size_t i = 0) : m_a(a), m_i(i) {}
        reference operator*() const { return (*m_a)[m_i]; }
        pointer operator->() const { return &(*m_a)[m_i]; }
        reference operator[](difference_type n) const { return (*m_a)[m_i + static_cast<std::size_t>(n)]; }
        const_iterator& operator++() { return ++m_i, *this; }
        const_iterator operator++(int) { return {m_a, m_i++}; }
        const_iterator& operator--() { return --m_i, *this; }
        const_iterator operator--(int) { return {m_a, m_i--}; }
        const_iterator& operator+=(difference_type n) { return m_i += static_cast<std::size_t>(n), *this; }
        const_iterator& operator-=(difference_type n) { return m_i -= static_cast<std::size_t>(n), *this; }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
            return static_cast<difference_type>(a.m_i) - static_cast<difference_type>(b.m_i);
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.m_i == b.m_i; }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.m_i <=> b.m_i; }

    private:
        const StringArray* m_a;
        std::size_t m_i;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, m_size}; }

private:
    static constexpr std::size_t kBlock = 1024;
    std::size_t m_size;
    std::string m_fill;
    std::vector<std::unique_ptr<std::string[]>> m_blocks;
};

}  // namespace vantor
