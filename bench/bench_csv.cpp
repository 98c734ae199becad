// The users CSV file: export of a 10,000-record tree (100 administrators,
// 1,900 users, 8,000 visitors) and import of that file, on a shown window.
#include "bench.h"

#include "modal_answerer.h"
#include "probe.h"
#include "user_row.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// The same shape as a large download: each administrator with nineteen
// users, the first four users of each with five visitors, the others four.
void fill_tree(TestProbe &probe)
{
    int id = 0;
    auto add = [&](int categoria, int padre, const QString &name) {
        auto *u = new UserRow;
        u->id_user = ++id;
        u->id_padre = categoria == UserRow::Admin ? id : padre;
        u->categoria = categoria;
        u->nombre = name;
        u->numero = QStringLiteral("+569%1").arg(10000000 + id * 7);
        u->rh_ini = categoria == UserRow::Visita ? 8 : 0;
        u->rh_fin = categoria == UserRow::Visita ? 20 : 24;
        u->rd = 127;
        probe.users().append(u);
        return id;
    };
    for (int a = 0; a < 100; ++a) {
        const int admin = add(UserRow::Admin, 0, QStringLiteral("Conserje %1").arg(a));
        for (int k = 0; k < 19; ++k) {
            const int user = add(UserRow::Usuario, admin, QStringLiteral("Casa %1").arg(id + 1));
            for (int v = 0; v < (k < 4 ? 5 : 4); ++v)
                add(UserRow::Visita, user, QStringLiteral("Visita %1").arg(id + 1));
        }
    }
    probe.build_user_tree();
}

} // namespace

void bench_csv(QTextStream &out)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("usuarios.csv"));
    DORVAK_Admin w;
    w.show();
    QApplication::processEvents();
    TestProbe probe(w);
    probe.install_root(QStringLiteral("Raíz"));
    fill_tree(probe);

    timed(out, "csv export of a 10000-record tree", [&] { probe.export_users_to(path); });
    out << "csv file: " << QFileInfo(path).size() << " bytes\n";
    probe.install_root(QStringLiteral("Raiz"));
    // The import's verdict, confirmed.
    ModalAnswerer answerer;
    answerer.queue_button(QMessageBox::Ok);
    timed(out, "csv import of 10000 records", [&] {
        probe.import_users_from(path);
        QApplication::processEvents();
    });
    if (probe.users().size() != 10000)
        out << "csv import: " << probe.users().size() << " records\n";
}
