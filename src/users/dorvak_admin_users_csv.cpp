// The users CSV file: export and import.
#include "dorvak_admin.h"

#include "csv_file.h"
#include "operation_guard.h"
#include "user_csv.h"
#include "user_row.h"

#include <QFile>
#include <QProgressBar>
#include <QTextStream>

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
    run_operation([this] {
        const QString name = choose_csv_to_open(this);
        if (!name.isEmpty())
            import_users_from(name);
    });
}

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

    show_progress = false;
    users.clear();
    progress->setFormat(QStringLiteral("Importando : "));
    int k = 0;
    while (reader.next(&line)) {
        // A blank line (most editors end a file with one) holds no user; a
        // record made of it would be written to the controller as a pending
        // "Nombre" with the number "Numero".
        if (line.trimmed().isEmpty())
            continue;
        UserRow *record = parse_csv_user(line);
        record->pending = true;
        users.append(record);
        // The bar sweeps 0 to 99 over and over: the import cannot tell how
        // many lines are still to come. Every change repaints it there and
        // then, so it moves in steps of ten records.
        if (k % 10 == 0)
            progress->setValue(k % 100);
        ++k;
    }
    build_user_tree();
    progress->setValue(0);
    progress->setFormat(QString());
    show_progress = true;
}
