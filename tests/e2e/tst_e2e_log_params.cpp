// The Registro and Configuración tabs against the real simulator: the log
// with the names of the downloaded users, its export, and parameters
// written and read back.
#include "console.h"
#include "modal_answerer.h"
#include "probe.h"
#include "sim_process.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class TstE2eLogParams : public QObject
{
    Q_OBJECT

private slots:
    void log_names_users();
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
        auto *b = w.findChild<QPushButton *>(QLatin1String(button));
        QVERIFY2(b, button);
        b->click();
    }
    template <typename T>
    static T *field(DORVAK_Admin &w, const char *name)
    {
        return w.findChild<T *>(QLatin1String(name));
    }
    // Every table row as "fecha|user name|action|associate name".
    static QStringList rows(DORVAK_Admin &w)
    {
        auto *t = field<QTableWidget>(w, "log_table");
        QStringList out;
        for (int r = 0; r < t->rowCount(); ++r)
            out << QStringList{t->item(r, 0)->text(), t->item(r, 1)->text(), t->item(r, 3)->text(),
                               t->item(r, 4)->text()}
                       .join(QLatin1Char('|'));
        return out;
    }
};

void TstE2eLogParams::log_names_users()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    // What the controller holds, asked before the window takes the line.
    QHash<int, QString> names;
    for (const QString &line : sim.query(QStringLiteral("LU"))) {
        const QStringList f = line.mid(3).split(QLatin1Char(','));
        names.insert(f.at(0).toInt(), f.at(2).mid(1, f.at(2).size() - 2));
    }
    const QStringList log = sim.query(QStringLiteral("ENVLOG"));
    QCOMPARE(log.size(), 100);
    QStringList expected;
    const QStringList texts = {"Usuario Creado", "Usuario Borrado", "Usuario Modificado"};
    for (const QString &line : log) {
        const QStringList f = line.split(QLatin1Char(' '));
        const int code = f.at(1).toInt();
        expected << QStringList{f.at(4) + QLatin1Char(' ') + f.at(5), names.value(f.at(2).toInt(), "????"),
                                code >= 10 ? texts.at(code - 10) : QString(), names.value(f.at(3).toInt(), "????")}
                        .join(QLatin1Char('|'));
    }

    QTemporaryDir dir;
    ModalAnswerer answerer;
    answerer.queue_file(dir.filePath(QStringLiteral("registro.csv")));
    DORVAK_Admin w;
    connect_to(w, sim.port());
    click(w, "get_users_btn");
    click(w, "get_log_btn");
    QStringList shown = rows(w);
    // The access and power events only differ from the expectation in
    // their texts; compare those apart.
    for (int i = 0; i < shown.size(); ++i) {
        QStringList parts = shown[i].split(QLatin1Char('|'));
        if (!parts.at(2).startsWith(QLatin1String("Usuario")))
            parts[2].clear();
        shown[i] = parts.join(QLatin1Char('|'));
    }
    QStringList sorted_expected = expected;
    std::sort(sorted_expected.begin(), sorted_expected.end());
    std::sort(shown.begin(), shown.end());
    QCOMPARE(shown, sorted_expected);

    // Sorted by user name, then exported in that order: a ";" reader sees
    // one row per event with the six cells and the empty field after them.
    auto *t = field<QTableWidget>(w, "log_table");
    t->sortByColumn(1, Qt::AscendingOrder);
    click(w, "export_log_btn");
    QFile file(dir.filePath(QStringLiteral("registro.csv")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 100 + 1);
    for (int r = 0; r < 100; ++r) {
        const QList<QByteArray> cells = lines.at(r + 1).split(';');
        QCOMPARE(cells.size(), 7);
        QCOMPARE(QString::fromLocal8Bit(cells.at(1)).trimmed(), t->item(r, 1)->text().trimmed());
        QVERIFY(r == 0 || t->item(r - 1, 1)->text() <= t->item(r, 1)->text());
    }
    QVERIFY(answerer.texts().count() == 1);
}

void TstE2eLogParams::params_written_and_read_back()
{
    SimProcess sim;
    QVERIFY(sim.ok());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    connect_to(w, sim.port());
    click(w, "get_params_btn");
    QCOMPARE(field<QLineEdit>(w, "nombre_inst_edit")->text(), QStringLiteral("Condominio Sur"));
    QCOMPARE(field<QLineEdit>(w, "version_edit")->text(), QStringLiteral("1.2"));

    field<QLineEdit>(w, "nombre_inst_edit")->setText(QStringLiteral("Casa  Norte"));
    field<QLineEdit>(w, "num_equipo_edit")->setText(QStringLiteral("+56900000001"));
    field<QSpinBox>(w, "max_visitas_spin")->setValue(120);
    click(w, "notif_usuarios_btn");
    click(w, "notif_config_btn");
    field<QLineEdit>(w, "num_registro_edit")->setText(QStringLiteral("+56900000005"));
    field<QComboBox>(w, "modo_operacion_combo")->setCurrentIndex(4);
    field<QComboBox>(w, "modo_entrada1_combo")->setCurrentIndex(1);
    field<QComboBox>(w, "modo_entrada2_combo")->setCurrentIndex(2);
    field<QLineEdit>(w, "msg_apertura1_edit")->setText(QStringLiteral("Abre uno"));
    field<QLineEdit>(w, "msg_cierre1_edit")->setText(QStringLiteral("Cierra uno"));
    field<QLineEdit>(w, "msg_apertura2_edit")->setText(QStringLiteral("Abre dos"));
    field<QLineEdit>(w, "msg_cierre2_edit")->setText(QStringLiteral("Cierra dos"));
    field<QSpinBox>(w, "min_digitos_spin")->setValue(9);
    field<QLineEdit>(w, "num_base_edit")->setText(QStringLiteral("+5699"));
    click(w, "send_params_btn");
    // The controller took every value.
    QCOMPARE(field<Console>(w, "console")->toPlainText().count(QStringLiteral("## OK")), 14);

    click(w, "disconnect_btn");
    DORVAK_Admin w2;
    connect_to(w2, sim.port());
    click(w2, "get_params_btn");
    for (const char *name : {"nombre_inst_edit", "num_equipo_edit", "num_registro_edit", "msg_apertura1_edit",
                             "msg_cierre1_edit", "msg_apertura2_edit", "msg_cierre2_edit", "num_base_edit",
                             "version_edit", "limite_usuarios_edit"})
        QCOMPARE(field<QLineEdit>(w2, name)->text(),
                 QString(name) == QLatin1String("nombre_inst_edit") ? QStringLiteral("Casa Norte")
                                                                    : field<QLineEdit>(w, name)->text());
    for (const char *name : {"max_visitas_spin", "min_digitos_spin"})
        QCOMPARE(field<QSpinBox>(w2, name)->value(), field<QSpinBox>(w, name)->value());
    for (const char *name : {"modo_operacion_combo", "modo_entrada1_combo", "modo_entrada2_combo"})
        QCOMPARE(field<QComboBox>(w2, name)->currentIndex(), field<QComboBox>(w, name)->currentIndex());
    for (const char *name : {"notif_acceso_btn", "notif_config_btn", "notif_usuarios_btn", "notif_sms_btn"})
        QCOMPARE(field<QPushButton>(w2, name)->isChecked(), field<QPushButton>(w, name)->isChecked());
    QVERIFY(answerer.seen().isEmpty());
}

QTEST_MAIN(TstE2eLogParams)
#include "tst_e2e_log_params.moc"
