#ifndef PORT_COMBO_H
#define PORT_COMBO_H

#include <QComboBox>

// The port box: editable, so that any device path can be typed (an adapter
// plugged in after start, a virtual port), and its list of ports is read
// again each time the drop-down opens, keeping what is shown. The list
// names each port with what the system knows of it ("ttyUSB0 — FT232R USB
// UART (FTDI)"); the box itself shows the path that is opened, the stable
// one where the system has it. After the ports come the serial device
// servers connected to before (tcp://, rfc2217://), most recent first.
class PortCombo : public QComboBox
{
    Q_OBJECT

public:
    explicit PortCombo(QWidget *parent = nullptr);

    void showPopup() override;

    // Adds the ports present now.
    void add_present_ports();
    // Re-reads the ports present now; the shown text stays as it was.
    void refresh_ports();

    // A server just connected to goes first among the servers offered.
    void remember_server(const QString &address);
    QStringList servers() const { return known_servers; }
    void set_servers(const QStringList &list);

    static constexpr int servers_kept = 10;

private:
    QStringList known_servers;
};

// The path under which the device at `system_location` is also known for
// good in `by_id_dir` (a link named after the adapter, which survives the
// adapter being plugged in elsewhere), or `system_location` itself.
QString stable_path(const QString &system_location,
                    const QString &by_id_dir = QStringLiteral("/dev/serial/by-id"));

// What the list says of a port: its name, then its description and maker
// where the system knows them.
QString port_caption(const QString &name, const QString &description, const QString &maker);

#endif
