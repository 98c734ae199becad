// The plan of writes from what the controller holds and what the user wants.
#include "directory_plan.h"

#include <QRegularExpression>
#include <QTest>

#include <deque>

class TstDirectoryPlan : public QObject
{
    Q_OBJECT

private slots:
    void plan_data();
    void plan();
};

namespace {

// "A1:01" an administrator of id 1 and number 01, "U2:02<1" a user of id 2
// owned by id 1 (held) or by the record of number 01 (wanted); "=02" the
// number the controller holds a wanted record under, "*" pending, "x"
// deleted by the user (what it owns goes with it). After "|" in `held`,
// what the controller confirmed since it was read: writes, and "-01" deletes.
UserRecord parse(const QString &text, QString *owner)
{
    static const QRegularExpression form(
        "^([VUA])(\\d+):(\\d+)(?:<(\\d+))?(?:=(\\d+))?(\\*?)(x?)$");
    const QRegularExpressionMatch m = form.match(text);
    UserRecord u;
    u.categoria = QString("VUA").indexOf(m.captured(1));
    u.id_user = m.captured(2).toInt();
    u.numero = "+5690" + m.captured(3);
    *owner = m.captured(4);
    u.numero_device = "+5690" + (m.captured(5).isEmpty() ? m.captured(3) : m.captured(5));
    u.pending = !m.captured(6).isEmpty();
    u.baja = !m.captured(7).isEmpty();
    u.nombre = "N";
    u.id_padre = u.categoria == UserRecord::Admin ? u.id_user : owner->toInt();
    return u;
}

} // namespace

void TstDirectoryPlan::plan_data()
{
    QTest::addColumn<QString>("held");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<QString>("keep");
    QTest::addColumn<QString>("steps");
    const QString held = "A1:01 U2:02<1 V3:03<2 V4:04<2 A5:05 U6:06<5";
    // clang-format off
    QTest::newRow("nothing changed") << held << "A1:01 U2:02<01 V3:03<02 V4:04<02 A5:05 U6:06<05" << "" << "";
    QTest::newRow("a new visitor") << held << "A1:01 U2:02<01 V3:03<02 V4:04<02 V7:07<02 A5:05 U6:06<05" << "" << "alta:07";
    QTest::newRow("saved unchanged") << held << "A1:01 U2:02<01* V3:03<02 V4:04<02 A5:05 U6:06<05" << "" << "cambio:02";
    QTest::newRow("a user renumbered: its visitors go along before the old number goes") << held << "A1:01 U2:22<01=02 V3:03<22 V4:04<22 A5:05 U6:06<05" << "" << "número nuevo:22 dueño nuevo:03 dueño nuevo:04 baja:02";
    QTest::newRow("a user renumbered under a new id") << held << "A1:01 U9:22<01=02 V3:03<22 V4:04<22 A5:05 U6:06<05" << "" << "número nuevo:22 dueño nuevo:03 dueño nuevo:04 baja:02";
    QTest::newRow("a new id: its visitors written after it") << held << "A1:01 U9:02<01 V3:03<02 V4:04<02 A5:05 U6:06<05" << "" << "cambio:02 dueño nuevo:03 dueño nuevo:04";
    QTest::newRow("an administrator renumbered: its users go along") << held << "A1:11=01 U2:02<11 V3:03<02 V4:04<02 A5:05 U6:06<05" << "" << "número nuevo:11 dueño nuevo:02 baja:01";
    QTest::newRow("moved to another administrator, the old one deleted") << held << "A5:05 U2:02<05 V3:03<02 V4:04<02 U6:06<05 A1:01x" << "" << "dueño nuevo:02 baja:01";
    QTest::newRow("a visitor to another user") << held << "A1:01 U2:02<01 V3:03<02 A5:05 U6:06<05 V4:04<06" << "" << "dueño nuevo:04";
    QTest::newRow("a user deleted: what it owns goes with it") << held << "A1:01 U2:02<01x V3:03<02 V4:04<02 A5:05 U6:06<05" << "" << "baja:02";
    QTest::newRow("gone from the list") << held << "A1:01 U2:02<01 V3:03<02 A5:05" << "" << "baja:04 baja:06";
    QTest::newRow("gone from the list, kept") << held << "A1:01 U2:02<01 V3:03<02 A5:05" << "+569004 +569006" << "";
    QTest::newRow("a new administrator with a user") << held << "A1:01 U2:02<01 V3:03<02 V4:04<02 A5:05 U6:06<05 A8:08 U9:09<08" << "" << "alta:08 alta:09";
    QTest::newRow("a new record under a renumbered owner") << held << "A1:01 U2:22<01=02 V3:03<22 V4:04<22 V7:07<22 A5:05 U6:06<05" << "" << "número nuevo:22 dueño nuevo:03 dueño nuevo:04 alta:07 baja:02";
    QTest::newRow("an id changed on the controller: what it owned follows") << held + " | U9:02<1" << "A1:01 U9:02<01 V3:03<02 V4:04<02 A5:05 U6:06<05" << "" << "";
    QTest::newRow("deleted on the controller with all it owned") << held + " | -01" << "A1:01 U2:02<01 V3:03<02 V4:04<02 A5:05 U6:06<05" << "" << "alta:01 alta:02 alta:03 alta:04";
    QTest::newRow("an orphan held as it is") << "V3:03<2" << "V3:03" << "" << "";
    QTest::newRow("a visitor renumbered over a deleted one's number") << held << "A1:01 U2:02<01 V3:04<02=03 A5:05 U6:06<05" << "" << "número nuevo:04 baja:03";
    // clang-format on
}

void TstDirectoryPlan::plan()
{
    QFETCH(QString, held);
    QFETCH(QString, wanted);
    QFETCH(QString, keep);
    HeldDirectory controller;
    QList<UserRecord> listing;
    QString owner;
    for (const QString &h : held.section('|', 0, 0).split(' ', Qt::SkipEmptyParts))
        listing << parse(h, &owner);
    controller.load(listing, "1", "P");
    for (const QString &c : held.section('|', 1).split(' ', Qt::SkipEmptyParts))
        c.startsWith('-') ? controller.deleted("+5690" + c.mid(1))
                          : controller.stored(parse(c, &owner));
    std::deque<UserRecord> records;
    QVector<WantedRecord> list;
    for (const QString &w : wanted.split(' ', Qt::SkipEmptyParts)) {
        records.push_back(parse(w, &owner));
        WantedRecord entry{&records.back()};
        for (int i = 0; i < list.size(); ++i)
            entry.owner = list[i].record->numero == "+5690" + owner ? i : entry.owner;
        entry.gone = records.back().baja || (entry.owner >= 0 && list[entry.owner].gone);
        list << entry;
    }
    const QStringList kept = keep.split(' ', Qt::SkipEmptyParts);
    QStringList steps;
    for (const PlanStep &s : plan_writes(controller, list, QSet<QString>(kept.begin(), kept.end())))
        steps << step_kind_text(s.kind) + ":" + s.numero.mid(5);
    QTEST(steps.join(' '), "steps");
}

QTEST_GUILESS_MAIN(TstDirectoryPlan)
#include "tst_directory_plan.moc"
