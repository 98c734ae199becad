// The user tree commands, the upload of a record and the synchronisation
// of every pending record.
#include "dorvak_admin.h"

#include "operation_guard.h"
#include "text_util.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QDebug>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>

#include <algorithm>
#include <optional>

namespace {

UserRow *selected_record(const QTreeWidget *tree)
{
    const QList<QTreeWidgetItem *> selected = tree->selectedItems();
    return selected.isEmpty() ? nullptr : static_cast<UserRow *>(selected.first());
}

// The selected record, or null after telling the user to select one.
UserRow *selected_or_refuse(const QTreeWidget *tree, QWidget *parent)
{
    UserRow *record = selected_record(tree);
    if (!record)
        QMessageBox::critical(parent, QStringLiteral("Error"),
                              QStringLiteral("Debe seleccionar primero un elemento"));
    return record;
}

// The selected record when it is one that can be edited, deleted or saved:
// null after the message when nothing is selected, and null without one for
// the root, which stands for the whole database.
UserRow *selected_record_not_root(const QTreeWidget *tree, QWidget *parent)
{
    UserRow *record = selected_or_refuse(tree, parent);
    return record && record->parent() ? record : nullptr;
}

} // namespace

void DORVAK_Admin::reset_edit_buttons(bool editing)
{
    edit_btn->setEnabled(!editing);
    save_btn->setEnabled(editing);
    cancel_btn->setEnabled(editing);
}

void DORVAK_Admin::userChanged()
{
    // Leaving the edited record abandons the edit; cancel shows the newly
    // selected record.
    cancel();
}

void DORVAK_Admin::cancel()
{
    reset_edit_buttons(false);
    // What was typed is discarded and the record's stored values come back,
    // so that the form never shows values that are in no record.
    if (UserRow *record = selected_record(user_tree))
        user_panel->cancel(record);
    else
        user_panel->setMode(true);
}

void DORVAK_Admin::edit()
{
    UserRow *record = selected_record_not_root(user_tree, this);
    if (!record)
        return;
    user_panel->edit(record);
    reset_edit_buttons(true);
}

void DORVAK_Admin::nuevo()
{
    run_operation([this] {
        UserRow *owner = selected_or_refuse(user_tree, this);
        if (!owner)
            return;
        if (owner != root && owner->categoria == UserRow::Visita) {
            QMessageBox::critical(this, QStringLiteral("Error"),
                                  QStringLiteral("Una Visita no puede tener usuarios usuarios"));
            return;
        }
        if (serial->isOpen())
            ask_next_id();
        auto *record = new UserRow(owner);
        record->pending = true;
        record->id_padre = owner->id_user;
        user_tree->setCurrentItem(record);
        user_tree->scrollToItem(record);
        user_panel->setUser(record);
        user_panel->setMode(false);
        reset_edit_buttons(true);
    });
}

bool DORVAK_Admin::ask_next_id()
{
    exchange(QStringLiteral("NEXT"), 1, 1, QString());
    // Without exactly one answer line the local count goes on.
    if (sent && resps.size() == 1)
        UserRow::id_siguiente = read_decimal(resps.first());
    return sent;
}

void DORVAK_Admin::borrar()
{
    run_operation([this] {
        UserRow *record = selected_record_not_root(user_tree, this);
        if (!record)
            return;
        // The controller is told first; the tree follows whatever it answered.
        exchange(delete_command(record->numero), 0, 0, QString());

        // The list must not keep pointers to the records that go.
        QSet<UserRow *> doomed;
        QList<QTreeWidgetItem *> walk{record};
        while (!walk.isEmpty()) {
            QTreeWidgetItem *item = walk.takeLast();
            doomed.insert(static_cast<UserRow *>(item));
            for (int i = 0; i < item->childCount(); ++i)
                walk.append(item->child(i));
        }
        users.erase(std::remove_if(users.begin(), users.end(),
                                   [&](UserRow *u) { return doomed.contains(u); }),
                    users.end());

        delete_subtree(record);
        user_panel->setMode(true);
        if (UserRow *now = selected_record(user_tree))
            user_panel->setUser(now);
    });
}

void DORVAK_Admin::save()
{
    run_operation([this] {
        UserRow *record = selected_record_not_root(user_tree, this);
        if (!record)
            return;
        if (!user_panel->save(record))
            return;
        record->pending = true;
        record->show_columns();
        if (record->categoria == UserRow::Admin)
            record->id_padre = record->id_user;
        reset_edit_buttons(false);
        // With the port closed the record waits, pending, for "Sincronizar".
        if (serial->isOpen())
            upload_user(record);
    });
}

void DORVAK_Admin::upload_user(UserRow *u)
{
    exchange(upload_line(*u), 1, 3, QString());
    if (!sent)
        return;
    if (resps.size() == 1) {
        if (resps.first().trimmed() == QLatin1String("## OK"))
            qDebug() << "OK user " << u->nombre;
        else
            qDebug() << "Error grabando user " << u->nombre;
    }
    // Asking on a line that went away meanwhile would only bring up the
    // closed-port message.
    if (!serial->isOpen())
        return;

    exchange(lookup_command(u->numero), 1, 2, QString());
    if (!sent)
        return;
    // Only the controller's own record of this number confirms the upload;
    // a status line or another user's record says nothing about it.
    const std::optional<int> stored = confirmed_id(resps, u->numero);
    if (!stored) {
        qDebug() << "Error confirmando Usuario : " << u->nombre;
        return;
    }
    const int old_id = u->id_user;
    u->id_user = *stored;
    if (u->id_user != old_id) {
        // The controller gave the record another id (the one it was sent
        // was taken): what it owns must follow, or it would be written
        // under the wrong owner, and the row must show the id the log and
        // the lookups will use.
        for (int i = 0; i < u->childCount(); ++i) {
            auto *child = static_cast<UserRow *>(u->child(i));
            if (child->id_padre == old_id && child->categoria != UserRow::Admin)
                child->id_padre = u->id_user;
        }
        if (u->categoria == UserRow::Admin)
            u->id_padre = u->id_user;
        if (!u->text(0).isEmpty())
            u->setText(0, QString::number(u->id_user));
    }
    qDebug() << "Usuario : " << u->nombre << " confirmado";
    u->pending = false;
}

void DORVAK_Admin::sync_users()
{
    run_operation(OperationGuard::Line::open, [this] {
        for (int i = 0; i < root->childCount(); ++i) {
            if (!sync_branch(static_cast<UserRow *>(root->child(i))))
                return;
        }
    });
}

bool DORVAK_Admin::sync_branch(UserRow *r)
{
    // Owners go before what they own, so that the controller knows the
    // owner by the time its users and visitors arrive.
    if (r->pending) {
        upload_user(r);
        // The line is gone: the rest stays pending for the next time.
        if (!serial->isOpen())
            return false;
    }
    for (int i = 0; i < r->childCount(); ++i) {
        if (!sync_branch(static_cast<UserRow *>(r->child(i))))
            return false;
    }
    return true;
}
