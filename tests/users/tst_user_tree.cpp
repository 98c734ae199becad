// The download and the tree: structuring, the lookup by id, the counter and
// what a download does when it cannot run.
#include "fake_controller.h"
#include "log_capture.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_row.h"

#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTreeWidget>

namespace {

// "id(children) id ..." below `item`: ids with their owners at a glance.
QString shape(const QTreeWidgetItem *item)
{
    QStringList parts;
    for (int i = 0; i < item->childCount(); ++i) {
        const auto *child = static_cast<const UserRow *>(item->child(i));
        const QString below = shape(child);
        parts << QString::number(child->id_user)
                     + (below.isEmpty() ? QString() : '(' + below + ')');
    }
    return parts.join(' ');
}

QString line(int id, int code, int padre)
{
    return QStringLiteral("## %1,%2,\"N%1\",+569%1,%3,0,0,0,0,24,127\n")
        .arg(id)
        .arg(code)
        .arg(padre);
}

void connect_to(DORVAK_Admin &w, const FakeController &fake)
{
    w.choose_port(fake.port());
    w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
    QVERIFY(TestProbe(w).serial()->isOpen());
}

} // namespace

class TstUserTree : public QObject
{
    Q_OBJECT

private slots:
    void structure_data();
    void structure();
    void structure_matches_owner_scan();
    void index_matches_tree_search();
    void download_data();
    void download();
    void closed_port_keeps_everything();
};

void TstUserTree::structure_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("shape");

    QTest::newRow("three levels")
        << QStringList{line(1, 1, 1), line(2, 2, 1), line(3, 3, 2)} << "1(2(3))";
    QTest::newRow("visitor of an administrator to the root")
        << QStringList{line(1, 1, 1), line(3, 3, 1)} << "1 3";
    QTest::newRow("orphans after the administrators, in list order")
        << QStringList{line(5, 2, 9), line(1, 1, 1), line(7, 3, 99)} << "1 5 7";
    QTest::newRow("order kept at every level")
        << QStringList{line(1, 1, 1), line(2, 2, 1), line(3, 2, 1), line(4, 3, 3), line(5, 3, 2),
                       line(6, 1, 6), line(7, 2, 6)}
        << "1(2(5) 3(4)) 6(7)";
    QTest::newRow("owned records listed before their owner")
        << QStringList{line(3, 3, 2), line(2, 2, 1), line(1, 1, 1)} << "1(2(3))";
    QTest::newRow("duplicate administrator: the first takes the users")
        << QStringList{line(1, 1, 1), line(1, 1, 1), line(2, 2, 1)} << "1(2) 1";
    QTest::newRow("duplicate user: the first takes the visitors")
        << QStringList{line(1, 1, 1), line(2, 2, 1), line(2, 2, 1), line(3, 3, 2)} << "1(2(3) 2)";
    QTest::newRow("unknown code is a visitor")
        << QStringList{line(1, 1, 1), line(2, 2, 1), line(8, 7, 2)} << "1(2(8))";
    QTest::newRow("other lines skipped")
        << QStringList{"DBG gsm ok\n", line(1, 1, 1), "## OK\n"} << "1 0";
}

void TstUserTree::structure()
{
    QFETCH(QStringList, lines);
    DORVAK_Admin w;
    TestProbe probe(w);
    LogCapture log;
    probe.load_user_lines(lines);
    QTEST(shape(probe.root()), "shape");
    QCOMPARE(probe.users().size(), lines.filter(QRegularExpression(QStringLiteral("^##"))).size());
    for (UserRow *u : probe.users()) {
        QCOMPARE(u->text(0), QString::number(u->id_user));
        QCOMPARE(u->text(3), UserRow::category_text(u->categoria));
        QVERIFY(u->treeWidget() == probe.user_tree());
    }
    if (QTest::currentDataTag() == QLatin1String("three levels")) {
        QCOMPARE(log.starting(QStringLiteral("Tot users")), QStringList{"Tot users  1"});
        QCOMPARE(probe.root()->child(0)->child(0)->child(0)->text(3), QStringLiteral("VISITA"));
    }
}

void TstUserTree::structure_matches_owner_scan()
{
    // Lists full of duplicate ids and dangling owners, hung by the tool and
    // by a plain scan of the whole list per owner: the trees must agree.
    QRandomGenerator rng(7);
    for (int round = 0; round < 20; ++round) {
        QStringList lines;
        for (int i = 0; i < 200; ++i)
            lines << line(rng.bounded(1, 60), rng.bounded(1, 5), rng.bounded(1, 60));

        DORVAK_Admin w;
        TestProbe(w).load_user_lines(lines);

        UserRow expected;
        QList<UserRow *> list;
        for (const QString &l : lines)
            list << parse_user_line(l);
        auto scan = [&](UserRow *owner, int categoria) {
            QList<UserRow *> found;
            for (UserRow *q : list) {
                if (q->categoria == categoria && q->id_padre == owner->id_user) {
                    owner->addChild(q);
                    q->placed = true;
                    found << q;
                }
            }
            return found;
        };
        for (UserRow *s : list) {
            if (s->categoria == UserRow::Admin) {
                expected.addChild(s);
                s->placed = true;
                for (UserRow *user : scan(s, UserRow::Usuario))
                    scan(user, UserRow::Visita);
            }
        }
        for (UserRow *s : list) {
            if (!s->placed)
                expected.addChild(s);
        }
        QCOMPARE(shape(TestProbe(w).root()), shape(&expected));
    }
}

void TstUserTree::index_matches_tree_search()
{
    DORVAK_Admin w;
    TestProbe probe(w);
    // At start-up the root shows "0" and is found as id 0.
    QCOMPARE(probe.find_user_item(0), probe.root());
    QStringList lines;
    QRandomGenerator rng(3);
    for (int i = 0; i < 300; ++i)
        lines << line(rng.bounded(-2, 80), rng.bounded(1, 4), rng.bounded(1, 80));
    probe.install_root(QStringLiteral("Raíz"));
    probe.load_user_lines(lines);
    new UserRow(probe.root()); // a new record: empty columns until saved
    probe.root()->child(0)->setText(0, QStringLiteral("05"));

    const UserIndex index(probe.user_tree());
    for (int id = -3; id < 82; ++id) {
        const auto hits = probe.user_tree()->findItems(QString::number(id),
                                                       Qt::MatchRecursive | Qt::MatchExactly, 0);
        QTreeWidgetItem *first = hits.isEmpty() ? nullptr : hits.first();
        QCOMPARE(static_cast<QTreeWidgetItem *>(index.find(id)), first);
        QCOMPARE(probe.find_user_item(id), first);
    }
}

void TstUserTree::download_data()
{
    QTest::addColumn<QByteArray>("total");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("counter");

    // The new root takes 1, the first record 2 and raises the counter to 5,
    // the second takes 5 and raises it to 40.
    QTest::newRow("ids 5 and 40 after start-up") << QByteArray("2\n") << "5 40" << 40;
    QTest::newRow("count with chatter: tree kept") << QByteArray("2\nDBG gsm ok\n") << "" << 1;
}

void TstUserTree::download()
{
    QFETCH(QByteArray, total);
    FakeController fake;
    fake.on("TOT_USERS", total);
    fake.on("LU", (line(5, 1, 5) + line(40, 1, 40)).toUtf8());
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    connect_to(w, fake);
    UserRow *start_root = probe.root();
    w.findChild<QPushButton *>(QStringLiteral("get_users_btn"))->click();

    QTEST(shape(probe.root()), "shape");
    QTEST(UserRow::id_siguiente, "counter");
    QCOMPARE(probe.root()->text(0),
             probe.root() == start_root ? QStringLiteral("0") : QStringLiteral("Raíz"));
    auto *bar = w.findChild<QProgressBar *>(QStringLiteral("progress"));
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->format(), QString());
    QVERIFY(probe.show_progress());
    QVERIFY(answerer.seen().isEmpty());
}

void TstUserTree::closed_port_keeps_everything()
{
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    probe.load_user_lines({line(1, 1, 1), line(2, 2, 1)});
    auto *pending = new UserRow(probe.root()->child(0));
    pending->pending = true;
    const int counter = UserRow::id_siguiente;
    // What an earlier exchange left: a line that reads like a count.
    probe.resps() = QStringList{"30\n"};

    w.findChild<QPushButton *>(QStringLiteral("get_users_btn"))->click();
    QCOMPARE(answerer.texts(), QStringList{"El puerto está cerrado"});
    QCOMPARE(shape(probe.root()), QStringLiteral("1(2 %1)").arg(pending->id_user));
    QCOMPARE(probe.root()->text(0), QStringLiteral("0"));
    QCOMPARE(probe.users().size(), 2);
    QCOMPARE(UserRow::id_siguiente, counter);
}

QTEST_MAIN(TstUserTree)
#include "tst_user_tree.moc"
