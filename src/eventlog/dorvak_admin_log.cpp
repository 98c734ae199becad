// The event log: download into the "Registro" table and CSV export.
#include "dorvak_admin.h"

#include "log_download.h"

#include "csv_file.h"
#include "day_edit.h"
#include "history_db.h"
#include "log_filter.h"
#include "log_lines.h"
#include "log_model.h"
#include "text_util.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_row.h"
#include "widget_util.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Whether the tree's directory is that of the controller a log came from:
// where both identities are known they decide; without them, only the
// connected controller's log on the port the directory was read from. A
// directory from no controller (a file, the history) is nobody's.
bool tree_names_log(const QString &directory_port, const QString &directory_identity,
                    const QString &port, const QString &connected, const QString &log_identity)
{
    if (directory_port.isEmpty())
        return false;
    if (!log_identity.isEmpty() && !directory_identity.isEmpty())
        return log_identity == directory_identity;
    return log_identity == connected && directory_port == port;
}

QString equipment(const QString &identity)
{
    return identity.isEmpty() ? QStringLiteral("del controlador conectado")
                              : QStringLiteral("del equipo %1").arg(identity);
}

} // namespace

void DORVAK_Admin::build_log_page()
{
    log_page = new QTabWidget;
    log_page->setObjectName(QStringLiteral("log_page"));
    log_table = new QTableView;
    log_table->setObjectName(QStringLiteral("log_table"));
    log_model = new LogModel(log_table);
    log_table->setModel(log_model);
    // Wide enough for a date and time, a name, an international number and
    // the longest event text; the user can still drag them.
    const QFontMetrics metrics(log_table->font());
    const int widths[] = {metrics.horizontalAdvance(QStringLiteral("2024-03-05 14:01:48__")),
                          metrics.horizontalAdvance(QStringLiteral("Nombre de un usuario")),
                          metrics.horizontalAdvance(QStringLiteral("+54911234567890__")),
                          metrics.horizontalAdvance(QStringLiteral("Falla suministro electrico__")),
                          metrics.horizontalAdvance(QStringLiteral("Nombre de un usuario")),
                          metrics.horizontalAdvance(QStringLiteral("+54911234567890__"))};
    for (int c = 0; c < 6; ++c)
        log_table->setColumnWidth(c, qMax(150, widths[c]));
    log_table->setSortingEnabled(true);

    log_filter_edit = named(new QLineEdit, "log_filter_edit");
    log_filter_edit->setPlaceholderText(QStringLiteral("Buscar en el registro (Ctrl+F)"));
    log_filter_edit->setToolTip(
        QStringLiteral("Muestra los eventos con este texto en cualquier columna"));
    log_event_combo = named(new QComboBox, "log_event_combo");
    log_event_combo->addItem(QStringLiteral("Todos los eventos"), QString());
    for (const int code : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12})
        log_event_combo->addItem(event_text(code).trimmed(), event_text(code));
    log_event_combo->setToolTip(QStringLiteral("Muestra un solo tipo de evento"));
    // Room to type a name, however narrow the tab gets beside the console.
    log_filter_edit->setMinimumWidth(
        log_filter_edit->fontMetrics().horizontalAdvance(QStringLiteral("Nombre de un usuario")));
    log_from_edit = named(new DayEdit(QStringLiteral("Desde")), "log_from_edit");
    log_from_edit->setToolTip(QStringLiteral("Primer día a mostrar: 06/03/2024 o 2024-03-06"));
    log_to_edit = named(new DayEdit(QStringLiteral("Hasta")), "log_to_edit");
    log_to_edit->setToolTip(QStringLiteral("Último día a mostrar: 06/03/2024 o 2024-03-06"));
    log_count = named(new QLabel, "log_count");
    // Three short lines rather than one long one, so that nothing is cut
    // in a tab narrowed by the console: the finder, the count and the days
    // the log holds; the event and the days; the usual days one click away
    // and the one button that shows the whole log again.
    auto *filter_row = named(new QHBoxLayout, "log_filter_row");
    filter_row->addWidget(log_filter_edit, 1);
    filter_row->addWidget(log_count);
    // The days the log holds beside how many events: a controller whose
    // clock is wrong keeps days far from the computer's.
    log_days = named(new QLabel, "log_days");
    log_days->setToolTip(QStringLiteral("El primer y el último día que guarda el registro"));
    filter_row->addWidget(log_days);
    auto *choice_row = named(new QHBoxLayout, "log_choice_row");
    choice_row->addWidget(log_event_combo, 1);
    choice_row->addWidget(log_from_edit);
    choice_row->addWidget(log_to_edit);
    auto *days_row = named(new QHBoxLayout, "log_days_row");
    const struct
    {
        const char *text;
        const char *name;
        QuickRange range;
        const char *tip;
    } quick[] = {
        {"Hoy", "log_today_btn", QuickRange::hoy,
         "Los eventos de hoy, según la fecha del computador"},
        {"Último día", "log_last_day_btn", QuickRange::ultimo_dia,
         "Los eventos del último día que guarda el registro, según el reloj del controlador"},
        {"Ayer", "log_yesterday_btn", QuickRange::ayer,
         "Los eventos de ayer, según la fecha del computador"},
        {"7 días", "log_week_btn", QuickRange::siete_dias,
         "Los eventos de los últimos 7 días con hoy, según la fecha del computador"},
        {"Todo", "log_all_days_btn", QuickRange::todo, "Los eventos de todos los días"}};
    for (const auto &q : quick) {
        QPushButton *button = make_button(QString::fromUtf8(q.text), q.name);
        button->setToolTip(QString::fromUtf8(q.tip));
        days_row->addWidget(button);
        const QuickRange range = q.range;
        connect(button, &QPushButton::clicked, this, [this, range] {
            const DayRange days =
                quick_range(range, QDate::currentDate(), read_day(log_model->latest_day()));
            const QSignalBlocker from_quiet(log_from_edit);
            const QSignalBlocker to_quiet(log_to_edit);
            log_from_edit->setDate(days.from);
            log_to_edit->setDate(days.to);
            filter_log();
        });
    }
    log_clear_filter_btn = make_button(QStringLiteral("Quitar filtros"), "log_clear_filter_btn");
    log_clear_filter_btn->setToolTip(
        QStringLiteral("Mostrar todo el registro: sin texto, evento ni días"));
    days_row->addStretch();
    days_row->addWidget(log_clear_filter_btn);
    connect(log_filter_edit, &QLineEdit::textChanged, this, &DORVAK_Admin::filter_log);
    connect(log_event_combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &DORVAK_Admin::filter_log);
    connect(log_from_edit, &DayEdit::dateChanged, this, &DORVAK_Admin::filter_log);
    connect(log_to_edit, &DayEdit::dateChanged, this, &DORVAK_Admin::filter_log);
    connect(log_clear_filter_btn, &QPushButton::clicked, this, &DORVAK_Admin::clear_log_filter);

    get_log_btn = make_button(QStringLiteral("Obtener Registro"), "get_log_btn");
    get_log_btn->setToolTip(
        QStringLiteral("Descargar el registro de eventos del controlador (F5)"));
    export_log_btn = make_button(QStringLiteral("Exportar Registro"), "export_log_btn");
    export_log_btn->setToolTip(QStringLiteral("Guardar en un archivo CSV los eventos mostrados"));
    log_ops = make_ops_row("log_ops", {get_log_btn, export_log_btn});

    // Whose directory names the events: a log is only ever named after its
    // own controller's people.
    log_names = named(new QLabel, "log_names");
    log_names->setWordWrap(true);

    auto *layout = new QVBoxLayout(log_page);
    layout->addLayout(filter_row);
    layout->addLayout(choice_row);
    layout->addLayout(days_row);
    layout->addWidget(log_table);
    layout->addWidget(log_names);
    layout->addLayout(button_bar(log_ops));
}

void DORVAK_Admin::getLog()
{
    DownloadLog download(core);
    // The table keeps the last whole log until a new one has arrived whole:
    // a line lost, a silent controller or a stop leave it as it was.
    if (!run(download))
        return;
    // An archive coming in stops here: the download takes the table.
    archive_after = -1;
    log_model->clear();
    last_log_identity = core.identity();
    load_log_lines(download.lines, last_log_identity);
    filter_log();
    progress->setValue(0);
    progress->setFormat(QString());
    last_log_lines = download.lines;
    if (log_archive_btn->isChecked())
        show_archive();
}

void DORVAK_Admin::load_log_lines(const QStringList &lines, const QString &identity)
{
    // Every event names two users; one search of the tree per name would make
    // a long log against a large tree quadratic.
    const UserIndex index(user_tree);
    const bool from_tree =
        tree_names_log(directory.port, directory.identity, port_name, core.identity(), identity);
    // Else the controller's last directory in the history, else nobody.
    QDateTime read_at;
    QList<UserRecord> recorded;
    QHash<int, int> recorded_at;
    if (!from_tree && core.history() && !identity.isEmpty()) {
        for (const QString &line : core.history()->latest_users(identity, &read_at)) {
            UserRecord u;
            if (read_user_fields(line, u) && !recorded_at.contains(u.id_user)) {
                recorded_at.insert(u.id_user, int(recorded.size()));
                recorded << u;
            }
        }
    }
    log_names->setText(
        from_tree ? QStringLiteral("Nombres de la lista de usuarios, %1").arg(equipment(identity))
            : !recorded.isEmpty()
            ? QStringLiteral("Nombres del directorio %1 registrado el %2")
                  .arg(equipment(identity), read_at.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
            : QStringLiteral("Sin nombres: no hay directorio %1 en la lista de usuarios ni en el "
                             "historial")
                  .arg(equipment(identity)));
    // The root shows id 0 until the first download, with the placeholder
    // name and number of a new record: it is nobody.
    LogNamer namer([&](int id) -> const UserRecord * {
        if (!from_tree) {
            const int at = recorded_at.value(id, -1);
            return at < 0 ? nullptr : &recorded.at(at);
        }
        const UserRow *record = index.find(id);
        return record == root ? nullptr : record;
    });
    LogRowTexts find_texts;

    std::vector<LogModel::Row> rows;
    rows.reserve(size_t(lines.size()));
    int shown = -1;
    for (int i = 0; i < lines.size(); ++i) {
        if (is_log_line(lines.at(i))) {
            LogModel::Row row;
            row.cells = namer.cells(decode_log_line(lines.at(i)));
            // What the finder searches, made once here.
            row.find = find_texts(row.cells);
            rows.push_back(std::move(row));
        }
        const int percent = i * 100 / lines.size();
        if (percent != shown) {
            shown = percent;
            progress->setValue(percent);
            progress->setFormat(QStringLiteral("Procesando Eventos : ") + QString::number(percent)
                                + QLatin1Char('%'));
        }
    }
    // The new rows take their place in the order the table shows.
    log_model->append(std::move(rows));
}

void DORVAK_Admin::export_log()
{
    run_operation([this] {
        const QString name = choose_csv_to_save(this);
        if (!name.isEmpty())
            export_log_to(name);
    });
}

void DORVAK_Admin::export_log_to(const QString &name)
{
    // What the table will show once the archive is all in, not a part of it.
    while (archive_after >= 0)
        load_archive_part();
    {
        // The cells as the table shows them, in its current (possibly sorted)
        // row order; rows the filter hides are not written.
        QByteArray bytes = log_csv_header();
        const int written = log_model->rowCount();
        for (int r = 0; r < written; ++r)
            bytes += log_csv_line(log_model->cells(r));

        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            show_file_error(this, QStringLiteral("No se pudo abrir el archivo : ") + name);
            return;
        }
        if (file.write(bytes) != bytes.size() || !file.flush())
            show_file_error(this, QStringLiteral("No se pudo escribir el archivo : ") + name);
        else
            report(counted(written, QStringLiteral("evento exportado"),
                           QStringLiteral("eventos exportados"))
                   + QStringLiteral(" a ") + QFileInfo(name).fileName());
    }
}

void DORVAK_Admin::filter_log()
{
    LogFilter filter;
    filter.text = comparable(log_filter_edit->text().simplified());
    filter.event = log_event_combo->currentData().toString();
    filter.from = log_from_edit->date().toString(Qt::ISODate);
    filter.to = log_to_edit->date().toString(Qt::ISODate);
    log_model->set_filter(filter);
    show_log_count();
    update_log_chart();
}

void DORVAK_Admin::show_log_count()
{
    const int rows = log_model->total();
    const int shown = log_model->rowCount();
    const QString latest = log_model->latest_day();
    const QString events = counted(rows, QStringLiteral("evento"), QStringLiteral("eventos"));
    log_count->setText(!log_model->filtered() ? events
                                              : QStringLiteral("%1 de %2").arg(shown).arg(events));
    // A day is looked for in the log at hand: the calendars open at its
    // last day rather than at today's month.
    const QDate last_day = read_day(latest);
    log_days->setText(log_days_text(read_day(log_model->earliest_day()), last_day));
    log_from_edit->setCalendarStart(last_day);
    log_to_edit->setCalendarStart(last_day);
}

void DORVAK_Admin::clear_log_filter()
{
    const QSignalBlocker text_quiet(log_filter_edit);
    const QSignalBlocker event_quiet(log_event_combo);
    const QSignalBlocker from_quiet(log_from_edit);
    const QSignalBlocker to_quiet(log_to_edit);
    log_filter_edit->clear();
    log_event_combo->setCurrentIndex(0);
    log_from_edit->setDate(QDate());
    log_to_edit->setDate(QDate());
    filter_log();
}
