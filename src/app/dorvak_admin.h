#ifndef DORVAK_ADMIN_H
#define DORVAK_ADMIN_H

#include "admin_core.h"
#include "asker.h"
#include "param_lines.h"
#include "port_watch.h"
#include "reply.h"
#include "user_upload.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QDialog;
class QHBoxLayout;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QLabel;
class LogModel;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTimer;
class QTreeWidget;
class QVBoxLayout;

class Console;
class DayEdit;
class ParamForm;
class PortCombo;
class UserPanel;
class UserRow;
class TreeRecords;

class Operation;

// The main window over the program's core: the console, the user tree, the
// event log table and the parameter form. Every device operation is one of
// its parameterless private slots, which read the widgets, run the
// operation and show its result; it answers the core's questions with its
// message boxes and the status bar. The member functions live in the folder
// of the subsystem they belong to.
class DORVAK_Admin : public QMainWindow, private Asker
{
    Q_OBJECT

public:
    explicit DORVAK_Admin(QWidget *parent = nullptr);
    ~DORVAK_Admin() override;

    // The device path given on the command line, chosen in the port box.
    void choose_port(const QString &path);

    // The session's exchange (see Session::exchange).
    Reply exchange(const QString &command, int expected, int timeout_s, const QString &label,
                   const Counted &counted = Counted());

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private slots:
    // Shell (src/app)
    void show_consola();
    void show_debug();
    // Stops the running operation (see OperationRunner::stop).
    void detener();
    // Escape: stops the running operation, or else abandons the edit.
    void escape_pressed();
    // F5: reads the current tab's data from the controller.
    void read_current_tab();
    // Ctrl+S: saves the record being edited.
    void save_shortcut();
    // Ctrl+F: the finder of the current tab.
    void focus_filter();
    // The controller's commands, for typing them in the console.
    void show_commands();

    // Serial connection (src/link)
    void writeData(QByteArray data);
    void portChanged(QString port);
    void open();
    void close();
    void limpia();
    // Writes what the console holds to a text file of the user's choice.
    void guardar_consola();
    // After a lost line: the offer to reconnect once the adapter is back.
    void check_port_back();

    // Maintenance commands (src/maintenance)
    void printDB();
    void silent();
    void verbose();
    void add_5000();
    void add_500();
    void make_dorvak();
    void default_db();
    void test_dorvak();
    void add_500_logs();
    void reset_dorvak();
    void print_fat();

    // User directory (src/users)
    void userChanged();
    void getUsers();
    void export_users();
    void import_users();
    void limpia_usuarios();
    void sync_users();
    void nuevo();
    void borrar();
    void edit();
    void cancel();
    void save();
    // Shows the records that match the finder, with their owners.
    void filter_users();

    // Event log (src/eventlog)
    void getLog();
    void export_log();
    // Shows the events that pass the finder, the event choice and the days.
    void filter_log();
    // Shows the whole log again: no text, no event, no days.
    void clear_log_filter();

    // Parameters (src/params)
    void get_param();
    void send_params();

    // History (src/history)
    // The Historial page for the controller chosen in its list.
    void show_history();
    // "Cambios desde la visita anterior" for the visit chosen.
    void show_visit();
    // The chosen visit's directory and parameters, for a replacement.
    void restore_users();
    void restore_params();
    // The Registro tab shows the controller's archive or the last download.
    void show_archive();
    // The next part of the archive into the table, while one is being shown.
    void load_archive_part();
    // The events per day of the rows the Registro tab shows.
    void update_log_chart();

private:
    friend struct TestProbe;

    // Whether an operation needs the line open from its start (refused once
    // on a closed port, rather than once per exchange).
    enum class Needs { any, line };

    // Construction of the frame and of each tab page.
    void build_frame();
    void build_users_page();
    void build_log_page();
    void build_config_page();
    void connect_all();

    // Runs a slot's body under the one-operation rule; a window deleted while
    // the body waits on the controller unwinds it here, touching nothing.
    void run_operation(Needs line, const std::function<void()> &body);
    void run_operation(const std::function<void()> &body) { run_operation(Needs::any, body); }
    // Runs a core operation and reports how it ended; false unless done, and
    // when the window was deleted meanwhile (then nothing may be touched).
    bool run(Operation &operation);
    bool stopped() const { return core.session.stopped(); }
    bool is_open() const { return core.session.is_open(); }
    // The rows that start operations follow the runner.
    void operation_running_changed(bool running);

    // Maintenance: one fixed command; true when it went out. With a
    // question, the command goes out only after the user's yes.
    bool maintenance(const QString &command, int expected, int timeout_s, const QString &label,
                     const QString &question = QString());

    // The core's questions as message boxes; `fallback` is the default, and
    // the answer when the box was closed.
    int choose(const QString &question, const Choices &choices, int fallback,
               const QString &details = QString()) override;
    void warn(const QString &title, const QString &text) override;
    // The outcome of an operation, in one line of the status bar.
    void report(const QString &text) override;
    // The title names the port and, once its parameters were read, the
    // installation the data comes from.
    void update_title();
    // What the window remembers between runs; only a program that named
    // itself (QCoreApplication::organizationName) keeps settings.
    void restore_settings();
    void save_settings();

    // Serial link: the session's signals shown in the window.
    void connect_session();
    void set_connected(bool connected);
    void show_port_closed();
    void lose_line(const QString &why);
    // One turn of the event loop from inside a long local operation, so
    // that the window repaints and "Detener" is seen.
    void turn_event_loop();

    // User directory
    void load_user_lines(QStringList lines);
    void build_user_tree();
    void install_root(const QString &caption);
    // Runs a users-page operation and then shows in the title whether
    // records wait for upload.
    void run_users_operation(Needs line, const std::function<void()> &body);
    // The tree as the writes to the controller see it.
    TreeRecords tree_records();
    // Records waiting for upload, and the question before discarding them.
    int pending_count() const;
    static QString discard_question(int count);
    bool discard_pending_ok(int count);
    void show_pending_title();
    // Takes a record and what it owns out of the tree and the list, freed.
    void remove_records(UserRow *record);
    // Drops the records created by "Nuevo" and never saved, but `keep`.
    void drop_unsaved(UserRow *keep);
    // The body of "Grabar"; true when the record was saved into the tree.
    bool save_record();
    // Asks what becomes of changes typed and not saved; false leaves the
    // edited record selected, still in edit.
    bool leave_edit();
    void select_quietly(UserRow *record);
    // Hangs a saved record under the owner it now names.
    void move_record(UserRow *record, UserRow *owner);
    // The tree as the plan sees it: owners first, what is deleted (and
    // what it owns) gone, records never saved left out.
    QVector<WantedRecord> wanted_records() const;
    // Writes to the connected controller what the plan (narrowed by
    // `scope`) says.
    OperationResult write_directory(bool preview, const QString &question_end,
                                    const WriteDirectory::Scope &scope);
    // "Borrar" of a record the controller holds, or holds some of.
    bool delete_on_controller(UserRow *record, const QList<UserRow *> &branch);
    // Hangs imported records under the owners the file names.
    void place_imported(const QHash<QString, UserRow *> &by_number,
                        const QHash<const UserRow *, QString> &owner_number);
    // The file side of "Exportar" and "Importar", once the file is chosen.
    void export_users_to(const QString &name);
    void import_users_from(const QString &name);
    void reset_edit_buttons(bool editing);

    // Event log: the table rows from an ENVLOG answer of that controller.
    void load_log_lines(const QStringList &lines, const QString &identity);
    // How many events the table holds and shows, and the calendars' month.
    void show_log_count();
    // The file side of "Exportar Registro", once the file is chosen.
    void export_log_to(const QString &name);

    // A complete read of the open line into the form.
    void show_params(const QVector<QString> &values);

    // History: the page, the chart and the archive switch, and the file.
    void build_history_page();
    void history_failed(const QString &why);

    // The program's core: the session with the controller, the runner of
    // its operations, what was read from the open line and the history.
    AdminCore core{*this};
    QString port_name;
    // What the user types in the console, until Enter.
    QString line_buffer;
    // The path of a lost line, watched for the adapter's return.
    PortWatch port_watch;
    QTimer *port_watch_timer = nullptr;
    // The user chose to reconnect without being asked.
    bool reconnect_always = false;
    // The running operation has put its outcome in the status bar.
    bool outcome_reported = false;
    // What happens once the running operation has unwound: the window was
    // asked to close, or to be deleted, while it ran.
    enum class AfterOperation { stay, close, remove };
    AfterOperation after_operation = AfterOperation::stay;

    // Frame
    Console *console = nullptr;
    QProgressBar *progress = nullptr;
    QPushButton *stop_btn = nullptr;
    QStatusBar *status_bar = nullptr;
    QLabel *status_port = nullptr;
    // Records waiting for upload, as the title shows them.
    int pending_changes = 0;
    QWidget *conn_bar = nullptr;
    PortCombo *port_combo = nullptr;
    QPushButton *connect_btn = nullptr, *disconnect_btn = nullptr;
    QWidget *console_panel = nullptr;
    QVBoxLayout *console_layout = nullptr;
    QHBoxLayout *maint_row = nullptr, *debug_row = nullptr;
    QWidget *maint_ops = nullptr, *debug_ops = nullptr;
    QPushButton *clear_btn = nullptr, *save_console_btn = nullptr;
    QCheckBox *console_time_check = nullptr;
    // How many lines the console keeps.
    QSpinBox *console_lines_spin = nullptr;
    QPushButton *commands_btn = nullptr;
    QDialog *commands_dialog = nullptr;
    QPushButton *print_db_btn = nullptr, *reset_btn = nullptr, *print_fat_btn = nullptr,
                *default_db_btn = nullptr, *silent_btn = nullptr, *verbose_btn = nullptr,
                *test_btn = nullptr, *add_500_btn = nullptr, *add_5000_btn = nullptr,
                *add_500_logs_btn = nullptr, *make_5000_btn = nullptr;
    QTabWidget *tabs = nullptr;
    QSplitter *splitter = nullptr;

    // Usuarios tab
    QTreeWidget *user_tree = nullptr;
    UserRow *root = nullptr;
    UserPanel *user_panel = nullptr;
    QList<UserRow *> users;
    // The record in edit, null when none is.
    UserRow *edited = nullptr;
    // "Sincronizar" walks a list decided before it started: meanwhile no
    // record leaves the tree.
    bool syncing = false;
    DirectoryOrigin directory;
    QHBoxLayout *user_buttons = nullptr;
    QWidget *user_ops = nullptr;
    QPushButton *get_users_btn = nullptr, *nuevo_btn = nullptr, *borrar_btn = nullptr,
                *edit_btn = nullptr, *save_btn = nullptr, *cancel_btn = nullptr,
                *export_users_btn = nullptr, *import_users_btn = nullptr,
                *limpia_usuarios_btn = nullptr, *sync_btn = nullptr, *console_btn = nullptr;
    QLineEdit *user_filter_edit = nullptr;
    QLabel *user_filter_count = nullptr;

    // Registro tab
    QTabWidget *log_page = nullptr;
    QTableView *log_table = nullptr;
    LogModel *log_model = nullptr;
    QWidget *log_ops = nullptr;
    QPushButton *get_log_btn = nullptr, *export_log_btn = nullptr;
    QLineEdit *log_filter_edit = nullptr;
    QComboBox *log_event_combo = nullptr;
    DayEdit *log_from_edit = nullptr, *log_to_edit = nullptr;
    QPushButton *log_clear_filter_btn = nullptr;
    QLabel *log_count = nullptr, *log_days = nullptr, *log_names = nullptr;

    // Configuración tab
    QWidget *config_page = nullptr, *param_ops = nullptr;
    ParamForm *param_form_widget = nullptr;
    QPushButton *get_params_btn = nullptr, *send_params_btn = nullptr;
    // The parameters as the last complete read from the open line left
    // them in the form, by number; empty when there was none. Those loaded
    // from a visit, until a read replaces them; neither: no write.
    QVector<ParamRead> params_read, params_loaded;

    // History: the last downloaded log and its controller, shown again when
    // the archive is switched off; the connected controller the page chose.
    QStringList last_log_lines;
    QString last_log_identity, history_followed;
    // The archive comes into the table in parts (the view opens with the
    // first, the finder answers between two): the controller, the last event
    // in (negative once all are in, or another log took the table), the size.
    QString archive_identity;
    qint64 archive_after = -1;
    qint64 archive_total = 0;
    QWidget *history_page = nullptr;
    QLabel *history_state = nullptr;
    QComboBox *history_controller_combo = nullptr;
    QListWidget *history_visits = nullptr;
    QPlainTextEdit *history_changes = nullptr;
    QPushButton *history_users_btn = nullptr, *history_params_btn = nullptr,
                *log_archive_btn = nullptr, *log_chart_btn = nullptr;
    QWidget *log_chart = nullptr;

    // Bulk test-user generator
    int gen_count = 0;
};

#endif
