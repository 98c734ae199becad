#include "backup_operation.h"

#include "admin_core.h"
#include "backup_files.h"
#include "log_download.h"
#include "log_lines.h"
#include "param_lines.h"
#include "param_operations.h"
#include "user_csv_format.h"
#include "user_download.h"
#include "user_lines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

bool write_file(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size() && file.flush();
    file.close();
    return ok;
}

// The users file as "Exportar" writes a freshly downloaded directory.
QByteArray users_file(const QList<UserRecord> &in_order)
{
    QByteArray bytes;
    QTextStream out(&bytes);
    use_csv_encoding(out);
    out << users_csv_text(in_order);
    out.flush();
    return bytes;
}

// The log file as "Exportar Registro" writes a fresh download: the table
// opens newest first, events of the same second in the order they came, each
// named after the directory's first record of its id.
QByteArray log_file(const QStringList &lines, const QList<UserRecord> &in_order)
{
    QHash<int, const UserRecord *> first;
    for (const UserRecord &u : in_order) {
        if (!first.contains(u.id_user))
            first.insert(u.id_user, &u);
    }
    LogNamer namer([&](int id) { return first.value(id, nullptr); });
    std::vector<std::array<QString, 6>> rows;
    for (const QString &line : lines) {
        if (is_log_line(line))
            rows.push_back(namer.cells(decode_log_line(line)));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto &a, const auto &b) { return b[0] < a[0]; });
    QByteArray bytes = log_csv_header();
    for (const auto &cells : rows)
        bytes += log_csv_line(QStringList(cells.begin(), cells.end()));
    return bytes;
}

} // namespace

Backup::Backup(AdminCore &c, const QString &folder) : Operation(c), dir(folder) { }

OperationResult Backup::run()
{
    const auto failed = [](const QString &what) {
        return OperationResult::make(OperationResult::failed, what);
    };
    // Each read counts only when it arrived whole; the history records it
    // as the window does.
    if (!read_params(core).ok())
        return failed(QStringLiteral("la lectura de parámetros"));
    emit phase(QStringLiteral("Parámetros: %1 leídos").arg(param_count));
    set_percent(10);
    QStringList user_lines;
    if (!download_users(core, user_lines).ok())
        return failed(QStringLiteral("la descarga de usuarios"));
    IdCounter ids;
    QList<UserRecord> listed;
    for (const QString &line : qAsConst(user_lines)) {
        UserRecord u;
        u.id_user = u.id_padre = ids.take();
        if (read_user_fields(line, u)) {
            ids.pass(u.id_user);
            listed << u;
        }
    }
    QList<UserRecord> in_order;
    for (const int i : directory_order(listed))
        in_order << listed.at(i);
    user_count = int(in_order.size());
    emit phase(QStringLiteral("Usuarios: %1 descargados").arg(user_count));
    set_percent(40);
    QStringList log_lines;
    if (!download_log(core, log_lines).ok())
        return failed(QStringLiteral("la descarga del registro"));
    event_count = int(std::count_if(log_lines.cbegin(), log_lines.cend(), is_log_line));
    emit phase(QStringLiteral("Registro: %1 eventos").arg(event_count));
    set_percent(90);

    // Written under a name that says it is not done, and given its real
    // name only once every file is whole. Each backup takes a folder of its
    // own: another one of the same second (a controller named alike, a
    // second run) has made the folder first, and this one takes the next
    // name. Making the folder is what claims the name, so that two backups
    // never share one.
    const QString name = backup_folder_name(core.installation(), QDateTime::currentDateTime());
    if (!QDir().mkpath(dir))
        return failed(QStringLiteral("no se pudo crear la carpeta %1").arg(dir));
    QDir folder;
    QString done;
    for (int n = 1; done.isEmpty() && n < 1000; ++n) {
        const QString candidate = n == 1 ? name : QStringLiteral("%1-%2").arg(name).arg(n);
        const QString claimed = candidate + QStringLiteral(".incompleto");
        if (!QDir(dir).mkdir(claimed))
            continue;
        if (QFileInfo::exists(QDir(dir).filePath(candidate))) {
            QDir(dir).rmdir(claimed);
            continue;
        }
        folder.setPath(QDir(dir).filePath(claimed));
        done = QDir(dir).filePath(candidate);
    }
    if (done.isEmpty())
        return failed(QStringLiteral("no se pudo crear una carpeta en %1").arg(dir));
    const bool written =
        write_file(folder.filePath(QStringLiteral("usuarios.csv")), users_file(in_order))
        && write_file(folder.filePath(QStringLiteral("registro.csv")),
                      log_file(log_lines, in_order))
        && write_file(folder.filePath(QStringLiteral("parametros.csv")), params_csv(core.params()))
        && QDir().rename(folder.path(), done);
    if (!written) {
        folder.removeRecursively();
        return failed(QStringLiteral("la escritura de los archivos en %1").arg(folder.path()));
    }
    done_folder = done;
    emit phase(QStringLiteral("Archivos escritos en %1").arg(done));
    return OperationResult::make(OperationResult::done,
                                 QStringLiteral("Respaldo en %1: %2 usuarios, %3 eventos, %4 "
                                                "parámetros")
                                     .arg(done)
                                     .arg(user_count)
                                     .arg(event_count)
                                     .arg(param_count));
}
