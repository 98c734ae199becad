// The event log: the finder's filter, and the download into a sorted table
// named from the tree, with the quirks of the lines it decodes, seen through
// the exported file, which replaces an existing one only after a question.
#include "day_edit.h"
#include "fake_controller.h"
#include "log_filter.h"
#include "log_model.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QtTest>
#include <QtWidgets>

class TstLog : public QObject
{
    Q_OBJECT

private slots:
    // A day as typed, and as read ("yyyy-MM-dd", empty: no day).
    void typed_day_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("day");
        const char *const rows[][2] = {
            {"06/03/2024", "2024-03-06"}, {"6-3-24", "2024-03-06"}, {" 6.3.2024 ", "2024-03-06"},
            {"2024/3/6", "2024-03-06"},   {"29/02/2023", ""},       {"06/13/2024", ""},
            {"06/03-2024", ""},           {"06/03/202", ""},        {"2024-03-006", ""}};
        for (const auto &row : rows)
            QTest::newRow(row[0]) << row[0] << row[1];
    }
    void typed_day()
    {
        QFETCH(QString, typed);
        QTEST(read_day(typed).toString(Qt::ISODate), "day");
    }

    // Events of codes 1 to 4 on 4 to 7 March 2024, come in another order.
    // `steps`: a field's text typed with Enter ("name=text"), the event of
    // code 3, or a button; then the days of the rows shown and the two day
    // fields ("-N": N days before today).
    void days_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("fields");
        // clang-format off
        QTest::newRow("text, any case") << "log_filter_edit=ACCESO 2" << "05" << "|";
        QTest::newRow("event") << "log_event_combo" << "06" << "|";
        QTest::newRow("from, day first") << "log_from_edit=05/03/2024" << "05 06 07" << "05/03/2024|";
        QTest::newRow("to, year first") << "log_to_edit=2024-3-5" << "04 05" << "|05/03/2024";
        QTest::newRow("not a day") << "log_from_edit=05/03/2024;log_from_edit=31/02/2024" << "05 06 07" << "05/03/2024|";
        QTest::newRow("Hoy") << "log_today_btn" << "" << "-0|-0";
        QTest::newRow("Último día") << "log_last_day_btn" << "07" << "07/03/2024|07/03/2024";
        QTest::newRow("Ayer") << "log_yesterday_btn" << "" << "-1|-1";
        QTest::newRow("7 días") << "log_week_btn" << "" << "-6|-0";
        QTest::newRow("Todo") << "log_from_edit=05/03/2024;log_all_days_btn" << "04 05 06 07" << "|";
        QTest::newRow("Quitar filtros") << "log_from_edit=05/03/2024;log_filter_edit=zz;log_event_combo;log_clear_filter_btn" << "04 05 06 07" << "|";
        // clang-format on
    }
    void days()
    {
        QFETCH(QString, fields);
        DORVAK_Admin w;
        QAbstractItemModel *table = w.findChild<QTableView *>("log_table")->model();
        for (const int day : {7, 5, 4, 6})
            TestProbe(w).load_log_lines(
                {QString("XX %1 0 0 2024-03-0%2 8:00\n").arg(day - 3).arg(day)});
        QMetaObject::invokeMethod(&w, "filter_log");
        QFETCH(QString, steps);
        for (const QString &step : steps.split(';')) {
            if (auto *edit = w.findChild<QLineEdit *>(step.section('=', 0, 0))) {
                QTest::keyClicks(edit, step.section('=', 1));
                QTest::keyClick(edit, Qt::Key_Return);
                edit->selectAll(); // the next text typed replaces it
            } else if (auto *combo = w.findChild<QComboBox *>(step)) {
                combo->setCurrentIndex(3);
            } else {
                w.findChild<QPushButton *>(step)->click();
            }
        }
        QStringList shown;
        for (int r = 0; r < table->rowCount(); ++r)
            shown << table->index(r, 0).data().toString().mid(8, 2);
        shown.sort();
        QTEST(shown.join(' '), "shown");
        auto *to = w.findChild<DayEdit *>("log_to_edit");
        for (int back = 0; back < 7; ++back)
            fields.replace(QString("-%1").arg(back),
                           QDate::currentDate().addDays(-back).toString("dd/MM/yyyy"));
        QCOMPARE(w.findChild<DayEdit *>("log_from_edit")->text() + '|' + to->text(), fields);
        QCOMPARE(w.findChild<QLabel *>("log_days")->text(), "Del 04/03/2024 al 07/03/2024");
        // The calendar opens at the day shown, or else at the log's last day.
        QTest::keyClick(to, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(to->findChild<QCalendarWidget *>()->selectedDate(),
                 to->date().isValid() ? to->date() : QDate(2024, 3, 7));
    }

    // The finder's text of a row, made from cells' texts kept from row to
    // row, is the text of the whole row.
    void row_text_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("accents and case") << QStringList{"2024-03-01 08:15",  "José ÑUÑEZ", "+5",
                                                         "Acceso 1 operado ", "José ÑUÑEZ", ""};
        QTest::newRow("a mark opening a cell")
            << QStringList{"x", QStringLiteral("\u0301a"), "", "", "ß", "Ǆ"};
    }
    void row_text()
    {
        QFETCH(QStringList, cells);
        LogRowTexts texts;
        std::array<QString, LogModel::columns> row;
        std::copy(cells.cbegin(), cells.cend(), row.begin());
        QCOMPARE(texts(row), log_row_text(cells));
        QCOMPARE(texts(row), log_row_text(cells));
    }

    // Rows "<name><id>" in the order they came, the first `before` of them
    // sorted by name, then the rest added, then a finder text: the ids shown.
    // Equal names keep the order they came in.
    void model_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("before");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("ids");
        // clang-format off
        QTest::newRow("ascending") << "b1 a2 b3 a4 c5" << 2 << false << "" << "2 4 1 3 5";
        QTest::newRow("descending") << "b1 a2 b3 a4 c5" << 2 << true << "" << "5 1 3 2 4";
        QTest::newRow("in order") << "a1 a2 b3" << 3 << false << "" << "1 2 3";
        QTest::newRow("added, equal keys") << "b1 a2 a3 b4 a5" << 2 << false << "" << "2 3 5 1 4";
        QTest::newRow("turned round") << "a1 a2 b3 c4 c5" << 5 << true << "" << "4 5 3 1 2";
        QTest::newRow("turned round, descending") << "c1 b2 b3 a4" << 4 << false << "" << "4 2 3 1";
        QTest::newRow("found, narrower") << "ab1 b2 ab3" << 1 << true << "b;ab" << "1 3";
        QTest::newRow("found, wider") << "ab1 b2 ab3" << 1 << true << "a;ab;b" << "2 1 3";
        // clang-format on
    }
    void model()
    {
        QFETCH(QString, rows);
        QFETCH(int, before);
        LogModel model;
        LogRowTexts texts;
        std::vector<LogModel::Row> all;
        for (const QString &name : rows.split(' ')) {
            LogModel::Row row;
            row.cells = {name.right(1), name.chopped(1), "", "", "", ""};
            row.find = texts(row.cells);
            all.push_back(row);
        }
        model.append(std::vector<LogModel::Row>(all.begin(), all.begin() + before));
        const QPersistentModelIndex first = model.index(0, 0);
        const QString first_id = first.data().toString();
        QFETCH(bool, descending);
        model.sort(1, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        QCOMPARE(first.data().toString(), first_id);
        model.append(std::vector<LogModel::Row>(all.begin() + before, all.end()));
        QFETCH(QString, find);
        for (const QString &text : find.split(';')) {
            LogFilter filter;
            filter.text = text;
            model.set_filter(filter);
        }
        QStringList ids;
        for (int r = 0; r < model.rowCount(); ++r)
            ids << model.text(r, 0);
        QTEST(ids.join(' '), "ids");
        QCOMPARE(model.total(), int(all.size()));
    }

    void download_data()
    {
        QTest::addColumn<QByteArray>("total");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        const QByteArray head("FECHA ; NOMBRE USUARIO ;  NUMERO USUARIO ; ACCION ; NOMBRE USUARIO "
                              "ASOCIADO ; NUMERO USUARIO ASOCIADO\n");
        // By user name, descending; events of one user in the order they came.
        // The root's id 0 names nobody, and an unknown user has no number.
        const QByteArray fresh = head
            + "2024-03-01 08:15 ; Luis ; +5 ; Acceso 2 operado  ; ???? ;  ; \n"
              " ; Ana ; +1 ; Generador deteniendo  ; ???? ;  ; \n"
              "2024-03-01 09:00 ; ???? ;  ; Usuario Borrado ; Ana ; +1 ; \n"
              "0 2024-03-01 ; ???? ;  ; Falla suministro electrico  ; Luis ; +5 ; \n";
        const QByteArray old = head + "old ; Ana ; +1 ; Energia desde la red  ; Ana ; +1 ; \n";
        // clang-format off
        QTest::newRow("count with blank and cr lf") << QByteArray(" 4\r\n") << fresh << QString();
        QTest::newRow("fewer events than counted") << QByteArray("6\n") << old << "Descarga incompleta: 4 de 6 eventos";
        // clang-format on
    }
    void download()
    {
        QFETCH(QByteArray, total);
        QFETCH(QString, message);
        FakeController fake;
        fake.on("TOTAL_LOG", total);
        // A signed id, past the sixth field, cut off after the ids, the root's id 0, a
        // double blank; lines that are not log lines in between.
        fake.on("ENVLOG",
                "XX 2 +5 9 2024-03-01 08:15 x\r\nOK\r\nXX 4 1\r\n"
                "XX 11 0 1 2024-03-01 09:00\r\nXX1 1 1\r\nXX 8  5 0 2024-03-01 08:15\n");
        QTemporaryDir dir;
        QFile file(dir.filePath("registro.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        ModalAnswerer answerer;
        answerer.queue_file(dir.filePath("registro"));
        answerer.queue_file(dir.filePath("registro"));
        // The log is named after the directory read from its own controller.
        fake.keep_database(
            {"## 1,2,\"Ana\",+1,0,0,0,0,0,24,255", "## 5,2,\"Luis\",+5,0,0,0,0,0,24,255"});
        DORVAK_Admin w;
        connect_window(w, fake.port());
        w.findChild<QPushButton *>("get_users_btn")->click();
        // As a click on the header does.
        w.findChild<QTableView *>("log_table")
            ->horizontalHeader()
            ->setSortIndicator(1, Qt::DescendingOrder);
        TestProbe(w).load_log_lines({"XX 7 1 1 old\n"});
        w.findChild<QPushButton *>("get_log_btn")->click();
        // The export asks before it replaces a file the name it was given
        // does not show: a no keeps the file, a yes replaces it.
        answerer.queue_button(QMessageBox::No);
        w.findChild<QPushButton *>("export_log_btn")->click();
        QCOMPARE(file.size(), 0);
        answerer.queue_button(QMessageBox::Yes);
        w.findChild<QPushButton *>("export_log_btn")->click();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTEST(file.readAll(), "file");
        QCOMPARE(answerer.count(QStringLiteral("El archivo %1 ya existe. ¿Desea reemplazarlo?")
                                    .arg(QDir::toNativeSeparators(file.fileName()))),
                 2);
        QCOMPARE(answerer.texts().filter("Descarga incompleta"),
                 message.isEmpty() ? QStringList() : QStringList{message});
    }
};

QTEST_MAIN(TstLog)
#include "tst_log.moc"
