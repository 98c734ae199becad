#ifndef TREE_FILTER_H
#define TREE_FILTER_H

#include <QString>

class QTreeWidgetItem;

// What the user typed in the finder, made ready to compare: the text folded
// to lower case without accents, and its digits alone.
struct TreeNeedle
{
    explicit TreeNeedle(const QString &typed);

    bool empty() const { return text.isEmpty(); }

    QString text;
    QString digits;
};

// Whether a row matches: the needle is part of its name, or its digits are
// part of the number's digits ("9123 45" finds "+56991234567").
bool row_matches(const QString &name, const QString &number, const TreeNeedle &needle);

// Shows every row below `top` that matches (name in column 1, number in
// column 2), with the owners above it, and hides the rest; an empty needle
// shows them all. Gives the number of matching rows.
int filter_tree(QTreeWidgetItem *top, const TreeNeedle &needle);

#endif
