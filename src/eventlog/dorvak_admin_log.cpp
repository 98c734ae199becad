// The event log: download into the "Registro" table and CSV export.
#include "dorvak_admin.h"

#include "csv_file.h"
#include "log_lines.h"
#include "operation_guard.h"
#include "text_util.h"
#include "user_index.h"
#include "user_row.h"
#include "widget_util.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

void DORVAK_Admin::build_log_page()
{
    log_page = new QTabWidget;
    log_page->setObjectName(QStringLiteral("log_page"));
    log_table = new QTableWidget(0, 6);
    log_table->setObjectName(QStringLiteral("log_table"));
    log_table->setHorizontalHeaderLabels(
        {QStringLiteral("Fecha Hora"), QStringLiteral("Nombre Usuario"),
         QStringLiteral("Numero Usuario"), QStringLiteral("Accion"),
         QStringLiteral("Nombre Asociado"), QStringLiteral("Numero Asociado")});
    for (int c = 0; c < 6; ++c)
        log_table->setColumnWidth(c, 150);
    log_table->setSortingEnabled(true);

    get_log_btn = make_button(QStringLiteral("Obtener Registro"), "get_log_btn");
    export_log_btn = make_button(QStringLiteral("Exportar Registro"), "export_log_btn");
    log_ops = make_ops_row("log_ops", {get_log_btn, export_log_btn});

    auto *layout = new QVBoxLayout(log_page);
    layout->addWidget(log_table);
    layout->addLayout(button_bar(log_ops));
}

void DORVAK_Admin::getLog()
{
    run_operation([this] {
        exchange(QStringLiteral("TOTAL_LOG"), 1, 2, QStringLiteral("Bajando Eventos"));
        // On a closed port resps still holds what an earlier exchange left: a
        // lone stale line would pass for the count and the table would be
        // refilled with an old log.
        if (!sent || resps.size() != 1)
            return;
        const int total = read_decimal(resps.first());
        pause_after_command(100);
        // Only the log lines count: status lines that the controller mixes
        // in would otherwise end the wait before the last events are in.
        exchange(QStringLiteral("ENVLOG"), total, 2, QStringLiteral("Cargando Registro"),
                 QStringLiteral("XX "));
        const int got = sent ? int(std::count_if(resps.cbegin(), resps.cend(), is_log_line)) : 0;
        // The table keeps the last whole log until a new one has arrived
        // whole: a line lost, a silent controller or a stop leave it as it
        // was.
        if (got < total) {
            show_incomplete(got, total, QStringLiteral("eventos"));
            return;
        }
        log_table->setRowCount(0);
        load_log_lines(resps);
        progress->setValue(0);
        progress->setFormat(QString());
        report(QStringLiteral("%1 eventos").arg(got));
    });
}

void DORVAK_Admin::load_log_lines(const QStringList &lines)
{
    // Every event names two users; one search of the tree per name would make
    // a long log against a large tree quadratic.
    const UserIndex index(user_tree);
    // The root shows id 0 until the first download, with the placeholder
    // name and number of a new record: it is nobody. An id without a user
    // gets no number at all, so that no placeholder passes for one.
    auto known = [&](int id) -> const UserRow * {
        const UserRow *record = index.find(id);
        return record == root ? nullptr : record;
    };
    const QString unknown = QStringLiteral("????");

    int row = log_table->rowCount();
    int events = 0;
    for (const QString &line : lines)
        events += is_log_line(line) ? 1 : 0;

    // Sorting stays off while the rows fill: a sorted table moves a row as
    // soon as the sorted column gets its cell, and the record's later cells
    // would land on another event's row. Switching it back on sorts the new
    // rows into the order the table was showing.
    const bool sorting = log_table->isSortingEnabled();
    log_table->setSortingEnabled(false);
    log_table->setRowCount(row + events);
    auto put = [this](int r, int c, const QString &text) {
        log_table->setItem(r, c, new QTableWidgetItem(text));
    };

    int shown = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (is_log_line(lines.at(i))) {
            const LogRecord r = decode_log_line(lines.at(i));
            const UserRow *user = r.has_usuario() ? known(r.usuario) : nullptr;
            const UserRow *asoc = r.has_asociado() ? known(r.asociado) : nullptr;
            put(row, 0, r.fecha);
            put(row, 1, user ? user->nombre : unknown);
            put(row, 2, user ? user->numero : QString());
            put(row, 3, event_text(r.accion));
            put(row, 4, asoc ? asoc->nombre : unknown);
            put(row, 5, asoc ? asoc->numero : QString());
            ++row;
        }
        const int percent = i * 100 / lines.size();
        if (percent != shown) {
            shown = percent;
            progress->setValue(percent);
            progress->setFormat(QStringLiteral("Procesando Eventos : ") + QString::number(percent)
                                + QLatin1Char('%'));
        }
    }
    log_table->setSortingEnabled(sorting);
}

void DORVAK_Admin::export_log()
{
    run_operation([this] {
        const QString name = choose_csv_to_save(this);
        if (name.isEmpty())
            return;

        // The cells as the table shows them, in its current (possibly sorted)
        // row order.
        QByteArray bytes = log_csv_header();
        const int rows = log_table->rowCount();
        for (int r = 0; r < rows; ++r) {
            QStringList cells;
            for (int c = 0; c < log_table->columnCount(); ++c) {
                const QTableWidgetItem *item = log_table->item(r, c);
                cells << (item ? item->text() : QString());
            }
            bytes += log_csv_line(cells);
        }

        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            show_file_error(this, QStringLiteral("No se pudo abrir el archivo : ") + name);
            return;
        }
        if (file.write(bytes) != bytes.size() || !file.flush())
            show_file_error(this, QStringLiteral("No se pudo escribir el archivo : ") + name);
    });
}
