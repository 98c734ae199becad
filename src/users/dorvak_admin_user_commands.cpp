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
#include <QPointer>
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
        if (is_open())
            ask_next_id(core, core.ids);
        // Whatever the counter says, the id is one that no record has: the
        // controller's answer may be missing, and records made offline or
        // imported take ids the controller does not know of.
        const int id = unused_id(user_tree, core.ids.next());
        auto *record = new UserRow(choice.owner);
        record->id_user = id;
        core.ids.set(id + 1);
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

QVector<WantedRecord> DORVAK_Admin::wanted_records() const
{
    QVector<WantedRecord> out;
    QHash<const QTreeWidgetItem *, int> place;
    for (UserRow *u : records_below(root)) {
        if (u->unsaved)
            continue;
        WantedRecord w;
        w.record = u;
        const auto owner = place.constFind(u->parent());
        if (owner != place.constEnd()) {
            w.owner = *owner;
            w.gone = out.at(w.owner).gone;
        }
        w.gone = w.gone || u->baja;
        place.insert(u, int(out.size()));
        out << w;
    }
    return out;
}

OperationResult DORVAK_Admin::write_directory(bool preview, const QString &question_end,
                                              const WriteDirectory::Scope &scope)
{
    TreeRecords tree = tree_records();
    WriteDirectory write(core, tree, directory, [this] { return wanted_records(); });
    write.preview = preview;
    write.question_end = question_end;
    write.scope = scope;
    // Meanwhile no record leaves the tree but those the controller let go.
    connect(&write, &WriteDirectory::accepted, this, [this] { syncing = true; });
    const QPointer<DORVAK_Admin> alive(this);
    OperationResult result = OperationResult::make(OperationResult::line_lost);
    try {
        // Grabar and Borrar run it inside their own operation.
        result = core.runner.running() ? write.exec_within() : write.exec();
    } catch (const SessionGone &) {
        return result;
    }
    if (alive) {
        syncing = false;
        if (preview && !result.summary.isEmpty())
            report(result.summary);
    }
    return result;
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
        const QString gone = QStringLiteral("Borrado: %1 (%2)").arg(record->nombre, record->numero);
        if (!record->unsaved) {
            QList<UserRow *> branch = records_below(record);
            const int owned = branch.size();
            branch.prepend(record);
            const bool held = std::any_of(branch.begin(), branch.end(), [](const UserRow *u) {
                return !u->numero_device.isEmpty();
            });
            const QString and_owned = owned == 1 ? QStringLiteral(" y su registro")
                : owned > 1                      ? QStringLiteral(" y sus %1 registros").arg(owned)
                                                 : QString();
            // With the port closed it is deleted there by "Sincronizar".
            if (!is_open() && held) {
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
            if (held && !delete_on_controller(record, branch))
                return;
        }
        report(gone);
        // The controller's delete may have taken it from the tree already.
        if (records_below(root).contains(record))
            remove_records(record);
        user_panel->setMode(true);
        if (UserRow *now = selected_record(user_tree))
            user_panel->setUser(now);
    });
}

bool DORVAK_Admin::delete_on_controller(UserRow *record, const QList<UserRow *> &branch)
{
    const QString nombre = record->nombre, numero = record->numero;
    const bool was_pending = record->pending;
    record->baja = record->pending = true;
    // The deletes of the branch, and before them the writes that take
    // records held under it elsewhere: the controller deletes what a record
    // owns with it.
    QStringList numbers;
    for (const UserRow *u : branch) {
        if (!u->numero_device.isEmpty())
            numbers << u->numero_device;
    }
    const auto scope = [this, numbers](const QVector<PlanStep> &plan,
                                       const QVector<WantedRecord> &wanted) {
        QSet<QString> doomed;
        for (const QString &n : numbers) {
            for (const QString &taken : core.held.takes(n))
                doomed.insert(taken);
        }
        QVector<PlanStep> out;
        for (const PlanStep &step : plan) {
            const QString held =
                step.is_delete() ? step.numero : fold(wanted.at(step.record).record->numero_device);
            if (doomed.contains(held))
                out << step;
        }
        return out;
    };
    const OperationResult result =
        write_directory(false, QStringLiteral("¿Borrar en el controlador conectado?"), scope);
    if (result.ok() || !records_below(root).contains(record))
        return result.ok();
    record->baja = false;
    record->pending = was_pending;
    record->failure.clear();
    record->show_mark();
    if (result.outcome == OperationResult::refused) {
        report(QStringLiteral("Borrado cancelado"));
    } else if (result.outcome == OperationResult::failed) {
        const QString why =
            QStringLiteral("El controlador no borró el usuario %1 (%2)").arg(nombre, numero);
        report(why);
        QMessageBox::critical(this, QStringLiteral("Error"), why);
    }
    return false;
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
    } else {
        // The record's own writes: its owners' where the controller lacks
        // them, its own, and what it owns when its id or number changes.
        QSet<const UserRecord *> scope_records{record};
        for (const UserRow *u : records_below(record))
            scope_records.insert(u);
        for (auto *up = static_cast<UserRow *>(record->parent()); up && up != root;
             up = static_cast<UserRow *>(up->parent()))
            scope_records.insert(up);
        const auto scope = [scope_records](const QVector<PlanStep> &plan,
                                           const QVector<WantedRecord> &wanted) {
            QVector<PlanStep> out;
            for (const PlanStep &step : plan) {
                if ((!step.is_delete() || step.kind == PlanStep::numero_anterior)
                    && step.record >= 0 && scope_records.contains(wanted.at(step.record).record))
                    out << step;
            }
            return out;
        };
        write_directory(false, QStringLiteral("¿Grabar en el controlador conectado?"), scope);
        if (!record->pending) {
            report(QStringLiteral("Grabado: %1 (%2)").arg(record->nombre, record->numero));
        } else if (!record->failure.isEmpty()) {
            report(QStringLiteral("No se grabó: %1 queda pendiente").arg(record->nombre));
            QMessageBox::critical(this, QStringLiteral("Error"),
                                  QStringLiteral("No se pudo grabar el usuario %1: %2")
                                      .arg(record->nombre, record->failure));
        } else if (is_open() && !core.session.stopped() && directory.identity == core.identity()) {
            report(QStringLiteral("No se grabó: %1 espera a su administrador").arg(record->nombre));
        } else {
            report(QStringLiteral("No se grabó: %1 queda pendiente").arg(record->nombre));
        }
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

void DORVAK_Admin::sync_users()
{
    if (!is_open()) {
        show_port_closed();
        return;
    }
    const QPointer<DORVAK_Admin> alive(this);
    write_directory(true, QStringLiteral("¿Sincronizar con el controlador conectado?"), nullptr);
    if (!alive)
        return;
    // The form shows the id the controller gave, as the tree does.
    UserRow *shown = selected_record(user_tree);
    if (shown && !edited)
        user_panel->setUser(shown);
    show_pending_title();
}
