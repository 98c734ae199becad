// The command exchange: one command line out, its answer lines back into
// resps, with the window kept alive while the controller answers.
#include "dorvak_admin.h"

#include "console.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMessageBox>
#include <QProgressBar>
#include <QThread>

void DORVAK_Admin::show_port_closed()
{
    QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("El puerto está cerrado"));
}

bool DORVAK_Admin::exchange(QString command, int expected, int timeout_s, QString label,
                            const QString &counted)
{
    command += QLatin1Char('\n');
    console->appendPlainText(QStringLiteral("--> ") + command);
    if (timeout_s == 0)
        timeout_s = 1;

    bool result = false;
    if (!serial->isOpen()) {
        sent = false;
        show_port_closed();
    } else {
        sent = true;
        serial->flush();
        qDebug() << "Ejecutando : " << command;
        busy = true;
        const QByteArray bytes = command.toLocal8Bit();
        resps.clear();
        serial->write(bytes);

        // The budget counts idle cycles since the last line arrived: the
        // exchange ends when the expected lines are in, or when the
        // controller has been silent for the whole time-out. A budget for the
        // whole answer would run out while a long answer is still arriving
        // at the line's pace.
        const int budget = timeout_s * 1000;
        int cycle = 0;
        int n = 0;
        while (cycle < budget) {
            if (serial->canReadLine()) {
                const QByteArray raw = serial->readLine();
                show_line(raw);
                qDebug() << "EX resps size " << resps.size() << raw;
                if (counted.isEmpty() || resps.last().startsWith(counted))
                    ++n;
                cycle = 0;
                continue;
            }
            if (n > 0 && n < expected) {
                if (cycle % 100 == 0)
                    qDebug() << "ciclo " << cycle << " Resps : " << n << " respuestas";
                if (show_progress) {
                    const int p = n * 100 / expected;
                    progress->setValue(p);
                    progress->setFormat(label + QStringLiteral(" : ") + QString::number(p)
                                        + QLatin1Char('%'));
                }
            }
            if (n > 0 && n >= expected) {
                qDebug() << "Ok : " << n << " respuestas";
                result = true;
                cycle = budget;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QThread::usleep(1000);
            ++cycle;
        }
        busy = false;
        if (resps.isEmpty())
            qDebug() << "ERROR : sin respuesta";
    }

    QThread::usleep(100000);
    if (show_progress) {
        progress->setValue(0);
        progress->setFormat(QString());
    }
    return result;
}
