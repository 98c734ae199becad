#ifndef LINE_H
#define LINE_H

#include <QObject>
#include <QString>

#include <memory>

class QIODevice;
class QSerialPort;
struct SessionTimings;

// The byte line to a controller. The session reads and writes through the
// device it gives and learns from `lost` that the line went away; what
// kind of line it is (a local serial port, a serial device server on the
// network) stays behind this.
class Line : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Opens the line; false, with why() saying it in Spanish, when it
    // cannot be opened.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool is_open() const = 0;
    virtual QIODevice *device() = 0;
    // Why the last open failed, or why the line was lost.
    virtual QString why() const = 0;
    // What the status bar says while the line is open.
    virtual QString description() const = 0;
    // While held, what arrives may stay with the system until the device
    // is read; a long answer then wakes the reader once for many lines.
    virtual void hold_reads(bool held) { Q_UNUSED(held) }

signals:
    // The line went away while open (a pulled adapter, a far end gone).
    // Given once per loss; the line is closed by then.
    void lost(const QString &why);
    // Something the console should say about the line itself (what a
    // server agreed to while the line opened).
    void note(const QString &text);
};

// A local serial port at 115200 8N1 without flow control.
class SerialLine : public Line
{
    Q_OBJECT

public:
    explicit SerialLine(const QString &port, QObject *parent = nullptr);
    ~SerialLine() override;

    bool open() override;
    void close() override;
    bool is_open() const override;
    QIODevice *device() override;
    QString why() const override { return reason; }
    QString description() const override;
    void hold_reads(bool held) override;

private:
    void port_error();

    QSerialPort *port = nullptr;
    QString name;
    QString reason;
};

// The line for a port name as the user gives it: a server's address
// (tcp://, rfc2217://) or a local device path.
std::unique_ptr<Line> make_line(const QString &port, const SessionTimings &timings);

#endif
