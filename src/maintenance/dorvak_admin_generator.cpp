// The bulk test-user generator as the window shows it: its own bar.
#include "dorvak_admin.h"

#include "test_user_generator.h"
#include "user_row.h"

#include <QProgressBar>

void DORVAK_Admin::add_5000()
{
    GenerateTestUsers generator(core);
    generator.ids.set(UserRow::id_siguiente);
    connect(&generator, &Operation::percent_changed, this, [this](int percent) {
        progress->setValue(percent);
        progress->setFormat(QStringLiteral("Agregando Usuarios : ") + QString::number(percent)
                            + QLatin1Char('%'));
    });
    run(generator);
    UserRow::id_siguiente = generator.ids.next();
    gen_count = generator.sent();
    progress->setValue(0);
    progress->setFormat(QString());
}
