// The command exchange as the window shows it: the session's lines in the
// console, its progress in the bar, and its messages.
#include "dorvak_admin.h"

#include "console.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QProgressBar>

void DORVAK_Admin::show_port_closed()
{
    QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("El puerto está cerrado"));
}

void DORVAK_Admin::turn_event_loop()
{
    const QPointer<DORVAK_Admin> alive(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // An event may delete the window; from then on nothing of it may be
    // touched, and the operation unwinds to where it started.
    if (!alive)
        throw SessionGone{};
}

Reply DORVAK_Admin::exchange(const QString &command, int expected, int timeout_s,
                             const QString &label, const Counted &counted)
{
    return core.session.exchange(command, expected, timeout_s, label, counted);
}

void DORVAK_Admin::connect_session()
{
    Session &session = core.session;
    connect(&session, &Session::line_shown, console, &Console::putData);
    connect(&session, &Session::command_sent, console, &Console::show_sent);
    connect(&session, &Session::line_held, console, &Console::show_held);
    connect(&session, &Session::note, console, &Console::note);
    connect(&session, &Session::connected, this, &DORVAK_Admin::set_connected);
    connect(&session, &Session::port_closed, this, &DORVAK_Admin::show_port_closed);
    connect(&session, &Session::line_lost, this, [this](const QString &why) {
        lose_line(QStringLiteral("Se perdió la conexión con el controlador: ") + why);
    });
    connect(&session, &Session::progress, this, [this](int percent, const QString &label) {
        progress->setValue(percent);
        progress->setFormat(label);
    });
    connect(&core, &AdminCore::params_arrived, this, &DORVAK_Admin::show_params);
    connect(&core, &AdminCore::history_lost, this, &DORVAK_Admin::history_failed);
    connect(&core.runner, &OperationRunner::running_changed, this,
            &DORVAK_Admin::operation_running_changed);
    connect(&core.runner, &OperationRunner::stopped_at_end, this, [this] {
        progress->setValue(0);
        progress->setFormat(QString());
        console->note(QStringLiteral("Operación detenida"));
    });
}
