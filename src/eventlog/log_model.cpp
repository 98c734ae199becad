#include "log_model.h"

#include "text_util.h"

#include <algorithm>

namespace {

// Sorts `order` by `less`, stably: rows of equal keys keep the order they
// had, as the table has always sorted. A log already in order, or in the
// opposite one (an archive read oldest first and shown newest first), costs
// one pass rather than a sort.
template<typename Less>
void stable_sort_positions(std::vector<int>::iterator first, std::vector<int>::iterator last,
                           Less less)
{
    if (std::is_sorted(first, last, less))
        return;
    const auto greater = [&](int a, int b) { return less(b, a); };
    if (!std::is_sorted(first, last, greater)) {
        std::stable_sort(first, last, less);
        return;
    }
    // Turned round, each run of equal keys is in the wrong order: turned
    // round again on its own, it is back in the order it came.
    std::reverse(first, last);
    auto run = first;
    while (run != last) {
        const auto end = std::find_if(run, last, [&](int b) { return less(*run, b); });
        std::reverse(run, end);
        run = end;
    }
}

// The positions from `from` on sorted, then merged into those before them,
// which are in order already: rows that arrive in parts cost a sort of the
// part, not of everything held. The rows held come first among equal keys,
// as a sort of the whole would keep them.
template<typename Less> void sort_positions(std::vector<int> &order, size_t from, Less less)
{
    const auto middle = order.begin() + std::ptrdiff_t(from);
    stable_sort_positions(middle, order.end(), less);
    std::inplace_merge(order.begin(), middle, order.end(), less);
}

} // namespace

LogModel::LogModel(QObject *parent) : QAbstractTableModel(parent) { }

void LogModel::append(std::vector<Row> more)
{
    if (more.empty())
        return;
    beginResetModel();
    const size_t held = rows.size();
    rows.reserve(rows.size() + more.size());
    for (Row &row : more) {
        // Days are written year first: the latest is the greatest text that
        // is a day at all, the earliest the least.
        const QString day = row.cells[0].left(10);
        if ((day > latest || (day < earliest && !day.isEmpty())) && read_day(day).isValid()) {
            latest = qMax(latest, day);
            earliest = earliest.isEmpty() ? day : qMin(earliest, day);
        }
        order.push_back(int(rows.size()));
        passes.push_back(log_row_matches(row.cells[0], row.cells[3], row.find, filter));
        rows.push_back(std::move(row));
    }
    sort_order(held);
    pick_shown();
    endResetModel();
}

void LogModel::clear()
{
    beginResetModel();
    rows.clear();
    order.clear();
    passes.clear();
    shown.clear();
    latest.clear();
    earliest.clear();
    endResetModel();
}

void LogModel::set_filter(const LogFilter &next)
{
    // A longer text of the same choice only narrows what passes: the rows
    // that failed need no second look.
    const bool narrower = next.event == filter.event && next.from == filter.from
        && next.to == filter.to && next.text.contains(filter.text);
    beginResetModel();
    filter = next;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (passes[r] || !narrower) {
            const Row &row = rows[r];
            passes[r] = log_row_matches(row.cells[0], row.cells[3], row.find, filter);
        }
    }
    pick_shown();
    endResetModel();
}

const QString &LogModel::text(int row, int column) const
{
    return rows[size_t(shown.at(size_t(row)))].cells.at(size_t(column));
}

QStringList LogModel::cells(int row) const
{
    QStringList out;
    for (const QString &cell : rows[size_t(shown.at(size_t(row)))].cells)
        out << cell;
    return out;
}

int LogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(shown.size());
}

int LogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant LogModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return text(index.row(), index.column());
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const names[columns] = {"Fecha Hora", "Nombre Usuario",  "Numero Usuario",
                                               "Accion",     "Nombre Asociado", "Numero Asociado"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < columns)
        return QString::fromLatin1(names[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags LogModel::flags(const QModelIndex &index) const
{
    // What the controller wrote is read, not edited: a changed cell would
    // no longer be what the finder searches nor what the file holds.
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void LogModel::sort(int column, Qt::SortOrder direction)
{
    sort_column = column;
    sort_direction = direction;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> held; // the row each persistent index stood on
    for (const QModelIndex &index : before)
        held.push_back(shown[size_t(index.row())]);
    sort_order(0);
    pick_shown();
    if (!before.isEmpty()) {
        std::vector<int> place(rows.size(), -1);
        for (size_t r = 0; r < shown.size(); ++r)
            place[size_t(shown[r])] = int(r);
        QModelIndexList after;
        for (int i = 0; i < before.size(); ++i)
            after << index(place[size_t(held[size_t(i)])], before.at(i).column());
        changePersistentIndexList(before, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void LogModel::sort_order(size_t from)
{
    if (sort_column < 0 || sort_column >= columns)
        return;
    const auto key = [this](int r) -> const QString & {
        return rows[size_t(r)].cells[size_t(sort_column)];
    };
    if (sort_direction == Qt::AscendingOrder)
        sort_positions(order, from, [&](int a, int b) { return key(a) < key(b); });
    else
        sort_positions(order, from, [&](int a, int b) { return key(b) < key(a); });
}

void LogModel::pick_shown()
{
    shown.clear();
    for (const int r : order) {
        if (passes[size_t(r)])
            shown.push_back(r);
    }
}

QString LogRowTexts::operator()(const std::array<QString, LogModel::columns> &cells)
{
    std::array<QString, LogModel::columns> parts;
    int size = LogModel::columns - 1;
    for (size_t c = 0; c < parts.size(); ++c) {
        if (c == 0) {
            parts[c] = comparable(cells[c]);
        } else {
            auto it = known.constFind(cells[c]);
            if (it == known.cend())
                it = known.insert(cells[c], comparable(cells[c]));
            parts[c] = *it;
        }
        size += parts[c].size();
    }
    QString text;
    text.reserve(size);
    for (size_t c = 0; c < parts.size(); ++c) {
        if (c > 0)
            text += QLatin1Char('\t');
        text += parts[c];
    }
    return text;
}
