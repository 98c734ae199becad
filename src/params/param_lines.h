#ifndef PARAM_LINES_H
#define PARAM_LINES_H

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// The controller has sixteen parameters, 00 to 15.
constexpr int param_count = 16;

// One line of the GET_PARS answer, "## NN value", NN two digits from 00 to
// 15. The value is what the controller holds: the line terminator and the
// double quotes around a text are not part of it, quotes inside it are.
struct ParamLine
{
    int numero = 0;
    QString valor;
};

// Nothing for any other line: a status line such as "## OK", a user line,
// anything the controller mixes into the answer.
std::optional<ParamLine> read_param_line(const QString &line);

// The values of a GET_PARS answer by parameter number; a number that came
// twice keeps the later value, one that did not come stays empty.
QVector<std::optional<QString>> read_param_answer(const QStringList &lines);

// A text parameter as the form shows it: folded.
QString param_text(const QString &valor);
// A numeric parameter: folded and read as a decimal, 0 when not a number.
int param_number(const QString &valor);
// Whether the value is a number in decimal, as the controller writes them.
bool is_param_number(const QString &valor);
// The firmware version (parameter 02) as major "." minor: 258 reads "1.2".
QString version_text(int version);

// Bits of the notification parameter (04).
enum NotifBit { notif_acceso = 1, notif_usuarios = 2, notif_sms = 4, notif_config = 8 };

// The writable parameters in the order their lines go out. 02 (firmware
// version) and 15 (user limit) are the controller's own and never sent.
const QVector<int> &writable_params();
// Whether the controller keeps the parameter as a text (sent between
// double quotes).
bool is_text_param(int numero);
// The longest text the controller keeps for a text parameter.
int text_limit(int numero);

// "SEND_PAR type NN value". The type tells the controller which kind of
// field the value comes from: 2 a text (between double quotes, nothing
// escaped), 1 a spin box (03, 13), 0 a choice.
QString send_par_line(int numero, const QString &valor);

// A parameter as the last complete read left it: the value the controller
// sent, what the form showed of it, and whether the form could hold it (a
// text within the controller's limit; a number the field shows as it is).
struct ParamRead
{
    QString valor;
    QString shown;
    bool held = false;
};

// What is written for one parameter. A field the user left as it was read
// sends back exactly what the controller sent, unless the form could not
// hold that value; a field the user changed sends what it holds, if the
// field accepts it. Nothing (the write is refused) otherwise: a value the
// form made up is never sent.
std::optional<QString> param_to_send(const ParamRead &read, const QString &now, bool acceptable);

#endif
