// The parameter form: the answer lines read, the form read from the
// controller and written back as the fourteen lines on the wire, exactly as
// read where the user changed nothing, and reads that do not finish.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "param_lines.h"
#include "probe.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

namespace {

const QByteArray answer("## 00 \"Sur\"\r\n## 01 \"+5691\"\r\n## 02 258\r\n## 03 50\r\n## 04 5\r\n"
                        "## 05 \"+5695\"\r\n## 06 1\r\n## 07 3\r\n## 08 0\r\n## 09 \"A1\"\r\n"
                        "## 10 \"C1\"\r\n## 11 \"A2\"\r\n## 12 \"C2\"\r\n## 13 8\r\n"
                        "## 14 \"+569\"\r\nDBG wdt ok\r\n## 15 \" 4000 \"\r\n");
const QByteArray written(
    "SEND_PAR 2 00 \"Sur\"\nSEND_PAR 2 01 \"+5691\"\nSEND_PAR 1 03 50\nSEND_PAR 0 04 5\n"
    "SEND_PAR 2 05 \"+5695\"\nSEND_PAR 0 06 1\nSEND_PAR 0 07 3\nSEND_PAR 0 08 0\n"
    "SEND_PAR 2 09 \"A1\"\nSEND_PAR 2 10 \"C1\"\nSEND_PAR 2 11 \"A2\"\nSEND_PAR 2 12 \"C2\"\n"
    "SEND_PAR 1 13 8\nSEND_PAR 2 14 \"+569\"\n");
const QString
    unread("Primero obtenga los parámetros del equipo conectado (\"Obtener Parametros\")");

// `lines` with each line of `changes` put in place of the line that begins
// as it does (its first `key` bytes), or first when none does.
QByteArray with(QByteArray lines, const QByteArray &changes, int key)
{
    for (const QByteArray &line : changes.split('\n')) {
        const int at = lines.indexOf(line.left(key));
        if (line.isEmpty())
            continue;
        lines = at < 0 ? line + '\n' + lines
                       : lines.left(at) + line + lines.mid(lines.indexOf('\n', at));
    }
    return lines;
}

// Steps "name=value" separated by "|": put the value into the widget named
// or, with `check`, compare it with what the widget shows.
void run(DORVAK_Admin &w, const QString &steps, bool check = false)
{
    if (steps.isEmpty())
        return;
    for (const QString &step : steps.split('|')) {
        QWidget *x = w.findChild<QWidget *>(step.section('=', 0, 0));
        const QMetaProperty p = x->metaObject()->userProperty();
        const QString v = step.section('=', 1);
        QVERIFY2(check ? p.read(x).toString() == v : p.write(x, v), qPrintable(step));
    }
}

void click(DORVAK_Admin &w, const char *button)
{
    w.findChild<QPushButton *>(button)->click();
}

QStringList form(DORVAK_Admin &w)
{
    QStringList values;
    for (int n = 0; n < param_count; ++n)
        values << TestProbe(w).param_value(n);
    return values << w.findChild<QLineEdit *>("version_edit")->text()
                  << w.findChild<QLineEdit *>("limite_usuarios_edit")->text();
}

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
        auto row = [](const char *tag, const char *line, int numero, const char *valor) {
            QTest::newRow(tag) << QString::fromUtf8(line) << numero << QString::fromUtf8(valor);
        };
        row("text, cr lf", "## 00 \"Casa Norte\"\r\n", 0, "Casa Norte");
        row("inner quote and blanks kept", "## 10 \" a\"b  \"\n", 10, " a\"b  ");
        row("number", "## 15 5000\n", 15, "5000");
        row("empty value", "## 09 \"\"\n", 9, "");
        row("status line", "## OK\n", -1, "");
        row("user line", "## 12,2,\"Ana\",+1,0,0,0,0,0,24,255\n", -1, "");
        row("no blank after the marker", "##00 \"X\"\n", -1, "");
        row("number 16", "## 16 1\n", -1, "");
        row("one digit", "## 1 1\n", -1, "");
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

    void read_then_write_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("refused");
        auto row = [](const char *tag, const char *lines, const char *edits, const char *shown,
                      const char *sent, const char *refused = "") {
            QTest::newRow(tag) << QByteArray(lines) << QString::fromUtf8(edits)
                               << QString::fromUtf8(shown) << QByteArray(sent)
                               << QString::fromUtf8(refused);
        };
        row("as read", "", "", "version_edit=1.2|limite_usuarios_edit=4000", "");
        row("long name and number go back whole",
            "## 00 \"Condominio Las Acacias Norte\"\n## 01 \"+5491123456789\"", "",
            "nombre_inst_edit=Condominio Las Acacias Norte|num_equipo_edit=+5491123456789",
            "SEND_PAR 2 00 \"Condominio Las Acacias Norte\"\nSEND_PAR 2 01 \"+5491123456789\"");
        row("blanks and inner quotes go back as read", "## 09 \" Abre  \"ya\" \"", "",
            "msg_apertura1_edit=Abre \"ya\"", "SEND_PAR 2 09 \" Abre  \"ya\" \"");
        row("not a parameter", "## 00 \"Sur\"\n##00 \"X\"", "", "nombre_inst_edit=Sur", "");
        row("name longer than the controller keeps",
            "## 00 \"Condominio Las Acacias Norte Poniente\"", "",
            "nombre_inst_edit=Condominio Las Acacias Norte Poniente", "",
            "Valor no válido en: Nombre Instalación. No se grabó ningún parámetro.");
        row("values no field can show", "## 03 9000\n## 06 0\n## 08 4", "",
            "max_visitas_spin=5000|modo_operacion_combo=", "",
            "Valor no válido en: Máximo de Visitas, Modo de operación, Modo Entrada 2. No se "
            "grabó ningún parámetro.");
        row("edited: folded, quote kept", "", "msg_apertura1_edit= a   \"b\" ", "",
            "SEND_PAR 2 09 \"a \"b\"\"");
        row("edited: mode chosen after a 0", "## 06 0", "modo_operacion_combo=3", "",
            "SEND_PAR 0 06 3");
        row("edited: refused by the field's rule", "",
            "nombre_inst_edit=|num_equipo_edit=+56912|max_visitas_spin=7", "", "",
            "Valor no válido en: Nombre Instalación, Número Equipo. No se grabó ningún "
            "parámetro.");
    }
    void read_then_write()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QByteArray, sent);
        QFETCH(QString, refused);
        FakeController fake;
        ModalAnswerer answerer;
        DORVAK_Admin w;
        w.choose_port(fake.port());
        // On a closed port: one message each, and a user line left from an
        // earlier download, which looks like parameter 03, is not read.
        TestProbe(w).resps() = QStringList{"## 03,1,\"x\"\n"};
        click(w, "get_params_btn");
        click(w, "send_params_btn");
        QCOMPARE(w.findChild<QSpinBox *>("max_visitas_spin")->value(), 0);
        QCOMPARE(answerer.count("El puerto está cerrado"), 2);
        answerer.clear();

        // The last parameter comes well after a status line.
        fake.set_pace(1000);
        fake.on("GET_PARS", with(answer, lines, 6));
        const QByteArray wire = with(written, sent, 13);
        for (const QByteArray &l : wire.split('\n'))
            fake.on(l, "## OK\n");
        click(w, "connect_btn");
        click(w, "get_params_btn");
        QFETCH(QString, shown);
        run(w, shown, true);
        QFETCH(QString, edits);
        run(w, edits);
        click(w, "send_params_btn");
        QCOMPARE(fake.received(), "GET_PARS\n" + (refused.isEmpty() ? wire : QByteArray()));
        QCOMPARE(answerer.texts(), refused.isEmpty() ? QStringList() : QStringList{refused});
    }

    void interrupted_read_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("silence") << "silence";
        QTest::newRow("disconnect") << "disconnect";
        QTest::newRow("hang-up") << "hang-up";
    }
    void interrupted_read()
    {
        QFETCH(QString, how);
        FakeController fake;
        ModalAnswerer answerer;
        DORVAK_Admin w;
        w.choose_port(fake.port());
        fake.on("GET_PARS", answer);
        for (const QByteArray &l : written.split('\n'))
            fake.on(l, "## OK\n");
        click(w, "connect_btn");
        // A form never read is never written: it would blank the controller.
        click(w, "send_params_btn");
        QCOMPARE(fake.received(), QByteArray());
        QCOMPARE(answerer.count(unread), 1);

        click(w, "get_params_btn");
        QVERIFY(w.windowTitle().endsWith(QStringLiteral(" — Sur")));
        const QStringList before = form(w);
        QByteArray other = QByteArray(answer).replace("Sur", "Norte").replace("50", "60");
        if (how == "silence")
            other = other.left(other.indexOf("## 12"));
        fake.set_pace(1000);
        fake.on("GET_PARS", other);
        if (how == "disconnect")
            when_lines(w, 4, [&w] { click(w, "disconnect_btn"); });
        else if (how == "hang-up")
            when_lines(w, 4, [&fake] { fake.hang_up(); });
        click(w, "get_params_btn");
        QCOMPARE(form(w), before);
        const QStringList short_reads = answerer.texts().filter(
            QRegularExpression("^Descarga incompleta: \\d+ de 16 parámetros$"));
        // A lost line has its own message; the short read is not told twice.
        QCOMPARE(short_reads.size(), how == "hang-up" ? 0 : 1);
        if (how == "silence") {
            QCOMPARE(short_reads.first(), "Descarga incompleta: 12 de 16 parámetros");
            // The earlier whole read still counts.
            click(w, "send_params_btn");
            QCOMPARE(fake.received(), "GET_PARS\nGET_PARS\n" + written);
        } else if (how == "disconnect") {
            // A read counts for the line it came on.
            click(w, "connect_btn");
            QVERIFY(!w.windowTitle().contains(QStringLiteral("Sur")));
            click(w, "send_params_btn");
            QCOMPARE(answerer.count(unread), 2);
            QCOMPARE(fake.count("SEND_PAR 2 00 \"Sur\""), 0);
        }
    }
};

QTEST_MAIN(TstParams)
#include "tst_params.moc"
