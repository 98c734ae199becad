#include "port_combo.h"

#include "net_text.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSerialPortInfo>
#include <QSignalBlocker>

PortCombo::PortCombo(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // A port chosen from the list shows the path that is opened, not its
    // caption.
    connect(this, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        const QString path = itemData(index).toString();
        if (index >= 0 && !path.isEmpty() && currentText() != path)
            setEditText(path);
    });
}

void PortCombo::showPopup()
{
    refresh_ports();
    QComboBox::showPopup();
}

void PortCombo::add_present_ports()
{
    const bool first = count() == 0;
    {
        // The captions are never the box's text, not even for a moment.
        const QSignalBlocker blocker(this);
        const auto infos = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &info : infos) {
            const QString path = stable_path(info.systemLocation());
            addItem(port_caption(info.portName(), info.description(), info.manufacturer()), path);
            setItemData(count() - 1, path, Qt::ToolTipRole);
        }
        for (const QString &server : qAsConst(known_servers)) {
            addItem(server, server);
            setItemData(count() - 1, QStringLiteral("Servidor de puertos usado antes"),
                        Qt::ToolTipRole);
        }
        if (first && count() > 0)
            setEditText(itemData(0).toString());
    }
    if (first && count() > 0)
        emit currentTextChanged(currentText());
}

void PortCombo::refresh_ports()
{
    const QString shown = currentText();
    const QSignalBlocker blocker(this);
    clear();
    add_present_ports();
    // A typed path that is not a listed port stays at the top of the list.
    if (!shown.isEmpty() && findData(shown) < 0)
        insertItem(0, shown, shown);
    setCurrentIndex(findData(shown));
    setEditText(shown);
}

void PortCombo::remember_server(const QString &address)
{
    QStringList list = known_servers;
    list.removeAll(address);
    list.prepend(address);
    set_servers(list);
}

void PortCombo::set_servers(const QStringList &list)
{
    known_servers.clear();
    // Only what names a server is kept, and never a password.
    for (const QString &server : list) {
        if (is_net_address(server) && parse_net_address(server).ok()
            && !known_servers.contains(server) && known_servers.size() < servers_kept)
            known_servers << server;
    }
}

QString stable_path(const QString &system_location, const QString &by_id_dir)
{
    const QString device = QFileInfo(system_location).canonicalFilePath();
    const QDir dir(by_id_dir);
    const QStringList links = dir.entryList(QDir::System | QDir::Files, QDir::Name);
    for (const QString &name : links) {
        const QString link = dir.filePath(name);
        if (!device.isEmpty() && QFileInfo(link).canonicalFilePath() == device)
            return link;
    }
    return system_location;
}

QString port_caption(const QString &name, const QString &description, const QString &maker)
{
    QString text = name;
    if (!description.trimmed().isEmpty())
        text += QStringLiteral(" — ") + description.trimmed();
    if (!maker.trimmed().isEmpty() && !description.contains(maker.trimmed(), Qt::CaseInsensitive))
        text += QStringLiteral(" (") + maker.trimmed() + QLatin1Char(')');
    return text;
}
