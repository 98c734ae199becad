// The users CSV file: export and import.
#include "dorvak_admin.h"

#include "csv_file.h"
#include "operation_guard.h"
#include "user_csv.h"
#include "user_row.h"

#include "console.h"
#include "text_util.h"
#include "user_index.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QSet>
#include <QTextStream>
#include <QTreeWidget>

#include <algorithm>
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

void DORVAK_Admin::write_user_branch(QTextStream &out, UserRow *record)
{
    // Owners before what they own, as the tree holds them.
    out << csv_user_line(*record) << '\n';
    for (int i = 0; i < record->childCount(); ++i)
        write_user_branch(out, static_cast<UserRow *>(record->child(i)));
}

void DORVAK_Admin::import_users()
{
    run_users_operation(OperationGuard::Line::any, [this] {
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
    return held.nombre != row.nombre || held.hrs_reman != row.hrs_reman || held.rh_ini != row.rh_ini
        || held.rh_fin != row.rh_fin || held.rd != row.rd;
}

// A row without a number in it (the field missing, or text) names no one
// and is never taken for another row's person.
bool names_someone(const QString &numero)
{
    return std::any_of(numero.begin(), numero.end(), [](QChar c) { return c.isDigit(); });
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

} // namespace

void DORVAK_Admin::import_users_from(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        show_file_error(this, QStringLiteral("No se pudo abrir el archivo : ") + name);
        return;
    }
    UsersCsvReader reader(&file);
    QString line;
    if (!reader.next(&line) || !is_users_csv_header(line)) {
        show_file_error(this, QStringLiteral("El archivo no es un archivo de usuarios : ") + name);
        return;
    }
    // The whole file is read before anything changes, so that the question
    // about pending records comes first.
    std::vector<std::unique_ptr<UserRow>> rows;
    while (reader.next(&line)) {
        // A blank line (most editors end a file with one) holds no user; a
        // record made of it would be written to the controller as a pending
        // "Nombre" with the number "Numero".
        if (!line.trimmed().isEmpty())
            rows.emplace_back(parse_csv_user(line));
    }

    // The controller knows a person by number: a row whose number is in the
    // tree is that record, so importing a file twice does not double it.
    QHash<QString, UserRow *> by_number;
    for (UserRow *u : records_below(root)) {
        if (!u->unsaved && !by_number.contains(fold(u->numero)))
            by_number.insert(fold(u->numero), u);
    }
    int overwritten = 0;
    for (const auto &row : rows) {
        const UserRow *held = names_someone(row->numero) ? by_number.value(row->numero) : nullptr;
        overwritten += held && held->pending && differs(*held, *row) ? 1 : 0;
    }
    if (!discard_pending_ok(overwritten))
        return;

    show_progress = false;
    users.clear();
    progress->setFormat(QStringLiteral("Importando : "));
    QHash<int, UserRow *> by_file_id;
    QSet<UserRow *> added;
    const int total = int(rows.size());
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
        UserRow *row = rows[size_t(k)].get();
        UserRow *held = names_someone(row->numero) ? by_number.value(row->numero) : nullptr;
        if (held) {
            if (differs(*held, *row))
                take_data(held, *row);
        } else {
            row->pending = true;
            by_number.insert(row->numero, row);
            added.insert(row);
            held = row;
        }
        if (!by_file_id.contains(row->id_user))
            by_file_id.insert(row->id_user, held);
    }
    // The new records leave `rows` for the tree in one step that processes
    // no events.
    for (auto &row : rows) {
        if (added.contains(row.get()))
            users.append(row.release());
    }
    place_imported(by_file_id);
    progress->setValue(0);
    progress->setFormat(QString());
    show_progress = true;
    // Shown like a download: every branch open.
    user_tree->expandAll();
    report(counted(k, QStringLiteral("fila importada"), QStringLiteral("filas importadas"))
           + QStringLiteral(", ")
           + counted(added.size(), QStringLiteral("registro nuevo"),
                     QStringLiteral("registros nuevos")));
    if (k < total)
        console->appendPlainText(
            QStringLiteral("Importación detenida: %1 de %2 filas importadas").arg(k).arg(total));
}

void DORVAK_Admin::place_imported(const QHash<int, UserRow *> &by_file_id)
{
    // The owners as the file names them, by the file's ids. Then each new
    // record whose id is taken gets one above all others; what it owns
    // follows it through the owner links.
    QHash<UserRow *, UserRow *> owner_of;
    for (UserRow *record : qAsConst(users)) {
        UserRow *owner = by_file_id.value(record->id_padre);
        const int wanted = record->categoria == UserRow::Usuario ? int(UserRow::Admin)
            : record->categoria == UserRow::Visita               ? int(UserRow::Usuario)
                                                                 : -1;
        if (owner && owner != record && owner->categoria == wanted)
            owner_of.insert(record, owner);
    }
    QSet<int> taken;
    for (const UserRow *u : records_below(root))
        taken.insert(u->id_user);
    // An id of INT_MAX has none after it: its successor, counted unsigned,
    // wraps below every id and is left out instead of overflowing.
    int top = UserRow::id_siguiente;
    for (const int id : qAsConst(taken))
        top = qMax(top, int(unsigned(id) + 1u));
    for (const UserRow *record : qAsConst(users))
        top = qMax(top, int(unsigned(record->id_user) + 1u));
    for (UserRow *record : qAsConst(users)) {
        if (taken.contains(record->id_user))
            record->id_user = top++;
        taken.insert(record->id_user);
    }
    UserRow::id_siguiente = top;
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
