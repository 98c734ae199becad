#ifndef SERIAL_WAKEUPS_H
#define SERIAL_WAKEUPS_H

#include <QElapsedTimer>
#include <QObject>

class QSerialPort;
class QTimer;

// Fewer wake-ups of a serial port's reader while a long answer streams in.
// At 115200 baud a UART's FIFO, or an adapter with a short latency, hands
// the bytes over a dozen at a time, a thousand times a second, and every
// hand-over wakes the reader. Once the bytes come as a stream, the port is
// reported readable only when a group of them is in (the terminal's minimum
// read count, which in raw mode also governs poll(2)); a timer that every
// group restarts lowers it again as soon as the stream pauses, so that the
// end of an answer waits at most fallback_ms in the kernel, and a quiet
// line, or a short answer, is reported byte by byte as before.
class SerialWakeups : public QObject
{
    Q_OBJECT

public:
    // Bytes that make a group: 3.5 ms on the wire at 115200 baud, short of
    // the fallback, so that a steady stream never waits for the timer.
    static constexpr int group_bytes = 40;
    // The longest a byte of a paused stream stays unreported.
    static constexpr int fallback_ms = 5;

    explicit SerialWakeups(QSerialPort *port);

private:
    void arrived();
    void ungroup();
    bool set_minimum(int bytes);

    QSerialPort *port = nullptr;
    QTimer *fallback = nullptr;
    // When a hand-over smaller than a group last came, outside a group.
    QElapsedTimer last_arrival;
    bool grouping = false;
};

#endif
