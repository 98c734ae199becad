// The Registro and Configuración tabs against the real simulator: the log
// with the names of the downloaded users, its export, a user created from
// the Users tab showing up in the log, and parameters written and read back.
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"
#include "user_row.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

class TstE2eLogParams : public QObject
{
    Q_OBJECT

private slots:
    void log_names_users();
    void created_user_is_logged();
    void params_written_and_read_back();

private:
    static void connect_to(DORVAK_Admin &w, const QString &port)
    {
        w.choose_port(port);
        click(w, "connect_btn");
        QVERIFY(TestProbe(w).serial()->isOpen());
    }
    static void click(DORVAK_Admin &w, const char *button)
    {
        w.findChild<QPushButton *>(QLatin1String(button))->click();
    }
};

void TstE2eLogParams::log_names_users()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    // The controller's users and log, asked before the window takes the line.
    QHash<QString, QString> names;
    for (const QString &line : sim.query(QStringLiteral("LU"))) {
        const QString name = line.section(QLatin1Char(','), 2, 2);
        names.insert(line.mid(3).section(QLatin1Char(','), 0, 0), name.mid(1, name.size() - 2));
    }
    QHash<QString, QString> by_time; // "date time" -> "user name|associate name"
    for (const QString &line : sim.query(QStringLiteral("ENVLOG"))) {
        const QStringList f = line.split(QLatin1Char(' '));
        by_time.insert(f.at(4) + QLatin1Char(' ') + f.at(5), names.value(f.at(2), "????")
                                                                 + QLatin1Char('|')
                                                                 + names.value(f.at(3), "????"));
    }
    QCOMPARE(by_time.size(), 100);

    QTemporaryDir dir;
    ModalAnswerer answerer;
    answerer.queue_file(dir.filePath(QStringLiteral("registro")));
    DORVAK_Admin w;
    connect_to(w, sim.port());
    click(w, "get_users_btn");
    click(w, "get_log_btn");
    auto *t = w.findChild<QTableWidget *>(QStringLiteral("log_table"));
    QCOMPARE(t->rowCount(), 100);
    for (int r = 0; r < 100; ++r)
        QCOMPARE(t->item(r, 1)->text() + QLatin1Char('|') + t->item(r, 4)->text(),
                 by_time.value(t->item(r, 0)->text()));

    // Sorted by user name and exported: a ";" reader sees one row per event,
    // in the table's order, with the six cells and an empty field after them.
    t->sortByColumn(1, Qt::AscendingOrder);
    click(w, "export_log_btn");
    QFile file(dir.filePath(QStringLiteral("registro.csv")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 100 + 1);
    for (int r = 0; r < 100; ++r) {
        const QList<QByteArray> cells = lines.at(r + 1).split(';');
        QCOMPARE(cells.size(), 7);
        QCOMPARE(QString::fromLocal8Bit(cells.at(0)).trimmed(), t->item(r, 0)->text());
        QVERIFY(r == 0 || t->item(r - 1, 1)->text() <= t->item(r, 1)->text());
    }
}

void TstE2eLogParams::created_user_is_logged()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    connect_to(w, sim.port());
    click(w, "get_users_btn");
    auto *admin = static_cast<UserRow *>(TestProbe(w).root()->child(0));
    w.findChild<QTreeWidget *>(QStringLiteral("user_tree"))->setCurrentItem(admin);
    click(w, "nuevo_btn");
    w.findChild<QLineEdit *>(QStringLiteral("nombre_edit"))->setText(QStringLiteral("Nueva"));
    w.findChild<QLineEdit *>(QStringLiteral("numero_edit"))
        ->setText(QStringLiteral("+56912345678"));
    w.findChild<QComboBox *>(QStringLiteral("cat_combo"))->setCurrentIndex(1);
    click(w, "save_btn");
    click(w, "get_log_btn");
    // The controller logs the creation under the owner, with the new user
    // as the associate: both named from the tree.
    auto *t = w.findChild<QTableWidget *>(QStringLiteral("log_table"));
    const auto created = t->findItems(QStringLiteral("Nueva"), Qt::MatchExactly);
    QCOMPARE(created.size(), 1);
    QCOMPARE(created.first()->column(), 4);
    QCOMPARE(t->item(created.first()->row(), 3)->text(), QStringLiteral("Usuario Creado"));
    QCOMPARE(t->item(created.first()->row(), 1)->text(), admin->nombre);
    QVERIFY(answerer.seen().isEmpty());
}

void TstE2eLogParams::params_written_and_read_back()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    connect_to(w, sim.port());
    click(w, "get_params_btn");
    const QList<std::pair<const char *, QVariant>> edits{
        {"nombre_inst_edit", "Casa Norte"}, {"num_equipo_edit", "+56900000001"},
        {"max_visitas_spin", 120},          {"notif_usuarios_btn", true},
        {"notif_sms_btn", false},           {"num_registro_edit", "+56900000005"},
        {"modo_operacion_combo", 4},        {"modo_entrada1_combo", 1},
        {"modo_entrada2_combo", 2},         {"msg_apertura1_edit", "Abre uno"},
        {"msg_cierre1_edit", "Cierra uno"}, {"msg_apertura2_edit", "Abre dos"},
        {"msg_cierre2_edit", "Cierra dos"}, {"min_digitos_spin", 9},
        {"num_base_edit", "+5699"}};
    static const QHash<QByteArray, const char *> property = {{"QLineEdit", "text"},
                                                             {"QSpinBox", "value"},
                                                             {"QComboBox", "currentIndex"},
                                                             {"QPushButton", "checked"}};
    auto value = [](DORVAK_Admin &win, const char *name) {
        auto *widget = win.findChild<QWidget *>(QLatin1String(name));
        return std::make_pair(widget, property.value(widget->metaObject()->className()));
    };
    for (const auto &edit : edits) {
        const auto [widget, prop] = value(w, edit.first);
        QVERIFY(widget->setProperty(prop, edit.second));
    }
    click(w, "send_params_btn");

    click(w, "disconnect_btn");
    DORVAK_Admin w2;
    connect_to(w2, sim.port());
    click(w2, "get_params_btn");
    for (const auto &edit : edits) {
        const auto [widget, prop] = value(w2, edit.first);
        QCOMPARE(widget->property(prop), edit.second);
    }
    QCOMPARE(value(w2, "version_edit").first->property("text"), QVariant("1.2"));
    QVERIFY(answerer.seen().isEmpty());
}

QTEST_MAIN(TstE2eLogParams)
#include "tst_e2e_log_params.moc"
