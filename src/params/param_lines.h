#ifndef PARAM_LINES_H
#define PARAM_LINES_H

#include <QString>
#include <QStringList>

#include <optional>

// One line of the GET_PARS answer, "## NN value": the parameter number and
// the raw value, that is the line from the blank after the number on, line
// terminator included, with every double quote taken out.
struct ParamLine
{
    int numero = 0;
    QString valor;
};

// Nothing for a line that does not start with "## " (the controller may mix
// other output into the answer).
std::optional<ParamLine> read_param_line(const QString &line);

// A text parameter as the form shows it: folded; the installation name
// (parameter 00) first loses the blank that separates it from the number.
QString param_text(int numero, const QString &valor);
// A numeric parameter: folded and read as a decimal, 0 when not a number.
int param_number(const QString &valor);
// The firmware version (parameter 02) as major "." minor: 258 reads "1.2".
QString version_text(int version);

// Bits of the notification parameter (04).
enum NotifBit { notif_acceso = 1, notif_usuarios = 2, notif_sms = 4, notif_config = 8 };

// What the form holds of the fourteen writable parameters.
struct ParamForm
{
    QString nombre_inst;    // 00
    QString num_equipo;     // 01
    int max_visitas = 0;    // 03
    int notificaciones = 0; // 04, NotifBit set
    QString num_registro;   // 05
    QString modo_operacion; // 06, the selected item's text ("1" to "5")
    int modo_entrada1 = 0;  // 07, the selected item's index
    int modo_entrada2 = 0;  // 08, the selected item's index
    QString msg_apertura1;  // 09
    QString msg_cierre1;    // 10
    QString msg_apertura2;  // 11
    QString msg_cierre2;    // 12
    int min_digitos = 0;    // 13
    QString num_base;       // 14
};

// The fourteen "SEND_PAR type NN value" lines in the order they go out. The
// type tells the controller which kind of field the value comes from: 2 a
// text (sent folded, between double quotes, nothing escaped), 1 a spin box,
// 0 a choice. Parameters 02 and 15 are the controller's own and never sent.
QStringList send_par_lines(const ParamForm &form);

#endif
