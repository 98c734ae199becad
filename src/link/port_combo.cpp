#include "port_combo.h"

#include <QLineEdit>
#include <QSerialPortInfo>
#include <QSignalBlocker>

PortCombo::PortCombo(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void PortCombo::showPopup()
{
    refresh_ports();
    QComboBox::showPopup();
}

void PortCombo::refresh_ports()
{
    const QString shown = currentText();
    QStringList names;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        names << info.portName();
    // A typed path that is not a listed port stays at the top of the list.
    if (!shown.isEmpty() && !names.contains(shown))
        names.prepend(shown);
    {
        const QSignalBlocker blocker(this);
        clear();
        addItems(names);
        setCurrentIndex(names.indexOf(shown));
        setEditText(shown);
    }
}
