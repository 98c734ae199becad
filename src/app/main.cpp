#include "dorvak_admin.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QApplication::setApplicationName(QStringLiteral("dorvak-admin"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Administración del controlador DORVAK"));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("PORT"),
        QStringLiteral("Puerto serie del controlador, por ejemplo /dev/ttyUSB0"),
        QStringLiteral("[PORT]"));
    parser.process(app);

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
