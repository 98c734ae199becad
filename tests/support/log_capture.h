#ifndef LOG_CAPTURE_H
#define LOG_CAPTURE_H

#include <QRegularExpression>
#include <QStringList>
#include <QtGlobal>

// Collects the debug log while it lives; warnings still reach the test's
// output. The tool logs from the GUI thread only.
class LogCapture
{
public:
    LogCapture()
    {
        captured().clear();
        previous = qInstallMessageHandler(handler);
    }
    ~LogCapture() { qInstallMessageHandler(previous); }

    QStringList lines() const { return captured(); }
    // The lines that begin with `prefix`.
    QStringList starting(const QString &prefix) const
    {
        return captured().filter(QRegularExpression("^" + QRegularExpression::escape(prefix)));
    }

private:
    static QStringList &captured()
    {
        static QStringList all;
        return all;
    }
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        captured() << message;
        if (type != QtDebugMsg && previous)
            previous(type, context, message);
    }
    static inline QtMessageHandler previous = nullptr;
};

#endif
