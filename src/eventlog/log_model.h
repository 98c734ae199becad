#ifndef LOG_MODEL_H
#define LOG_MODEL_H

#include "log_filter.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// The rows of the log table: every event decoded once, its texts made once,
// and the rows shown kept as a list of positions. A long archive then sorts
// and filters over plain vectors, and the view only asks for the cells on
// screen.
class LogModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int columns = 6;
    struct Row
    {
        std::array<QString, columns> cells;
        QString find; // log_row_text of the cells
    };

    explicit LogModel(QObject *parent = nullptr);

    // Adds events after those held, in the order the table is sorted in,
    // and lets through those the filter passes.
    void append(std::vector<Row> more);
    void clear();
    void set_filter(const LogFilter &filter);

    // Every event held, shown or not.
    int total() const { return int(rows.size()); }
    bool filtered() const { return !filter.empty(); }
    // A cell of the n-th row shown, and all of its cells.
    const QString &text(int row, int column) const;
    QStringList cells(int row) const;
    // The greatest and the least text of the first ten characters of a date
    // and time that is a day at all, over every event held; empty when there
    // is none.
    QString latest_day() const { return latest; }
    QString earliest_day() const { return earliest; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    // `order` sorted, its positions before `from` being in order already.
    void sort_order(size_t from);
    void pick_shown();

    std::vector<Row> rows;
    std::vector<int> order;   // every row, in the order sorted
    std::vector<char> passes; // by row: the filter lets it through
    std::vector<int> shown;   // the rows of `order` that pass
    int sort_column = -1;
    Qt::SortOrder sort_direction = Qt::AscendingOrder;
    LogFilter filter;
    QString latest;
    QString earliest;
};

// log_row_text for row after row. comparable() goes a character at a time
// and keeps the tab between two cells, so a row's text is its cells'
// comparable texts joined by tabs: the names and events that many rows share
// are made comparable once, and only the date and time of each row anew.
class LogRowTexts
{
public:
    QString operator()(const std::array<QString, LogModel::columns> &cells);

private:
    QHash<QString, QString> known;
};

#endif
