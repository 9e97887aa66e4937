#pragma once
// The list window engine: one page of one data file in a list, in the order of the key the
// selected sort tab chooses. A list window is a BrowseDeclaration (its file, tabs, columns,
// buttons and update form, and any panel, caption or hook of its own) handed to BrowseWindow;
// the engine does the rest. selectRecord() calls a list for a choice.
//
// The engine keeps only the rows shown (the page queue: each row's texts, its record and its
// position), never counts the file and reads at most one page per user action. The scroll
// thumb (0..100) comes from a step table of 100 key values between the first and the last key.
#include "framework/procedures_ui.h"
#include "data/datafile.h"
#include "data/globals.h"
#include "framework/picture.h"
#include "framework/steplocator.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;
class QTabBar;
class QTableView;

// One displayed column: its header, its picture and its text taken from the record buffer.
struct BrowseColumn {
    QString header;
    Picture picture;
    std::function<QString()> text; // the display text of the record in the buffer
    int widthChars = 0;            // 0: the picture's width
    // A caption over several columns ("% зерен мельче, мм"): neighbouring columns with the same
    // group share one caption above their own headers.
    QString group = {};

    BrowseColumn inGroup(const QString &caption) const
    {
        BrowseColumn c = *this;
        c.group = caption;
        return c;
    }

    static BrowseColumn number(const QString &header, const char *picture, std::function<REAL()> value);
    template <std::size_t N>
    static BrowseColumn string(const QString &header, const char *picture, const FixedString<N> &field)
    {
        Picture p = Picture::of(picture);
        return {header, p, [p, &field] { return p.formatText(field.text()); }, 0};
    }
};

// The first field of a sort order's key, for the character locate and the step table.
struct BrowseKeyField {
    enum class Kind { None, Text, Real };
    Kind kind = Kind::None;
    int length = 0;                                   // Text: the field's size
    std::function<QByteArray()> getText;              // Text: stored bytes, no trailing blanks
    std::function<void(const QByteArray &)> setText;
    std::function<REAL()> getReal;
    std::function<void(REAL)> setReal;

    template <std::size_t N>
    static BrowseKeyField text(FixedString<N> &field)
    {
        return {Kind::Text, int(N), [&field] { return field.raw(); },
                [&field](const QByteArray &b) { field.setRaw(b.left(int(N))); }, {}, {}};
    }
    static BrowseKeyField real(REAL &field)
    {
        return {Kind::Real, 0, {}, {}, [&field] { return field; }, [&field](REAL v) { field = v; }};
    }
};

// One sort order, selected by its own tab.
struct BrowseSortOrder {
    QString tabText;
    QString tabTip;
    int key = DataFile::PhysicalOrder; // index into the file's keys
    BrowseKeyField first;              // the key's first field (none in the physical order)
    bool steps = false;                // keep a step table on the first field
};

class BrowseWindow;

// A present button: its text, its control name and its tip.
struct BrowseButton {
    QString text;
    QString objectName;
    QString tip = {};
    // Acts when the user moves the focus onto the button (Tab, a click), with the highlighted
    // record read into the buffer; not when the page is empty.
    std::function<void(BrowseWindow &)> focused = {};
};

// An item of the window's own in the button row (a report, a further list, a flag): a button,
// or with `check` a check box showing and setting that flag (0 or 1). Neighbouring items with
// the same caption stand together under it ("Распечатать формы:"; "\n" breaks its lines).
struct BrowseExtraButton {
    QString text;
    QString objectName;
    // A button: pressed, with the highlighted record read into the buffer. A check box: after
    // the flag changed (BrowseWindow::refresh() then shows the panels anew).
    std::function<void(BrowseWindow &)> pressed;
    QString tip = {};
    QString caption = {};
    BYTE *check = nullptr;
    bool beforeClose = false; // placed before "Закрыть" instead of after it
    std::function<bool(const BrowseWindow &)> enabled = {}; // asked after every new selection
};

// A part of the window's own beside the list (to its right) or below it: a schematic, the batch
// recipe of the highlighted record.
class BrowsePanel : public QWidget {
public:
    using QWidget::QWidget;
    // After every new selection: the highlighted record is in the file's buffer; `have` is false
    // (and the buffer cleared) when the page is empty.
    virtual void showRecord(bool have) = 0;
};

// Calls the update form for `request` on the record in the file's buffer (a form opener such as
// UPDATENORMA, passed as it is). The caller (the list) stays disabled until the form returns;
// `done` gets the response, which the form also leaves in glob::GLOBALRESPONSE.
using BrowseUpdateForm =
    std::function<QWidget *(LONG request, QWidget *caller, std::function<void(LONG)> done, WindowHost host)>;

struct BrowseDeclaration {
    QString procedure;  // "BROUSENORMA1" (the window's objectName)
    QString title;
    DataFile *file = nullptr;
    QString fileName;   // the name shown by the file warnings ("NORMA")
    std::vector<BrowseSortOrder> orders;
    std::vector<BrowseColumn> columns;
    std::optional<BrowseButton> insert, change, remove, select; // absent: no such button
    BrowseButton close{QStringLiteral("Закрыть"), QStringLiteral("CLOSE")};
    std::vector<BrowseExtraButton> extraButtons; // shown after the standard buttons
    std::optional<BrowseButton> help; // shown last; shows helpText and how the list is worked
    QString helpText;
    QString tip;                  // the window's tip
    QString caption;              // a caption over the list ("Выбор смесителя")
    // A caption that tells what the columns depend on (the zone a verdict is judged for): asked
    // at every page read; coming back to the window re-reads the page when it has changed.
    std::function<QString()> liveCaption;
    BrowseUpdateForm updateForm;  // empty: the update buttons are not shown
    std::function<bool()> filter; // optional record filter
    // After every new selection, with the highlighted record in the buffer (cleared when the
    // page is empty); before the panels show it.
    std::function<void(BrowseWindow &)> newSelection;
    std::function<BrowsePanel *()> besidePanel, belowPanel; // made once with the window
    int rows = 15;                // rows shown at the opening size
};

// The page queue of a list: the rows now shown.
class BrowsePageModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Entry {
        QStringList texts;
        Row record;   // the full record, copied back into the buffer on selection
        Position position;
    };

    explicit BrowsePageModel(const std::vector<BrowseColumn> &columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    static constexpr int GroupRole = Qt::UserRole; // a column's group caption

    const std::vector<Entry> &entries() const { return m_entries; }
    void clear();
    void append(Entry e);
    void prepend(Entry e);
    void removeFirst();
    void removeLast();
    void removeAt(int row);

private:
    const std::vector<BrowseColumn> &m_columns;
    std::vector<Entry> m_entries;
};

class BrowseWindow : public QWidget {
    Q_OBJECT
public:
    // Reads glob::GLOBALREQUEST (select mode) and clears the request protocol; opens the file
    // through its use counter. When the file cannot be opened the window closes at once.
    explicit BrowseWindow(BrowseDeclaration declaration, QWidget *parent = nullptr);
    ~BrowseWindow() override;

    const BrowseDeclaration &declaration() const { return m_decl; }
    BrowsePageModel *page() const { return m_model; }
    // The highlighted row (0-based), -1 when the page is empty.
    int currentChoice() const { return m_current; }
    int visibleRows() const;
    int sortOrder() const { return m_sort; }
    int thumb() const;
    bool selectMode() const { return m_localRequest == glob::SelectRecord; }

    // Rebuilds the page keeping the highlighted record (the page is re-read from its top row).
    void refresh();
    // The popup menu of the list for the present page.
    QMenu *popupMenu();

    // "Экспорт в CSV...": asks for the file with a save dialog (or the path hook) and exports.
    void exportCsv();
    // Writes every record of the list, in its current order and filter, to `path`: a header of
    // the column captions, then a line per record with the columns' texts as the list shows
    // them, numbers with a decimal comma (see framework/csvfile.h). Reads a page per turn of the event loop; a list longer
    // than a page shows a progress window whose Cancel gives the export up. The list waits,
    // disabled, until the export ends; then csvExportFinished() tells how it ended.
    void exportCsv(const QString &path);
    bool exporting() const { return m_export != nullptr; }
    // Replaces the save dialog (tests): gets the suggested path, returns the chosen one or an
    // empty string for Cancel. An empty hook restores the dialog.
    using CsvPathHook = std::function<QString(const QString &suggested)>;
    static void setCsvPathHook(CsvPathHook hook);
    // The path the user chooses for a CSV file (the save dialog, or the hook); empty for Cancel.
    static QString askCsvPath(QWidget *parent, const QString &suggested);
    static constexpr int ExportPage = 500; // records read per turn of the event loop

signals:
    // The window is closing with this response (completed after Select, cancelled otherwise).
    void finished(LONG response);
    // An export ended: the file written, or not (cancelled or failed, a warning shown).
    void csvExportFinished(bool written);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    enum class Scroll { Up, Down, PageUp, PageDown, Top, Bottom };

    void buildUi();
    QPushButton *addButton(const std::optional<BrowseButton> &b, bool shown);
    int fitColumns();
    QLayout *buttonArea();
    void showHelp();
    // Reading
    void reset();
    bool readOne(bool forward, FileError &error);
    int fillRecord(int rows, bool forward, bool addToPage = true);
    BrowsePageModel::Entry entryFromBuffer() const;
    bool positionAt(const BrowsePageModel::Entry &anchor);
    // Page operations
    void processScroll(Scroll s);
    void scrollOne(bool down);
    void scrollPage(bool down);
    void scrollEnd(bool top);
    void scrollDrag(int thumbPosition);
    void refreshPage(std::optional<BrowsePageModel::Entry> start, std::optional<Position> highlighted,
                     bool backward);
    void locateOnValue(Position unlessAt = {});
    void locateOnPosition(Position p);
    void showLast();
    void selectSort(int order);
    void initializeBrowse();
    void characterLocate(QChar ch);
    void prefixLocate(const QByteArray &prefix);
    void setKeyPrefix(const QByteArray &prefix);
    bool keyBeginsWith(const BrowsePageModel::Entry &e, const QByteArray &prefix);
    // Selection and display
    void setCurrent(int row);
    void newSelection();
    void fillBuffer();
    bool syncWindow();
    void updateThumb();
    void updateButtons();
    void focusRegained();
    void readError();
    // Update actions
    void callUpdate(LONG request);
    void afterUpdate(LONG request, LONG response, Position written);
    void pressSelect();
    // Export
    struct CsvExport;
    void exportPage();
    void endExport(bool keep);

    BrowseDeclaration m_decl;
    DataFile &m_file;
    BrowsePageModel *m_model = nullptr;
    QTableView *m_list = nullptr;
    QScrollBar *m_bar = nullptr;
    QTabBar *m_tabs = nullptr;
    QPushButton *m_insert = nullptr, *m_change = nullptr, *m_delete = nullptr, *m_select = nullptr;
    QPushButton *m_close = nullptr, *m_help = nullptr;
    QLabel *m_caption = nullptr;
    std::vector<BrowsePanel *> m_panels;
    std::vector<std::pair<QWidget *, std::function<bool(const BrowseWindow &)>>> m_extraStates;
    std::vector<std::pair<QObject *, std::function<void(BrowseWindow &)>>> m_focusHooks;

    bool m_fileOpened = false;
    bool m_closing = false;
    bool m_shown = false;
    bool m_filling = false; // the engine is changing the page
    int m_sort = -1;   // index into m_decl.orders; -1 before the first page
    int m_current = -1;
    int m_thumb = 0;
    int m_lastPageSize = 0;
    QByteArray m_typed;         // characters typed in quick succession (Windows-1251)
    QElapsedTimer m_typedTimer; // since the last of them
    std::optional<stepstops::StringTable> m_textSteps;
    std::optional<stepstops::RealTable> m_realSteps;
    quint64 m_seenGeneration = 0;
    QMetaObject::Connection m_focusWatch;
    LONG m_localRequest = 0;
    LONG m_originalRequest = 0;
    LONG m_localResponse = glob::RequestCancelled;
    std::unique_ptr<CsvExport> m_export;
};

// Opens the list of `declaration` in select mode at the record in the file's buffer (or the
// first after its key value). `caller` (its whole subwindow; may be null) stays disabled until
// the list closes; `done` is called once, with true when a record was chosen (it is then in
// the file's record buffer) and false otherwise; not when the caller has gone meanwhile.
BrowseWindow *selectRecord(BrowseDeclaration declaration, QWidget *caller, std::function<void(bool chosen)> done,
                           WindowHost host = {});
// Shows `list` over `caller` (its whole subwindow; may be null), which stays disabled until the
// list closes; `done` then gets the list's response once (cancelled when the list goes without
// closing; not called when the caller has gone meanwhile).
void callList(BrowseWindow *list, QWidget *caller, std::function<void(LONG response)> done, WindowHost host = {});
