// The editor panel: what it shows, what it refuses, what it writes back.
#include "modal_answerer.h"
#include "user_panel.h"
#include "user_row.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

class TstUserPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void shows_record_data();
    void shows_record();
    void unknown_category_keeps_choice();
    void save_checks_data();
    void save_checks();
    void writes_back();
    void typing_is_validated_data();
    void typing_is_validated();
    void cancel_restores_stored_values();

private:
    template <typename T> T *child(const char *name) { return panel->findChild<T *>(name); }

    QTreeWidget *tree = nullptr;
    UserRow *root = nullptr;
    UserRow *owner = nullptr;
    UserRow *record = nullptr;
    UserPanel *panel = nullptr;
};

void TstUserPanel::init()
{
    tree = new QTreeWidget;
    root = new UserRow;
    tree->addTopLevelItem(root);
    owner = new UserRow(root);
    owner->categoria = UserRow::Admin;
    record = new UserRow(owner);
    record->id_user = 12;
    record->id_padre = 3;
    record->nombre = QStringLiteral("Casa 12");
    record->numero = QStringLiteral("+56912345678");
    panel = new UserPanel(record, false, nullptr);
}

void TstUserPanel::cleanup()
{
    delete panel;
    delete tree;
}

void TstUserPanel::shows_record_data()
{
    QTest::addColumn<int>("categoria");
    QTest::addColumn<int>("hrs_reman");
    QTest::addColumn<int>("id_padre");
    QTest::addColumn<int>("rd");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("temporal");
    QTest::addColumn<int>("vigencia");
    QTest::addColumn<int>("padre_shown");
    QTest::addColumn<QString>("days");

    QTest::newRow("administrator, all days") << 2 << 0 << 3 << 255 << 0 << false << 0 << 3 << "LMWJVSD";
    QTest::newRow("user, one hour left") << 1 << 1 << 3 << 31 << 1 << true << 1 << 3 << "LMWJV";
    QTest::newRow("visitor, negative hours") << 0 << -4 << 3 << 96 << 2 << false << 0 << 3 << "SD";
    QTest::newRow("owner 0 shown as 1") << 0 << 0 << 0 << 128 << 2 << false << 0 << 1 << "";
}

void TstUserPanel::shows_record()
{
    QFETCH(int, categoria);
    QFETCH(int, hrs_reman);
    QFETCH(int, id_padre);
    QFETCH(int, rd);
    record->categoria = categoria;
    record->hrs_reman = hrs_reman;
    record->id_padre = id_padre;
    record->rd = rd;
    panel->setUser(record);

    QTEST(child<QComboBox>("cat_combo")->currentIndex(), "index");
    QTEST(child<QRadioButton>("temporal_radio")->isChecked(), "temporal");
    QCOMPARE(child<QRadioButton>("normal_radio")->isChecked(), !child<QRadioButton>("temporal_radio")->isChecked());
    QTEST(child<QSpinBox>("vigencia_spin")->value(), "vigencia");
    QTEST(child<QSpinBox>("padre_spin")->value(), "padre_shown");
    QString days;
    for (const char *d : {"L", "M", "W", "J", "V", "S", "D"}) {
        if (child<QPushButton>(qPrintable(QStringLiteral("day_btns_") + QLatin1String(d)))->isChecked())
            days += QLatin1String(d);
    }
    QTEST(days, "days");
}

void TstUserPanel::unknown_category_keeps_choice()
{
    record->categoria = UserRow::Usuario;
    panel->setUser(record);
    record->categoria = 5;
    panel->setUser(record);
    QCOMPARE(child<QComboBox>("cat_combo")->currentIndex(), 1);
}

void TstUserPanel::save_checks_data()
{
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("numero");
    QTest::addColumn<int>("hr_ini");
    QTest::addColumn<int>("hr_fin");
    QTest::addColumn<int>("cat_index");
    QTest::addColumn<bool>("under_user");
    QTest::addColumn<QString>("message"); // empty: accepted

    const QString number = QStringLiteral("+56912345678");
    const QString hours = QStringLiteral("La hora inicial de restriccion debe ser menor que la final");
    const QString format = QStringLiteral("El numero debe tener el formato +XXXXXXXXXXX");
    QTest::newRow("accepted") << "Casa 1" << number << 0 << 24 << 1 << false << "";
    QTest::newRow("single blank name") << " " << number << 0 << 24 << 2 << false << "";
    QTest::newRow("empty name") << "" << number << 0 << 24 << 1 << false
                                << "El nombre debe tener al menos un caracter";
    QTest::newRow("empty number") << "Casa 1" << "" << 0 << 24 << 1 << false << format;
    QTest::newRow("half typed number") << "Casa 1" << "+569123" << 0 << 24 << 1 << false << format;
    QTest::newRow("hours 23 to 24") << "Casa 1" << number << 23 << 24 << 1 << false << "";
    QTest::newRow("hours equal") << "Casa 1" << number << 5 << 5 << 1 << false << hours;
    QTest::newRow("hours 0 and 0") << "Casa 1" << number << 0 << 0 << 1 << false << hours;
    QTest::newRow("user under user") << "Casa 1" << number << 0 << 24 << 1 << true
                                     << "Un usuario solo puede crear visitas";
    QTest::newRow("administrator under user") << "Casa 1" << number << 0 << 24 << 0 << true
                                              << "Un usuario solo puede crear visitas";
    QTest::newRow("visitor under user") << "Casa 1" << number << 0 << 24 << 2 << true << "";
}

void TstUserPanel::save_checks()
{
    QFETCH(QString, nombre);
    QFETCH(QString, numero);
    QFETCH(int, hr_ini);
    QFETCH(int, hr_fin);
    QFETCH(int, cat_index);
    QFETCH(bool, under_user);
    QFETCH(QString, message);
    if (under_user)
        owner->categoria = UserRow::Usuario;
    child<QLineEdit>("nombre_edit")->setText(nombre);
    child<QLineEdit>("numero_edit")->setText(numero);
    child<QSpinBox>("hr_ini_spin")->setValue(hr_ini);
    child<QSpinBox>("hr_fin_spin")->setValue(hr_fin);
    child<QComboBox>("cat_combo")->setCurrentIndex(cat_index);

    ModalAnswerer answerer;
    const bool saved = panel->save(record);
    QCOMPARE(saved, message.isEmpty());
    QCOMPARE(answerer.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    // A refusal leaves the record alone and the form editable.
    QCOMPARE(record->nombre, saved ? nombre : QStringLiteral("Casa 12"));
    QCOMPARE(child<QLineEdit>("nombre_edit")->isReadOnly(), saved);
}

void TstUserPanel::writes_back()
{
    // Shown: an administrator's owner spin says 3, all eight day bits set.
    record->rd = 255;
    panel->setUser(record);
    child<QSpinBox>("id_spin")->setValue(20);
    child<QComboBox>("cat_combo")->setCurrentIndex(0);
    child<QSpinBox>("vigencia_spin")->setValue(48);
    child<QRadioButton>("normal_radio")->setChecked(true);
    QVERIFY(panel->save(record));
    QCOMPARE(record->id_user, 20);
    QCOMPARE(record->categoria, int(UserRow::Admin));
    QCOMPARE(record->id_padre, 20);
    QCOMPARE(record->rd, 127);
    // The spin decides, the radio buttons follow it.
    QCOMPARE(record->hrs_reman, 48);
    QVERIFY(child<QRadioButton>("temporal_radio")->isChecked());

    // The root is never saved, and nothing is said about it.
    ModalAnswerer answerer;
    panel->setUser(root);
    QVERIFY(!panel->save(root));
    QVERIFY(answerer.seen().isEmpty());
}

void TstUserPanel::typing_is_validated_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("name drops what it does not allow") << "nombre_edit" << "Casa-1 *_x" << "Casa1 _x";
    QTest::newRow("name at most fifteen") << "nombre_edit" << "abcdefghijklmnopq" << "abcdefghijklmno";
    QTest::newRow("number needs its plus") << "numero_edit" << "569" << "";
    QTest::newRow("number digits only") << "numero_edit" << "+56a9" << "+569";
    QTest::newRow("number eleven digits") << "numero_edit" << "+5691234567890" << "+56912345678";
}

void TstUserPanel::typing_is_validated()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    auto *edit = child<QLineEdit>(qPrintable(field));
    edit->clear();
    QTest::keyClicks(edit, typed);
    QTEST(edit->text(), "kept");
}

void TstUserPanel::cancel_restores_stored_values()
{
    child<QLineEdit>("nombre_edit")->setText(QStringLiteral("Otro"));
    panel->cancel(record);
    QCOMPARE(child<QLineEdit>("nombre_edit")->text(), QStringLiteral("Casa 12"));
    QVERIFY(child<QLineEdit>("nombre_edit")->isReadOnly());
    QVERIFY(!child<QComboBox>("cat_combo")->isEnabled());
    // edit only switches the mode.
    panel->edit(root);
    QCOMPARE(child<QLineEdit>("nombre_edit")->text(), QStringLiteral("Casa 12"));
    QVERIFY(child<QComboBox>("cat_combo")->isEnabled());
}

QTEST_MAIN(TstUserPanel)
#include "tst_user_panel.moc"
