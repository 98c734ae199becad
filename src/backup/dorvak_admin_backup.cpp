// `dorvak-admin backup PORT DIR`: the parameters, the users and the log read
// and written by the window's own code, with no one at the screen.
#include "dorvak_admin.h"

#include "backup_files.h"
#include "console.h"
#include "log_model.h"
#include "user_row.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTextStream>

namespace {

// Nobody is there to answer a message box: each one is written to stderr
// and closed as soon as it shows (a question thus gets its safe answer,
// "No"). Any box means that something did not go as it should.
class UnattendedBoxes : public QObject
{
public:
    explicit UnattendedBoxes(QTextStream &to) : err(to) { qApp->installEventFilter(this); }
    ~UnattendedBoxes() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (box && event->type() == QEvent::Show) {
            ++shown;
            err << box->text() << Qt::endl;
            QMetaObject::invokeMethod(box, "reject", Qt::QueuedConnection);
        }
        return false;
    }

private:
    QTextStream &err;
};

} // namespace

int DORVAK_Admin::backup(const QString &port, const QString &dir)
{
    QTextStream err(stderr);
    QTextStream out(stdout);
    UnattendedBoxes boxes(err);
    err << history_state->text() << Qt::endl;
    auto failed = [&](const QString &what) {
        err << QStringLiteral("Respaldo fallido: %1").arg(what) << Qt::endl;
        return 1;
    };

    choose_port(port);
    open();
    if (!serial->isOpen())
        return failed(QStringLiteral("no se pudo abrir el puerto %1").arg(port));

    // Each read counts only when it arrived whole; the history records it
    // as the window does.
    get_param();
    if (params_read.size() != param_count)
        return failed(QStringLiteral("la lectura de parámetros"));
    err << QStringLiteral("Parámetros: %1 leídos").arg(param_count) << Qt::endl;
    read_whole = false;
    getUsers();
    if (!read_whole)
        return failed(QStringLiteral("la descarga de usuarios"));
    err << QStringLiteral("Usuarios: %1 descargados").arg(users.size()) << Qt::endl;
    read_whole = false;
    getLog();
    if (!read_whole)
        return failed(QStringLiteral("la descarga del registro"));
    const int events = log_model->total();
    err << QStringLiteral("Registro: %1 eventos").arg(events) << Qt::endl;

    // Written under a name that says it is not done, and given its real
    // name only once every file is whole.
    const QString name = backup_folder_name(installation, QDateTime::currentDateTime());
    QDir folder(QDir(dir).filePath(name + QStringLiteral(".incompleto")));
    if (!QDir().mkpath(folder.path()))
        return failed(QStringLiteral("no se pudo crear la carpeta %1").arg(folder.path()));
    export_users_to(folder.filePath(QStringLiteral("usuarios.csv")));
    export_log_to(folder.filePath(QStringLiteral("registro.csv")));
    QVector<QString> values;
    for (const ParamRead &p : qAsConst(params_read))
        values << p.valor;
    const QByteArray params = params_csv(values);
    QFile params_file(folder.filePath(QStringLiteral("parametros.csv")));
    const bool params_ok = params_file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && params_file.write(params) == params.size() && params_file.flush();
    params_file.close();
    const QString done = QDir(dir).filePath(name);
    if (!params_ok || boxes.shown > 0 || !QDir().rename(folder.path(), done)) {
        folder.removeRecursively();
        return failed(QStringLiteral("la escritura de los archivos en %1").arg(folder.path()));
    }
    err << QStringLiteral("Archivos escritos en %1").arg(done) << Qt::endl;
    out << QStringLiteral("Respaldo en %1: %2 usuarios, %3 eventos, %4 parámetros")
               .arg(done)
               .arg(users.size())
               .arg(events)
               .arg(param_count)
        << Qt::endl;
    return 0;
}
