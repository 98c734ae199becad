#include "dorvak_admin.h"

#include "command_list.h"
#include "console.h"
#include "net_text.h"
#include "port_combo.h"
#include "text_util.h"
#include "user_panel.h"
#include "user_row.h"
#include "widget_util.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDebug>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The room a window has on its screen: the usable part (without the
// desktop's panels) less what a title bar and a frame take at most, which
// the window's own geometry does not include.
QSize usable_room(const QWidget *window)
{
    return window->screen()->availableGeometry().size() - QSize(0, 40);
}

QPushButton *make_icon_button(const char *icon, const char *name)
{
    return named(new QPushButton(QIcon(QLatin1String(icon)), QString()), name);
}

} // namespace

DORVAK_Admin::DORVAK_Admin(QWidget *parent) : QMainWindow(parent)
{
    // The pictures live in the core library; a static library's resources
    // are only linked in when something refers to them.
    Q_INIT_RESOURCE(resources);
    setObjectName(QStringLiteral("DORVAK_Admin"));

    static_assert(int(Asker::yes) == int(QMessageBox::Yes) && int(Asker::no) == int(QMessageBox::No)
                      && int(Asker::save) == int(QMessageBox::Save)
                      && int(Asker::discard) == int(QMessageBox::Discard)
                      && int(Asker::cancel) == int(QMessageBox::Cancel)
                      && int(Asker::yes_to_all) == int(QMessageBox::YesToAll),
                  "the core's buttons are Qt's standard buttons");
    root = new UserRow;
    root->id_user = 0;
    root->id_padre = 0;
    // The same name the root takes after a download: it stands for the
    // controller's whole database, not for a record with the id 0.
    root->setText(0, QStringLiteral("Raíz"));
    user_tree = named(new QTreeWidget(this), "user_tree");
    setWindowIcon(QIcon(QStringLiteral(":/images/dorvak-admin.png")));
    auto *header = new QTreeWidgetItem;
    header->setText(0, QStringLiteral("ID"));
    header->setText(1, QStringLiteral("Nombre"));
    header->setText(2, QStringLiteral("Numero"));
    header->setText(3, QStringLiteral("Tipo"));
    user_tree->setHeaderItem(header);
    user_tree->addTopLevelItem(root);
    // Wide enough for what the columns hold (three levels of ids, a long
    // name, an international number, the category); the user can still
    // drag them.
    const QFontMetrics metrics(user_tree->font());
    // The ids stand indented by their level: a visitor's is three steps in.
    user_tree->setColumnWidth(
        0,
        qMax(120,
             4 * user_tree->indentation() + metrics.horizontalAdvance(QStringLiteral("00000__"))));
    user_tree->setColumnWidth(1, metrics.horizontalAdvance(QStringLiteral("Nombre de un usuario")));
    user_tree->setColumnWidth(2, metrics.horizontalAdvance(QStringLiteral("+54911234567890__")));
    user_tree->setColumnWidth(3, metrics.horizontalAdvance(QStringLiteral("USUARIO___")));

    build_frame();

    user_panel = named(new UserPanel(root, true, this), "user_panel");
    build_users_page();
    tabs = named(new QTabWidget, "tabs");
    tabs->addTab(user_tree->parentWidget(), QStringLiteral("Usuarios"));
    build_log_page();
    tabs->addTab(log_page, QStringLiteral("Registro"));
    build_config_page();
    tabs->addTab(config_page, QStringLiteral("Configuración"));

    auto *main_page = named(new QWidget, "main_page");
    auto *main_layout = new QVBoxLayout(main_page);
    main_layout->setContentsMargins(0, 0, 0, 0);
    main_layout->addWidget(tabs);
    main_layout->addWidget(conn_bar);

    // The ports present now; they go into the box only once portChanged is
    // connected, so that the first one becomes port_name.
    connect_all();
    port_combo->add_present_ports();

    splitter = named(new QSplitter(Qt::Horizontal), "splitter");
    splitter->setLineWidth(10);
    splitter->addWidget(main_page);
    splitter->addWidget(console_panel);
    // The tabs get the larger share; the console is for reading along.
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    setCentralWidget(splitter);
    console_panel->hide();
    status_bar = named(new StatusBar, "status_bar");
    status_port = named(new QLabel(QStringLiteral("Desconectado")), "status_port");
    status_bar->addPermanentWidget(status_port);
    setStatusBar(status_bar);
    // The window opens at 1000×800, or smaller where the screen has less
    // room: on a 1366×768 screen the port row and the status bar must
    // not start below its edge. Below 1000 wide the tabs and the console
    // would not both fit; the height the pages need is their layouts' own
    // minimum.
    const QSize first = QSize(1000, 800).boundedTo(usable_room(this));
    setMinimumWidth(first.width());
    resize(first);

    auto *debug_shortcut =
        named(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this), "debug_shortcut");
    debug_shortcut->setContext(Qt::WindowShortcut);
    connect(debug_shortcut, &QShortcut::activated, this, &DORVAK_Admin::show_debug);
    auto *escape_shortcut =
        named(new QShortcut(QKeySequence(Qt::Key_Escape), this), "escape_shortcut");
    connect(escape_shortcut, &QShortcut::activated, this, &DORVAK_Admin::escape_pressed);
    auto *find_shortcut =
        named(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), "find_shortcut");
    connect(find_shortcut, &QShortcut::activated, this, &DORVAK_Admin::focus_filter);
    auto *read_shortcut = named(new QShortcut(QKeySequence(Qt::Key_F5), this), "read_shortcut");
    connect(read_shortcut, &QShortcut::activated, this, &DORVAK_Admin::read_current_tab);
    auto *save_shortcut =
        named(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this), "save_shortcut");
    connect(save_shortcut, &QShortcut::activated, this, &DORVAK_Admin::save_shortcut);
    // Only on the tree: Delete in a text field edits the text.
    auto *delete_shortcut =
        named(new QShortcut(QKeySequence(Qt::Key_Delete), user_tree), "delete_shortcut");
    delete_shortcut->setContext(Qt::WidgetShortcut);
    connect(delete_shortcut, &QShortcut::activated, this, &DORVAK_Admin::borrar);

    build_history_page();
    update_title();
    restore_settings();
}

DORVAK_Admin::~DORVAK_Admin()
{
    // The debug row belongs to the window only once Ctrl+O has placed it.
    if (!debug_row->parent()) {
        delete debug_row;
        delete debug_ops;
    }
}

void DORVAK_Admin::build_frame()
{
    console = named(new Console, "console");
    console->setEnabled(false);
    console->setLocalEcho(true);
    console->setMinimumWidth(400);
    auto *scroll = named(new QScrollArea, "console_scroll");
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setWidgetResizable(true);
    auto *scroll_content = named(new QWidget, "console_scroll_content");
    auto *scroll_layout = new QVBoxLayout(scroll_content);
    scroll_layout->setContentsMargins(0, 0, 0, 0);
    scroll_layout->addWidget(console);
    scroll->setWidget(scroll_content);

    console_panel = named(new QWidget, "console_panel");
    console_layout = named(new QVBoxLayout, "console_layout");
    console_layout->addWidget(scroll);

    port_combo = named(new PortCombo, "port_combo");
    port_combo->setMinimumWidth(100);
    // A whole device path, "/dev/ttyUSB0" or longer, stays readable.
    port_combo->setMinimumContentsLength(14);
    port_combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto *conn_layout = named(new QHBoxLayout, "conn_layout");
    conn_layout->addWidget(port_combo);

    connect_btn = make_icon_button(":/images/connect.png", "connect_btn");
    connect_btn->setToolTip(QStringLiteral("Abrir el puerto elegido (115200 8N1)"));
    disconnect_btn = make_icon_button(":/images/disconnect.png", "disconnect_btn");
    disconnect_btn->setToolTip(QStringLiteral("Cerrar el puerto"));
    conn_layout->addWidget(connect_btn);
    conn_layout->addWidget(disconnect_btn);
    connect_btn->setEnabled(true);
    disconnect_btn->setEnabled(false);

    maint_row = named(new QHBoxLayout, "maint_row");
    debug_row = named(new QHBoxLayout, "debug_row");
    clear_btn = make_icon_button(":/images/clear.png", "clear_btn");
    clear_btn->setToolTip(QStringLiteral("Limpiar la consola"));
    console_time_check = named(new QCheckBox(QStringLiteral("Hora")), "console_time_check");
    console_time_check->setToolTip(QStringLiteral("Mostrar la hora de cada línea de la consola"));
    save_console_btn = make_button(QStringLiteral("Guardar consola"), "save_console_btn");
    save_console_btn->setToolTip(QStringLiteral("Guardar en un archivo lo que muestra la consola"));
    commands_btn = make_button(QStringLiteral("Órdenes"), "commands_btn");
    commands_btn->setToolTip(
        QStringLiteral("Las órdenes del controlador: qué hace y qué responde cada una (también "
                       "\"?\" y Enter en la consola; Tab completa el nombre)"));
    console_lines_spin = named(new QSpinBox, "console_lines_spin");
    console_lines_spin->setRange(1000, 1000000);
    console_lines_spin->setSingleStep(1000);
    console_lines_spin->setValue(Console::default_line_limit);
    console_lines_spin->setSuffix(QStringLiteral(" líneas"));
    console_lines_spin->setToolTip(
        QStringLiteral("Líneas que guarda la consola; las más antiguas se descartan"));
    auto *console_tools = named(new QHBoxLayout, "console_tools");
    console_tools->setContentsMargins(0, 0, 0, 0);
    console_tools->addWidget(clear_btn);
    console_tools->addWidget(console_time_check);
    console_tools->addWidget(save_console_btn);
    console_tools->addWidget(commands_btn);
    console_tools->addWidget(console_lines_spin);
    console_tools->addStretch();
    console_layout->addLayout(console_tools);

    print_db_btn = make_button(QStringLiteral("Print DB"), "print_db_btn");
    reset_btn = make_button(QStringLiteral("Reset"), "reset_btn");
    print_fat_btn = make_button(QStringLiteral("Print FAT"), "print_fat_btn");
    silent_btn = make_button(QStringLiteral("Silent"), "silent_btn");
    verbose_btn = make_button(QStringLiteral("Verbose"), "verbose_btn");
    default_db_btn = make_button(QStringLiteral("Default DB"), "default_db_btn");
    test_btn = make_button(QStringLiteral("Test DORVAK"), "test_btn");
    add_500_btn = make_button(QStringLiteral("Add 500 users"), "add_500_btn");
    add_5000_btn = make_button(QStringLiteral("Add 500 u x 1"), "add_5000_btn");
    add_500_logs_btn = make_button(QStringLiteral("Add 500 logs"), "add_500_logs_btn");
    make_5000_btn = make_button(QStringLiteral("Make 5000"), "make_5000_btn");
    print_db_btn->setToolTip(
        QStringLiteral("Mostrar en la consola la base de datos del controlador"));
    reset_btn->setToolTip(QStringLiteral("Reiniciar el controlador (pregunta antes)"));
    print_fat_btn->setToolTip(QStringLiteral("Mostrar en la consola la tabla de archivos"));
    default_db_btn->setToolTip(
        QStringLiteral("Restaurar la base de datos de fábrica del controlador (pregunta antes)"));
    silent_btn->setToolTip(QStringLiteral("Apagar los mensajes de depuración del controlador"));
    verbose_btn->setToolTip(QStringLiteral("Encender los mensajes de depuración del controlador"));
    test_btn->setToolTip(QStringLiteral("Ejecutar la prueba interna del controlador"));
    add_500_btn->setToolTip(QStringLiteral("El controlador crea 500 usuarios de prueba"));
    add_5000_btn->setToolTip(
        QStringLiteral("Grabar 511 usuarios de prueba: 1 administrador, 10 usuarios, 500 visitas"));
    add_500_logs_btn->setToolTip(QStringLiteral("El controlador agrega 500 eventos de prueba"));
    make_5000_btn->setToolTip(QStringLiteral("Enviar al controlador la orden STUM 5000"));
    maint_ops = make_ops_row("maint_ops", {print_db_btn, reset_btn, print_fat_btn, default_db_btn});
    // Two lines, so that no label is cut beside the tabs.
    debug_ops = make_ops_grid("debug_ops",
                              {silent_btn, verbose_btn, test_btn, add_500_btn, add_5000_btn,
                               add_500_logs_btn, make_5000_btn},
                              4);
    maint_row->addWidget(maint_ops);
    debug_row->addWidget(debug_ops);

    progress = named(new QProgressBar, "progress");
    progress->setRange(0, 100);
    progress->reset();
    progress->setTextVisible(true);
    conn_layout->addWidget(progress);
    stop_btn = make_button(QStringLiteral("Detener"), "stop_btn");
    stop_btn->setToolTip(QStringLiteral("Detener la operación en curso (Esc)"));
    stop_btn->setEnabled(false);
    conn_layout->addWidget(stop_btn);
    // In the port row, below every tab.
    console_btn = make_button(QStringLiteral("Ver Consola"), "console_btn");
    console_btn->setToolTip(QStringLiteral("Mostrar u ocultar la consola del puerto serie"));
    console_btn->setCheckable(true);
    console_btn->setChecked(false);
    conn_layout->addWidget(console_btn);
    maint_row->addStretch();
    debug_row->addStretch();

    conn_bar = named(new QWidget, "conn_bar");
    conn_layout->setContentsMargins(0, 0, 0, 0);
    conn_bar->setLayout(conn_layout);
    conn_bar->setAutoFillBackground(true);
    QPalette red = palette();
    red.setBrush(QPalette::Window, QBrush(Qt::red));
    conn_bar->setPalette(red);
    conn_bar->setProperty("connected", false);

    maint_row->setContentsMargins(0, 0, 0, 0);
    console_layout->addLayout(maint_row);
    console_layout->setContentsMargins(0, 0, 0, 0);
    console_panel->setLayout(console_layout);
}

void DORVAK_Admin::build_users_page()
{
    user_buttons = named(new QHBoxLayout, "user_buttons");
    get_users_btn = make_button(QStringLiteral("Obtener"), "get_users_btn");
    nuevo_btn = make_button(QStringLiteral("Nuevo"), "nuevo_btn");
    borrar_btn = make_button(QStringLiteral("Borrar"), "borrar_btn");
    edit_btn = make_button(QStringLiteral("Editar"), "edit_btn");
    save_btn = make_button(QStringLiteral("Grabar"), "save_btn");
    cancel_btn = make_button(QStringLiteral("Cancelar"), "cancel_btn");
    edit_btn->setEnabled(true);
    save_btn->setEnabled(false);
    cancel_btn->setEnabled(false);
    export_users_btn = make_button(QStringLiteral("Exportar"), "export_users_btn");
    import_users_btn = make_button(QStringLiteral("Importar"), "import_users_btn");
    limpia_usuarios_btn = make_button(QStringLiteral("Borrar Todos"), "limpia_usuarios_btn");
    sync_btn = make_button(QStringLiteral("Sincronizar"), "sync_btn");
    get_users_btn->setToolTip(
        QStringLiteral("Descargar los usuarios del controlador (F5); reemplaza la lista"));
    nuevo_btn->setToolTip(QStringLiteral(
        "Crear un registro junto al seleccionado o bajo él; pregunta cuál cuando caben dos"));
    borrar_btn->setToolTip(
        QStringLiteral("Borrar del controlador el registro seleccionado y lo que posee (Supr)"));
    edit_btn->setToolTip(QStringLiteral("Editar el registro seleccionado"));
    save_btn->setToolTip(
        QStringLiteral("Grabar el registro en edición en el controlador (Ctrl+S)"));
    cancel_btn->setToolTip(QStringLiteral("Descartar lo escrito (Esc)"));
    export_users_btn->setToolTip(QStringLiteral("Guardar la lista de usuarios en un archivo CSV"));
    import_users_btn->setToolTip(QStringLiteral("Leer usuarios de un archivo CSV"));
    limpia_usuarios_btn->setToolTip(
        QStringLiteral("Vaciar la lista de la ventana; el controlador conserva sus usuarios"));
    sync_btn->setToolTip(QStringLiteral("Grabar en el controlador los registros pendientes"));
    user_ops = make_ops_grid("user_ops",
                             {get_users_btn, nuevo_btn, borrar_btn, edit_btn, save_btn, cancel_btn,
                              export_users_btn, import_users_btn, limpia_usuarios_btn, sync_btn},
                             4);
    user_buttons->addWidget(user_ops);
    user_buttons->addStretch();

    user_filter_edit = named(new QLineEdit, "user_filter_edit");
    user_filter_edit->setPlaceholderText(QStringLiteral("Buscar por nombre o número (Ctrl+F)"));
    user_filter_edit->setToolTip(
        QStringLiteral("Muestra los registros cuyo nombre o número contiene lo escrito, con sus "
                       "dueños"));
    user_filter_count = named(new QLabel, "user_filter_count");
    auto *filter_row = named(new QHBoxLayout, "user_filter_row");
    filter_row->addWidget(user_filter_edit);
    filter_row->addWidget(user_filter_count);

    auto *page = named(new QWidget, "users_page");
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(filter_row);
    layout->addWidget(user_tree);
    layout->addWidget(user_panel);
    layout->addLayout(user_buttons);
}

void DORVAK_Admin::connect_all()
{
    connect(user_tree, &QTreeWidget::itemSelectionChanged, this, &DORVAK_Admin::userChanged);
    connect(console, &Console::getData, this, &DORVAK_Admin::writeData);
    connect(port_combo, &QComboBox::currentTextChanged, this, &DORVAK_Admin::portChanged);
    connect(connect_btn, &QPushButton::clicked, this, &DORVAK_Admin::open);
    connect(disconnect_btn, &QPushButton::clicked, this, &DORVAK_Admin::close);
    connect(clear_btn, &QPushButton::clicked, this, &DORVAK_Admin::limpia);
    connect(save_console_btn, &QPushButton::clicked, this, &DORVAK_Admin::guardar_consola);
    connect(console_time_check, &QCheckBox::toggled, console, &Console::set_timestamps);
    connect(console_lines_spin, qOverload<int>(&QSpinBox::valueChanged), console,
            &Console::set_line_limit);
    connect(console, &Console::escaped, this, &DORVAK_Admin::escape_pressed);
    connect(console, &Console::commands_wanted, this, &DORVAK_Admin::show_commands);
    connect(commands_btn, &QPushButton::clicked, this, &DORVAK_Admin::show_commands);
    connect_session();
    connect(print_db_btn, &QPushButton::clicked, this, &DORVAK_Admin::printDB);
    connect(silent_btn, &QPushButton::clicked, this, &DORVAK_Admin::silent);
    connect(verbose_btn, &QPushButton::clicked, this, &DORVAK_Admin::verbose);
    connect(add_5000_btn, &QPushButton::clicked, this, &DORVAK_Admin::add_5000);
    connect(add_500_btn, &QPushButton::clicked, this, &DORVAK_Admin::add_500);
    connect(make_5000_btn, &QPushButton::clicked, this, &DORVAK_Admin::make_dorvak);
    connect(default_db_btn, &QPushButton::clicked, this, &DORVAK_Admin::default_db);
    connect(test_btn, &QPushButton::clicked, this, &DORVAK_Admin::test_dorvak);
    connect(add_500_logs_btn, &QPushButton::clicked, this, &DORVAK_Admin::add_500_logs);
    connect(reset_btn, &QPushButton::clicked, this, &DORVAK_Admin::reset_dorvak);
    connect(print_fat_btn, &QPushButton::clicked, this, &DORVAK_Admin::print_fat);
    connect(get_users_btn, &QPushButton::clicked, this, &DORVAK_Admin::getUsers);
    connect(export_users_btn, &QPushButton::clicked, this, &DORVAK_Admin::export_users);
    connect(import_users_btn, &QPushButton::clicked, this, &DORVAK_Admin::import_users);
    connect(limpia_usuarios_btn, &QPushButton::clicked, this, &DORVAK_Admin::limpia_usuarios);
    connect(sync_btn, &QPushButton::clicked, this, &DORVAK_Admin::sync_users);
    connect(console_btn, &QPushButton::clicked, this, &DORVAK_Admin::show_consola);
    connect(get_log_btn, &QPushButton::clicked, this, &DORVAK_Admin::getLog);
    connect(export_log_btn, &QPushButton::clicked, this, &DORVAK_Admin::export_log);
    connect(get_params_btn, &QPushButton::clicked, this, &DORVAK_Admin::get_param);
    connect(send_params_btn, &QPushButton::clicked, this, &DORVAK_Admin::send_params);
    connect(nuevo_btn, &QPushButton::clicked, this, &DORVAK_Admin::nuevo);
    connect(borrar_btn, &QPushButton::clicked, this, &DORVAK_Admin::borrar);
    connect(edit_btn, &QPushButton::clicked, this, &DORVAK_Admin::edit);
    connect(cancel_btn, &QPushButton::clicked, this, &DORVAK_Admin::cancel);
    connect(save_btn, &QPushButton::clicked, this, &DORVAK_Admin::save);
    connect(stop_btn, &QPushButton::clicked, this, &DORVAK_Admin::detener);
    connect(user_filter_edit, &QLineEdit::textChanged, this, &DORVAK_Admin::filter_users);
    connect(user_panel, &UserPanel::refused, this,
            [this](const QString &why) { report(QStringLiteral("No se grabó: ") + why); });
    // Records that come into the tree (a download, an import, a new record)
    // are put through the finder as well, once they are all in.
    connect(user_tree->model(), &QAbstractItemModel::rowsInserted, this, [this] {
        if (!user_filter_edit->text().isEmpty())
            QMetaObject::invokeMethod(this, "filter_users", Qt::QueuedConnection);
    });
}

void DORVAK_Admin::detener()
{
    core.runner.stop();
}

void DORVAK_Admin::closeEvent(QCloseEvent *event)
{
    if (core.runner.running()) {
        // The operation is on the stack below this event: it is stopped, and
        // the window closes once it has unwound.
        const auto answer =
            QMessageBox::question(this, QStringLiteral("DORVAK Admin"),
                                  QStringLiteral("Hay una operación en curso. ¿Detenerla y salir?"),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        event->ignore();
        if (answer == QMessageBox::Yes && core.runner.running()) {
            core.runner.stop();
            after_operation = AfterOperation::close;
        }
        return;
    }
    if (!leave_edit() || !discard_pending_ok(pending_count())) {
        event->ignore();
        return;
    }
    save_settings();
    close();
    event->accept();
}

bool DORVAK_Admin::event(QEvent *event)
{
    // A deletion asked for while an operation waits on the controller would
    // pull the window from under it: the operation is stopped and the
    // window deleted once it has unwound.
    if (event->type() == QEvent::DeferredDelete && core.runner.running()) {
        core.runner.stop();
        after_operation = AfterOperation::remove;
        return true;
    }
    // What a message box of the window tells the user stays in the status
    // bar, so that the bar never still shows an earlier outcome. An
    // operation that said how it ended keeps its own words there.
    if (event->type() == QEvent::ChildPolished) {
        const auto *box = qobject_cast<QMessageBox *>(static_cast<QChildEvent *>(event)->child());
        if (box && (box->icon() == QMessageBox::Critical || box->icon() == QMessageBox::Warning)
            && !(core.runner.running() && outcome_reported))
            report(box->text());
    }
    return QMainWindow::event(event);
}

void DORVAK_Admin::show_consola()
{
    console_panel->setVisible(console_btn->isChecked());
    // Reopened, the console shows its last lines.
    if (console_panel->isVisible()) {
        QScrollBar *bar = console->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

void DORVAK_Admin::show_debug()
{
    console_panel->show();
    console_btn->setChecked(true);
    if (!debug_row->parent()) {
        debug_row->setContentsMargins(0, 0, 0, 0);
        console_layout->addLayout(debug_row);
    }
}

void DORVAK_Admin::choose_port(const QString &path)
{
    int at = port_combo->findData(path);
    if (at < 0) {
        port_combo->insertItem(0, path, path);
        at = 0;
    }
    port_combo->setCurrentIndex(at);
}

void DORVAK_Admin::escape_pressed()
{
    if (core.runner.running())
        detener();
    else if (cancel_btn->isEnabled())
        cancel();
}

void DORVAK_Admin::show_commands()
{
    if (!commands_dialog)
        commands_dialog = make_command_list(this);
    commands_dialog->show();
    commands_dialog->raise();
}

void DORVAK_Admin::read_current_tab()
{
    switch (tabs->currentIndex()) {
    case 0:
        getUsers();
        break;
    case 1:
        getLog();
        break;
    case 2:
        get_param();
        break;
    default:
        break;
    }
}

void DORVAK_Admin::focus_filter()
{
    QLineEdit *finder = tabs->currentIndex() == 0 ? user_filter_edit
        : tabs->currentIndex() == 1               ? log_filter_edit
                                                  : nullptr;
    if (finder) {
        finder->setFocus();
        finder->selectAll();
    }
}

void DORVAK_Admin::save_shortcut()
{
    if (save_btn->isEnabled() && user_ops->isEnabled())
        save();
}

int DORVAK_Admin::choose(const QString &question, const Choices &choices, int fallback,
                         const QString &details)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmar"), question,
                    QMessageBox::NoButton, this);
    for (const auto &choice : choices) {
        QPushButton *button = box.addButton(QMessageBox::StandardButton(choice.first));
        // A button that says what it does needs no yes or no icon.
        if (!choice.second.isEmpty()) {
            button->setText(choice.second);
            button->setIcon(QIcon());
        }
    }
    box.setDefaultButton(QMessageBox::StandardButton(fallback));
    box.setEscapeButton(box.button(QMessageBox::StandardButton(fallback)));
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
    const int pressed =
        box.clickedButton() ? box.standardButton(box.clickedButton()) : QMessageBox::NoButton;
    return pressed == QMessageBox::NoButton ? fallback : pressed;
}

void DORVAK_Admin::warn(const QString &title, const QString &text)
{
    QMessageBox::critical(this, title, text);
}

void DORVAK_Admin::report(const QString &text)
{
    // A recording that failed is said with the outcome it belongs to.
    QString shown = QString(text).replace(QLatin1Char('\n'), QStringLiteral("; "));
    const QString lost = core.unrecorded();
    if (!lost.isEmpty() && !shown.contains(lost))
        shown += QStringLiteral("; ") + lost;
    status_bar->showMessage(shown);
    outcome_reported = true;
}

void DORVAK_Admin::update_title()
{
    QString title = QStringLiteral("DORVAK Admin");
    if (is_open())
        title += QStringLiteral(" — ") + port_name;
    if (!core.installation().isEmpty())
        title += QStringLiteral(" — ") + core.installation();
    if (pending_changes > 0)
        title += QStringLiteral(" (%1)").arg(counted(pending_changes,
                                                     QStringLiteral("cambio sin sincronizar"),
                                                     QStringLiteral("cambios sin sincronizar")));
    setWindowTitle(title);
}

void DORVAK_Admin::restore_settings()
{
    if (QCoreApplication::organizationName().isEmpty())
        return;
    const QSettings settings;
    restoreGeometry(settings.value(QStringLiteral("window/geometry")).toByteArray());
    // A size remembered from a larger screen would put the port row and the
    // status bar out of reach on this one.
    const QSize room = usable_room(this);
    if (width() > room.width() || height() > room.height())
        resize(size().boundedTo(room).expandedTo(minimumSize()));
    splitter->restoreState(settings.value(QStringLiteral("window/splitter")).toByteArray());
    console_btn->setChecked(settings.value(QStringLiteral("window/console"), false).toBool());
    show_consola();
    console_lines_spin->setValue(
        settings.value(QStringLiteral("console/lines"), Console::default_line_limit).toInt());
    port_combo->set_servers(settings.value(QStringLiteral("serial/servers")).toStringList());
    const QString port = settings.value(QStringLiteral("serial/port")).toString();
    if (!port.isEmpty())
        choose_port(port);
}

void DORVAK_Admin::save_settings()
{
    if (QCoreApplication::organizationName().isEmpty())
        return;
    QSettings settings;
    settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("window/splitter"), splitter->saveState());
    settings.setValue(QStringLiteral("window/console"), console_btn->isChecked());
    settings.setValue(QStringLiteral("console/lines"), console_lines_spin->value());
    settings.setValue(QStringLiteral("serial/port"), without_credentials(port_name));
    settings.setValue(QStringLiteral("serial/servers"), port_combo->servers());
}
