// The history of every visit: recording each complete read, the
// "Historial" page, the archive and the chart in the "Registro" tab, and
// putting a recorded controller back onto a replacement.
#include "dorvak_admin.h"

#include "chart_axis.h"
#include "console.h"
#include "history_changes.h"
#include "history_db.h"
#include "log_model.h"
#include "param_form.h"
#include "param_lines.h"
#include "user_row.h"
#include "widget_util.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <QMap>

#ifdef QT_CHARTS_USE_NAMESPACE
QT_CHARTS_USE_NAMESPACE
#endif

namespace {

// The colours of the style sheet, for what it does not reach.
enum class ChartColour { window, field, text, line, grid, series };
QColor chart_colour(ChartColour role)
{
    switch (role) {
    case ChartColour::window:
        return QColor(0x32, 0x32, 0x32);
    case ChartColour::field:
        return QColor(0x24, 0x24, 0x24);
    case ChartColour::text:
        return QColor(0xb1, 0xb1, 0xb1);
    case ChartColour::line:
        return QColor(0x6e, 0x6e, 0x6e);
    case ChartColour::grid:
        return QColor(0x4a, 0x4a, 0x4a);
    case ChartColour::series:
        break;
    }
    return QColor(0xff, 0xa0, 0x2f);
}

// An axis's labels, line and grid in those colours.
void style_axis(QAbstractAxis *axis)
{
    axis->setLabelsBrush(chart_colour(ChartColour::text));
    axis->setLinePenColor(chart_colour(ChartColour::line));
    axis->setGridLineColor(chart_colour(ChartColour::grid));
}

QString when(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// One line of the visit list: when, who made it, and what was read.
QString visit_text(const VisitInfo &v)
{
    QStringList read;
    if (!v.origin.isEmpty())
        read << v.origin;
    if (v.users_at.isValid())
        read << QStringLiteral("%1 usuarios").arg(v.users);
    if (v.params_at.isValid())
        read << QStringLiteral("parámetros");
    if (v.log_at.isValid())
        read << QStringLiteral("registro (%1 eventos nuevos)").arg(v.new_events);
    return when(v.started) + QStringLiteral(" — ") + read.join(QStringLiteral(", "));
}

void add_section(QStringList &text, const QString &title, const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    text << QStringLiteral("%1 (%2):").arg(title).arg(lines.size());
    for (const QString &line : lines)
        text << QStringLiteral("  ") + line;
}

} // namespace

void DORVAK_Admin::build_history_page()
{
    history_page = named(new QWidget, "history_page");
    history_state = named(new QLabel, "history_state");
    history_state->setWordWrap(true);
    history_controller_combo = named(new QComboBox, "history_controller_combo");
    history_controller_combo->setToolTip(QStringLiteral("Controladores visitados"));
    history_visits = named(new QListWidget, "history_visits");
    // A visit's line is read whole, wrapped rather than cut.
    history_visits->setWordWrap(true);
    history_changes = named(new QPlainTextEdit, "history_changes");
    history_changes->setReadOnly(true);
    history_users_btn = make_button(QStringLiteral("Cargar Directorio"), "history_users_btn");
    history_users_btn->setToolTip(QStringLiteral(
        "Poner los usuarios de esta visita en el árbol, pendientes de \"Sincronizar\""));
    history_params_btn = make_button(QStringLiteral("Cargar Parametros"), "history_params_btn");
    history_params_btn->setToolTip(QStringLiteral(
        "Poner los parámetros de esta visita en el formulario, para \"Grabar Parametros\""));
    auto *ops = make_ops_row("history_ops", {history_users_btn, history_params_btn});

    auto *chooser = new QFormLayout;
    chooser->addRow(QStringLiteral("Controlador"), history_controller_combo);
    auto *lists = new QHBoxLayout;
    auto *visits_box = new QVBoxLayout;
    visits_box->addWidget(new QLabel(QStringLiteral("Visitas")));
    visits_box->addWidget(history_visits);
    auto *changes_box = new QVBoxLayout;
    changes_box->addWidget(new QLabel(QStringLiteral("Cambios desde la visita anterior")));
    changes_box->addWidget(history_changes);
    lists->addLayout(visits_box, 1);
    lists->addLayout(changes_box, 1);
    auto *layout = new QVBoxLayout(history_page);
    layout->addWidget(history_state);
    layout->addLayout(chooser);
    layout->addLayout(lists, 1);
    layout->addLayout(button_bar(ops));
    tabs->addTab(history_page, QStringLiteral("Historial"));

    // The list is filled with its signals blocked: a change is the user's
    // choice, which stays whichever controller is connected.
    connect(history_controller_combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this] {
                history_followed = core.identity();
                show_history();
            });
    connect(history_visits, &QListWidget::currentRowChanged, this, &DORVAK_Admin::show_visit);
    connect(history_users_btn, &QPushButton::clicked, this, &DORVAK_Admin::restore_users);
    connect(history_params_btn, &QPushButton::clicked, this, &DORVAK_Admin::restore_params);
    connect(tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (tabs->widget(index) == history_page)
            show_history();
    });

    // The archive switch and the chart live in the Registro tab, beside the
    // buttons that work on what the table shows.
    log_archive_btn = make_button(QStringLiteral("Ver Archivo"), "log_archive_btn");
    log_archive_btn->setCheckable(true);
    log_archive_btn->setToolTip(QStringLiteral(
        "Mostrar todos los eventos guardados de este controlador en vez de la última descarga"));
    log_chart_btn = make_button(QStringLiteral("Ver Gráfico"), "log_chart_btn");
    log_chart_btn->setCheckable(true);
    log_chart_btn->setToolTip(QStringLiteral("Eventos por día de las filas mostradas"));
    if (auto *row = qobject_cast<QBoxLayout *>(log_ops->layout())) {
        row->addWidget(log_archive_btn);
        row->addWidget(log_chart_btn);
    }
    auto *chart_view = new QChartView(new QChart);
    chart_view->setObjectName(QStringLiteral("log_chart"));
    chart_view->setMinimumHeight(200);
    chart_view->chart()->legend()->hide();
    // The window's colours (darkorange_stylesheet.css): the chart is drawn
    // by itself, not by the style sheet.
    QChart *chart = chart_view->chart();
    chart->setBackgroundBrush(chart_colour(ChartColour::window));
    chart->setBackgroundRoundness(0);
    chart->setPlotAreaBackgroundBrush(chart_colour(ChartColour::field));
    chart->setPlotAreaBackgroundVisible(true);
    chart->setTitleBrush(chart_colour(ChartColour::text));
    chart_view->hide();
    log_chart = chart_view;
    if (auto *page_layout = qobject_cast<QBoxLayout *>(log_page->layout()))
        page_layout->insertWidget(page_layout->indexOf(log_table) + 1, log_chart);
    connect(log_archive_btn, &QPushButton::toggled, this, &DORVAK_Admin::show_archive);
    connect(log_chart_btn, &QPushButton::toggled, this, [this](bool on) {
        log_chart->setVisible(on);
        update_log_chart();
    });
    // Every recording that fails says so where the history's state is.
    connect(&core, &AdminCore::recording_failed, this, [this](const QString &text) {
        history_state->setText(history_state->text() + QLatin1Char('\n') + text);
    });
    // A file that cannot be used says why through history_failed.
    core.open_history(HistoryDb::default_path());
    history_state->setText(core.history_state());
    history_page->setEnabled(core.history());
    log_archive_btn->setEnabled(core.history());
}

void DORVAK_Admin::history_failed(const QString &why)
{
    // Said once, where it stays visible; the tool carries on without it.
    history_state->setText(why);
    console->note(why);
    report(why);
    if (history_page) {
        history_page->setEnabled(false);
        log_archive_btn->setEnabled(false);
    }
}

void DORVAK_Admin::show_history()
{
    if (!core.history())
        return;
    // A controller newly connected is chosen once; after that, the one the
    // user chooses stays, so that another controller's visits can be loaded
    // while this one is connected.
    const bool follow = !core.identity().isEmpty() && core.identity() != history_followed;
    if (follow)
        history_followed = core.identity();
    const QString wanted =
        follow ? core.identity() : history_controller_combo->currentData().toString();
    const QList<ControllerInfo> seen = core.history()->controllers();
    {
        const QSignalBlocker quiet(history_controller_combo);
        history_controller_combo->clear();
        for (const ControllerInfo &c : seen)
            history_controller_combo->addItem(
                c.name.isEmpty() ? c.identity : QStringLiteral("%1 — %2").arg(c.identity, c.name),
                c.identity);
        const int at = history_controller_combo->findData(wanted);
        history_controller_combo->setCurrentIndex(at >= 0 ? at : 0);
    }
    const QString identity = history_controller_combo->currentData().toString();
    const QSignalBlocker quiet(history_visits);
    history_visits->clear();
    for (const VisitInfo &v : core.history()->visits(identity)) {
        auto *item = new QListWidgetItem(visit_text(v), history_visits);
        item->setData(Qt::UserRole, v.id);
        item->setToolTip(item->text());
    }
    history_visits->setCurrentRow(0);
    show_visit();
}

void DORVAK_Admin::show_visit()
{
    history_changes->clear();
    const int row = history_visits->currentRow();
    history_users_btn->setEnabled(false);
    history_params_btn->setEnabled(false);
    if (!core.history() || row < 0)
        return;
    const QList<VisitInfo> all =
        core.history()->visits(history_controller_combo->currentData().toString());
    if (row >= all.size())
        return;
    const VisitInfo &visit = all.at(row);
    // The visits before this one that read the same thing.
    const VisitInfo *users_before = nullptr;
    const VisitInfo *params_before = nullptr;
    const VisitInfo *any_before = row + 1 < all.size() ? &all.at(row + 1) : nullptr;
    for (int i = row + 1; i < all.size(); ++i) {
        if (!users_before && all.at(i).users_at.isValid())
            users_before = &all.at(i);
        if (!params_before && all.at(i).params_at.isValid())
            params_before = &all.at(i);
    }
    QStringList text;
    if (!any_before)
        text << QStringLiteral("Primera visita a este controlador.");
    else
        text << QStringLiteral("Visita anterior: %1").arg(when(any_before->started));
    if (!visit.users_at.isValid()) {
        text << QStringLiteral("Usuarios: no se leyeron en esta visita.");
    } else if (users_before) {
        const DirectoryChanges d = compare_directories(core.history()->users_of(users_before->id),
                                                       core.history()->users_of(visit.id));
        if (d.empty())
            text << QStringLiteral("Usuarios: sin cambios.");
        add_section(text, QStringLiteral("Personas agregadas"), d.added);
        add_section(text, QStringLiteral("Personas quitadas"), d.removed);
        add_section(text, QStringLiteral("Personas cambiadas"), d.changed);
        if (d.none_matched)
            text << QStringLiteral("Atención: ninguna persona de la visita anterior está en esta; "
                                   "¿es otro controlador con el mismo Número Equipo?");
    }
    if (!visit.params_at.isValid()) {
        text << QStringLiteral("Parámetros: no se leyeron en esta visita.");
    } else if (params_before) {
        QStringList labels;
        for (int n = 0; n < param_count; ++n)
            labels << param_form_widget->label(n).remove(QLatin1Char(':'));
        const QStringList p = compare_params(
            core.history()->params_of(params_before->id), core.history()->params_of(visit.id),
            labels,
            [this](int n, const QString &valor) { return param_form_widget->words(n, valor); });
        if (p.isEmpty())
            text << QStringLiteral("Parámetros: sin cambios.");
        add_section(text, QStringLiteral("Parámetros cambiados"), p);
    }
    if (visit.log_at.isValid())
        text << QStringLiteral("Eventos llegados desde entonces: %1").arg(visit.new_events);
    else
        text << QStringLiteral("Registro: no se leyó en esta visita.");
    history_changes->setPlainText(text.join(QLatin1Char('\n')));
    history_users_btn->setEnabled(visit.users_at.isValid());
    history_params_btn->setEnabled(visit.params_at.isValid());
}

void DORVAK_Admin::restore_users()
{
    run_users_operation(Needs::any, [this] {
        const QListWidgetItem *item = history_visits->currentItem();
        if (!core.history() || !item || !discard_pending_ok(pending_count()))
            return;
        const QStringList lines = core.history()->users_of(item->data(Qt::UserRole).toLongLong());
        install_root(QStringLiteral("Raíz"));
        load_user_lines(lines);
        // Nothing of it is known to be on the connected controller: every
        // record waits for "Sincronizar".
        for (UserRow *u : qAsConst(users)) {
            u->pending = true;
            u->numero_device.clear();
        }
        tabs->setCurrentWidget(user_tree->parentWidget());
        report(QStringLiteral("%1 usuarios del historial, pendientes de \"Sincronizar\"")
                   .arg(users.size()));
    });
}

void DORVAK_Admin::restore_params()
{
    run_operation([this] {
        const QListWidgetItem *item = history_visits->currentItem();
        if (!core.history() || !item)
            return;
        const QVector<QString> values =
            core.history()->params_of(item->data(Qt::UserRole).toLongLong());
        // The firmware version and the user limit belong to the controller
        // itself: they stay as the connected one has them. The values are
        // written as they were recorded unless changed in the form.
        params_loaded = param_form_widget->show_read(values, true);
        tabs->setCurrentWidget(config_page);
        report(QStringLiteral("Parámetros del historial en el formulario; \"Grabar Parametros\" "
                              "muestra lo que cambia y los escribe"));
    });
}

void DORVAK_Admin::show_archive()
{
    archive_after = -1;
    // The same table, finder, sorting and export as for a download.
    log_model->clear();
    if (!log_archive_btn->isChecked()) {
        load_log_lines(last_log_lines, last_log_identity);
        filter_log();
        progress->setValue(0);
        progress->setFormat(QString());
        return;
    }
    const QString identity = core.identity().isEmpty()
        ? history_controller_combo->currentData().toString()
        : core.identity();
    if (!core.history() || identity.isEmpty()) {
        const QSignalBlocker quiet(log_archive_btn);
        log_archive_btn->setChecked(false);
        report(QStringLiteral("Elija un controlador en \"Historial\" o lea sus parámetros"));
        show_archive();
        return;
    }
    archive_identity = identity;
    archive_after = 0;
    archive_total = core.history()->archive_size(identity);
    load_archive_part();
    filter_log();
}

void DORVAK_Admin::load_archive_part()
{
    if (archive_after < 0 || !core.history())
        return;
    // A first part that shows at once, then parts that each take well under
    // the time a keystroke in the finder may wait.
    const int part = log_model->total() == 0 ? 10000 : 50000;
    QString failure;
    const QStringList lines =
        core.history()->archive_part(archive_identity, archive_after, part, &failure);
    load_log_lines(lines, archive_identity);
    show_log_count();
    if (lines.size() == part && failure.isEmpty()) {
        const int percent = int(log_model->total() * 100 / qMax(archive_total, qint64(1)));
        progress->setValue(qMin(percent, 99));
        progress->setFormat(QStringLiteral("Cargando Archivo : %1%").arg(qMin(percent, 99)));
        QTimer::singleShot(0, this, &DORVAK_Admin::load_archive_part);
        return;
    }
    archive_after = -1;
    progress->setValue(0);
    progress->setFormat(QString());
    update_log_chart();
    // What could be read, and why not the rest: never a part passed off as
    // the whole archive.
    if (!failure.isEmpty()) {
        const QString text = QStringLiteral("Archivo del controlador %1 incompleto: se leyeron %2 "
                                            "de %3 eventos (%4)")
                                 .arg(archive_identity)
                                 .arg(log_model->total())
                                 .arg(archive_total)
                                 .arg(failure);
        history_state->setText(core.history_state() + QLatin1Char('\n') + text);
        console->note(text);
        report(text);
        return;
    }
    report(QStringLiteral("Archivo del controlador %1: %2 eventos")
               .arg(archive_identity)
               .arg(log_model->total()));
}

void DORVAK_Admin::update_log_chart()
{
    if (!log_chart_btn || !log_chart_btn->isChecked())
        return;
    // Rows of one day mostly follow one another: they are counted by runs,
    // and each run's day is read once.
    QHash<QString, int> per_text;
    QString run_day;
    int run = 0;
    const int rows = log_model->rowCount();
    for (int r = 0; r <= rows; ++r) {
        const QStringView day =
            r < rows ? QStringView(log_model->text(r, 0)).left(10) : QStringView();
        if (r < rows && run > 0 && day == QStringView(run_day)) {
            ++run;
            continue;
        }
        if (run > 0)
            per_text[run_day] += run;
        run_day = day.toString();
        run = 1;
    }
    QMap<QDate, int> per_day;
    for (auto it = per_text.cbegin(); it != per_text.cend(); ++it) {
        const QDate day = QDate::fromString(it.key(), QStringLiteral("yyyy-MM-dd"));
        if (day.isValid())
            per_day[day] += it.value();
    }
    auto *view = static_cast<QChartView *>(log_chart);
    QChart *chart = view->chart();
    chart->removeAllSeries();
    const auto axes = chart->axes();
    for (QAbstractAxis *axis : axes) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto *series = new QLineSeries;
    series->setPen(QPen(chart_colour(ChartColour::series), 2));
    int most = 0;
    // Each day's count stands at its noon, so that an hour's change of the
    // clock never moves a mark into the day before.
    const auto noon = [](const QDate &day) { return QDateTime(day, QTime(12, 0)); };
    for (auto it = per_day.cbegin(); it != per_day.cend(); ++it) {
        series->append(double(noon(it.key()).toMSecsSinceEpoch()), it.value());
        most = qMax(most, it.value());
    }
    chart->addSeries(series);
    // Whole days and whole counts, in steps of 1, 2, 5, 10 and so on.
    const QDate first = per_day.isEmpty() ? QDate::currentDate() : per_day.firstKey();
    const QDate last = per_day.isEmpty() ? first : per_day.lastKey();
    const AxisSteps day_steps = axis_steps(int(first.daysTo(last)));
    // The year once, in the title, when all the days share it.
    const bool one_year = first.year() == first.addDays(day_steps.top).year();
    auto *days = new QDateTimeAxis;
    days->setFormat(one_year ? QStringLiteral("dd/MM") : QStringLiteral("dd/MM/yy"));
    days->setRange(noon(first), noon(first.addDays(day_steps.top)));
    days->setTickCount(day_steps.count() + 1);
    const AxisSteps count_steps = axis_steps(most);
    auto *counts = new QValueAxis;
    counts->setRange(0, double(count_steps.top));
    counts->setTickCount(count_steps.count() + 1);
    counts->setLabelFormat(QStringLiteral("%d"));
    for (QAbstractAxis *axis :
         {static_cast<QAbstractAxis *>(days), static_cast<QAbstractAxis *>(counts)})
        style_axis(axis);
    chart->addAxis(days, Qt::AlignBottom);
    chart->addAxis(counts, Qt::AlignLeft);
    series->attachAxis(days);
    series->attachAxis(counts);
    chart->setTitle(one_year ? QStringLiteral("Eventos por día, %1").arg(first.year())
                             : QStringLiteral("Eventos por día"));
}
