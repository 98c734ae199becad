// The event log's processing step: 10,000 log lines named against a tree of
// 10,000 users (100 administrators, 1,900 users, 8,000 visitors).
#include "bench.h"

#include "probe.h"
#include "user_row.h"

#include <QLineEdit>
#include <QRandomGenerator>

void bench_log(QTextStream &out)
{
    DORVAK_Admin w;
    TestProbe probe(w);

    auto add = [](QTreeWidgetItem *parent, int id, int categoria) {
        auto *u = new UserRow(parent);
        u->id_user = id;
        u->categoria = categoria;
        u->nombre = QStringLiteral("Usuario %1").arg(id);
        u->numero = QStringLiteral("+569%1").arg(id, 8, 10, QLatin1Char('0'));
        u->show_columns();
        return u;
    };
    int id = 0;
    QList<UserRow *> owners;
    for (int a = 0; a < 100; ++a) {
        UserRow *admin = add(probe.root(), ++id, UserRow::Admin);
        for (int u = 0; u < 19; ++u)
            owners << add(admin, ++id, UserRow::Usuario);
    }
    for (int v = 0; v < 8000; ++v)
        add(owners.at(v % owners.size()), ++id, UserRow::Visita);

    // Most ids are known; one in ten is not in the tree.
    QRandomGenerator rng(7);
    QStringList lines;
    for (int i = 0; i < 10000; ++i) {
        const int user = rng.bounded(1, 11001);
        const int asoc = rng.bounded(1, 11001);
        lines << QStringLiteral("XX %1 %2 %3 2024-03-%4 %5:%6:00\r\n")
                     .arg(rng.bounded(1, 13))
                     .arg(user)
                     .arg(asoc)
                     .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                     .arg(i % 24, 2, 10, QLatin1Char('0'))
                     .arg(i % 60, 2, 10, QLatin1Char('0'));
    }

    timed(out, "log: 10000 lines against 10000 users", [&] { probe.load_log_lines(lines); });

    // The finders, a keystroke at a time: the slowest keystroke counts.
    auto typing = [&](const char *phase, const char *edit, const QString &text) {
        auto *finder = w.findChild<QLineEdit *>(QLatin1String(edit));
        const qint64 slowest = slowest_keystroke(finder, text);
        finder->clear();
        out << phase << ": " << slowest << " ms\n";
        out.flush();
    };
    typing("finder: 10000 tree records, slowest keystroke of \"+569000012\"", "user_filter_edit",
           QStringLiteral("+569000012"));
    typing("finder: 10000 tree records, slowest keystroke of \"usuario 77\"", "user_filter_edit",
           QStringLiteral("usuario 77"));
    typing("finder: 10000 log rows, slowest keystroke of \"usuario 77\"", "log_filter_edit",
           QStringLiteral("usuario 77"));
}
