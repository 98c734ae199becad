// The serial connection: choosing, opening and closing the port, the lost
// line, what the user types in the console and what arrives unasked.
#include "dorvak_admin.h"

#include "console.h"
#include "csv_file.h"
#include "net_text.h"
#include "port_combo.h"
#include "serial_text.h"
#include "text_util.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

void DORVAK_Admin::portChanged(QString port)
{
    port_name = port;
    qDebug() << "Puerto : " << port;
}

void DORVAK_Admin::open()
{
    // A second connect leaves the open line as it is.
    if (is_open())
        return;
    // A server takes a moment to answer, while the window keeps working:
    // the connection is not asked for twice meanwhile. The session's
    // verdict gives the buttons back.
    connect_btn->setEnabled(false);
    port_combo->setEnabled(false);
    if (core.session.open(port_name)) {
        if (is_net_address(port_name))
            port_combo->remember_server(port_name);
        return;
    }
    QMessageBox::critical(
        this, QStringLiteral("Error"),
        QStringLiteral("No se pudo abrir el puerto %1: %2")
            .arg(port_name.isEmpty() ? QStringLiteral("(ninguno)") : without_credentials(port_name),
                 core.session.open_error()));
}

void DORVAK_Admin::close()
{
    core.session.close();
}

void DORVAK_Admin::set_connected(bool connected)
{
    QPalette bar = palette();
    bar.setBrush(QPalette::Window, QBrush(connected ? Qt::green : Qt::red));
    conn_bar->setPalette(bar);
    // The application style sheet paints backgrounds over palettes; it reads
    // the state from this property instead.
    conn_bar->setProperty("connected", connected);
    conn_bar->style()->unpolish(conn_bar);
    conn_bar->style()->polish(conn_bar);
    // While the line is open the box cannot point elsewhere: the data shown
    // must be from the controller the title names.
    port_combo->setEnabled(!connected);
    status_port->setText(connected ? core.session.description() : QStringLiteral("Desconectado"));
    update_title();
    console->setEnabled(connected);
    connect_btn->setEnabled(!connected);
    disconnect_btn->setEnabled(connected);
}

void DORVAK_Admin::limpia()
{
    console->clear();
}

void DORVAK_Admin::guardar_consola()
{
    const QString name =
        choose_file_to_save(this, QStringLiteral("Texto (*.txt)"), QStringLiteral(".txt"));
    if (name.isEmpty())
        return;
    if (console->save_to(name))
        report(QStringLiteral("Consola guardada en %1").arg(QDir::toNativeSeparators(name)));
    else
        show_file_error(this, QStringLiteral("No se pudo escribir el archivo %1").arg(name));
}

void DORVAK_Admin::lose_line(const QString &why)
{
    // The session closed the line before it said so.
    report(QStringLiteral("Se perdió la conexión con el controlador"));
    QMessageBox::critical(this, tr("Critical Error"), why);
    if (port_name.isEmpty())
        return;
    port_watch.start(port_name);
    if (!port_watch_timer) {
        port_watch_timer = new QTimer(this);
        connect(port_watch_timer, &QTimer::timeout, this, &DORVAK_Admin::check_port_back);
    }
    port_watch_timer->start(core.session.timing().watch_ms);
}

void DORVAK_Admin::check_port_back()
{
    // Connected again by hand, or to another port: nothing to offer.
    if (is_open() || port_name != port_watch.path()) {
        port_watch.stop();
        port_watch_timer->stop();
        return;
    }
    // A question or an operation of the user's goes first.
    if (QApplication::activeModalWidget() || core.runner.running() || !port_watch.back())
        return;
    port_watch.stop();
    port_watch_timer->stop();
    if (!reconnect_always) {
        // A server cannot be watched without connecting to it: the question
        // comes at once.
        const QString question = is_net_address(port_name)
            ? QStringLiteral("Se cortó la conexión con el servidor %1. ¿Reconectar?")
            : QStringLiteral("El adaptador %1 volvió a conectarse. ¿Reconectar?");
        QMessageBox box(QMessageBox::Question, QStringLiteral("Reconectar"),
                        question.arg(port_name),
                        QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No, this);
        box.button(QMessageBox::YesToAll)->setText(QStringLiteral("Siempre"));
        box.setDefaultButton(QMessageBox::Yes);
        const int answer = box.exec();
        if (answer != QMessageBox::Yes && answer != QMessageBox::YesToAll)
            return;
        reconnect_always = answer == QMessageBox::YesToAll;
    }
    open();
    if (is_open())
        report(QStringLiteral("Reconectado a %1").arg(port_name));
}

void DORVAK_Admin::writeData(QByteArray data)
{
    // A backspace from the console takes back the last typed character.
    for (const QChar c : decode_line(data)) {
        if (c == QLatin1Char('\b'))
            line_buffer.chop(1);
        else
            line_buffer += c;
    }
    if (!data.endsWith('\r')) {
        qDebug() << "Guardando .." << data;
        return;
    }
    const QString line = line_buffer.chopped(1);
    line_buffer.clear();
    core.session.type_line(line);
}
