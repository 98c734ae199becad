#include "controller_commands.h"

const QVector<ControllerCommand> &controller_commands()
{
    static const QVector<ControllerCommand> commands{
        {QStringLiteral("TOT_USERS"), QString(),
         QStringLiteral("Cuenta los usuarios de la base de datos"),
         QStringLiteral("Una línea con el número de usuarios")},
        {QStringLiteral("LU"), QString(), QStringLiteral("Lista todos los usuarios"),
         QStringLiteral("Una línea por usuario: ## y once campos separados por comas: id, tipo "
                        "(1 administrador, 2 usuario, 3 visita), \"nombre\", número, dueño, "
                        "horas, 0, 0, hora inicio, hora fin, días")},
        {QStringLiteral("NEXT"), QString(), QStringLiteral("Da el siguiente id de usuario libre"),
         QStringLiteral("Una línea con el id")},
        {QStringLiteral("UD_NUM "), QStringLiteral("número"),
         QStringLiteral("Busca el usuario de ese número (+569…)"),
         QStringLiteral("La línea ## del usuario; otra cosa si no existe")},
        {QStringLiteral(" UU "),
         QStringLiteral("id tipo \"nombre\" número dueño horas hora_inicio hora_fin días"),
         QStringLiteral("Graba un usuario nuevo o cambiado; la línea empieza con un espacio"),
         QStringLiteral("Una línea: ## OK si lo grabó")},
        {QStringLiteral("BU "), QStringLiteral("número"),
         QStringLiteral("Borra el usuario de ese número y lo que posee"),
         QStringLiteral("Nada que la herramienta lea")},
        {QStringLiteral("TOTAL_LOG"), QString(), QStringLiteral("Cuenta los eventos del registro"),
         QStringLiteral("Una línea con el número de eventos")},
        {QStringLiteral("ENVLOG"), QString(), QStringLiteral("Envía el registro de eventos"),
         QStringLiteral("Una línea por evento: XX código usuario asociado AAAA-MM-DD HH:MM:SS")},
        {QStringLiteral("GET_PARS"), QString(), QStringLiteral("Lee los 16 parámetros (00 a 15)"),
         QStringLiteral("Una línea por parámetro: ## NN valor")},
        {QStringLiteral("SEND_PAR "), QStringLiteral("tipo NN valor"),
         QStringLiteral("Graba un parámetro: tipo 2 un texto entre comillas, 1 un número, 0 una "
                        "opción; 02 y 15 son solo de lectura"),
         QStringLiteral("Una línea")},
        {QStringLiteral("PRINTDB"), QString(),
         QStringLiteral("Muestra la base de datos (botón «Print DB»)"),
         QStringLiteral("Líneas para leer en la consola")},
        {QStringLiteral("PRINTFAT"), QString(),
         QStringLiteral("Muestra la tabla de archivos (botón «Print FAT»)"),
         QStringLiteral("Líneas para leer en la consola")},
        {QStringLiteral("RESET"), QString(), QStringLiteral("Reinicia el controlador"),
         QStringLiteral("Líneas para leer en la consola")},
        {QStringLiteral("DEFAULTDB"), QString(),
         QStringLiteral("Restaura la base de datos de fábrica: se pierden los usuarios"),
         QStringLiteral("Líneas para leer en la consola")},
        {QStringLiteral("SILENT"), QString(),
         QStringLiteral("Apaga los mensajes de depuración del controlador"),
         QStringLiteral("Una línea")},
        {QStringLiteral("VERBOSE"), QString(),
         QStringLiteral("Enciende los mensajes de depuración del controlador"),
         QStringLiteral("Una línea")},
        {QStringLiteral("TEST_SUITE"), QString(), QStringLiteral("Ejecuta la prueba interna"),
         QStringLiteral("Una línea por prueba, con su resultado")},
        {QStringLiteral("CREATE500U"), QString(),
         QStringLiteral("El controlador crea 500 usuarios de prueba"),
         QStringLiteral("Líneas para leer en la consola")},
        {QStringLiteral("CREATE500L"), QString(),
         QStringLiteral("El controlador agrega 500 eventos de prueba"),
         QStringLiteral("Líneas para leer en la consola")},
        {QStringLiteral("STUM "), QStringLiteral("n"),
         QStringLiteral("Orden de desarrollo del botón «Make 5000» (STUM 5000)"),
         QStringLiteral("Una línea")},
    };
    return commands;
}

CommandCompletion complete_command(const QString &typed)
{
    int blanks = 0;
    while (blanks < typed.size() && typed.at(blanks) == QLatin1Char(' '))
        ++blanks;
    const QString word = typed.mid(blanks);
    if (word.contains(QLatin1Char(' ')))
        return {typed, {}};
    QList<const ControllerCommand *> fit;
    for (const ControllerCommand &command : controller_commands()) {
        if (command.name().startsWith(word, Qt::CaseInsensitive))
            fit << &command;
    }
    if (fit.isEmpty())
        return {typed, {}};
    if (fit.size() == 1)
        return {fit.first()->start, {}};
    QString shared = fit.first()->name();
    QStringList names;
    for (const ControllerCommand *command : fit) {
        const QString name = command->name();
        int n = 0;
        while (n < shared.size() && n < name.size() && shared.at(n) == name.at(n))
            ++n;
        shared.truncate(n);
        names << name;
    }
    return {typed.left(blanks) + shared, names};
}

bool asks_for_commands(const QString &typed)
{
    return typed.trimmed() == QLatin1String("?");
}
