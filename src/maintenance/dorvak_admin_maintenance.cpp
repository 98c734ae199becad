// One-button maintenance commands: each sends one fixed line and leaves the
// answer to the console.
#include "dorvak_admin.h"

#include "command_operation.h"

#include <QDebug>

bool DORVAK_Admin::maintenance(const QString &command, int expected, int timeout_s,
                               const QString &label, const QString &question)
{
    CommandOperation operation(core, command, expected, timeout_s, label, question);
    return run(operation);
}

void DORVAK_Admin::printDB()
{
    if (maintenance(QStringLiteral("PRINTDB"), 52, 2, QString()))
        qDebug() << "Done in main thread";
}

void DORVAK_Admin::reset_dorvak()
{
    maintenance(QStringLiteral("RESET"), 100, 1, QStringLiteral("Reset"),
                QStringLiteral("¿Reiniciar el controlador? Dejará de atender mientras arranca."));
}

void DORVAK_Admin::print_fat()
{
    maintenance(QStringLiteral("PRINTFAT"), 12, 1, QStringLiteral("Printing FAT"));
}

void DORVAK_Admin::default_db()
{
    maintenance(QStringLiteral("DEFAULTDB"), 10, 1, QString(),
                QStringLiteral("¿Restaurar la base de datos de fábrica del controlador? Se "
                               "perderán los usuarios que tiene ahora."));
}

void DORVAK_Admin::silent()
{
    if (maintenance(QStringLiteral("SILENT"), 0, 0, QString()))
        qDebug() << "Silent sent";
}

void DORVAK_Admin::verbose()
{
    if (maintenance(QStringLiteral("VERBOSE"), 0, 0, QString()))
        qDebug() << "Verbose sent";
}

void DORVAK_Admin::test_dorvak()
{
    maintenance(QStringLiteral("TEST_SUITE"), 10, 1, QStringLiteral("Probando DORVAK"));
}

void DORVAK_Admin::add_500()
{
    maintenance(QStringLiteral("CREATE500U"), 1, 10, QStringLiteral("Creando Usuarios"),
                QStringLiteral("¿Crear 500 usuarios de prueba en el controlador?"));
}

void DORVAK_Admin::add_500_logs()
{
    maintenance(QStringLiteral("CREATE500L"), 100, 1, QStringLiteral("Creando 500 Logs"),
                QStringLiteral("¿Agregar 500 eventos de prueba al registro del controlador?"));
}

void DORVAK_Admin::make_dorvak()
{
    maintenance(QStringLiteral("STUM 5000"), 1, 1, QString(),
                QStringLiteral("¿Enviar al controlador la orden de prueba STUM 5000?"));
}
