#include "port_watch.h"

#include "net_text.h"

#include <QFileInfo>

void PortWatch::start(const QString &path)
{
    watched = path;
    lost_device = QFileInfo(path).canonicalFilePath();
    gone = lost_device.isEmpty();
}

bool PortWatch::back()
{
    // A server is only known to be back by connecting to it.
    if (is_net_address(watched))
        return true;
    // Not watching, the path is empty and names nothing.
    const QString now = QFileInfo(watched).canonicalFilePath();
    if (now.isEmpty()) {
        gone = true;
        return false;
    }
    return gone || now != lost_device;
}
