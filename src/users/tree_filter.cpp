#include "tree_filter.h"

#include "text_util.h"

#include <QTreeWidgetItem>

namespace {

QString digits_of(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.isDigit())
            out += c;
    }
    return out;
}

// Whether the row or anything below it matches; hides what does not.
bool filter_below(QTreeWidgetItem *item, const TreeNeedle &needle, int *matches)
{
    bool shown = false;
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem *child = item->child(i);
        const bool self = needle.empty() || row_matches(child->text(1), child->text(2), needle);
        *matches += self ? 1 : 0;
        const bool below = filter_below(child, needle, matches);
        const bool visible = self || below;
        if (child->isHidden() == visible)
            child->setHidden(!visible);
        shown = shown || visible;
    }
    return shown;
}

} // namespace

TreeNeedle::TreeNeedle(const QString &typed)
    : text(comparable(typed.simplified())), digits(digits_of(typed))
{ }

bool row_matches(const QString &name, const QString &number, const TreeNeedle &needle)
{
    if (comparable(name).contains(needle.text))
        return true;
    // Typed digits find a number however it is written.
    if (needle.digits.isEmpty() || needle.digits.size() * 2 < needle.text.size())
        return number.contains(needle.text);
    return digits_of(number).contains(needle.digits);
}

int filter_tree(QTreeWidgetItem *top, const TreeNeedle &needle)
{
    int matches = 0;
    filter_below(top, needle, &matches);
    return matches;
}
