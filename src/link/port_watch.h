#ifndef PORT_WATCH_H
#define PORT_WATCH_H

#include <QString>

// Watches the device path of a line that was lost for the adapter's return:
// the path must first go away, or come to name another device, and then
// name a device again. A dead device that stays where it was is not back.
// A serial device server's address counts as back at once: only trying to
// connect tells.
class PortWatch
{
public:
    void start(const QString &path);
    void stop() { watched.clear(); }
    QString path() const { return watched; }
    // Looks at the path now; true once the adapter is back.
    bool back();

private:
    QString watched;
    // The device the path named when the line was lost.
    QString lost_device;
    bool gone = false;
};

#endif
