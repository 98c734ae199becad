// The "Configuración" tab: the parameter form, its read and its write.
#include "dorvak_admin.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

void DORVAK_Admin::build_config_page()
{
    config_page = new QWidget;
    config_page->setObjectName(QStringLiteral("config_page"));
    param_form = new QFormLayout;
    param_form->setObjectName(QStringLiteral("param_form"));

    param_ops = new QWidget;
    param_ops->setObjectName(QStringLiteral("param_ops"));
    auto *ops = new QHBoxLayout(param_ops);
    ops->setContentsMargins(0, 0, 0, 0);
    get_params_btn = new QPushButton(QStringLiteral("Obtener Parametros"));
    get_params_btn->setObjectName(QStringLiteral("get_params_btn"));
    send_params_btn = new QPushButton(QStringLiteral("Grabar Parametros"));
    send_params_btn->setObjectName(QStringLiteral("send_params_btn"));
    ops->addWidget(get_params_btn);
    ops->addWidget(send_params_btn);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(param_ops);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(config_page);
    layout->addLayout(param_form);
    layout->addStretch();
    layout->addLayout(buttons);
}

void DORVAK_Admin::get_param() {}
void DORVAK_Admin::send_params() {}
