#include "modal_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>

ModalAnswerer::ModalAnswerer(QObject *parent) : QObject(parent)
{
    auto *timer = new QTimer(this);
    timer->setInterval(5);
    connect(timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer->start();
}

QStringList ModalAnswerer::texts() const
{
    QStringList out;
    for (const Seen &s : log)
        out << s.text;
    return out;
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        log << Seen{QStringLiteral("box"), box->windowTitle(), box->text(), box->detailedText()};
        QAbstractButton *chosen = !buttons.isEmpty() ? box->button(buttons.takeFirst())
            : decide                                 ? box->button(decide(box->text()))
                                                     : nullptr;
        // The first answer: the details toggle is none.
        for (QAbstractButton *b : box->buttons())
            chosen = chosen || box->buttonRole(b) == QMessageBox::ActionRole ? chosen : b;
        if (chosen)
            chosen->click();
        else
            box->reject();
    } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        log << Seen{QStringLiteral("file"), dialog->windowTitle(),
                    dialog->nameFilters().join(QLatin1Char(';'))};
        const QString answer = files.isEmpty() ? QString() : files.takeFirst();
        if (answer.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
        dialog->selectFile(answer);
        QMetaObject::invokeMethod(dialog, "accept");
    }
}
