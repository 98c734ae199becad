// The parameter form: the answer lines read, the values each field shows,
// and the form read from the controller and written back: only what the
// user changed, after its list of changes.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "param_lines.h"
#include "probe.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const QByteArray answer("## 00 \"Sur\"\r\n## 01 \"+5691\"\r\n## 02 258\r\n## 03 50\r\n## 04 5\r\n"
                        "## 05 \"+5695\"\r\n## 06 1\r\n## 07 3\r\n## 08 0\r\n## 09 \"A1\"\r\n"
                        "## 10 \"C1\"\r\n## 11 \"A2\"\r\n## 12 \"C2\"\r\n## 13 8\r\n"
                        "## 14 \"+569\"\r\nDBG wdt ok\r\n## 15 \" 4000 \"\r\n");

} // namespace

class TstParams : public QObject
{
    Q_OBJECT

private slots:
    void answer_lines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("numero"); // -1: not a parameter line
        QTest::addColumn<QString>("valor");
        QTest::newRow("text, cr lf") << "## 00 \"Casa Norte\"\r\n" << 0 << "Casa Norte";
        QTest::newRow("number") << "## 15 5000\n" << 15 << "5000";
        QTest::newRow("empty text") << "## 09 \"\"\n" << 9 << "";
        QTest::newRow("a lone quote") << "## 10 \"\n" << 10 << "\"";
        QTest::newRow("status line") << "## OK\n" << -1 << "";
        QTest::newRow("letters for the number") << "## AB 1\n" << -1 << "";
        QTest::newRow("second digit not a digit") << "## 1x 5\n" << -1 << "";
        QTest::newRow("number 16") << "## 16 1\n" << -1 << "";
    }
    void answer_lines()
    {
        QFETCH(QString, line);
        QFETCH(int, numero);
        const auto p = read_param_line(line);
        QCOMPARE(p ? p->numero : -1, numero);
        if (p)
            QTEST(p->valor, "valor");
    }

    // What a choice or the notification buttons show of a value read, as
    // the form gives it back: empty where no item stands for it.
    void field_values_data()
    {
        QTest::addColumn<int>("numero");
        QTest::addColumn<QString>("valor");
        QTest::addColumn<QString>("shown");
        // Every value around the items of each choice: modes 1 to 5, the
        // entrances' items 0 to 3.
        for (const int numero : {6, 7, 8}) {
            const int first = numero == 6 ? 1 : 0, last = numero == 6 ? 5 : 3;
            for (int v = -1; v <= 6; ++v)
                QTest::addRow("%02d = %d", numero, v)
                    << numero << QString::number(v)
                    << (v >= first && v <= last ? QString::number(v) : QString());
        }
        // clang-format off
        QTest::newRow("notifications: SMS alone") << 4 << "4" << "4";
        QTest::newRow("notifications: all but SMS") << 4 << "11" << "11";
        // clang-format on
    }
    void field_values()
    {
        QFETCH(int, numero);
        QFETCH(QString, valor);
        DORVAK_Admin w;
        TestProbe probe(w);
        probe.apply_param(numero, "3");
        probe.apply_param(numero, valor);
        QTEST(probe.param_value(numero), "shown");
    }

    // Parameter 09 as read and as written: only a parameter that changes
    // goes out, after the list of what changes and a yes; one left as read
    // stays the controller's, byte for byte.
    void read_then_write_data()
    {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<QString>("edits");
        QTest::addColumn<int>("answer");      // to the list of changes
        QTest::addColumn<QByteArray>("sent"); // after GET_PARS
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("status"); // "": the message box's text
        const QByteArray a1("\"A1\""), line("SEND_PAR 2 09 \"a \"b\"\"\n");
        const QString asked("¿Grabar en el controlador 1 parámetro?\n\nMensaje Apertura entrada 1 "
                            "(09): A1 → a \"b\"");
        const int yes = QMessageBox::Yes;
        const QString x38(38, 'x'); // the longest message the controller takes
        // clang-format off
        QTest::newRow("left as read: nothing goes, blanks, quotes, a byte not UTF-8") << QByteArray("\" Abre  \"ya\" Port\xf3n\"") << "" << yes << QByteArray() << "" << "Ningún parámetro cambió: no se grabó nada";
        QTest::newRow("edited: folded, quote kept") << a1 << "msg_apertura1_edit= a   \"b\" " << yes << line << asked << "Parámetros grabados";
        QTest::newRow("edited: as long as it may be") << a1 << "msg_apertura1_edit=" + x38 << yes << "SEND_PAR 2 09 \"" + x38.toLatin1() + "\"\n" << QString(asked).replace("a \"b\"", x38) << "Parámetros grabados";
        QTest::newRow("edited: refused by the field's rule") << a1 << "nombre_inst_edit=|num_equipo_edit=+56912" << yes << QByteArray() << "Valor no válido en: Nombre Instalación, Número Equipo. No se grabó ningún parámetro." << "";
        QTest::newRow("refused by the controller") << a1 << "msg_apertura1_edit= a   \"b\" " << yes << line << asked + "|El controlador no grabó:\nSEND_PAR 2 09 \"a \"b\"\" : ERROR 3" << "Parámetros no grabados: 1 de 1";
        // clang-format on
    }
    void read_then_write()
    {
        QFETCH(QByteArray, read);
        QFETCH(QString, edits);
        QFETCH(QByteArray, sent);
        QFETCH(QString, message);
        FakeController fake;
        ModalAnswerer answerer;
        DORVAK_Admin w;
        TestProbe(w).fast();
        w.choose_port(fake.port());
        fake.on("GET_PARS", QByteArray(answer).replace("\"A1\"", read));
        fake.on(sent.trimmed(), message.contains("ERROR") ? "ERROR 3\n" : "## OK\n");
        w.findChild<QPushButton *>("connect_btn")->click();
        // A form never read is never written: it would blank the controller.
        w.findChild<QPushButton *>("send_params_btn")->click();
        QCOMPARE(answerer.texts().value(0).left(51),
                 QString("Primero obtenga los parámetros del equipo conectado"));
        answerer.clear();
        w.findChild<QPushButton *>("get_params_btn")->click();
        QVERIFY(w.findChild<QPushButton *>("notif_sms_btn")->isChecked());
        for (const QString &step : edits.split('|', Qt::SkipEmptyParts))
            w.findChild<QLineEdit *>(step.section('=', 0, 0))->setText(step.section('=', 1));
        QFETCH(int, answer);
        answerer.queue_button(QMessageBox::StandardButton(answer));
        w.findChild<QPushButton *>("send_params_btn")->click();
        QCOMPARE(fake.received(), "GET_PARS\n" + sent);
        QCOMPARE(answerer.texts().join('|'), message);
        // Each write leaves its own outcome, never the one before.
        QFETCH(QString, status);
        QCOMPARE(w.statusBar()->currentMessage(), status.isEmpty() ? message : status);
    }
};

QTEST_MAIN(TstParams)
#include "tst_params.moc"
