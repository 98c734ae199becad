// The finder over the user tree.
#include "dorvak_admin.h"

#include "tree_filter.h"
#include "user_row.h"

#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

void DORVAK_Admin::filter_users()
{
    const TreeNeedle needle(user_filter_edit->text());
    const int matches = filter_tree(root, needle);
    int total = 0;
    for (QTreeWidgetItemIterator it(root); *it; ++it)
        ++total;
    // The root itself is no record.
    --total;
    user_filter_count->setText(needle.empty() ? QString()
                                              : QStringLiteral("%1 de %2").arg(matches).arg(total));
}
