#pragma once
// The update-form engine: one window that inserts, changes or deletes a record of one data
// file, built from a short declaration (FormDecl) of the form's particulars.
//
// A list window calls a form with openForm(): the request protocol (glob::GLOBALREQUEST,
// GLOBALRESPONSE, VCRREQUEST) is set and cleared as the forms expect, the caller is disabled
// while the form is open (no nested event loop) and `done` receives the response when the
// form has closed. A delete request opens no window: it confirms and deletes at once.
#include "app/procedures.h"
#include "data/datafile.h"
#include "framework/picture.h"

#include <QButtonGroup>
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
class QLabel;
class QPushButton;
class WidgetResizer;

// An entry field bound to one column of the record ("TYPASPH", "DNORM2_3_1").
struct FormField {
    QString column;      // the record's column; array elements as in the file (DNORM2_3_1)
    QString objectName;  // "?NOR:TYPASPH" -> "NOR_TYPASPH"
    const char *picture; // "s10", "n3", "n5.1"
    QRect rect;          // place in the window, pixels
    bool history = false; // takes part in the field history (Ctrl+')
    // A radio group instead of an entry field: the text column holds the chosen option's text.
    QStringList choices = {}; // the options, top to bottom; empty: an entry field
    QString groupTitle = {}; // the group's caption
};

// A text drawn on the window: a prompt, a caption, a column heading.
struct FormText {
    QString objectName;
    QString text;
    QRect rect;
    bool alignRight = false;
};

enum class FormButtonRole { Ok, Cancel, Help, Other };

struct FormButton {
    QString objectName;  // "OK", "CANCEL", "HELP", "BUTTON8"
    QString text;
    QRect rect;
    FormButtonRole role = FormButtonRole::Other;
    std::function<void(FormWindow &)> pressed; // for Other buttons
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
    QSize size;              // opening size of the window
    std::vector<FormText> texts;
    std::vector<FormField> fields;   // in tab order
    std::vector<FormButton> buttons;
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
    std::function<void(FormWindow &, const QString &objectName)> fieldFocused;
    std::function<bool(FormWindow &, const QString &objectName)> validateField; // false: stays on it
    std::function<void(FormWindow &)> refreshWindow;     // own recalculations before a redisplay
};

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

class FormWindow : public QWidget {
    Q_OBJECT
public:
    ~FormWindow() override;

    const FormDecl &decl() const { return m_decl; }
    LONG originalRequest() const { return m_originalRequest; }
    LONG localResponse() const { return m_localResponse; }
    FieldEdit *field(const QString &objectName) const;
    FieldRadioGroup *radioGroup(const QString &objectName) const;

    // Redisplays every field from the record buffer (REFRESHWINDOW).
    void refreshWindow();
    // Presses OK / Cancel as the buttons do.
    void pressOk();
    void pressCancel();
    // Copies the focused field's value from the history record (HISTORYFIELD).
    void historyField();

    // True during OK's pass that accepts every field again before the save.
    bool acceptingAll() const { return m_acceptingAll; }

    // Reads a field's text into the record buffer; false (beep, old value shown, focus back)
    // when its picture refuses the text.
    bool acceptField(FieldEdit *edit);
    // Stores the chosen option of a radio group into the record buffer.
    void acceptChoice(FieldRadioGroup *group, int choice);

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
    void openWindow(const WindowHost &host);
    void takeSavedCopy();
    bool recordChanged();
    bool acceptAll();
    void save();
    void saveInsert();
    void saveChange();
    bool closingWindow();          // false: the close is cancelled (UPDATE::RELOOP)
    void closeForm();
    void procedureReturn();
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
    QPointer<QWidget> m_blocked;   // the caller, or the MDI subwindow holding it
    std::function<void(LONG)> m_done;
    std::vector<FieldEdit *> m_edits;
    std::vector<FieldRadioGroup *> m_groups;
    WidgetResizer *m_resizer = nullptr;
    QSize m_openingSize;
};

// An entry field of a form: shows its column through its picture, refuses at once what the
// picture cannot hold, and is stored into the record when it loses the focus.
class FieldEdit : public QLineEdit {
public:
    FieldEdit(FormWindow *form, const FormField &field, int column, QWidget *parent);

    const FormField &field() const { return m_field; }
    int column() const { return m_column; }
    const Picture &picture() const { return m_picture; }
    // Shows the column's value from the record buffer.
    void display();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    FormWindow *m_form;
    FormField m_field;
    int m_column;
    Picture m_picture;
};

// A radio group of a form: one button per option; the chosen option's text is the column's value.
class FieldRadioGroup : public QGroupBox {
public:
    FieldRadioGroup(FormWindow *form, const FormField &field, int column, QWidget *parent);

    const FormField &field() const { return m_field; }
    int column() const { return m_column; }
    // The option whose text the column holds, -1 when none.
    int chosen() const;
    // Checks the option the record buffer holds (none when the text matches no option).
    void display();

private:
    FormWindow *m_form;
    FormField m_field;
    int m_column;
    QButtonGroup *m_buttons;
};
