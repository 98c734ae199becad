#ifndef SER2NET_PROCESS_H
#define SER2NET_PROCESS_H

#include <QProcess>
#include <QTemporaryDir>

// A real ser2net serving a serial device on 127.0.0.1, as a controller's
// serial device server does on the network: the device's raw byte stream
// at raw_address, Telnet with RFC 2217 at telnet_address. Its own setting
// for the device is 9600 baud, so that 115200 on the device was asked for.
class Ser2NetProcess
{
public:
    explicit Ser2NetProcess(const QString &device);
    ~Ser2NetProcess() { kill(); }

    // Empty when ser2net is not installed.
    static QString program();
    // Listening on both ports.
    bool ok() const { return listening; }
    // The server goes away, and every connection with it.
    void kill()
    {
        listening = false;
        process.kill();
        process.waitForFinished(3000);
    }
    // Back on the same ports.
    bool start();

    QString raw_address;
    QString telnet_address;

private:
    QTemporaryDir dir;
    QProcess process;
    quint16 ports[2] = {};
    bool listening = false;
};

#endif
