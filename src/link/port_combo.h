#ifndef PORT_COMBO_H
#define PORT_COMBO_H

#include <QComboBox>

// The port box: editable, so that any device path can be typed (an adapter
// plugged in after start, a virtual port), and its list of ports is read
// again each time the drop-down opens, keeping what is shown.
class PortCombo : public QComboBox
{
    Q_OBJECT

public:
    explicit PortCombo(QWidget *parent = nullptr);

    void showPopup() override;

    // Re-reads the ports present now; the shown text stays as it was.
    void refresh_ports();
};

#endif
