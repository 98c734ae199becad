// history_writer FILE COUNT: records a directory of COUNT users into FILE,
// one visit after another, and prints each visit's id once it is recorded.
#include "history_db.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    QStringList lines;
    for (int i = 1; i <= args.at(2).toInt(); ++i)
        lines << QStringLiteral("## %1,2,\"Persona %1\",+569%1,0,0,0,0,0,24,255").arg(i);
    HistoryDb db(args.at(1));
    if (!db.available()) {
        QTextStream(stderr) << db.why() << Qt::endl;
        return 1;
    }
    QTextStream out(stdout);
    for (;;) {
        qint64 visit = 0;
        if (!db.record_users(visit, QStringLiteral("77"), QString(), QString(), lines))
            return 1;
        out << visit << Qt::endl;
    }
}
