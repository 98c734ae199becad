// The user download's processing of 10,000 lines (100 administrators,
// 1,900 users, 8,000 visitors), phase by phase, on a shown window.
#include "bench.h"

#include "probe.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_row.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTreeWidget>

// The controller lists owners before what they own: each administrator,
// then each of its users followed by the user's visitors.
QStringList device_user_lines()
{
    QRandomGenerator rng(11);
    QStringList lines;
    auto line = [&](int id, int code, int padre, const QString &name) {
        lines << QStringLiteral("## %1,%2,\"%3\",+569%4,%5,%6,0,0,%7,%8,%9\r\n")
                     .arg(id)
                     .arg(code)
                     .arg(name)
                     .arg(rng.bounded(10000000, 99999999))
                     .arg(padre)
                     .arg(code == 3 && rng.bounded(3) == 0 ? 24 * rng.bounded(1, 8) : 0)
                     .arg(code == 1 ? 0 : rng.bounded(6, 10))
                     .arg(code == 1 ? 24 : rng.bounded(17, 23))
                     .arg(rng.bounded(2) ? 31 : 127);
    };
    int id = 0;
    for (int a = 0; a < 100; ++a) {
        const int admin = ++id;
        line(admin, 1, admin, QStringLiteral("Conserje %1").arg(a));
        for (int u = 0; u < 19; ++u) {
            const int user = ++id;
            line(user, 2, admin, QStringLiteral("Casa %1").arg(user));
            // 8,000 visitors over 1,900 users: five for the first four
            // users of each administrator, four for the others.
            const int mine = u < 4 ? 5 : 4;
            for (int v = 0; v < mine; ++v) {
                const int visitor = ++id;
                line(visitor, 3, user, QStringLiteral("Visita %1").arg(visitor));
            }
        }
    }
    return lines;
}

void bench_users(QTextStream &out)
{
    const QStringList lines = device_user_lines();
    DORVAK_Admin w;
    w.show();
    QApplication::processEvents();
    TestProbe probe(w);
    QTreeWidget *tree = probe.user_tree();

    out << "users: " << lines.size() << " lines\n";
    probe.install_root(QStringLiteral("Raíz"));
    qint64 total = 0;
    total += timed(out, "users parse", [&] {
        for (const QString &line : lines)
            probe.users().append(parse_user_line(line, probe.ids()));
    });
    total += timed(out, "users structure", [&] { probe.build_user_tree(); });
    total += timed(out, "users expand", [&] {
        tree->expandAll();
        QApplication::processEvents();
    });
    out << "users processing, phases together: " << total << " ms\n";

    // A second download: the old tree goes, the whole processing runs again
    // as the slot runs it.
    timed(out, "users replace a 10000-user tree",
          [&] { probe.install_root(QStringLiteral("Raíz")); });
    timed(out, "users load_user_lines (parse, structure, expand)", [&] {
        probe.load_user_lines(lines);
        QApplication::processEvents();
    });
    timed(out, "users index and 10000 lookups", [&] {
        const UserIndex index(tree);
        int found = 0;
        for (int id = 1; id <= 10000; ++id)
            found += index.find(id) ? 1 : 0;
        if (found != 10000)
            out << "users index: only " << found << " found\n";
    });
}
