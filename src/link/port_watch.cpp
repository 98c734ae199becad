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
    // Not watching, the path is empty and names nothing.
    const QString now = QFileInfo(watched).canonicalFilePath();
    if (now.isEmpty()) {
        gone = true;
        return false;
    }
    return gone || now != lost_device;
}
