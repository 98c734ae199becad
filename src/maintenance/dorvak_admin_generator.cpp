// The bulk test-user generator as the window shows it: its own bar.
#include "dorvak_admin.h"

#include "test_user_generator.h"

#include <QProgressBar>

void DORVAK_Admin::add_5000()
{
    GenerateTestUsers generator(core);
    generator.ids = core.ids;
    connect(&generator, &Operation::percent_changed, this, [this](int percent) {
        progress->setValue(percent);
        progress->setFormat(QStringLiteral("Agregando Usuarios : ") + QString::number(percent)
                            + QLatin1Char('%'));
    });
    gen_count = 0;
    connect(&generator, &GenerateTestUsers::record_sent, this, [this](int n) { gen_count = n; });
    const QPointer<DORVAK_Admin> alive(this);
    run(generator);
    if (!alive)
        return;
    core.ids = generator.ids;
    progress->setValue(0);
    progress->setFormat(QString());
}
