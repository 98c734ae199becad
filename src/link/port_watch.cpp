#include "port_watch.h"

#include <QFileInfo>

void PortWatch::start(const QString &path)
{
    watched = path;
    lost_device = QFileInfo(path).canonicalFilePath();
    gone = lost_device.isEmpty();
}

bool PortWatch::back()
{
    if (watched.isEmpty())
        return false;
    const QString now = QFileInfo(watched).canonicalFilePath();
    if (now.isEmpty()) {
        gone = true;
        return false;
    }
    return gone || now != lost_device;
}
