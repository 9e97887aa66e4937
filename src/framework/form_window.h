#pragma once
// The update-form engine: one window that inserts, changes or deletes a record of one data
// file, built from a short declaration (FormDecl) of the form's particulars.
//
// Its controls are entry fields, radio groups, drop lists, spin and check boxes, each bound to a
// column of the record, to a window-local value or to a global; texts; buttons; chart areas; all
// placed on the window or on the pages of one sheet. A form opened without a request works on
// the record in memory: OK stores nothing and the window stays open. A form called by a form on
// the same file hands what it leaves in the record to its caller.
//
// A list window calls a form with openForm(): the request protocol (glob::GLOBALREQUEST,
// GLOBALRESPONSE, VCRREQUEST) is set and cleared as the forms expect, the caller is disabled
// while the form is open (no nested event loop) and `done` receives the response when the
// form has closed. A delete request opens no window: it confirms and deletes at once.
#include "framework/procedures_ui.h"
#include "data/datafile.h"
#include "data/fieldtypes.h"
#include "framework/chart.h"
#include "framework/picture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHash>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class FormWindow;
class FieldEdit;
class FieldRadioGroup;
class FieldDropList;
class FieldSpin;
class FieldCheck;
class ChartArea;
class QLabel;
class QPushButton;
class QTabWidget;
class WidgetResizer;
struct Chart;

// A value a control shows and edits other than a field of the form's record: a global of the
// working state, or something computed (display only when `set` is empty).
struct FormVar {
    std::function<Value()> get;
    std::function<bool(const Value &)> set; // false: the value does not fit
    ColumnType type = ColumnType::Real;
    int size = 0;                           // bytes of a text

    explicit operator bool() const { return bool(get); }
    static FormVar of(REAL &x);
    static FormVar of(BYTE &x);
    static FormVar of(LONG &x);
    template <std::size_t N>
    static FormVar of(FixedString<N> &x)
    {
        return {[&x] { return Value(x.raw()); },
                [&x](const Value &v) {
                    const auto *b = std::get_if<QByteArray>(&v);
                    return b && x.setRaw(*b) == StoreResult::Ok;
                },
                ColumnType::Text, int(N)};
    }
    // Display only: a number or a text worked out at each redisplay.
    static FormVar number(std::function<double()> get);
    static FormVar text(std::function<QString()> get);
};

enum class FormControlKind {
    Auto,     // an entry field, or a radio group when `choices` are given
    Entry,
    Radio,    // one button per choice
    DropList, // fixed choices, or the names of another file (FormListFile)
    Spin,     // a number in [minimum, maximum]
    Check,    // values[0] unchecked, values[1] checked (0 and 1 when not given)
};

// The entries of a drop list taken from another file: every record's name in the order of
// its name key. Choosing an entry stores the name and reads that file's record with the name
// into the file's buffer before `selected` runs.
struct FormListFile {
    DataFile *file = nullptr;
    int key = -1;     // the name key
    QString column;   // the name column, the key's field
    std::function<void(FormWindow &)> selected;
};

// A control bound to one value: a column of the record ("TYPASPH", "DNORM2_3_1"), a window-local
// value of the form (FormDecl::locals) or a global (`var`).
struct FormField {
    QString column;      // the record's column; array elements as in the file (DNORM2_3_1)
    QString objectName;  // "?NOR:TYPASPH" -> "NOR_TYPASPH"
    const char *picture; // "s10", "n3", "n5.1"
    QRect rect;          // place in the window (in its tab page when `tab` >= 0), pixels
    bool history = false; // takes part in the field history (Ctrl+')
    // Radio groups and drop lists: the options in order. A text value stores the chosen
    // option's text, a numeric one its number (1 for the first) unless `values` says otherwise.
    QStringList choices = {};
    QString groupTitle = {}; // a radio group's caption (none: no frame), a check box's text
    FormControlKind kind = FormControlKind::Auto;
    QString local = {};      // bound to this window-local value instead of a column
    FormVar var = {};        // bound to a global instead of a column
    bool displayOnly = false;
    int tab = -1;            // the page of FormDecl::tabs it stands on; -1: the window
    QString tip = {};
    std::vector<Value> values = {};       // the stored value of each option
    QStringList optionNames = {};         // objectNames of the options (default objectName_1 ...)
    bool horizontal = false;              // a radio group's options side by side
    std::vector<QRect> optionRects = {};  // a radio group's options placed in the group by hand
                                          // (beside the rows they choose), instead of stacked
    std::function<bool(int option)> optionShown = {}; // asked at each redisplay
    std::function<bool()> enabled = {};   // asked at each redisplay
    double minimum = 0, maximum = 0;      // a spin box's range
    bool showOutsideRange = false;        // a spin box shows a value the program set outside its range as it is
    FormListFile listFile = {};
};

// A text drawn on the window: a prompt, a caption, a column heading.
struct FormText {
    QString objectName;
    QString text;
    QRect rect;
    bool alignRight = false;
    int tab = -1;
    std::function<QString()> value = {}; // a text worked out at each redisplay
    QString local = {};                  // or the text of this window-local value (a message line)
};

enum class FormButtonRole { Ok, Cancel, Help, Other };

struct FormButton {
    QString objectName;  // "OK", "CANCEL", "HELP", "BUTTON8"
    QString text;
    QRect rect;
    FormButtonRole role = FormButtonRole::Other;
    std::function<void(FormWindow &)> pressed; // Other buttons; Help: its help (else "not yet")
    int tab = -1;
    QString tip = {};
    std::function<void(FormWindow &)> focused = {}; // acts when the button receives the focus
    std::function<bool()> enabled = {};             // asked at each redisplay
};

// An area the form draws a chart in (FormWindow::setChart), laid out in the form's pixels and
// scaled with the window.
struct FormChartArea {
    QString objectName;
    QRect rect;
    int tab = -1;
};

// Auto-numbering of new records: the number is the highest of `key` + 1 (1 in an empty file),
// and the record is added at once so that another station cannot take the number.
struct AutoNumber {
    int key = -1;          // the number's key
    QString column;        // the number's column
    QString fileLabel;     // the name warning 35 shows ("ZR3N")
};

struct FormDecl {
    QString procedure;       // "UPDATENORMA": the history record and window position are its own
    DataFile *file = nullptr;
    QString windowTitle;     // shown for a request other than insert and change
    QString insertTitle;     // ACTIONMESSAGE of an insert
    QString changeTitle;     // ACTIONMESSAGE of a change
    QRect actionLine;        // the action message in this text line, the title kept; empty: in the title
    QSize size;              // opening size of the window
    QStringList tabs;        // the pages of the sheet "SHEET"
    QRect sheet;             // the sheet's place (enlarged to hold its pages)
    std::vector<FormText> texts;
    std::vector<FormField> fields;   // in tab order
    std::vector<FormButton> buttons;
    std::vector<FormChartArea> charts;
    std::vector<std::pair<QString, Value>> locals; // window-local values and their opening values
    bool savePrompt = false;         // closing an edited record asks warning 33
    bool allowInsert = true;         // otherwise warning 19
    bool allowChange = true;
    bool allowDelete = true;         // otherwise warning 21
    bool resizer = true;
    int checkedUniqueKey = -1;       // a unique key whose duplicates warning 24 names
    QString checkedKeyName;          // ... with this text ("GUR:keynumber")
    AutoNumber autoNumber;           // key -1: none

    // Hooks for the form's own work. All optional.
    std::function<bool(FormWindow &)> primeFields;       // initial values of a new record; false: cancel
    // After a value is stored: typed by the user, or re-accepted by OK's pass over every field
    // (FormWindow::acceptingAll()), where defaults that belong to the user's entry must not run.
    std::function<void(FormWindow &, const QString &objectName)> fieldAccepted;
    // The user moved the focus into an entry field (Tab, a click): not the opening, not the
    // program placing it, not the window regaining the focus.
    std::function<void(FormWindow &, const QString &objectName)> fieldFocused;
    std::function<bool(FormWindow &, const QString &objectName)> validateField; // false: stays on it
    std::function<void(FormWindow &)> refreshWindow;     // own recalculations before a redisplay
    // Runs on every event but the opening, the window regaining the focus and a refused entry
    // (a value stored, an option chosen, a button pressed, a control focused, a resize),
    // before the redisplay that follows.
    std::function<void(FormWindow &)> eachEvent;
    bool firstSelectionIsEvent = false; // the first control's selection after the opening is one (a chart drawn at once)
    QString firstFocus;   // the control (or a radio group's option) focused at the opening; empty: the first entry field
    QStringList tabOrder; // controls, options and buttons in their tab order where it is not the order of declaration
};

// The faults of a declaration: columns the file does not have, unknown window-local values,
// a drop list's file without its name column. Empty when sound. openForm() stops the program
// with these (a declaration is code: it must not open half working).
QStringList checkFormDecl(const FormDecl &decl);

// Opens the form for `request` (glob::InsertRecord, ChangeRecord, DeleteRecord) on the record
// left in the file's record buffer (read with the change watch armed for a change or delete;
// cleared for an insert). `caller` (may be null) is disabled until the form returns; `done`
// gets the response (glob::RequestCompleted or RequestCancelled), which is also left in
// glob::GLOBALRESPONSE; it is not called when the caller was destroyed meanwhile. When the
// caller sits in an MDI subwindow, that whole subwindow is disabled. The window goes to `host`, or to showInFrame() when none is given.
// Returns the window, or nullptr when none was opened (delete, refused request, cancelled
// priming): then `done` has already been called.
FormWindow *openForm(const FormDecl &decl, LONG request, QWidget *caller, std::function<void(LONG)> done,
                     WindowHost host = {});

class FieldControl;

class FormWindow : public QWidget {
    Q_OBJECT
public:
    ~FormWindow() override;

    const FormDecl &decl() const { return m_decl; }
    // A control of the form by its object name (nullptr when there is none), and every control
    // of a kind: for a window's own marks and hooks on the controls the engine made.
    template <class T = QWidget>
    T *control(const QString &name) const { return findChild<T *>(name); }
    template <class T>
    QList<T *> controls() const { return findChildren<T *>(); }
    LONG originalRequest() const { return m_originalRequest; }
    LONG localResponse() const { return m_localResponse; }
    FieldEdit *field(const QString &objectName) const;
    FieldRadioGroup *radioGroup(const QString &objectName) const;

    // The window-local values (FormDecl::locals): they start at their declared values at
    // every opening and live as long as the window.
    Value local(const QString &name) const { return m_locals.value(name); }
    double localNumber(const QString &name) const;
    void setLocal(const QString &name, const Value &value);

    // Replaces the chart of a chart area and repaints it.
    void setChart(const QString &objectName, Chart chart);

    // Redisplays every control from the record buffer and the values they are bound to (REFRESHWINDOW).
    void refreshWindow();
    // Presses OK / Cancel as the buttons do.
    void pressOk();
    void pressCancel();
    // Sets the response the form returns however it closes but by Cancel (completed: a form
    // whose own button did its work).
    void setResponse(LONG response) { m_localResponse = response; }
    // Copies the focused field's value from the history record (HISTORYFIELD).
    void historyField();

    // True during OK's pass that accepts every field again before the save.
    bool acceptingAll() const { return m_acceptingAll; }

    // Reads a field's text into the value it is bound to; false (beep, old value shown, focus
    // back) when its picture or that value refuses the text.
    bool acceptField(FieldEdit *edit);
    // Stores the chosen option of a radio group or drop list, a spin box's number, a check box's state.
    void acceptChoice(FieldControl *control, const Value &value);
    void acceptChoice(FieldRadioGroup *group, int choice);

    // The value a control shows, and storing into it (false: it cannot hold the value).
    Value valueOf(const FieldControl &control) const;
    bool storeValue(const FieldControl &control, const Value &value);
    Column columnOf(const FieldControl &control) const;

    // Runs the event hook and redisplays (FormDecl::eachEvent).
    void anEvent();

    // The opening size: FormDecl::size, or more where a control reaches beyond it (a form places
    // its controls by hand and has no layout to ask).
    QSize sizeHint() const override;

    // The history record and window position kept for a procedure since the application started.
    static void forgetMemory(); // for tests

    // Other windows may read the form's file into the shared record buffer while the form is
    // open. The form keeps its record and the file's read state (the record it edits, with its
    // change watch) to itself: a claim puts them back into the buffer and the file for as long
    // as the form works on them, and takes them back when it ends. Claims nest.
    class BufferClaim {
    public:
        explicit BufferClaim(FormWindow &form);
        ~BufferClaim();
        BufferClaim(const BufferClaim &) = delete;
        BufferClaim &operator=(const BufferClaim &) = delete;

    private:
        QPointer<FormWindow> m_form; // the form may be deleted while it works (a caller's callback)
    };

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend FormWindow *openForm(const FormDecl &, LONG, QWidget *, std::function<void(LONG)>, WindowHost);
    FormWindow(const FormDecl &decl, LONG request, QWidget *caller, std::function<void(LONG)> done);

    bool prepareProcedure();       // false: returned without a window
    LONG ask(LONG warning, const QString &text = {});
    bool primeFields();
    bool autoNumberRecord();
    void performDelete();
    void buildWindow();
    QWidget *parentFor(int tab);
    void openWindow(const WindowHost &host);
    void takeSavedCopy();
    bool recordChanged();
    bool acceptAll();
    void afterStore(const QString &objectName);
    void save();
    void saveInsert();
    void saveChange();
    bool closingWindow();          // false: the close is cancelled (UPDATE::RELOOP)
    void closeForm();
    void procedureReturn();
    void handOverToOuter();
    void syncFocusedField();
    void focusFirstField();
    QWidget *frameWidget();

    FormDecl m_decl;
    DataFile &m_file;
    LONG m_localRequest = 0;
    LONG m_originalRequest = 0;
    LONG m_localResponse = 0;
    QByteArray m_savedCopy;       // SAV::record, as bytes
    Row m_savedRow;
    Row m_work;                       // the form's record while it is not claimed
    DataFile::ReadState m_readState;  // and the file's read state
    bool m_haveWork = false;
    int m_claims = 0;
    bool m_fileUsed = false;
    bool m_windowOpened = false;
    bool m_returned = false;
    bool m_closing = false;       // closing after a completed save: no prompt
    bool m_autoAdded = false;     // the auto-numbered record is in the file already
    bool m_hadCaller = false;
    bool m_acceptingAll = false;
    bool m_inEvent = false;
    bool m_opening = false;
    QPointer<QWidget> m_blocked;   // the caller, or the MDI subwindow holding it
    QPointer<FormWindow> m_outer;  // the form on the same file that called this one
    std::function<void(LONG)> m_done;
    QHash<QString, Value> m_locals;
    std::vector<FieldControl *> m_controls;
    std::vector<FieldEdit *> m_edits;
    std::vector<FieldRadioGroup *> m_groups;
    std::vector<std::pair<QWidget *, const FormText *>> m_computedTexts;
    std::vector<std::pair<QString, ChartArea *>> m_charts;
    std::vector<std::pair<QPushButton *, std::function<bool()>>> m_buttonStates;
    QTabWidget *m_sheet = nullptr;
    QLabel *m_actionLine = nullptr;
    WidgetResizer *m_resizer = nullptr;
    QSize m_openingSize;
};

// What every control of a form has: the value it is bound to, and showing it.
class FieldControl {
public:
    FieldControl(FormWindow *form, const FormField &field, int column) : m_form(form), m_field(field), m_column(column) {}
    virtual ~FieldControl() = default;
    const FormField &field() const { return m_field; }
    int column() const { return m_column; } // -1: a window-local value or a global
    // Shows the bound value.
    virtual void display() = 0;
    virtual QWidget *widget() = 0;

protected:
    FormWindow *m_form;
    FormField m_field;
    int m_column;
};

// An entry field of a form: shows its value through its picture, refuses at once what the
// picture cannot hold, and is stored when it loses the focus.
class FieldEdit : public QLineEdit, public FieldControl {
public:
    FieldEdit(FormWindow *form, const FormField &field, int column, QWidget *parent);

    const Picture &picture() const { return m_picture; }
    void display() override;
    QWidget *widget() override { return this; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    Picture m_picture;
};

// A radio group of a form: one button per option.
class FieldRadioGroup : public QGroupBox, public FieldControl {
public:
    FieldRadioGroup(FormWindow *form, const FormField &field, int column, QWidget *parent);

    // The option the bound value equals, -1 when none.
    int chosen() const { return m_buttons->checkedId(); }
    void display() override;
    QWidget *widget() override { return this; }
    Value optionValue(int option) const;

private:
    QButtonGroup *m_buttons;
};

// A drop list: fixed choices or the names of another file.
class FieldDropList : public QComboBox, public FieldControl {
public:
    FieldDropList(FormWindow *form, const FormField &field, int column, QWidget *parent);
    void display() override;
    QWidget *widget() override { return this; }
    // Re-reads the names of the list's file.
    void fill();

private:
    Value entryValue(int index) const;
    QStringList m_entries;
};

class FieldSpin : public QDoubleSpinBox, public FieldControl {
public:
    FieldSpin(FormWindow *form, const FormField &field, int column, QWidget *parent);
    void display() override;
    QWidget *widget() override { return this; }
};

class FieldCheck : public QCheckBox, public FieldControl {
public:
    FieldCheck(FormWindow *form, const FormField &field, int column, QWidget *parent);
    void display() override;
    QWidget *widget() override { return this; }
    Value stateValue(bool checked) const;
};
