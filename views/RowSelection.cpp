#include "views/RowSelection.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::size_t kBits = 64;

// The bits of a word from bit `from` to bit `to`, both included.
std::uint64_t Span(std::size_t from, std::size_t to)
{
    const std::uint64_t upTo = to + 1 == kBits ? ~std::uint64_t{0} : (std::uint64_t{1} << (to + 1)) - 1;
    return upTo & ~((std::uint64_t{1} << from) - 1);
}

} // namespace

void CRowSelection::SetRowCount(std::size_t rows)
{
    ++m_version;
    if (rows < m_rows && m_count != 0)
        SelectRange(rows, m_rows - 1, false);
    m_rows = rows;
    m_words.resize((rows + kBits - 1) / kBits, 0);
}

bool CRowSelection::IsSelected(std::size_t row) const
{
    return row < m_rows && (m_words[row / kBits] >> (row % kBits) & 1) != 0;
}

bool CRowSelection::Select(std::size_t row, bool on)
{
    if (row >= m_rows || IsSelected(row) == on)
        return false;
    m_words[row / kBits] ^= std::uint64_t{1} << (row % kBits);
    m_count = on ? m_count + 1 : m_count - 1;
    ++m_version;
    return true;
}

bool CRowSelection::Toggle(std::size_t row)
{
    return Select(row, !IsSelected(row));
}

bool CRowSelection::SelectRange(std::size_t first, std::size_t last, bool on)
{
    if (first > last)
        std::swap(first, last);
    if (first >= m_rows)
        return false;
    last = std::min(last, m_rows - 1);
    const std::size_t before = m_count;
    ++m_version;
    for (std::size_t word = first / kBits; word <= last / kBits; ++word) {
        const std::size_t from = word == first / kBits ? first % kBits : 0;
        const std::size_t to = word == last / kBits ? last % kBits : kBits - 1;
        std::uint64_t& bits = m_words[word];
        const auto had = static_cast<std::size_t>(std::popcount(bits));
        bits = on ? bits | Span(from, to) : bits & ~Span(from, to);
        m_count = m_count - had + static_cast<std::size_t>(std::popcount(bits));
    }
    return m_count != before;
}

bool CRowSelection::SelectAll()
{
    return m_rows != 0 && SelectRange(0, m_rows - 1);
}

bool CRowSelection::Clear()
{
    if (m_count == 0)
        return false;
    std::fill(m_words.begin(), m_words.end(), 0);
    m_count = 0;
    ++m_version;
    return true;
}

std::size_t CRowSelection::Next(std::size_t row) const
{
    if (row >= m_rows)
        return npos;
    std::size_t word = row / kBits;
    std::uint64_t bits = m_words[word] & ~((std::uint64_t{1} << (row % kBits)) - 1);
    while (bits == 0) {
        if (++word == m_words.size())
            return npos;
        bits = m_words[word];
    }
    return word * kBits + static_cast<std::size_t>(std::countr_zero(bits));
}

std::vector<std::size_t> CRowSelection::Rows() const
{
    std::vector<std::size_t> rows;
    rows.reserve(m_count);
    for (std::size_t word = 0; word < m_words.size(); ++word)
        for (std::uint64_t bits = m_words[word]; bits != 0; bits &= bits - 1)
            rows.push_back(word * kBits + static_cast<std::size_t>(std::countr_zero(bits)));
    return rows;
}

void CRowSelection::RemoveRows(const std::vector<std::size_t>& removed)
{
    // Rows are copied down one by one between the removed ones; nothing moves above the first.
    auto gone = removed.begin();
    if (gone == removed.end() || *gone >= m_rows)
        return;
    std::size_t to = *gone;
    ++m_version;
    for (std::size_t from = *gone; from < m_rows; ++from) {
        while (gone != removed.end() && *gone < from)
            ++gone; // past the removed rows behind, a row named twice among them
        if (gone != removed.end() && *gone == from)
            continue;
        const bool on = (m_words[from / kBits] >> (from % kBits) & 1) != 0;
        std::uint64_t& bits = m_words[to / kBits];
        const std::uint64_t mask = std::uint64_t{1} << (to % kBits);
        bits = on ? bits | mask : bits & ~mask;
        ++to;
    }
    const std::size_t kept = to;
    // What lies past the rows kept is dropped, and the count is taken again.
    if (kept % kBits != 0)
        m_words[kept / kBits] &= (std::uint64_t{1} << (kept % kBits)) - 1;
    m_words.resize((kept + kBits - 1) / kBits);
    m_rows = kept;
    m_count = 0;
    for (const std::uint64_t bits : m_words)
        m_count += static_cast<std::size_t>(std::popcount(bits));
}
