#ifndef MODAL_ANSWERER_H
#define MODAL_ANSWERER_H

#include <QMessageBox>
#include <QObject>
#include <QStringList>

#include <functional>

// Closes the modal message boxes and file dialogs that the tool opens and
// records what they said. File dialogs take the queued answers in order (an
// empty answer cancels); without one they are cancelled. Message boxes take
// the queued buttons in order; without one their first button is pressed.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Seen
    {
        QString kind; // "box" or "file"
        QString title;
        QString text;
        QString details; // a message box's detailed text
    };

    explicit ModalAnswerer(QObject *parent = nullptr);

    void queue_file(const QString &path) { files << path; }
    void queue_button(QMessageBox::StandardButton button) { buttons << button; }
    // Answers a box by its text when no button is queued; NoButton leaves
    // it to the first button.
    std::function<QMessageBox::StandardButton(const QString &text)> decide;
    const QList<Seen> &seen() const { return log; }
    QStringList texts() const;
    int count(const QString &text) const { return texts().count(text); }
    void clear() { log.clear(); }

private:
    void poll();

    QStringList files;
    QList<QMessageBox::StandardButton> buttons;
    QList<Seen> log;
};

#endif
