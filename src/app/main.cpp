#include "backup_command.h"
#include "command_line.h"
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
    // core; reading how to set it up, or what was mistyped, needs no display
    // either.
    const bool backup = asks_for_backup(argc, argv);
    const bool help = !backup && command_line_wants_text(argc, argv);
    if (help)
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
    SpanishCommandLine spanish_command_line;
    QCoreApplication::installTranslator(&spanish_command_line);
    describe_command_line(parser);
    if (backup) {
        // A usage error is the backup's own exit code, not the parser's.
        if (!parser.parse(app->arguments())) {
            QTextStream(stderr) << "Uso: dorvak-admin backup PUERTO CARPETA (vea --help)\n";
            return 2;
        }
        if (parser.isSet(QStringLiteral("help")))
            parser.showHelp();
        // Its output is read by whoever watches the nights' backups: the
        // tool's own lines (and the wire's, with --verbose), none of Qt's
        // notes about the machine it runs on.
        qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
                if (type == QtDebugMsg && qstrcmp(context.category, "default") == 0)
                    QTextStream(stderr) << text << '\n';
            });
    } else {
        parser.process(*app);
        if (parser.isSet(QStringLiteral("help")))
            parser.showHelp();
    }
    if (parser.isSet(QStringLiteral("historial")))
        qputenv("DORVAK_HISTORY", parser.value(QStringLiteral("historial")).toLocal8Bit());

    // The trace of every line on the wire is for developers: quiet unless
    // asked for with --verbose or the usual QT_LOGGING_RULES, which take
    // precedence over this default.
    if (!parser.isSet(QStringLiteral("verbose")))
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
