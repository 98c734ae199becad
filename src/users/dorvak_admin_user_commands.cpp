// The user tree commands, the upload of a record and the synchronisation
// of every pending record.
#include "dorvak_admin.h"

#include "console.h"
#include "test_user_generator.h"
#include "text_util.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"
#include "user_upload.h"

#include <QDebug>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>

#include <algorithm>
#include <memory>

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
    edited = editing ? selected_record(user_tree) : nullptr;
    edit_btn->setEnabled(!editing);
    save_btn->setEnabled(editing);
    cancel_btn->setEnabled(editing);
}

void DORVAK_Admin::run_users_operation(Needs line, const std::function<void()> &body)
{
    // The title is brought up to date inside the operation: once it has
    // unwound from a deleted window, nothing of the window may be touched.
    run_operation(line, [this, &body] {
        body();
        show_pending_title();
    });
}

int DORVAK_Admin::pending_count() const
{
    const QList<UserRow *> all = records_below(root);
    return int(std::count_if(all.begin(), all.end(),
                             [](const UserRow *u) { return u->pending && !u->unsaved; }));
}

QString DORVAK_Admin::discard_question(int count)
{
    return count == 1 ? QStringLiteral("Hay 1 cambio sin sincronizar. ¿Descartarlo?")
                      : QStringLiteral("Hay %1 cambios sin sincronizar. ¿Descartarlos?").arg(count);
}

bool DORVAK_Admin::discard_pending_ok(int count)
{
    return count == 0 || ask(discard_question(count));
}

void DORVAK_Admin::show_pending_title()
{
    pending_changes = pending_count();
    for (UserRow *u : records_below(root))
        u->show_mark();
    update_title();
}

void DORVAK_Admin::remove_records(UserRow *record)
{
    // The list must not keep pointers to the records that go.
    QSet<UserRow *> doomed{record};
    for (UserRow *u : records_below(record))
        doomed.insert(u);
    if (doomed.contains(edited))
        edited = nullptr;
    users.erase(
        std::remove_if(users.begin(), users.end(), [&](UserRow *u) { return doomed.contains(u); }),
        users.end());
    // Taken out of the tree whole before it is freed: the selection moves on
    // (and userChanged runs) while the record is still intact.
    if (QTreeWidgetItem *owner = record->parent())
        owner->removeChild(record);
    delete_subtree(record);
}

void DORVAK_Admin::drop_unsaved(UserRow *keep)
{
    if (syncing)
        return;
    QList<UserRow *> unsaved;
    for (UserRow *u : records_below(root)) {
        if (u->unsaved && u != keep)
            unsaved << u;
    }
    // Unmarked first: removing one changes the selection, which comes back
    // here and must not find the others again.
    for (UserRow *u : qAsConst(unsaved))
        u->unsaved = false;
    for (UserRow *u : qAsConst(unsaved))
        remove_records(u);
}

void DORVAK_Admin::select_quietly(UserRow *record)
{
    const QSignalBlocker quiet(user_tree);
    user_tree->setCurrentItem(record);
}

bool DORVAK_Admin::leave_edit()
{
    UserRow *was = edited;
    if (!was || !user_panel->changed(was))
        return true;
    // Nothing can be saved while another operation waits on the controller.
    if (core.runner.running()) {
        select_quietly(was);
        return false;
    }
    const int answer =
        choose(QStringLiteral("Los cambios de %1 no se han grabado.")
                   .arg(was->unsaved ? QStringLiteral("el registro nuevo") : was->nombre),
               {{QMessageBox::Save, QStringLiteral("Grabar")},
                {QMessageBox::Discard, QStringLiteral("Descartar")},
                {QMessageBox::Cancel, QStringLiteral("Seguir editando")}},
               QMessageBox::Cancel);
    if (answer == QMessageBox::Discard) {
        edited = nullptr;
        return true;
    }
    // Saving works on the selected record, and the edit stays on it.
    select_quietly(was);
    if (answer == QMessageBox::Save)
        run_users_operation(Needs::any, [this] { save_record(); });
    return !edited;
}

void DORVAK_Admin::userChanged()
{
    UserRow *record = selected_record(user_tree);
    if (edited && record != edited) {
        if (!leave_edit())
            return;
        select_quietly(record);
    }
    // Leaving the edited record abandons the edit, and a new record that was
    // never saved with it.
    drop_unsaved(record);
    reset_edit_buttons(false);
    if (record)
        user_panel->cancel(record);
    else
        user_panel->setMode(true);
}

void DORVAK_Admin::cancel()
{
    // A new record that was never saved goes; the selection then moves on.
    drop_unsaved(nullptr);
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
    if (!leave_edit())
        return;
    run_users_operation(Needs::any, [this] {
        UserRow *selected = selected_or_refuse(user_tree, this);
        if (!selected)
            return;
        const QList<NewRecord> choices = new_record_choices(selected);
        if (choices.isEmpty()) {
            report(QStringLiteral("Una visita no puede tener registros propios"));
            QMessageBox::critical(this, QStringLiteral("Error"),
                                  QStringLiteral("Una Visita no puede tener usuarios usuarios"));
            return;
        }
        // What the record is decides where it hangs: the user says which,
        // each choice naming its owner.
        NewRecord choice = choices.first();
        if (choices.size() > 1) {
            const int answer = choose(QStringLiteral("¿Qué registro nuevo?"),
                                      {{QMessageBox::Yes, new_record_text(choices.at(0))},
                                       {QMessageBox::No, new_record_text(choices.at(1))},
                                       {QMessageBox::Cancel, QString()}},
                                      QMessageBox::Cancel);
            if (answer == QMessageBox::Cancel) {
                report(QStringLiteral("Ningún registro nuevo"));
                return;
            }
            choice = choices.at(answer == QMessageBox::Yes ? 0 : 1);
        }
        if (is_open()) {
            IdCounter ids;
            ids.set(UserRow::id_siguiente);
            ask_next_id(core, ids);
            UserRow::id_siguiente = ids.next();
        }
        // Whatever the counter says, the id is one that no record has: the
        // controller's answer may be missing, and records made offline or
        // imported take ids the controller does not know of.
        const int id = unused_id(user_tree, UserRow::id_siguiente);
        auto *record = new UserRow(choice.owner);
        record->id_user = id;
        UserRow::id_siguiente = id + 1;
        record->unsaved = true;
        record->id_padre = choice.owner->id_user;
        record->categoria = choice.categoria;
        user_tree->setCurrentItem(record);
        user_tree->scrollToItem(record);
        user_panel->setUser(record);
        user_panel->setMode(false);
        reset_edit_buttons(true);
        report(new_record_text(choice) + QStringLiteral(": complete los datos y presione Grabar"));
    });
}

namespace {

QString controller_name(const QString &port, const QString &identity)
{
    return identity.isEmpty() ? QStringLiteral("en %1").arg(port)
                              : QStringLiteral("en %1 (equipo %2)").arg(port, identity);
}

} // namespace

QString DORVAK_Admin::other_controller() const
{
    if (directory_port.isEmpty())
        return QString();
    // Where both know their identity it decides; else the port does.
    const QString identity = core.identity();
    const bool same = !identity.isEmpty() && !directory_identity.isEmpty()
        ? identity == directory_identity
        : port_name == directory_port;
    if (same)
        return QString();
    return QStringLiteral("La lista de usuarios es del controlador %1, y el conectado es el "
                          "controlador %2.")
        .arg(controller_name(directory_port, directory_identity),
             controller_name(port_name, identity));
}

void DORVAK_Admin::bind_directory()
{
    directory_port = port_name;
    directory_identity = core.identity();
}

bool DORVAK_Admin::write_here_ok(const QString &question_end)
{
    const QString other = other_controller();
    if (!other.isEmpty() && !ask(other + QLatin1Char(' ') + question_end))
        return false;
    bind_directory();
    return true;
}

void DORVAK_Admin::borrar()
{
    run_users_operation(Needs::any, [this] {
        UserRow *record = selected_record_not_root(user_tree, this);
        if (!record)
            return;
        // A record the controller may hold goes from the tree only once the
        // controller has let it go: otherwise the phone keeps its access
        // while the window shows it gone. The controller knows it by the
        // number it holds, whatever the record was renamed to since; a
        // record it never held only leaves the list.
        if (!record->unsaved) {
            TreeRecords tree = tree_records();
            UserWriter writer(core, tree);
            const QList<UserRecord *> heads = writer.held_heads(*record);
            const int owned = records_below(record).size();
            const QString and_owned = owned == 1 ? QStringLiteral(" y su registro")
                : owned > 1                      ? QStringLiteral(" y sus %1 registros").arg(owned)
                                                 : QString();
            // With the port closed it is deleted there by "Sincronizar".
            if (!is_open() && !heads.isEmpty()) {
                if (ask(QStringLiteral("¿Borrar a %1 (%2)%3 del controlador al sincronizar?")
                            .arg(record->nombre, record->numero, and_owned))) {
                    record->baja = record->pending = true;
                    report(QStringLiteral("Baja pendiente: %1").arg(record->nombre));
                } else {
                    report(QStringLiteral("Borrado cancelado"));
                }
                return;
            }
            if (!ask(QStringLiteral("¿Borrar a %1 (%2)%3?")
                         .arg(record->nombre, record->numero, and_owned))) {
                report(QStringLiteral("Borrado cancelado"));
                return;
            }
            if (!heads.isEmpty()
                && !write_here_ok(QStringLiteral("¿Borrar en el controlador conectado?"))) {
                report(QStringLiteral("Borrado cancelado"));
                return;
            }
            UserRecord *kept = nullptr;
            if (!writer.delete_branch(*record, &kept)) {
                if (kept)
                    QMessageBox::critical(
                        this, QStringLiteral("Error"),
                        QStringLiteral("El controlador no borró el usuario %1 (%2)")
                            .arg(kept->nombre, kept->numero_device));
                return;
            }
        }
        report(QStringLiteral("Borrado: %1 (%2)").arg(record->nombre, record->numero));
        remove_records(record);
        user_panel->setMode(true);
        if (UserRow *now = selected_record(user_tree))
            user_panel->setUser(now);
    });
}

void DORVAK_Admin::save()
{
    run_users_operation(Needs::any, [this] { save_record(); });
}

void DORVAK_Admin::move_record(UserRow *record, UserRow *owner)
{
    if (record->parent() == owner)
        return;
    const QSignalBlocker quiet(user_tree);
    record->parent()->removeChild(record);
    owner->addChild(record);
    owner->setExpanded(true);
    user_tree->setCurrentItem(record);
}

bool DORVAK_Admin::save_record()
{
    UserRow *record = selected_record_not_root(user_tree, this);
    if (!record)
        return false;
    // The controller keeps one record per number: saving a second
    // record under a number would overwrite the other person's.
    const QString typed = fold(user_panel->typed_number());
    const int id = user_panel->typed_id();
    const QList<UserRow *> all = records_below(root);
    const auto taken = [&](const std::function<bool(const UserRow *)> &same) {
        return std::any_of(all.begin(), all.end(),
                           [&](UserRow *u) { return u != record && !u->unsaved && same(u); });
    };
    QString refusal;
    if (taken([&](const UserRow *u) { return fold(u->numero) == typed; }))
        refusal = QStringLiteral("Ya existe un usuario con el numero %1").arg(typed);
    else if (id != record->id_user && taken([&](const UserRow *u) { return u->id_user == id; }))
        refusal = QStringLiteral("Ya existe un usuario con el id %1").arg(id);
    UserRow *owner = nullptr;
    if (refusal.isEmpty())
        refusal = ownership_refusal(record, user_panel->typed_category(),
                                    user_panel->typed_owner(record), &owner);
    if (!refusal.isEmpty()) {
        QMessageBox::critical(this, QStringLiteral("Error"), refusal);
        report(QStringLiteral("No se grabó: ") + refusal);
        return false;
    }
    if (!user_panel->save(record))
        return false;
    record->unsaved = false;
    record->baja = false;
    record->pending = true;
    record->set_failure(QString());
    record->show_columns();
    if (record->categoria == UserRow::Admin)
        record->id_padre = record->id_user;
    // What the record owns follows its id; on the controller it follows by
    // itself once the record is written under the new id.
    for (int i = 0; i < record->childCount(); ++i)
        static_cast<UserRow *>(record->child(i))->id_padre = record->id_user;
    move_record(record, owner);
    reset_edit_buttons(false);
    // With the port closed the record waits, pending, for "Sincronizar".
    if (!is_open()) {
        report(QStringLiteral("Guardado sin conexión: %1 queda pendiente").arg(record->nombre));
    } else if (!owner_held(tree_records(), *record)) {
        report(QStringLiteral("No se grabó: %1 espera a su administrador").arg(record->nombre));
    } else if (!write_here_ok(QStringLiteral("¿Grabar en el controlador conectado?"))) {
        report(QStringLiteral("No se grabó: %1 queda pendiente").arg(record->nombre));
    } else if (upload_user(record)) {
        report(QStringLiteral("Grabado: %1 (%2)").arg(record->nombre, record->numero));
    } else {
        report(QStringLiteral("No se grabó: %1 queda pendiente").arg(record->nombre));
        if (!record->failure.isEmpty())
            QMessageBox::critical(this, QStringLiteral("Error"),
                                  QStringLiteral("No se pudo grabar el usuario %1: %2")
                                      .arg(record->nombre, record->failure));
    }
    // The form shows the id the controller gave, as the tree does.
    if (selected_record(user_tree) == record)
        user_panel->setUser(record);
    return true;
}

TreeRecords DORVAK_Admin::tree_records()
{
    return TreeRecords([this](UserRow *record) { remove_records(record); });
}

bool DORVAK_Admin::upload_user(UserRow *u)
{
    TreeRecords tree = tree_records();
    UserWriter writer(core, tree);
    const bool confirmed = writer.upload(*u);
    upload_went_out = writer.went_out();
    return confirmed;
}

void DORVAK_Admin::sync_users()
{
    // What is written is decided before the first write, owners before what
    // they own, and asked for.
    QList<UserRow *> list;
    QStringList lines;
    for (UserRow *u : records_below(root)) {
        const QString kind = u->pending_kind();
        // What hangs from a record to delete goes with it.
        const UserRow *above = u;
        while ((above = static_cast<const UserRow *>(above->parent())) && !above->baja) { }
        if (!kind.isEmpty() && !above) {
            list << u;
            lines << QStringLiteral("%1: %2 (%3)").arg(kind, u->nombre, u->numero);
        }
    }
    TreeRecords tree = tree_records();
    Synchronise sync(core, tree, QList<UserRecord *>(list.begin(), list.end()));
    const QString other = other_controller();
    sync.question = (other.isEmpty() ? QString() : other + QLatin1Char('\n'))
        + QStringLiteral("Sincronizar con el controlador %1: %2.\n%3%4\n¿Continuar?")
              .arg(controller_name(port_name, core.identity()), pending_counts(list),
                   QStringList(lines.mid(0, 10)).join(QLatin1Char('\n')),
                   lines.size() > 10 ? QStringLiteral("\n… y %1 más").arg(lines.size() - 10)
                                     : QString());
    sync.details = lines.join(QLatin1Char('\n'));
    // Meanwhile no record leaves the tree but those the controller let go.
    connect(&sync, &Synchronise::accepted, this, [this] {
        bind_directory();
        syncing = true;
    });
    const QPointer<DORVAK_Admin> alive(this);
    run(sync);
    if (!alive)
        return;
    syncing = false;
    // The form shows the id the controller gave, as the tree does.
    UserRow *shown = selected_record(user_tree);
    if (shown && !edited)
        user_panel->setUser(shown);
    show_pending_title();
}
