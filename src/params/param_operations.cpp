#include "param_operations.h"

#include "admin_core.h"
#include "asker.h"
#include "param_lines.h"
#include "text_util.h"

#include <algorithm>

OperationResult read_params(AdminCore &core)
{
    // Status lines mixed into the answer do not count towards the sixteen.
    const Reply reply =
        core.session.exchange(QStringLiteral("GET_PARS"), param_count, 1,
                              QStringLiteral("Obteniendo Parametros"), QStringLiteral("## "));
    // Nothing went out, or nothing came back: the exchange has said so.
    if (reply.lines.isEmpty())
        return OperationResult::from(reply);
    const QVector<std::optional<QString>> answer = read_param_answer(reply.lines);
    const int got = int(std::count_if(answer.begin(), answer.end(),
                                      [](const std::optional<QString> &v) { return bool(v); }));
    // Half a configuration in the form would be written back as if it were
    // the controller's.
    if (got < param_count)
        return incomplete(core, got, param_count, QStringLiteral("parámetros"));
    QVector<QString> values;
    for (const std::optional<QString> &v : answer)
        values << *v;
    core.take_params(values);
    return OperationResult::make(OperationResult::done, QStringLiteral("Parámetros leídos"));
}

OperationResult WriteParams::run()
{
    if (!have_read) {
        asker().warn(QStringLiteral("Error"),
                     QStringLiteral("Primero obtenga los parámetros del equipo conectado "
                                    "(\"Obtener Parametros\") o cargue los de una visita "
                                    "(\"Cargar Parametros\" en \"Historial\")"));
        return OperationResult::make(OperationResult::refused);
    }
    if (!refused.isEmpty()) {
        asker().warn(QStringLiteral("Error de formato"),
                     QStringLiteral("Valor no válido en: ") + refused.join(QStringLiteral(", "))
                         + QStringLiteral(". No se grabó ningún parámetro."));
        return OperationResult::make(OperationResult::refused);
    }
    if (lines.isEmpty())
        return OperationResult::make(OperationResult::refused,
                                     QStringLiteral("Ningún parámetro cambió: no se grabó nada"));
    if (!asker().ask(QStringLiteral("¿Grabar en el controlador %1?\n\n%2")
                         .arg(lines.size() == 1 ? QStringLiteral("1 parámetro")
                                                : QStringLiteral("%1 parámetros").arg(lines.size()),
                              changes.join(QLatin1Char('\n')))))
        return OperationResult::make(OperationResult::refused,
                                     QStringLiteral("Parámetros no grabados"));
    QStringList rejected;
    for (int i = 0; i < lines.size(); ++i) {
        const Reply reply = session().exchange(lines.at(i), 1, 1);
        set_percent((i + 1) * 100 / int(lines.size()));
        if (!reply.line_usable()) {
            const QString where = QStringLiteral("Grabación detenida: %1 de %2 parámetros enviados")
                                      .arg(i + (reply.sent ? 1 : 0))
                                      .arg(lines.size());
            emit session().note(where);
            OperationResult r = OperationResult::from(reply, where);
            r.got = i;
            r.total = int(lines.size());
            return r;
        }
        // A refusal must not pass for a written parameter.
        const QString answer = reply.lines.isEmpty() ? QString() : reply.lines.first().trimmed();
        if (answer.isEmpty() || answer.startsWith(QLatin1String("ERROR")))
            rejected << fold(lines.at(i)) + QStringLiteral(" : ")
                    + (answer.isEmpty() ? QStringLiteral("sin respuesta") : answer);
    }
    if (rejected.isEmpty())
        return OperationResult::make(OperationResult::done, QStringLiteral("Parámetros grabados"));
    OperationResult r = OperationResult::make(
        OperationResult::failed,
        QStringLiteral("Parámetros no grabados: %1 de %2").arg(rejected.size()).arg(lines.size()));
    r.got = int(lines.size() - rejected.size());
    r.total = int(lines.size());
    // Reported before the box, which the user reads with the bar behind it.
    asker().report(r.summary);
    asker().warn(QStringLiteral("Error"),
                 QStringLiteral("El controlador no grabó:\n") + rejected.join(QLatin1Char('\n')));
    return r;
}
