// The users CSV file: export and import.
#include "dorvak_admin.h"

#include "csv_file.h"
#include "user_csv.h"
#include "user_row.h"

#include "console.h"
#include "text_util.h"
#include "user_index.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTextStream>
#include <QTreeWidget>

#include <memory>
#include <vector>

void DORVAK_Admin::export_users()
{
    run_operation([this] {
        const QString name = choose_csv_to_save(this);
        if (!name.isEmpty())
            export_users_to(name);
    });
}

namespace {

void write_user_branch(QTextStream &out, UserRow *record)
{
    // Owners before what they own, as the tree holds them.
    out << csv_user_line(*record) << '\n';
    for (int i = 0; i < record->childCount(); ++i)
        write_user_branch(out, static_cast<UserRow *>(record->child(i)));
}

} // namespace

void DORVAK_Admin::export_users_to(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        show_file_error(this, QStringLiteral("No se pudo abrir el archivo : ") + name);
        return;
    }
    QTextStream out(&file);
    use_csv_encoding(out);
    out << users_csv_header() << '\n';
    for (int i = 0; i < root->childCount(); ++i)
        write_user_branch(out, static_cast<UserRow *>(root->child(i)));
    out.flush();
    if (out.status() != QTextStream::Ok || !file.flush())
        show_file_error(this, QStringLiteral("No se pudo escribir el archivo : ") + name);
    else
        report(counted(records_below(root).size(), QStringLiteral("usuario exportado"),
                       QStringLiteral("usuarios exportados"))
               + QStringLiteral(" a ") + QFileInfo(name).fileName());
}

void DORVAK_Admin::import_users()
{
    run_users_operation(Needs::any, [this] {
        const QString name = choose_csv_to_open(this);
        if (!name.isEmpty())
            import_users_from(name);
    });
}

namespace {

// What an imported row changes in a record already in the tree: its place
// (id, owner, category) stays, the person's data is the file's.
bool differs(const UserRow &held, const UserRow &row)
{
    // The file holds names folded: blanks the controller keeps in a name
    // are no change.
    return fold(held.nombre) != row.nombre || held.hrs_reman != row.hrs_reman
        || held.rh_ini != row.rh_ini || held.rh_fin != row.rh_fin || held.rd != row.rd;
}

void take_data(UserRow *held, const UserRow &row)
{
    held->nombre = row.nombre;
    held->hrs_reman = row.hrs_reman;
    held->rh_ini = row.rh_ini;
    held->rh_fin = row.rh_fin;
    held->rd = row.rd;
    held->pending = true;
    held->show_columns();
}

// The verdict of an import, before anything is marked pending; true when
// the user confirms it.
bool confirm_import(QWidget *parent, const QString &file, const ImportCounts &counts)
{
    const ImportVerdict verdict = import_verdict(file, counts);
    // A file that changes nothing is only reported: there is nothing to
    // confirm.
    const bool nothing = counts.added + counts.changed == 0;
    const QString text = verdict.text
        + (nothing ? QStringLiteral("\n\nNada que importar.") : QStringLiteral("\n\n¿Importar?"));
    QMessageBox box(nothing ? QMessageBox::Information : QMessageBox::Question,
                    QStringLiteral("Importar usuarios"), text,
                    nothing ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel, parent);
    if (!nothing)
        box.button(QMessageBox::Ok)->setText(QStringLiteral("Importar"));
    if (!verdict.details.isEmpty())
        box.setDetailedText(verdict.details);
    return box.exec() == QMessageBox::Ok && !nothing;
}

} // namespace

void DORVAK_Admin::import_users_from(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        show_file_error(this, QStringLiteral("No se pudo abrir el archivo : ") + name);
        return;
    }
    // The counter moves only once the records are placed, past what is
    // imported: a file refused or an import cancelled changes nothing.
    UsersCsvFile read = read_users_csv(&file);
    if (!read.header_ok) {
        show_file_error(this,
                        QStringLiteral("El archivo %1 no es un archivo de usuarios: su primera "
                                       "línea debe nombrar las nueve columnas, separadas "
                                       "por \";\" o por \",\":\n%2")
                            .arg(QDir::toNativeSeparators(name), users_csv_header()));
        return;
    }

    // The controller knows a person by number: a row whose number is in the
    // tree is that record, so importing a file twice does not double it.
    QHash<QString, UserRow *> by_number;
    for (UserRow *u : records_below(root)) {
        if (!u->unsaved && !by_number.contains(fold(u->numero)))
            by_number.insert(fold(u->numero), u);
    }
    // The owner a row names: a row of the file by the file's id, else a
    // record of the tree by its id, of the kind its category needs. A row
    // whose owner is neither cannot stand on the controller: it is refused,
    // and so is what it owns.
    QHash<int, const UserRow *> tree_by_id;
    for (UserRow *u : records_below(root)) {
        if (!u->unsaved && !u->baja && !tree_by_id.contains(u->id_user))
            tree_by_id.insert(u->id_user, u);
    }
    QHash<const UserRow *, QString> owner_number;
    QHash<QString, QString> owner_name;
    for (bool again = true; again;) {
        again = false;
        QHash<int, const UserRow *> file_by_id;
        for (const CsvRow &row : read.rows) {
            if (row.refused.isEmpty() && row.record->id_user > 0
                && !file_by_id.contains(row.record->id_user))
                file_by_id.insert(row.record->id_user, row.record.get());
        }
        for (CsvRow &row : read.rows) {
            const UserRow &r = *row.record;
            const int kind = r.categoria == UserRow::Usuario ? int(UserRow::Admin)
                : r.categoria == UserRow::Visita             ? int(UserRow::Usuario)
                                                             : -1;
            if (!row.refused.isEmpty() || kind < 0)
                continue;
            const UserRow *owner = file_by_id.value(r.id_padre);
            if (!owner || owner->categoria != kind || owner == &r)
                owner = tree_by_id.value(r.id_padre);
            if (owner && owner->categoria == kind) {
                owner_number.insert(&r, fold(owner->numero));
                owner_name.insert(fold(owner->numero), owner->nombre);
                continue;
            }
            const QString what = QStringLiteral("%1 «%2»").arg(r.categoria == UserRow::Usuario
                                                                   ? QStringLiteral("el usuario")
                                                                   : QStringLiteral("la visita"),
                                                               r.nombre);
            const QString whose = kind == UserRow::Admin ? QStringLiteral("administrador")
                                                         : QStringLiteral("usuario");
            row.refused = r.id_padre <= 0
                ? QStringLiteral("%1 no nombra a su %2").arg(what, whose)
                : QStringLiteral("%1 pertenece a %2, que no es un %3 del archivo ni de la lista")
                      .arg(what)
                      .arg(r.id_padre)
                      .arg(whose);
            again = true;
        }
    }
    // The verdict, worked out before anything changes.
    ImportCounts counts;
    counts.windows_1252 = read.windows_1252;
    QHash<QString, int> line_of_number;
    QHash<UserRow *, QString> moves;
    for (CsvRow &row : read.rows) {
        const QString &numero = row.record->numero;
        if (row.refused.isEmpty() && line_of_number.contains(numero))
            row.refused = QStringLiteral("el número %1 ya está en la línea %2")
                              .arg(numero)
                              .arg(line_of_number.value(numero));
        counts.note(row);
        if (!row.refused.isEmpty())
            continue;
        line_of_number.insert(numero, row.line);
        UserRow *held = by_number.value(numero);
        const QString owner = owner_number.value(row.record.get());
        const auto *now = held ? static_cast<const UserRow *>(held->parent()) : nullptr;
        const bool moved = held && fold(now && now != root ? now->numero : QString()) != owner;
        if (moved) {
            moves.insert(held, owner);
            counts.moved << QStringLiteral("Línea %1: %2 (%3) pasa a %4")
                                .arg(row.line)
                                .arg(held->nombre, held->numero,
                                     owner.isEmpty() ? QStringLiteral("la raíz")
                                                     : QStringLiteral("%1 (%2)").arg(
                                                         owner_name.value(owner), owner));
        }
        const bool changed = held && (moved || differs(*held, *row.record));
        ++(held ? (changed ? counts.changed : counts.same) : counts.added);
        counts.overwritten += changed && held->pending ? 1 : 0;
    }
    // An import adds and changes; whom the file does not name stays.
    QSet<QString> in_file;
    for (const CsvRow &row : read.rows)
        in_file.insert(fold(row.record->numero));
    for (const UserRow *u : records_below(root)) {
        if (!u->unsaved && !u->baja && !in_file.contains(fold(u->numero))) {
            ++counts.kept;
            counts.kept_people << QStringLiteral("%1 (%2)").arg(u->nombre, u->numero);
        }
    }
    if (!confirm_import(this, QFileInfo(name).fileName(), counts))
        return;

    core.session.set_progress_shown(false);
    users.clear();
    progress->setFormat(QStringLiteral("Importando : "));
    QSet<UserRow *> added;
    const int total = int(read.rows.size());
    int k = 0;
    QElapsedTimer since_turn;
    since_turn.start();
    for (; k < total; ++k) {
        // The bar sweeps 0 to 99 over and over; every change repaints it
        // there and then, so it moves in steps of ten records. Every 500
        // records, and every few hundredths of a second, the window gets a
        // turn, and the user may stop the import there.
        if (k % 10 == 0) {
            progress->setValue(k % 100);
            if (k % 500 == 0 || since_turn.elapsed() >= 20) {
                turn_event_loop();
                since_turn.restart();
                if (stopped())
                    break;
            }
        }
        if (!read.rows[size_t(k)].refused.isEmpty())
            continue;
        UserRow *row = read.rows[size_t(k)].record.get();
        UserRow *held = by_number.value(row->numero);
        if (held) {
            if (differs(*held, *row))
                take_data(held, *row);
        } else {
            row->pending = true;
            by_number.insert(row->numero, row);
            added.insert(row);
        }
    }
    // The new records leave the rows for the tree in one step that processes
    // no events.
    for (CsvRow &row : read.rows) {
        if (added.contains(row.record.get()))
            users.append(row.record.release());
    }
    place_imported(by_number, owner_number);
    // Records the file gives another owner go under it.
    for (auto it = moves.constBegin(); it != moves.constEnd(); ++it) {
        UserRow *record = it.key();
        UserRow *owner = it.value().isEmpty() ? root : by_number.value(it.value());
        if (!owner || !records_below(root).contains(record))
            continue;
        record->parent()->removeChild(record);
        owner->addChild(record);
        if (record->categoria != UserRow::Admin)
            record->id_padre = owner->id_user;
        record->pending = true;
    }
    progress->setValue(0);
    progress->setFormat(QString());
    core.session.set_progress_shown(true);
    // Shown like a download: every branch open.
    user_tree->expandAll();
    report(counts.summary());
    if (k < total)
        console->note(
            QStringLiteral("Importación detenida: %1 de %2 filas importadas").arg(k).arg(total));
}

void DORVAK_Admin::place_imported(const QHash<QString, UserRow *> &by_number,
                                  const QHash<const UserRow *, QString> &owner_number)
{
    // The owners the file names, by their numbers. Then each new record
    // whose id is taken gets one above all others; what it owns follows it
    // through the owner links.
    QHash<UserRow *, UserRow *> owner_of;
    for (UserRow *record : qAsConst(users)) {
        UserRow *owner = by_number.value(owner_number.value(record));
        if (owner && owner != record)
            owner_of.insert(record, owner);
    }
    QSet<int> taken;
    for (const UserRow *u : records_below(root))
        taken.insert(u->id_user);
    // An id of INT_MAX has none after it: its successor, counted unsigned,
    // wraps below every id and is left out instead of overflowing.
    int top = core.ids.next();
    for (const int id : qAsConst(taken))
        top = qMax(top, int(unsigned(id) + 1u));
    for (const UserRow *record : qAsConst(users))
        top = qMax(top, int(unsigned(record->id_user) + 1u));
    for (UserRow *record : qAsConst(users)) {
        if (record->id_user <= 0 || taken.contains(record->id_user))
            record->id_user = top++;
        taken.insert(record->id_user);
    }
    core.ids.set(top);
    QList<QTreeWidgetItem *> admins;
    QList<QTreeWidgetItem *> orphans;
    for (UserRow *record : qAsConst(users)) {
        UserRow *owner = owner_of.value(record);
        record->id_padre = owner                  ? owner->id_user
            : record->categoria == UserRow::Admin ? record->id_user
                                                  : record->id_padre;
        record->show_columns();
        record->placed = owner || record->categoria == UserRow::Admin;
        if (owner)
            owner->addChild(record);
        else
            (record->categoria == UserRow::Admin ? admins : orphans).append(record);
    }
    root->addChildren(admins + orphans);
    user_tree->expandAll();
}
