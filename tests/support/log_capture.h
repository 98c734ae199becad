#ifndef LOG_CAPTURE_H
#define LOG_CAPTURE_H

#include <QStringList>

// Collects the debug log while it lives.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();

    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const;
    // The lines that begin with `prefix`.
    QStringList starting(const QString &prefix) const;
    bool has(const QString &line) const { return lines().contains(line); }
    void clear();
};

#endif
