#include "user_index.h"

#include "user_row.h"

#include <QSet>
#include <QTreeWidget>
#include <QVector>

namespace {

// Visits the items in tree order until `visit` returns true; returns the
// item it stopped at. Iterative, so that a deep tree cannot exhaust the
// stack.
template<typename Visit> QTreeWidgetItem *walk(const QTreeWidget *tree, Visit visit)
{
    QVector<QTreeWidgetItem *> stack;
    for (int i = tree->topLevelItemCount() - 1; i >= 0; --i)
        stack.append(tree->topLevelItem(i));
    while (!stack.isEmpty()) {
        QTreeWidgetItem *item = stack.takeLast();
        if (visit(item))
            return item;
        for (int i = item->childCount() - 1; i >= 0; --i)
            stack.append(item->child(i));
    }
    return nullptr;
}

} // namespace

bool shown_id(const QTreeWidgetItem *item, int *id)
{
    const QString text = item->text(0);
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    // toInt accepts a leading "+" and leading zeros; the search compares
    // the text with the id's own decimal spelling.
    if (!ok || QString::number(value) != text)
        return false;
    *id = value;
    return true;
}

QTreeWidgetItem *first_showing(const QTreeWidget *tree, int id)
{
    const QString wanted = QString::number(id);
    return walk(tree, [&](QTreeWidgetItem *item) { return item->text(0) == wanted; });
}

QList<UserRow *> records_below(const QTreeWidgetItem *item)
{
    QList<UserRow *> out;
    QVector<QTreeWidgetItem *> stack;
    for (int i = item->childCount() - 1; i >= 0; --i)
        stack.append(item->child(i));
    while (!stack.isEmpty()) {
        QTreeWidgetItem *next = stack.takeLast();
        out.append(static_cast<UserRow *>(next));
        for (int i = next->childCount() - 1; i >= 0; --i)
            stack.append(next->child(i));
    }
    return out;
}

int unused_id(const QTreeWidget *tree, int from)
{
    QSet<int> taken;
    walk(tree, [&](QTreeWidgetItem *item) {
        taken.insert(static_cast<UserRow *>(item)->id_user);
        return false;
    });
    int id = from;
    while (taken.contains(id))
        ++id;
    return id;
}

UserIndex::UserIndex(const QTreeWidget *tree)
{
    walk(tree, [&](QTreeWidgetItem *item) {
        int id = 0;
        if (shown_id(item, &id) && !by_id.contains(id))
            by_id.insert(id, static_cast<UserRow *>(item));
        return false;
    });
}

OwnerIndex::OwnerIndex(const QList<UserRow *> &records)
{
    for (UserRow *record : records) {
        if (record->categoria == UserRow::Usuario)
            users[record->id_padre].append(record);
        else if (record->categoria == UserRow::Visita)
            visitors[record->id_padre].append(record);
    }
}

const QVector<UserRow *> &OwnerIndex::owned(const ByOwner &by_owner, int id)
{
    static const QVector<UserRow *> none;
    const auto it = by_owner.constFind(id);
    return it == by_owner.constEnd() ? none : it.value();
}
