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

namespace {

QString translations_dir()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    // A backup runs from cron or a timer: no display, and no window shown;
    // nor is one needed to read how to set it up, or what was mistyped.
    const bool backup = argc > 1 && qstrcmp(argv[1], "backup") == 0;
    const bool help = !backup && command_line_wants_text(argc, argv);
    if (backup || help)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QApplication::setApplicationName(QStringLiteral("dorvak-admin"));
    // The settings (last port, window size, folders) live under this name.
    QApplication::setOrganizationName(QStringLiteral("DORVAK"));

    // Qt's own dialogs and buttons in Spanish, from the system's translations.
    QTranslator qt_spanish;
    if (qt_spanish.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        translations_dir()))
        QApplication::installTranslator(&qt_spanish);

    if (backup) {
        const QStringList args = app.arguments().mid(2);
        if (args.size() != 2 || args.first().startsWith(QLatin1Char('-'))) {
            QTextStream(stderr) << "Uso: dorvak-admin backup PUERTO CARPETA (vea --help)\n";
            return 2;
        }
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        DORVAK_Admin window;
        return window.backup(args.at(0), args.at(1));
    }

    QCommandLineParser parser;
    SpanishCommandLine spanish_command_line;
    QApplication::installTranslator(&spanish_command_line);
    describe_command_line(parser);
    parser.process(app);
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp();
    if (parser.isSet(QStringLiteral("historial")))
        qputenv("DORVAK_HISTORY", parser.value(QStringLiteral("historial")).toLocal8Bit());

    // The trace of every line on the wire is for developers: quiet unless
    // asked for with --verbose or the usual QT_LOGGING_RULES, which take
    // precedence over this default.
    if (!parser.isSet(QStringLiteral("verbose")))
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    QFile style(QStringLiteral(":/darkorange_stylesheet.css"));
    if (style.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(style.readAll()));

    DORVAK_Admin window;
    const QStringList args = parser.positionalArguments();
    if (!args.isEmpty())
        window.choose_port(args.first());
    window.show();
    return app.exec();
}
