#ifndef USER_INDEX_H
#define USER_INDEX_H

#include <QHash>
#include <QList>
#include <QVector>

class QTreeWidget;
class QTreeWidgetItem;
class UserRow;

// The records of the user tree by the id they show in column 0, for an
// operation that looks up many ids (the event log names one user per line).
// Build it once per operation, after the tree has its final shape: it holds
// plain pointers and does not follow later changes of the tree.
//
// For every id it gives the same record as a search of the tree would: the
// first one in tree order (an item before its children, children before the
// item's next sibling) whose column 0 reads exactly that id in decimal.
class UserIndex
{
public:
    explicit UserIndex(const QTreeWidget *tree);

    // Null when no record shows that id.
    UserRow *find(int id) const { return by_id.value(id, nullptr); }
    int size() const { return by_id.size(); }

private:
    QHash<int, UserRow *> by_id;
};

// The records of a downloaded or imported list by owner, for hanging them
// into the tree in one pass: the users that name each administrator id, and
// the visitors that name each user id, each in the order of the list.
class OwnerIndex
{
public:
    explicit OwnerIndex(const QList<UserRow *> &records);

    const QVector<UserRow *> &users_of(int admin_id) const { return owned(users, admin_id); }
    const QVector<UserRow *> &visitors_of(int user_id) const { return owned(visitors, user_id); }

private:
    using ByOwner = QHash<int, QVector<UserRow *>>;
    static const QVector<UserRow *> &owned(const ByOwner &by_owner, int id);

    ByOwner users;
    ByOwner visitors;
};

// The id that an item's column 0 shows, when the text is exactly an id
// written in decimal ("12", "-3"; not "012", " 12", "Raíz" or empty).
bool shown_id(const QTreeWidgetItem *item, int *id);

// The first record of the tree, in tree order, that shows `id`; null if
// none does.
QTreeWidgetItem *first_showing(const QTreeWidget *tree, int id);

// Every record below `item`, in tree order, `item` itself not included.
QList<UserRow *> records_below(const QTreeWidgetItem *item);

// The first id from `from` on that no record of the tree has.
int unused_id(const QTreeWidget *tree, int from);

#endif
