#include "dorvak_admin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
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

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Administración del controlador DORVAK"));
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
    parser.process(app);
    if (parser.isSet(history))
        qputenv("DORVAK_HISTORY", parser.value(history).toLocal8Bit());

    // The trace of every line on the wire is for developers: quiet unless
    // asked for with --verbose or the usual QT_LOGGING_RULES, which take
    // precedence over this default.
    if (!parser.isSet(verbose))
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
