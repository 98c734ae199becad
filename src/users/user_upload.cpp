#include "user_upload.h"

#include "admin_core.h"
#include "asker.h"
#include "user_lines.h"

#include <QDebug>

bool owner_held(const RecordTree &tree, const UserRecord &record)
{
    const UserRecord *owner = tree.owner_of(record);
    return !owner || (!owner->numero_device.isEmpty() && owner->id_device == record.id_padre);
}

bool UserWriter::line_fine() const
{
    return !core.session.stopped() && core.session.is_open();
}

void UserWriter::fail(UserRecord &u, const QString &why)
{
    u.failure = why;
    tree.changed(u);
}

bool UserWriter::upload(UserRecord &u)
{
    Session &session = core.session;
    const Reply sent = session.exchange(upload_line(u), 1, 3);
    upload_sent = sent.sent;
    if (!sent.line_usable())
        return false;
    const QString answer = sent.lines.isEmpty() ? QString() : sent.lines.first().trimmed();
    if (answer == QLatin1String("## OK"))
        qDebug() << "OK user " << u.nombre;
    else if (!answer.isEmpty())
        qDebug() << "Error grabando user " << u.nombre;
    // The controller said it did not store the record; whatever it holds
    // under the number is not what was sent.
    if (answer.startsWith(QLatin1String("ERROR"))) {
        fail(u, answer);
        return false;
    }
    const Reply lookup = session.exchange(lookup_command(u.numero), 1, 2);
    if (!lookup.line_usable())
        return false;
    // Only the controller's own record of this number, holding what was
    // sent, confirms the upload: an older record of the number, a status
    // line or another user's record says nothing about it.
    const std::optional<UserRecord> stored = stored_record(lookup.lines, u.numero);
    if (!stored || !carries_upload(*stored, u)) {
        qDebug() << "Error confirmando Usuario : " << u.nombre;
        fail(u,
             stored ? QStringLiteral("el controlador guarda otros datos")
                    : QStringLiteral("el controlador no lo guardó"));
        return false;
    }
    const int old_id = u.id_user;
    u.id_user = stored->id_user;
    // A new number is a new record on the controller, which owns nothing
    // yet: what the old one owned must be written again under it.
    const bool renumbered = !u.numero_device.isEmpty() && u.numero_device != u.numero;
    if (u.id_user != old_id) {
        // The controller gave the record another id (the one it was sent
        // was taken): what it owns must follow, and the directory must show
        // the id the log and the lookups will use. Under the same number the
        // controller moves what the record owns by itself.
        for (UserRecord *child : tree.owned_by(u)) {
            if (child->id_padre == old_id && child->categoria != UserRecord::Admin) {
                child->id_padre = u.id_user;
                child->pending = child->pending || (renumbered && !child->unsaved);
            }
        }
        if (u.categoria == UserRecord::Admin)
            u.id_padre = u.id_user;
        tree.changed(u);
    }
    if (renumbered && !release_old_number(u))
        return false;
    qDebug() << "Usuario : " << u.nombre << " confirmado";
    u.numero_device = u.numero;
    u.id_device = u.id_user;
    u.pending = false;
    fail(u, QString());
    return true;
}

bool UserWriter::release_old_number(UserRecord &u)
{
    // The controller deletes what a record owns together with it: what the
    // old record owned is moved to the new one before its number goes.
    for (UserRecord *child : tree.owned_by(u)) {
        if (!child->pending || child->unsaved || child->numero_device.isEmpty())
            continue;
        if (!upload(*child)) {
            if (line_fine())
                fail(u, QStringLiteral("no se pudo pasar %1 al numero nuevo").arg(child->nombre));
            return false;
        }
    }
    if (!delete_number(u.numero_device)) {
        if (line_fine())
            fail(u,
                 QStringLiteral("el numero anterior %1 sigue en el controlador")
                     .arg(u.numero_device));
        return false;
    }
    return true;
}

bool UserWriter::delete_number(const QString &numero)
{
    Session &session = core.session;
    if (!session.exchange(delete_command(numero), 0, 0).line_usable())
        return false;
    // Only an answer that holds no record of the number says it is gone.
    const Reply lookup = session.exchange(lookup_command(numero), 1, 2);
    const bool gone = lookup.ok() && !stored_record(lookup.lines, numero);
    // The controller's "ERROR no existe" is the awaited answer here.
    if (gone)
        emit session.note(QStringLiteral("número eliminado"));
    return gone;
}

QList<UserRecord *> UserWriter::held_heads(UserRecord &record) const
{
    if (!record.numero_device.isEmpty())
        return {&record};
    QList<UserRecord *> heads;
    for (UserRecord *child : tree.owned_by(record))
        heads << held_heads(*child);
    return heads;
}

bool UserWriter::delete_branch(UserRecord &record, UserRecord **kept)
{
    for (UserRecord *head : held_heads(record)) {
        if (!delete_number(head->numero_device)) {
            *kept = line_fine() ? head : nullptr;
            return false;
        }
        if (head != &record)
            tree.remove(*head);
    }
    return true;
}

Synchronise::Synchronise(AdminCore &c, RecordTree &records, const QList<UserRecord *> &to_write)
    : Operation(c), tree(records), list(to_write)
{ }

OperationResult Synchronise::run()
{
    if (list.isEmpty())
        return OperationResult::make(OperationResult::refused,
                                     QStringLiteral("No hay cambios que sincronizar"));
    if (!asker().ask(question, details))
        return OperationResult::make(OperationResult::refused,
                                     QStringLiteral("Sincronización cancelada"));
    emit accepted();
    UserWriter writer(core, tree);
    const int total = int(list.size());
    int unconfirmed = 0;
    int waiting = 0;
    for (int i = 0; i < total; ++i) {
        // Between two records: the user stopped, or the line is gone; the
        // rest stays pending for the next time.
        if (stopped() || !session().is_open())
            break;
        UserRecord &u = *list.at(i);
        UserRecord *kept = nullptr;
        // Written with the record of another, under whom it was moved.
        if (!u.pending) {
            ++done;
        } else if (u.baja) {
            if (writer.delete_branch(u, &kept)) {
                // Nothing later in the list hangs from it: what it owned went
                // with it, and was never listed.
                tree.remove(u);
                list[i] = nullptr;
                ++done;
            } else if (kept) {
                u.failure = QStringLiteral("el controlador no borró %1").arg(kept->numero_device);
                tree.changed(u);
                ++failed;
            }
        } else if (!owner_held(tree, u)) {
            // Sent now, it would land under whoever holds that id there.
            ++waiting;
        } else if (writer.upload(u)) {
            ++done;
        } else if (!stopped() && session().is_open()) {
            ++failed;
        } else if (writer.went_out()) {
            ++unconfirmed;
        }
        set_percent((i + 1) * 100 / total);
    }
    const QString summary = sync_summary(total, done, failed, unconfirmed, waiting);
    OperationResult r =
        OperationResult::make(stopped()                  ? OperationResult::stopped
                                  : !session().is_open() ? OperationResult::line_lost
                                  : failed > 0           ? OperationResult::failed
                                  : done < total         ? OperationResult::incomplete
                                                         : OperationResult::done,
                              summary);
    r.got = done;
    r.total = total;
    if ((stopped() || !session().is_open()) && done < total)
        emit session().note(QStringLiteral("Sincronización detenida: ") + summary);
    if (failed > 0) {
        // Reported before the box, which the user reads with the bar behind it.
        asker().report(summary);
        asker().warn(
            QStringLiteral("Error"),
            QStringLiteral("%1 de %2 usuarios no se pudieron grabar").arg(failed).arg(total));
    }
    return r;
}
