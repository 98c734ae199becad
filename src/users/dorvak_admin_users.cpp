// The user directory: the download and the tree.
#include "dorvak_admin.h"

#include "user_download.h"

#include "text_util.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QDebug>
#include <QProgressBar>
#include <QTreeWidget>

#include <algorithm>

namespace {

// Drives the bar through a loop of `total` steps, "<label><percent>%".
// The bar is only touched when the percentage changes: the texts shown are
// the same as setting it at every step, without building a text per step.
class StepProgress
{
public:
    StepProgress(QProgressBar *progress, const QString &text, int steps)
        : bar(progress), label(text), total(steps)
    { }

    void at(int step)
    {
        const int percent = int(qint64(step) * 100 / total);
        if (percent == shown)
            return;
        shown = percent;
        bar->setValue(percent);
        bar->setFormat(label + QString::number(percent) + QLatin1Char('%'));
    }

private:
    QProgressBar *bar = nullptr;
    QString label;
    int total = 0;
    int shown = -1;
};

} // namespace

void DORVAK_Admin::install_root(const QString &caption)
{
    UserRow *old_root = root;
    edited = nullptr;
    // Until it is read again, or written, the list is no controller's.
    directory = {};
    root = new UserRow;
    root->id_user = 0;
    root->id_padre = 0;
    root->setText(0, caption);
    user_tree->addTopLevelItem(root);
    user_panel->setUser(root);
    delete_subtree(old_root);
    // The list pointed into the old tree.
    users.clear();
}

void DORVAK_Admin::getUsers()
{
    // Replacing the tree ends the edit.
    if (!leave_edit())
        return;
    DownloadUsers download(core);
    const int pending = pending_count();
    if (pending > 0)
        download.question = discard_question(pending);
    const bool whole = run(download);
    if (!whole)
        return;
    install_root(QStringLiteral("Raíz"));
    load_user_lines(download.lines);
    directory = {port_name, core.identity(), {}};
    report(counted(users.size(), QStringLiteral("usuario descargado"),
                   QStringLiteral("usuarios descargados")));
    show_pending_title();
}

void DORVAK_Admin::limpia_usuarios()
{
    if (!leave_edit())
        return;
    run_users_operation(Needs::any, [this] {
        if (discard_pending_ok(pending_count())) {
            install_root(QStringLiteral("Raíz"));
            report(QStringLiteral("Lista vaciada; el controlador conserva sus usuarios"));
        }
    });
}

void DORVAK_Admin::load_user_lines(QStringList lines)
{
    users.clear();
    core.session.set_progress_shown(false);
    const int count = lines.size();
    users.reserve(count);
    StepProgress bar(progress, QStringLiteral("Procesando : "), count);
    for (int k = 0; k < count; ++k) {
        if (UserRow *record = parse_user_line(lines.at(k), core.ids))
            users.append(record);
        bar.at(k);
    }
    build_user_tree();
    progress->setValue(0);
    progress->setFormat(QString());
    core.session.set_progress_shown(true);
    user_tree->expandAll();
}

namespace {

void attach_visitors(UserRow *user, const OwnerIndex &owned)
{
    for (UserRow *record : owned.visitors_of(user->id_user)) {
        qDebug() << "Rec : " << record->nombre;
        user->addChild(record);
        record->placed = true;
    }
}

void attach_users(UserRow *admin, const OwnerIndex &owned)
{
    for (UserRow *record : owned.users_of(admin->id_user)) {
        qDebug() << "Rec : " << record->nombre;
        // Refused when the record already has an owner (a duplicate id
        // found it first); it is placed all the same.
        admin->addChild(record);
        record->placed = true;
        attach_visitors(record, owned);
    }
}

} // namespace

void DORVAK_Admin::build_user_tree()
{
    // Administrators first, in the order of the list, then whatever found
    // no owner. The branches are put together away from the view and hung
    // under the root at once, which spares the view one notice per record.
    const OwnerIndex owned(users);
    QList<QTreeWidgetItem *> top;
    int admins = 0;
    StepProgress bar(progress, QStringLiteral("Estructurando : "), users.size());
    for (int i = 0; i < users.size(); ++i) {
        UserRow *record = users.at(i);
        record->show_columns();
        if (record->categoria == UserRow::Admin) {
            top.append(record);
            record->placed = true;
            attach_users(record, owned);
            ++admins;
        }
        bar.at(i);
    }
    for (UserRow *record : qAsConst(users)) {
        if (!record->placed)
            top.append(record);
    }
    // A record that already hangs somewhere stays there.
    root->addChildren(top);
    qDebug() << "Tot users " << admins;
}
