#include "command_line.h"

#include <QCommandLineParser>

void describe_command_line(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Administración del controlador DORVAK\n\n"
        "dorvak-admin backup PUERTO CARPETA\n"
        "  Respaldo sin ventana ni pantalla (para cron o un temporizador de systemd): lee\n"
        "  los parámetros, los usuarios y el registro del controlador en PUERTO (115200 8N1)\n"
        "  y los escribe en CARPETA/<instalación>-<AAAAmmdd-HHMMSS>/ como usuarios.csv,\n"
        "  registro.csv y parametros.csv; registra la visita en el historial. El avance va\n"
        "  a stderr, el resumen a stdout. Cada respaldo tiene su propia carpeta. Si otra\n"
        "  copia usa el historial, lo espera hasta 300 s (DORVAK_HISTORY_WAIT: otros\n"
        "  segundos). Salida: 0 respaldo completo y registrado; 1 puerto que no abre,\n"
        "  controlador que no responde, lectura incompleta o línea caída (no queda\n"
        "  carpeta con aspecto de completa); 2 uso incorrecto; 3 respaldo escrito, pero\n"
        "  la visita no quedó en el historial (archivo de solo lectura, disco lleno,\n"
        "  archivo dañado); 4 respaldo escrito, pero otra copia tuvo el historial más\n"
        "  tiempo del que se espera."));
    // Qt's own help option would bring --help-all with it, which lists
    // Qt's options in English.
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Muestra esta ayuda")));
    parser.addPositionalArgument(
        QStringLiteral("PUERTO"),
        QStringLiteral("Puerto serie del controlador, por ejemplo /dev/ttyUSB0, o su servidor de "
                       "puertos en la red: tcp://servidor:4001 (flujo directo) o "
                       "rfc2217://servidor:4001 (Telnet, RFC 2217); una dirección IPv6 va entre "
                       "corchetes, sin usuario ni contraseña"),
        QStringLiteral("[PUERTO]"));
    parser.addOption(QCommandLineOption(
        QStringList{QStringLiteral("verbose")},
        QStringLiteral("Escribe en la terminal cada línea que pasa por el puerto")));
    parser.addOption(QCommandLineOption(
        QStringList{QStringLiteral("historial")},
        QStringLiteral("Archivo del historial de visitas (\"off\": sin historial); también "
                       "DORVAK_HISTORY"),
        QStringLiteral("ARCHIVO")));
}

bool command_line_wants_text(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    describe_command_line(parser);
    return !parser.parse(arguments) || parser.isSet(QStringLiteral("help"));
}

QString SpanishCommandLine::translate(const char *context, const char *source_text, const char *,
                                      int) const
{
    if (qstrcmp(context, "QCommandLineParser") != 0)
        return QString();
    static const char *const spanish[][2] = {
        {"Usage: %1", "Uso: %1"},
        {"[options]", "[opciones]"},
        {"Options:", "Opciones:"},
        {"Arguments:", "Argumentos:"},
        {"Unknown option '%1'.", "Opción desconocida: «%1»."},
        {"Unknown options: %1.", "Opciones desconocidas: %1."},
        {"Missing value after '%1'.", "Falta el valor después de «%1»."},
        {"Unexpected value after '%1'.", "Sobra el valor después de «%1»."},
        {"Displays help on commandline options.", "Muestra esta ayuda"},
        {"Displays help including Qt specific options.",
         "Muestra esta ayuda con las opciones propias de Qt"},
        {"Displays version information.", "Muestra la versión"},
    };
    for (const auto &text : spanish) {
        if (qstrcmp(source_text, text[0]) == 0)
            return QString::fromUtf8(text[1]);
    }
    return QString();
}
