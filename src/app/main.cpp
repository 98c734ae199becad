#include "backup_command.h"
#include "dorvak_admin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTextStream>
#include <QTranslator>

#include <memory>

namespace {

QString translations_dir()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

// Whether the command line asks for a backup: its first argument that is
// not an option (nor an option's value) is "backup".
bool asks_for_backup(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--historial" || arg == "-historial") {
            ++i;
            continue;
        }
        if (arg.startsWith('-'))
            continue;
        return arg == "backup";
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // A backup runs from cron or a timer: no display and no window, only the
    // core; reading how to set it up needs no display either.
    const bool backup = asks_for_backup(argc, argv);
    bool help = false;
    for (int i = 1; i < argc; ++i)
        help = help || qstrcmp(argv[i], "-h") == 0 || qstrcmp(argv[i], "--help") == 0;
    if (help && !backup)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app(backup ? new QCoreApplication(argc, argv)
                                                 : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("dorvak-admin"));
    // The settings (last port, window size, folders) live under this name.
    QCoreApplication::setOrganizationName(QStringLiteral("DORVAK"));

    // Qt's own dialogs and buttons in Spanish, from the system's translations.
    QTranslator qt_spanish;
    if (qt_spanish.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        translations_dir()))
        QCoreApplication::installTranslator(&qt_spanish);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Administración del controlador DORVAK\n\n"
        "dorvak-admin backup PUERTO CARPETA\n"
        "  Respaldo sin ventana ni pantalla (para cron o un temporizador de systemd): lee\n"
        "  los parámetros, los usuarios y el registro del controlador en PUERTO (115200 8N1)\n"
        "  y los escribe en CARPETA/<instalación>-<AAAAmmdd-HHMMSS>/ como usuarios.csv,\n"
        "  registro.csv y parametros.csv; registra la visita en el historial. El avance va\n"
        "  a stderr, el resumen a stdout. Salida: 0 respaldo completo; 1 puerto que no\n"
        "  abre, controlador que no responde, lectura incompleta o línea caída (no queda\n"
        "  carpeta con aspecto de completa); 2 uso incorrecto."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("PORT"),
        QStringLiteral("Puerto serie del controlador, por ejemplo /dev/ttyUSB0"),
        QStringLiteral("[PORT]"));
    const QCommandLineOption verbose(
        QStringList{QStringLiteral("verbose")},
        QStringLiteral("Escribe en la terminal cada línea que pasa por el puerto"));
    parser.addOption(verbose);
    const QCommandLineOption history(
        QStringList{QStringLiteral("historial")},
        QStringLiteral("Archivo del historial de visitas (\"off\": sin historial); también "
                       "DORVAK_HISTORY"),
        QStringLiteral("ARCHIVO"));
    parser.addOption(history);
    if (backup) {
        // A usage error is the backup's own exit code, not the parser's.
        if (!parser.parse(app->arguments()) || parser.isSet(QStringLiteral("help"))) {
            QTextStream(stderr) << "Uso: dorvak-admin backup PUERTO CARPETA (vea --help)\n";
            return 2;
        }
    } else {
        parser.process(*app);
    }
    if (parser.isSet(history))
        qputenv("DORVAK_HISTORY", parser.value(history).toLocal8Bit());

    // The trace of every line on the wire is for developers: quiet unless
    // asked for with --verbose or the usual QT_LOGGING_RULES, which take
    // precedence over this default.
    if (!parser.isSet(verbose))
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    if (backup) {
        const QStringList args = parser.positionalArguments().mid(1);
        if (args.size() != 2) {
            QTextStream(stderr) << "Uso: dorvak-admin backup PUERTO CARPETA (vea --help)\n";
            return 2;
        }
        QTextStream err(stderr);
        QTextStream out(stdout);
        return run_backup(args.at(0), args.at(1), err, out);
    }

    Q_INIT_RESOURCE(resources);
    QFile style(QStringLiteral(":/darkorange_stylesheet.css"));
    if (style.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromUtf8(style.readAll()));

    DORVAK_Admin window;
    const QStringList args = parser.positionalArguments();
    if (!args.isEmpty())
        window.choose_port(args.first());
    window.show();
    return app->exec();
}
