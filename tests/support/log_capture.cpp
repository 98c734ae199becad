#include "log_capture.h"

#include <QMutex>
#include <QtGlobal>

namespace {
QMutex mutex;
QStringList captured;
QtMessageHandler previous = nullptr;

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker lock(&mutex);
        captured << message;
    }
    if (type != QtDebugMsg && previous)
        previous(type, context, message);
}
} // namespace

LogCapture::LogCapture()
{
    clear();
    previous = qInstallMessageHandler(handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&mutex);
    return captured;
}

QStringList LogCapture::starting(const QString &prefix) const
{
    QStringList out;
    const QStringList all = lines();
    for (const QString &line : all) {
        if (line.startsWith(prefix))
            out << line;
    }
    return out;
}

void LogCapture::clear()
{
    QMutexLocker lock(&mutex);
    captured.clear();
}
