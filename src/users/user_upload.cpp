#include "user_upload.h"

#include "admin_core.h"
#include "asker.h"
#include "text_util.h"
#include "user_download.h"
#include "user_lines.h"

#include <QDebug>

bool UserWriter::line_fine() const
{
    return !core.session.stopped() && core.session.is_open();
}

std::optional<UserRecord> UserWriter::write(const UserRecord &u)
{
    Session &session = core.session;
    reason.clear();
    const Reply sent = session.exchange(upload_line(u), 1, 3);
    upload_sent = sent.sent;
    if (!sent.line_usable())
        return std::nullopt;
    const QString answer = sent.lines.isEmpty() ? QString() : sent.lines.first().trimmed();
    if (answer == QLatin1String("## OK"))
        qDebug() << "OK user " << u.nombre;
    else if (!answer.isEmpty())
        qDebug() << "Error grabando user " << u.nombre;
    // The controller said it did not store the record; whatever it holds
    // under the number is not what was sent.
    if (answer.startsWith(QLatin1String("ERROR"))) {
        reason = answer;
        return std::nullopt;
    }
    const Reply lookup = session.exchange(lookup_command(u.numero), 1, 2);
    if (!lookup.line_usable())
        return std::nullopt;
    // Only the controller's own record of this number, holding what was
    // sent, confirms the upload: an older record of the number, a status
    // line or another user's record says nothing about it.
    const std::optional<UserRecord> stored = stored_record(lookup.lines, u.numero);
    if (!stored || !carries_upload(*stored, u)) {
        qDebug() << "Error confirmando Usuario : " << u.nombre;
        reason = stored ? QStringLiteral("el controlador guarda otros datos")
                        : QStringLiteral("el controlador no lo guardó");
        return std::nullopt;
    }
    qDebug() << "Usuario : " << u.nombre << " confirmado";
    if (core.held_here())
        core.held.stored(*stored);
    return stored;
}

bool UserWriter::delete_number(const QString &numero)
{
    Session &session = core.session;
    reason.clear();
    if (!session.exchange(delete_command(numero), 0, 0).line_usable())
        return false;
    // Only an answer that holds no record of the number says it is gone.
    const Reply lookup = session.exchange(lookup_command(numero), 1, 2);
    const bool gone = lookup.ok() && !stored_record(lookup.lines, numero);
    // The controller's "ERROR no existe" is the awaited answer here.
    if (gone) {
        emit session.note(QStringLiteral("número eliminado"));
        if (core.held_here())
            core.held.deleted(numero);
    } else if (lookup.ok()) {
        reason = QStringLiteral("el controlador no borró %1").arg(numero);
    }
    return gone;
}

void hold_listing(AdminCore &core, const QStringList &lines)
{
    if (!core.know_identity())
        return;
    QList<UserRecord> listing;
    for (const QString &line : lines) {
        UserRecord u;
        if (is_user_record(line) && read_user_fields(line, u))
            listing << u;
    }
    core.held.load(listing, core.identity(), core.session.port());
}

QString controller_name(const QString &port, const QString &identity)
{
    return identity.isEmpty() ? QStringLiteral("en %1").arg(port)
                              : QStringLiteral("en %1 (equipo %2)").arg(port, identity);
}

WriteDirectory::WriteDirectory(AdminCore &c, RecordTree &records, DirectoryOrigin &from,
                               Wanted list)
    : Operation(c), tree(records), origin(from), wanted_fn(std::move(list))
{ }

UserRecord *WriteDirectory::record_of(const PlanStep &step) const
{
    return step.record >= 0 && !removed.contains(step.record) ? wanted.at(step.record).record
                                                              : nullptr;
}

void WriteDirectory::forget_branch(int record)
{
    // The tree freed the record with what it owns: no later step may touch
    // them.
    for (int i = 0; i < wanted.size(); ++i) {
        for (int up = i; up >= 0; up = wanted.at(up).owner) {
            if (up == record) {
                removed.insert(i);
                break;
            }
        }
    }
}

QString WriteDirectory::step_line(const PlanStep &step) const
{
    const UserRecord *r = record_of(step);
    const UserRecord *held = core.held.find(step.numero);
    const QString name = r ? r->nombre : held ? held->nombre : QString();
    return QStringLiteral("%1: %2 (%3)")
        .arg(step_kind_text(step.kind), name, r && !step.is_delete() ? r->numero : step.numero);
}

OperationResult WriteDirectory::take_controller()
{
    const auto refused = [](const QString &why) {
        return OperationResult::make(OperationResult::refused, why);
    };
    if (!core.know_identity()) {
        if (!session().is_open() || stopped())
            return OperationResult::make(stopped() ? OperationResult::stopped
                                                   : OperationResult::line_lost);
        const QString why = QStringLiteral(
            "No se pudo leer el número de equipo del controlador conectado: no se grabó nada");
        asker().warn(QStringLiteral("Error"), why);
        return OperationResult::make(OperationResult::failed, why);
    }
    const QString here = core.identity();
    if (origin.identity == here && core.held_here())
        return OperationResult::make(OperationResult::done);
    if (!origin.port.isEmpty() && origin.identity != here
        && !asker().ask(QStringLiteral("La lista de usuarios es del controlador %1, y el conectado "
                                       "es el controlador %2. %3")
                            .arg(controller_name(origin.port, origin.identity),
                                 controller_name(session().port(), here), question_end)))
        return refused(refusal);
    if (!core.held_here()) {
        QStringList lines;
        const OperationResult read = download_users(core, lines);
        if (!read.ok())
            return read;
        hold_listing(core, lines);
    }
    // The directory's records are the controller's where it holds their
    // number; the others are new there.
    QSet<QString> listed;
    for (const WantedRecord &w : wanted_fn()) {
        UserRecord &u = *w.record;
        if (const UserRecord *held = core.held.find(u.numero)) {
            u.numero_device = held->numero;
            u.id_device = held->id_user;
        } else if (!core.held.find(u.numero_device)) {
            u.numero_device.clear();
            u.id_device = 0;
        }
        listed << fold(u.numero) << fold(u.numero_device);
    }
    QStringList extras;
    QSet<QString> extra_numbers;
    for (const UserRecord &h : core.held.records()) {
        if (!listed.contains(fold(h.numero))) {
            extras << QStringLiteral("%1 (%2)").arg(h.nombre, h.numero);
            extra_numbers << fold(h.numero);
        }
    }
    origin = {session().port(), here, {}};
    if (!extras.isEmpty()) {
        const QString whom = extras.size() == 1 ? QStringLiteral("1 persona que la lista no tiene")
                                                : QStringLiteral("%1 personas que la lista no "
                                                                 "tiene")
                                                      .arg(extras.size());
        // Keeping them is the answer that loses no one.
        const int answer = asker().choose(
            QStringLiteral("El controlador %1 guarda %2. ¿Borrarlas del controlador?\n%3")
                .arg(controller_name(session().port(), here), whom, first_lines(extras, 10)),
            {{Asker::no, QStringLiteral("Conservarlas")},
             {Asker::yes, QStringLiteral("Borrarlas")}},
            Asker::no, extras.join(QLatin1Char('\n')));
        if (answer != Asker::yes) {
            origin.kept = extra_numbers;
            kept_note = QStringLiteral("; se conservan en el controlador %1").arg(whom);
            emit session().note(QStringLiteral("Se conservan en el controlador %1").arg(whom));
        }
    }
    return OperationResult::make(OperationResult::done);
}

bool WriteDirectory::write_step(const PlanStep &step, UserWriter &writer, int *waiting)
{
    if (!record_of(step))
        return false;
    UserRecord &r = *record_of(step);
    const WantedRecord &w = wanted.at(step.record);
    UserRecord sent = r;
    if (r.categoria == UserRecord::Admin) {
        sent.id_padre = sent.id_user;
    } else {
        // The owner's id as the controller holds it now: sent with any
        // other, the record would land under whoever holds that one there.
        const UserRecord *owner =
            w.owner >= 0 ? core.held.find(wanted.at(w.owner).record->numero) : nullptr;
        if (!owner) {
            ++*waiting;
            return false;
        }
        sent.id_padre = owner->id_user;
    }
    const std::optional<UserRecord> stored = writer.write(sent);
    if (!stored) {
        if (writer.line_fine()) {
            r.failure = writer.why();
            tree.changed(r);
        }
        return false;
    }
    r.id_user = stored->id_user;
    r.id_padre = stored->id_padre;
    r.numero = stored->numero;
    r.failure.clear();
    // A renumbered record is done once its old number is gone too.
    if (step.kind != PlanStep::numero_nuevo || !core.held.find(r.numero_device)) {
        r.numero_device = stored->numero;
        r.id_device = stored->id_user;
        r.pending = false;
    }
    tree.changed(r);
    return true;
}

bool WriteDirectory::delete_step(const PlanStep &step, UserWriter &writer)
{
    UserRecord *r = record_of(step);
    // Written with a wanted record, its delete would take that one too: it
    // waits until what it owns moved away.
    const QStringList taken = core.held.takes(step.numero);
    for (const QString &n : taken) {
        if (wanted_here.contains(n)) {
            if (r) {
                r->failure =
                    QStringLiteral("%1 aún tiene registros en el controlador").arg(step.numero);
                tree.changed(*r);
            }
            return false;
        }
    }
    if (!writer.delete_number(step.numero)) {
        if (r && writer.line_fine()) {
            r->failure = step.kind == PlanStep::numero_anterior
                ? QStringLiteral("el numero anterior %1 sigue en el controlador").arg(step.numero)
                : QStringLiteral("el controlador no borró %1").arg(step.numero);
            tree.changed(*r);
        }
        return false;
    }
    // Renumbered records whose old number went, with this one or owned by
    // it, are done once their new number is held.
    for (int i = 0; i < wanted.size(); ++i) {
        UserRecord *u = removed.contains(i) ? nullptr : wanted.at(i).record;
        if (u && !wanted.at(i).gone && taken.contains(fold(u->numero_device))
            && fold(u->numero) != fold(u->numero_device) && core.held.find(u->numero)) {
            u->numero_device = u->numero;
            u->id_device = u->id_user;
            u->pending = false;
            tree.changed(*u);
        }
    }
    if (r && step.kind == PlanStep::baja) {
        tree.remove(*r);
        forget_branch(step.record);
    }
    return true;
}

OperationResult WriteDirectory::run()
{
    const OperationResult ready = take_controller();
    if (!ready.ok())
        return ready;
    wanted = wanted_fn();
    wanted_here = wanted_numbers(wanted);
    plan = plan_writes(core.held, wanted, origin.kept);
    if (scope)
        plan = scope(plan, wanted);
    if (plan.isEmpty())
        return OperationResult::make(preview ? OperationResult::refused : OperationResult::done,
                                     preview ? QStringLiteral("No hay cambios que sincronizar")
                                             : QString());
    if (preview) {
        QStringList lines;
        for (const PlanStep &step : qAsConst(plan)) {
            if (step.kind != PlanStep::numero_anterior)
                lines << step_line(step);
        }
        const QString question =
            QStringLiteral("Sincronizar con el controlador %1: %2.\n%3\n¿Continuar?")
                .arg(controller_name(session().port(), core.identity()), plan_counts(plan),
                     first_lines(lines, 10));
        if (!asker().ask(question, lines.join(QLatin1Char('\n'))))
            return OperationResult::make(OperationResult::refused, refusal);
    }
    emit accepted();
    UserWriter writer(core);
    const int total = counted_steps(plan);
    int unconfirmed = 0;
    int waiting = 0;
    for (int i = 0; i < plan.size(); ++i) {
        // Between two steps: the user stopped, or the line is gone; the
        // rest stays for the next plan.
        if (stopped() || !session().is_open())
            break;
        const PlanStep &step = plan.at(i);
        const int waited = waiting;
        const bool ok =
            step.is_delete() ? delete_step(step, writer) : write_step(step, writer, &waiting);
        const bool counted = step.kind != PlanStep::numero_anterior;
        if (ok) {
            done += counted ? 1 : 0;
        } else if (waiting > waited) {
        } else if (writer.line_fine()) {
            ++failed;
            // The old number stays: the renumbered record says so.
            done -= counted ? 0 : 1;
        } else if (writer.went_out() && !step.is_delete()) {
            ++unconfirmed;
        }
        set_percent((i + 1) * 100 / int(plan.size()));
    }
    done = qMax(done, 0);
    const QString summary = sync_summary(total, done, failed, unconfirmed, waiting) + kept_note;
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
    if (failed > 0 && preview) {
        // Reported before the box, which the user reads with the bar behind it.
        asker().report(summary);
        asker().warn(
            QStringLiteral("Error"),
            QStringLiteral("%1 de %2 usuarios no se pudieron grabar").arg(failed).arg(total));
    }
    return r;
}
