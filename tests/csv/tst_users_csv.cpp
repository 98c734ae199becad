// The users CSV file: the lines read, the records they give and how those
// join the tree, the file written again.
#include "modal_answerer.h"
#include "probe.h"
#include "user_csv.h"
#include "user_row.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#endif

class TstUsersCsv : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        // A local encoding in which a byte-order mark is not dropped anyway.
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
#endif
        // Every import below reads until the reader says the file is over:
        // one that never said so would hang them all, so it is checked first.
        // A long line is cut; a byte-order mark counts at the start only.
        QString line;
        QStringList lines;
        QBuffer buffer;
        buffer.setData("a\r\n" + QByteArray(5000, 'x') + "\n\xEF\xBB\xBFz");
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        UsersCsvReader reader(&buffer);
        while (lines.size() < 5 && reader.next(&line))
            lines << line;
        QCOMPARE(lines,
                 (QStringList{"a", QString(UsersCsvReader::max_line, 'x'),
                              QString::fromLocal8Bit("\xEF\xBB\xBFz")}));
        buffer.close();
        buffer.setData("\xEF\xBB\xBFJos\xC3\xA9");
        QVERIFY(buffer.open(QIODevice::ReadOnly) && UsersCsvReader(&buffer).next(&line)
                && line == QStringLiteral("José"));
        buffer.close();
        QVERIFY(buffer.open(QIODevice::WriteOnly) && !UsersCsvReader(&buffer).next(&line)
                && !UsersCsvReader(nullptr).next(&line));
        // Blanks folded, numbers that do not read are 0, fields past the
        // ninth unread; written, quotes and semicolons cannot break a line.
        QCOMPARE(csv_user_line(*std::unique_ptr<UserRow>(
                     parse_csv_user("5;4;user;\"A_ \t B \";\" +5\";48;x;2y;31;9"))),
                 QStringLiteral("5 ; 4 ; user ; \"A_ B\" ; \"+5\" ; 48 ; 0 ; 0 ; 31"));
        QCOMPARE(csv_text(" Ana;\"B\" "), QStringLiteral("Ana_ B"));
    }

    void import_data()
    {
        // The tree holds administrator 1 "N" (+5691) with user 2 "N" (+5692),
        // user 2 pending (the question answered no when `local` says so) or
        // never saved. The file is imported. After: the tree as "id:name<owner's
        // id" ("*" when pending), then the messages shown.
        QTest::addColumn<QString>("local");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("after");
        const QByteArray admin = users_csv_header().toLatin1() + "\n11;11;admin;\"N\";\"+5691\"\n";
        const QByteArray renamed = admin + "12;11;user;\"Ana\";\"+5692\"\n";
        const QString ask = " Hay 1 cambio sin sincronizar. ¿Descartarlo?";
        // A taken id gives way to the counter's next, never to one past the
        // highest id read (none lies past 2147483647).
        // clang-format off
        QTest::newRow("not a users file") << "" << " " + renamed << "1:N<0 2:N<1 El archivo no es un archivo de usuarios : F";
        QTest::newRow("a name changed, a visitor under a user in the tree") << "" << renamed + "13;12;guest;\"V\";\"+5693\"" << "1:N<0 2:Ana*<1 13:V*<2";
        QTest::newRow("administrators with a taken id and the highest id") << "" << admin + "1;1;admin;\"B\";\"+5699\"\n7;1;user;\"C\";\"+5698\"\n2147483647;0;admin;\"M\";\"+5697\"" << "1:N<0 2:N<1 15:B*<0 7:C*<15 2147483647:M*<0";
        QTest::newRow("pending change overwritten") << "pending" << renamed << "1:N<0 2:Ana*<1" + ask;
        QTest::newRow("pending change kept") << "pending, no" << renamed << "1:N<0 2:N*<1" + ask;
        QTest::newRow("pending change the file does not touch") << "pending" << admin << "1:N<0 2:N*<1";
        QTest::newRow("record never saved") << "unsaved" << renamed << "1:N<0 2:N<1 12:Ana*<1";
        // clang-format on
    }
    void import()
    {
        QFETCH(QString, local);
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        QFile csv(dir.filePath(QStringLiteral("u.csv")));
        QVERIFY(csv.open(QIODevice::WriteOnly) && csv.write(file) == file.size());
        csv.close();
        ModalAnswerer answerer;
        if (local.endsWith("no"))
            answerer.queue_button(QMessageBox::No);
        UserRow::id_siguiente = 1;
        DORVAK_Admin w;
        TestProbe probe(w);
        probe.load_user_lines({"## 1,1,\"N\",+5691,1,0,0,0,0,24,255", "## 2,2,\"N\",+5692,1"});
        probe.users().at(1)->pending = local.startsWith("pending");
        probe.users().at(1)->unsaved = local == "unsaved";
        probe.import_users_from(csv.fileName());
        // Written again: owners before what they own, as the tree holds them.
        probe.export_users_to(csv.fileName());
        QStringList after, written{users_csv_header()};
        for (QTreeWidgetItemIterator it(probe.root()); *++it;) {
            const auto *u = static_cast<UserRow *>(*it);
            after << QString::number(u->id_user) + ':' + u->nombre + (u->pending ? "*<" : "<")
                    + QString::number(static_cast<UserRow *>(u->parent())->id_user);
            written << csv_user_line(*u);
        }
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(csv.readAll()), written.join('\n') + '\n');
        QTEST((after + answerer.texts()).join(' ').replace(csv.fileName(), "F"), "after");
    }
};

QTEST_MAIN(TstUsersCsv)
#include "tst_users_csv.moc"
