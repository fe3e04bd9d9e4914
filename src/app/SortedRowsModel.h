#pragma once

#include <QAbstractTableModel>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// Texts in the lists' order: ASCII letters without case (URLs and names are mostly ASCII, and
// a million of them sort quickly so); equal texts then by their bytes.
inline int CompareListText(const std::string& a, const std::string& b)
{
    // Plain pointers and no calls: a sort of a million rows makes some twenty million of these.
    const auto* x = reinterpret_cast<const unsigned char*>(a.data());
    const auto* y = reinterpret_cast<const unsigned char*>(b.data());
    const std::size_t common = std::min(a.size(), b.size());
    int bytes = 0;
    for (std::size_t i = 0; i < common; ++i)
    {
        unsigned char p = x[i];
        unsigned char q = y[i];
        if (p == q)
            continue;
        if (bytes == 0)
            bytes = p < q ? -1 : 1;
        p = p >= 'A' && p <= 'Z' ? static_cast<unsigned char>(p + ('a' - 'A')) : p;
        q = q >= 'A' && q <= 'Z' ? static_cast<unsigned char>(q + ('a' - 'A')) : q;
        if (p != q)
            return p < q ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return bytes;
}

template <class TRow> class CSortedRowsModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;
    ~CSortedRowsModel() override
    {
        for (TRow* row : m_rows)
            delete row;
    }
    CSortedRowsModel(const CSortedRowsModel&) = delete;
    CSortedRowsModel& operator=(const CSortedRowsModel&) = delete;

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int Count() const { return static_cast<int>(m_rows.size()); }
    const TRow& At(int position) const { return *m_rows[static_cast<std::size_t>(position)]; }
    int SortColumn() const { return m_sortColumn; }

    // A column header as the lists show it: its title, numbers aligned right, and a column
    // clicked first sorts upwards, whichever way the last one went.
    static QVariant Header(int role, const QString& title, bool number)
    {
        if (role == Qt::InitialSortOrderRole)
            return static_cast<int>(Qt::AscendingOrder);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(
                Qt::Alignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
        return role == Qt::DisplayRole ? QVariant(title) : QVariant();
    }
    Qt::SortOrder SortOrder() const { return m_order; }

    // Where the row is now; -1 when it is not this model's.
    int PositionOf(const TRow* row) const
    {
        const auto found = std::lower_bound(m_rows.begin(), m_rows.end(), row, RowsBefore());
        if (found != m_rows.end() && *found == row)
            return static_cast<int>(found - m_rows.begin());
        return -1;
    }

    void sort(int column, Qt::SortOrder order) override
    {
        if (column == m_sortColumn && order == m_order)
            return;
        Relayout(
            [&]
            {
                const bool reverse = column == m_sortColumn;
                m_sortColumn = column;
                m_order = order;
                if (reverse)
                    std::reverse(m_rows.begin(), m_rows.end());
                else
                    std::sort(m_rows.begin(), m_rows.end(), RowsBefore());
            });
    }

    // Puts the rows in at their places; returns them as they are stored.
    std::vector<TRow*> Insert(std::vector<TRow> rows)
    {
        std::vector<TRow*> batch;
        batch.reserve(rows.size());
        for (TRow& row : rows)
        {
            row.sequence = m_nextSequence++;
            batch.push_back(new TRow(std::move(row)));
        }
        if (batch.size() < kMergeBatch)
        {
            for (TRow* row : batch)
            {
                const auto place =
                    std::upper_bound(m_rows.begin(), m_rows.end(), row, RowsBefore());
                const int at = static_cast<int>(place - m_rows.begin());
                beginInsertRows({}, at, at);
                m_rows.insert(place, row);
                endInsertRows();
            }
            return batch;
        }
        // Many rows at once: appended in one step (in the order they came), then sorted and
        // merged in one pass, instead of one shift of the whole table per row.
        const std::size_t old = m_rows.size();
        beginInsertRows({}, static_cast<int>(old), static_cast<int>(old + batch.size()) - 1);
        m_rows.insert(m_rows.end(), batch.begin(), batch.end());
        endInsertRows();
        const auto tail = m_rows.begin() + static_cast<std::ptrdiff_t>(old);
        if (!std::is_sorted(tail, m_rows.end(), RowsBefore()) ||
            (old > 0 && Before(**tail, *m_rows[old - 1])))
            Relayout(
                [&]
                {
                    std::sort(m_rows.begin() + static_cast<std::ptrdiff_t>(old), m_rows.end(),
                              RowsBefore());
                    MergeTail(old);
                });
        return batch;
    }

    // Changes the row at the position; it moves to where its new key belongs. Returns its new
    // position.
    template <class Edit> int Update(int position, Edit edit)
    {
        const auto at = static_cast<std::size_t>(position);
        TRow* row = m_rows[at];
        edit(*row);
        int now = position;
        if (at > 0 && !Before(*m_rows[at - 1], *row))
        {
            const auto place =
                std::upper_bound(m_rows.begin(), m_rows.begin() + position, row, RowsBefore());
            now = static_cast<int>(place - m_rows.begin());
            beginMoveRows({}, position, position, {}, now);
            std::rotate(place, m_rows.begin() + position, m_rows.begin() + position + 1);
            endMoveRows();
        }
        else if (at + 1 < m_rows.size() && !Before(*row, *m_rows[at + 1]))
        {
            const auto place =
                std::lower_bound(m_rows.begin() + position + 1, m_rows.end(), row, RowsBefore());
            const int to = static_cast<int>(place - m_rows.begin());
            beginMoveRows({}, position, position, {}, to);
            std::rotate(m_rows.begin() + position, m_rows.begin() + position + 1, place);
            endMoveRows();
            now = to - 1;
        }
        emit dataChanged(index(now, 0), index(now, columnCount() - 1));
        return now;
    }

    // Removes the rows at the positions (in any order, repeats allowed).
    void Remove(std::vector<int> positions)
    {
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        // From the bottom, one contiguous run at a time, so the positions above stay right.
        for (auto end = positions.rbegin(); end != positions.rend();)
        {
            auto first = end;
            while (std::next(first) != positions.rend() && *std::next(first) == *first - 1)
                ++first;
            beginRemoveRows({}, *first, *end);
            for (int at = *first; at <= *end; ++at)
                delete m_rows[static_cast<std::size_t>(at)];
            m_rows.erase(m_rows.begin() + *first, m_rows.begin() + *end + 1);
            endRemoveRows();
            end = std::next(first);
        }
    }

protected:
    // Negative, zero or positive as a sorts before, with or after b by the column, ascending.
    virtual int Compare(const TRow& a, const TRow& b, int column) const = 0;

private:
    static constexpr std::size_t kMergeBatch = 64;

    bool Before(const TRow& a, const TRow& b) const
    {
        const bool ascending = m_order == Qt::AscendingOrder;
        const TRow& first = ascending ? a : b;
        const TRow& second = ascending ? b : a;
        const int byColumn = m_sortColumn < 0 ? 0 : Compare(first, second, m_sortColumn);
        return byColumn != 0 ? byColumn < 0 : first.sequence < second.sequence;
    }
    auto RowsBefore() const
    {
        return [this](const TRow* a, const TRow* b) { return Before(*a, *b); };
    }

    // Merges the sorted rows from `from` on into the sorted rows before it: a search for each
    // new row, then whole blocks of the old ones moved at once.
    void MergeTail(std::size_t from)
    {
        const std::vector<TRow*> batch(m_rows.begin() + static_cast<std::ptrdiff_t>(from),
                                       m_rows.end());
        std::vector<std::size_t> places;
        places.reserve(batch.size());
        for (TRow* row : batch)
            places.push_back(static_cast<std::size_t>(
                std::upper_bound(m_rows.begin(), m_rows.begin() + static_cast<std::ptrdiff_t>(from),
                                 row, RowsBefore()) -
                m_rows.begin()));
        // From the end: each old block moves up by the number of new rows before its end.
        std::size_t oldEnd = from;
        for (std::size_t i = batch.size(); i-- > 0;)
        {
            const std::size_t place = places[i];
            std::move_backward(m_rows.begin() + static_cast<std::ptrdiff_t>(place),
                               m_rows.begin() + static_cast<std::ptrdiff_t>(oldEnd),
                               m_rows.begin() + static_cast<std::ptrdiff_t>(oldEnd + i + 1));
            m_rows[place + i] = batch[i];
            oldEnd = place;
        }
    }

    // Reorders the rows; the views' selections and current rows follow their rows.
    template <class Reorder> void Relayout(Reorder reorder)
    {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        std::vector<const TRow*> held;
        held.reserve(static_cast<std::size_t>(before.size()));
        for (const QModelIndex& index : before)
            held.push_back(m_rows[static_cast<std::size_t>(index.row())]);
        reorder();
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            after.push_back(
                index(PositionOf(held[static_cast<std::size_t>(i)]), before[i].column()));
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    // In the order shown; owned.
    std::vector<TRow*> m_rows;
    std::uint64_t m_nextSequence = 0;
    int m_sortColumn = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};
