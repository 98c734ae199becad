// The users CSV file: files as spreadsheets save them, the verdict of their
// import and the tree it leaves, the file written again; the editor's typing.
#include "modal_answerer.h"
#include "probe.h"
#include "user_csv.h"
#include "user_panel.h"
#include "user_row.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#endif

// The file's first line, written here as other tools read it.
const QString
    header("id_user ; id_padre ; categoria ; nombre ; numero ; hrs_reman ; rh_ini ; rh_fin ; rd");

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
        QVERIFY(!UsersCsvReader(nullptr).next(nullptr));
    }

    void import_data()
    {
        // The tree holds administrator 1 "Casa 5;B" with user 2 "N  x", user 2
        // pending, never saved or as read (`local`); the verdict is answered
        // Cancel when `local` says so. The file ("=" for the tree's own
        // export) is imported. After: the tree as "id:name<owner's id" ("*"
        // when pending), then the texts shown, lines joined by "|".
        QTest::addColumn<QString>("local");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("after");
        const QByteArray h = header.toLatin1() + "\n";
        const QByteArray bom = "\xEF\xBB\xBF";
        const QByteArray admin = "1;1;admin;\"Casa 5;B\";+56911111111;0;0;24;255\n";
        const QByteArray renamed = h + admin + "12;1;user;\"Ana\";\"+56922222222\";0;0;24;255\n";
        const QString tree = "1:Casa 5;B<0 2:N  x<1 ";
        const QString none = "0 nuevos, 0 modificados, ";
        // clang-format off
        QTest::newRow("round trip of awkward names") << "" << QByteArray("=") << tree + none + "2 sin cambios.||Nada que importar.";
        QTest::newRow("foreign header") << "" << QByteArray("id_user,Nombre,Numero\n10,\"A\",+56900000010") << tree + "El archivo F no es un archivo de usuarios: su primera línea debe nombrar las nueve columnas, separadas por \";\" o por \",\":|H";
        QTest::newRow("binary bytes after the header word") << "" << QByteArray("id_user\0\x01\xff;\n\x02", 13) << tree + "El archivo F no es un archivo de usuarios: su primera línea debe nombrar las nueve columnas, separadas por \";\" o por \",\":|H";
        QTest::newRow("commas, empty columns, BOM, CRLF, no plus, accents, blank id, empty last line") << "" << bom + QByteArray(h).replace(" ; ", ",").replace("\n", ",,\r\n") + QByteArray(admin).replace(';', ',').replace(",B", ";B") + "3,1,user,\"Peña Núñez\",56933333333,0,8,20,31\r\n,1,user,Bo,+56955555555\r\n,3,guest,\"Ana\",+56944444444,,,,\r\n,,guest,Cy,+56966666666\r\n\r\n" << tree + "3:Pena Nunez*<1 5:Ana*<3 4:Bo*<1 1 fila rechazada, que no se importará:|Línea 6: la visita «Cy» no nombra a su usuario||3 nuevos, 0 modificados, 1 sin cambios.|1 persona de la lista no está en el archivo: se conserva.||1 número recuperó su \"+\", 1 nombre quedó sin acentos (en los detalles).[Filas rechazadas:|Línea 6: la visita «Cy» no nombra a su usuario||Números con su \"+\" repuesto:|Línea 3: 56933333333 → +56933333333||Nombres sin acentos:|Línea 3: Peña Núñez → Pena Nunez||En la lista y no en el archivo (se conservan):|N  x (+56922222222)]";
        QTest::newRow("quoted separator, a changed and an unchanged row") << "" << h + "700;700;admin;\"Perez; Ana\";+56900000701;0;0;24;127\n2 ; 1 ; user ; \"N  y\" ; \"+56922222222\"\n 1 ; 1 ; admin ; \"Casa 5;B\" ; +56911111111 ; 0 ; 0 ; 24 ; 255" << "1:Casa 5;B<0 2:N y*<1 700:Perez; Ana*<0 1 nuevo, 1 modificado, 1 sin cambios.";
        const QString refusals = "Línea 2: el nombre «Ana, B» lleva «,», que el controlador no admite|Línea 3: el nombre «€ \x01» lleva «€», que el controlador no admite|Línea 4: rh_ini 5 no es menor que rh_fin 5|Línea 5: categoria «boss» no es admin, user ni guest|Línea 6: rh_ini «24» no es un número de 0 a 23; rh_fin «0» no es un número de 1 a 24; rd «x» no es un número de 0 a 255|Línea 8: el número +56988888888 ya está en la línea 7|Línea 9: tiene 3 de los 9 campos|Línea 10: el nombre «ABCDEFGHIJKLMNOP» tiene más de 15 caracteres|Línea 11: falta el nombre|Línea 12: el número «56 9» no es un + seguido de hasta 19 cifras|Línea 13: el nombre «A\x7f» lleva «U+007f», que el controlador no admite|Línea 14: el nombre «B\u0080» lleva «U+0080», que el controlador no admite";
        QTest::newRow("refused rows") << "" << bom + h + "5;1;user;\"Ana, B\";+56955555555\n6;1;user;\"€ \x01\";+569\n7;1;Admin;\"X\";+56977777777;0;5;5\n8;1;boss;\"X\";+569\n9;1;user;\"Y\";+1;-1;24;0;x\n11;1;user;\"Z\";56988888888\n12;1;user;\"W\";+56988888888\n7 ; 3 ; user\n13;1;user;\"ABCDEFGHIJKLMNOP\";+1\n14;1;user;\"\";+1;0\n15;1;user;\"A\";\"56 9\"\n16;1;user;\"A\x7f\";+1\n17;1;user;\"B\xc2\x80\";+1" << tree + "11:Z*<1 12 filas rechazadas, que no se importarán:|" + refusals.section('|', 0, 9) + "|… y 2 más (en los detalles)||1 nuevo, 0 modificados, 0 sin cambios.|2 personas de la lista no están en el archivo: se conservan.||1 número recuperó su \"+\" (en los detalles).[Filas rechazadas:|" + refusals + "||Números con su \"+\" repuesto:|Línea 7: 56988888888 → +56988888888||En la lista y no en el archivo (se conservan):|Casa 5;B (+56911111111)|N  x (+56922222222)]";
        QTest::newRow("a long line cut, its rest skipped") << "" << h + "3;1;user;\"A\";+56933333333;0;0;24;127;" + QByteArray(5000, ' ') + "x\n" << tree + "3:A*<1 1 nuevo, 0 modificados, 0 sin cambios.|2 personas de la lista no están en el archivo: se conservan.[En la lista y no en el archivo (se conservan):|Casa 5;B (+56911111111)|N  x (+56922222222)]";
        QTest::newRow("import cancelled") << "cancel" << renamed << tree + "0 nuevos, 1 modificado, 1 sin cambios.";
        QTest::newRow("a name changed, a visitor under a user in the tree") << "" << renamed + "13;12;guest;\"V\";\"+56933333333\"" << "1:Casa 5;B<0 2:Ana*<1 13:V*<2 1 nuevo, 1 modificado, 1 sin cambios.";
        QTest::newRow("taken ids, zero id and the highest id") << "" << h + "1;1;admin;\"B\";\"+569\"\n7;1;user;\"C\";\"+568\"\n0;0;admin;\"M\";\"+567\"\n2147483647;0;admin;\"I\";\"+566\"" << tree + "8:B*<0 7:C*<8 9:M*<0 2147483647:I*<0 4 nuevos, 0 modificados, 0 sin cambios.|2 personas de la lista no están en el archivo: se conservan.[En la lista y no en el archivo (se conservan):|Casa 5;B (+56911111111)|N  x (+56922222222)]";
        QTest::newRow("pending change overwritten") << "pending" << renamed << "1:Casa 5;B<0 2:Ana*<1 0 nuevos, 1 modificado, 1 sin cambios.|Se reemplazará 1 cambio sin sincronizar.";
        QTest::newRow("pending change the file does not touch") << "pending" << h << "1:Casa 5;B<0 2:N  x*<1 " + none + "0 sin cambios.|2 personas de la lista no están en el archivo: se conservan.||Nada que importar.[En la lista y no en el archivo (se conservan):|Casa 5;B (+56911111111)|N  x (+56922222222)]";
        QTest::newRow("Windows-1252, national numbers") << "" << h + "3;1;user;\"Pe\xf1\xa0" "a\";+56933333333;0;0;24;127\r\n4;1;user;\"X\";0991234567\r\n5;1;user;\"Y\";991234567\r\n" << tree + "3:Pen a*<1 El archivo no está en UTF-8: se leyó como Windows-1252, como lo guarda una planilla en Windows.||2 filas rechazadas, que no se importarán:|Línea 3: el número «0991234567» empieza por 0: escríbalo con el código de país (+56…)|Línea 4: el número «991234567» no lleva código de país: escríbalo con él (+56…)||1 nuevo, 0 modificados, 0 sin cambios.|2 personas de la lista no están en el archivo: se conservan.||1 nombre quedó sin acentos (en los detalles).[Filas rechazadas:|Línea 3: el número «0991234567» empieza por 0: escríbalo con el código de país (+56…)|Línea 4: el número «991234567» no lleva código de país: escríbalo con él (+56…)||Nombres sin acentos:|Línea 2: Peñ a → Pen a||En la lista y no en el archivo (se conservan):|Casa 5;B (+56911111111)|N  x (+56922222222)]";
        QTest::newRow("a user to another administrator") << "" << h + admin + "9;9;admin;\"Otra\";+56999999999;0;0;24;255\n2;9;user;\"N  x\";+56922222222;-5;0;24;255\n" << "1:Casa 5;B<0 9:Otra*<0 2:N  x*<9 1 nuevo, 1 modificado, 1 sin cambios.|Cambian de dueño:|Línea 4: N  x (+56922222222) pasa a Otra (+56999999999)[Cambian de dueño:|Línea 4: N  x (+56922222222) pasa a Otra (+56999999999)]";
        QTest::newRow("record never saved") << "unsaved" << renamed << tree + "12:Ana*<1 1 nuevo, 0 modificados, 1 sin cambios.";
        // clang-format on
    }
    void import()
    {
        QFETCH(QString, local);
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        QFile csv(dir.filePath(QStringLiteral("u.csv")));
        ModalAnswerer answerer;
        answerer.queue_button(local == "cancel" ? QMessageBox::Cancel : QMessageBox::Ok);
        DORVAK_Admin w;
        TestProbe probe(w);
        probe.ids().set(1);
        probe.load_user_lines({"## 1,1,\"Casa 5;B\",+56911111111,1,0,0,0,0,24,255",
                               "## 2,2,\"N\",+56922222222,1,-5"});
        probe.users().at(1)->nombre = "N  x";
        probe.users().at(1)->pending = local.startsWith("pending");
        probe.users().at(1)->unsaved = local == "unsaved";
        QVERIFY(file == "=" || (csv.open(QIODevice::WriteOnly) && csv.write(file) == file.size()));
        if (file == "=")
            probe.export_users_to(csv.fileName());
        csv.close();
        const int counter = probe.ids().next();
        probe.import_users_from(csv.fileName());
        QVERIFY(local != "cancel" || counter == probe.ids().next());
        // Written again: owners before what they own, as the tree holds them.
        probe.export_users_to(csv.fileName());
        QStringList after, written{header};
        for (QTreeWidgetItemIterator it(probe.root()); *++it;) {
            const auto *u = static_cast<UserRow *>(*it);
            after << QString::number(u->id_user) + ':' + u->nombre + (u->pending ? "*<" : "<")
                    + QString::number(static_cast<UserRow *>(u->parent())->id_user);
            written << QString("%1 ; %2 ; %3 ; \"%4\" ; \"%5\" ; %6 ; %7 ; %8 ; %9")
                           .arg(u->id_user)
                           .arg(u->id_padre)
                           .arg(QStringList{"guest", "user", "admin"}.value(u->categoria))
                           .arg(QString(u->nombre).replace('"', "\"\""), u->numero)
                           .arg(u->hrs_reman)
                           .arg(u->rh_ini)
                           .arg(u->rh_fin)
                           .arg(u->rd);
        }
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(csv.readAll()), written.join('\n') + '\n');
        for (const ModalAnswerer::Seen &box : answerer.seen())
            after << box.text + (box.details.isEmpty() ? "" : "[" + box.details + "]");
        QString seen = after.join(' ');
        seen.remove("u.csv\n\n").remove("\n\n¿Importar?").replace(header, "H");
        QTEST(seen.replace(csv.fileName(), "F").replace('\n', '|'), "after");
    }

    void editor_typing()
    {
        // Accents folded as they are typed, a number given its "+".
        UserRow record;
        UserPanel panel(&record, false, nullptr);
        auto *nombre = panel.findChild<QLineEdit *>("nombre_edit");
        auto *numero = panel.findChild<QLineEdit *>("numero_edit");
        nombre->clear();
        numero->clear();
        nombre->insert(QString::fromUtf8("Peña Ñuñoa ß"));
        numero->insert("56911");
        QCOMPARE(nombre->text() + numero->text(), QStringLiteral("Pena Nunoa ss+56911"));
    }
};

QTEST_MAIN(TstUsersCsv)
#include "tst_users_csv.moc"
