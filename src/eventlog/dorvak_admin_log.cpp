// The event log: download into the "Registro" table and CSV export.
#include "dorvak_admin.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

void DORVAK_Admin::build_log_page()
{
    log_page = new QTabWidget;
    log_page->setObjectName(QStringLiteral("log_page"));
    log_table = new QTableWidget(0, 6);
    log_table->setObjectName(QStringLiteral("log_table"));
    log_table->setHorizontalHeaderLabels({QStringLiteral("Fecha Hora"), QStringLiteral("Nombre Usuario"),
                                          QStringLiteral("Numero Usuario"), QStringLiteral("Accion"),
                                          QStringLiteral("Nombre Asociado"),
                                          QStringLiteral("Numero Asociado")});
    for (int c = 0; c < 6; ++c)
        log_table->setColumnWidth(c, 150);
    log_table->setSortingEnabled(true);

    log_ops = new QWidget;
    log_ops->setObjectName(QStringLiteral("log_ops"));
    auto *ops = new QHBoxLayout(log_ops);
    ops->setContentsMargins(0, 0, 0, 0);
    get_log_btn = new QPushButton(QStringLiteral("Obtener Registro"));
    get_log_btn->setObjectName(QStringLiteral("get_log_btn"));
    export_log_btn = new QPushButton(QStringLiteral("Exportar Registro"));
    export_log_btn->setObjectName(QStringLiteral("export_log_btn"));
    ops->addWidget(get_log_btn);
    ops->addWidget(export_log_btn);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(log_ops);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(log_page);
    layout->addWidget(log_table);
    layout->addLayout(buttons);
}

void DORVAK_Admin::getLog() {}
void DORVAK_Admin::export_log() {}
