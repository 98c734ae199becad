// The serial connection: choosing, opening and closing the port, the lost
// line, what the user types in the console and what arrives unasked.
#include "dorvak_admin.h"

#include "console.h"
#include "csv_file.h"
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
    if (serial->isOpen())
        return;
    qDebug() << "tratando de abrir puerto : " << port_name;
    serial->setPortName(port_name);
    if (serial->open(QIODevice::ReadWrite)) {
        serial->setBaudRate(QSerialPort::Baud115200);
        serial->setDataBits(QSerialPort::Data8);
        serial->setParity(QSerialPort::NoParity);
        serial->setStopBits(QSerialPort::OneStop);
        serial->setFlowControl(QSerialPort::NoFlowControl);
        losing_line = false;
        qDebug() << "Conectado :)";
        set_connected(true);
    } else {
        const QString why = serial_error_text(serial->error(), serial->errorString());
        serial->close();
        qDebug() << "Error de conexion : " << serial->errorString();
        set_connected(false);
        QMessageBox::critical(
            this, QStringLiteral("Error"),
            QStringLiteral("No se pudo abrir el puerto %1: %2")
                .arg(port_name.isEmpty() ? QStringLiteral("(ninguno)") : port_name, why));
    }
}

void DORVAK_Admin::close()
{
    serial->close();
    set_connected(false);
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
    status_port->setText(connected ? connected_text(port_name) : QStringLiteral("Desconectado"));
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

void DORVAK_Admin::connError(QSerialPort::SerialPortError error)
{
    // A pulled adapter reports a resource error. A line whose far end went
    // away (a virtual port, some USB adapters) reports instead an endless
    // stream of read errors while the port stays open; both mean the line is
    // gone.
    if (error == QSerialPort::ResourceError
        || (error == QSerialPort::ReadError && serial->isOpen()))
        lose_line(QStringLiteral("Se perdió la conexión con el controlador: ")
                  + serial_error_text(error, serial->errorString()));
}

void DORVAK_Admin::lose_line(const QString &why)
{
    if (losing_line)
        return;
    losing_line = true;
    // Closed before the message box, whose event loop would otherwise keep
    // receiving the port's errors.
    close();
    report(QStringLiteral("Se perdió la conexión con el controlador"));
    QMessageBox::critical(this, tr("Critical Error"), why);
    if (port_name.isEmpty())
        return;
    port_watch.start(port_name);
    if (!port_watch_timer) {
        port_watch_timer = new QTimer(this);
        port_watch_timer->setInterval(500);
        connect(port_watch_timer, &QTimer::timeout, this, &DORVAK_Admin::check_port_back);
    }
    port_watch_timer->start();
}

void DORVAK_Admin::check_port_back()
{
    // Connected again by hand, or to another port: nothing to offer.
    if (serial->isOpen() || port_name != port_watch.path()) {
        port_watch.stop();
        port_watch_timer->stop();
        return;
    }
    // A question or an operation of the user's goes first.
    if (QApplication::activeModalWidget() || operation_running || !port_watch.back())
        return;
    port_watch.stop();
    port_watch_timer->stop();
    if (!reconnect_always) {
        QMessageBox box(
            QMessageBox::Question, QStringLiteral("Reconectar"),
            QStringLiteral("El adaptador %1 volvió a conectarse. ¿Reconectar?").arg(port_name),
            QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No, this);
        box.button(QMessageBox::YesToAll)->setText(QStringLiteral("Siempre"));
        box.setDefaultButton(QMessageBox::Yes);
        const int answer = box.exec();
        if (answer != QMessageBox::Yes && answer != QMessageBox::YesToAll)
            return;
        reconnect_always = answer == QMessageBox::YesToAll;
    }
    open();
    if (serial->isOpen())
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
    // Sent now, it would reach the controller between a command and its
    // answer, and its own answer would be taken for the command's.
    if (busy) {
        held_lines << line;
        console->show_held(line);
        qDebug() << "En espera : " << line;
        return;
    }
    send_typed(line);
}

void DORVAK_Admin::send_typed(const QString &line)
{
    const QString wire = line + QStringLiteral("\r\n");
    serial->write(wire.toLocal8Bit());
    console->show_sent(line);
    typed_out.start();
    qDebug() << "Enviando : " << wire;
}

void DORVAK_Admin::send_held_lines()
{
    const QStringList lines = held_lines;
    held_lines.clear();
    for (const QString &line : lines) {
        if (serial->isOpen())
            send_typed(line);
        else
            console->note(QStringLiteral("No se envió \"%1\": el puerto está cerrado").arg(line));
    }
}

void DORVAK_Admin::show_line(const QByteArray &raw)
{
    resps << decode_line(raw);
    console->putData(raw);
}

void DORVAK_Admin::newData()
{
    if (busy)
        return;
    while (serial->canReadLine()) {
        const QByteArray raw = serial->readLine();
        // Between two commands of an operation the lines belong to no
        // answer; they are shown and kept out of the next command's resps.
        if (operation_running) {
            show_stray_line(raw);
            continue;
        }
        heard_line();
        show_line(raw);
        qDebug() << "resps size " << resps.size();
    }
}
