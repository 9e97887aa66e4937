// The write path of a form: the request checked, a new record primed and numbered, OK and
// Cancel, the insert, change and delete written, and the prompt on closing.
#include "framework/form_window.h"

#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/form_internal_ui.h"
#include "framework/resizer_ui.h"
#include "framework/warnings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

using namespace formengine;

// Asks a question while the form's record and read state are in the file: the message box
// handles events, and another window may read the file meanwhile. They are put back after.
LONG FormWindow::ask(LONG warning, const QString &text)
{
    const Row record = m_file.buffer().save();
    const DataFile::ReadState state = m_file.readState();
    const LONG answer = STANDARDWARNING(warning, text);
    m_file.buffer().load(record);
    m_file.restoreReadState(state);
    return answer;
}

bool FormWindow::prepareProcedure()
{
    m_localRequest = m_originalRequest = glob::GLOBALREQUEST;
    m_localResponse = glob::RequestCancelled;
    glob::GLOBALREQUEST = glob::NoRequest;
    glob::GLOBALRESPONSE = 0;

    if (m_localRequest == glob::InsertRecord && !m_decl.allowInsert) {
        STANDARDWARNING(19);
        return false;
    }
    if (m_localRequest == glob::DeleteRecord && !m_decl.allowDelete) {
        STANDARDWARNING(21);
        return false;
    }
    if (m_localRequest == glob::ChangeRecord && !m_decl.allowChange)
        return false;

    if (!useFile(m_file))
        return false;
    m_fileUsed = true;
    // Called without a request by a form on the same file, the form works on its caller's
    // record and writes nothing through the integrity rules: the caller's link snapshot stays
    // (a number typed in the caller is still checked against the one it opened with).
    if (!m_outer || m_localRequest != glob::NoRequest)
        RISNAP(m_file);
    takeSavedCopy();

    if (m_localRequest == glob::InsertRecord) {
        m_localResponse = glob::RequestCompleted;
        if (!primeFields()) {
            m_localResponse = glob::RequestCancelled;
            return false;
        }
        m_localResponse = glob::RequestCancelled;
    }
    if (m_localRequest == glob::DeleteRecord) {
        performDelete();
        return false;
    }
    return true;
}

void FormWindow::takeSavedCopy()
{
    m_savedRow = m_file.buffer().save();
    m_savedCopy = rowBytes(m_savedRow);
}

bool FormWindow::recordChanged() { return rowBytes(m_file.buffer().save()) != m_savedCopy; }

bool FormWindow::primeFields()
{
    m_file.buffer().load(m_savedRow); // the record as the caller passed it
    if (m_decl.primeFields && !m_decl.primeFields(*this))
        return false;
    if (m_decl.autoNumber.key >= 0 && !autoNumberRecord())
        return false;
    takeSavedCopy(); // an unchanged primed record counts as unchanged
    return true;
}

bool FormWindow::autoNumberRecord()
{
    const AutoNumber &an = m_decl.autoNumber;
    const int col = m_file.desc().columnIndex(an.column);
    Q_ASSERT(col >= 0);
    int failures = 0;
    for (;;) {
        DataFile::NumberingStep failedStep = DataFile::NumberingStep::Add;
        if (m_file.addNumbered(an.key, col, &failedStep) == FileError::None) {
            m_autoAdded = true;
            return true;
        }
        if (failedStep == DataFile::NumberingStep::Read) {
            ask(35, an.fileLabel);
            return false;
        }
        if (++failures >= 3) {
            saveError();
            if (ask(25) != MsgRetry)
                return false;
            failures = 0;
        }
    }
}

void FormWindow::performDelete()
{
    if (ask(32) != MsgOk)
        return;
    for (;;) {
        m_localResponse = glob::RequestCancelled;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const LONG failed = RIDELETE(m_file);
        QApplication::restoreOverrideCursor();
        if (!failed) {
            m_localResponse = glob::RequestCompleted;
            return;
        }
        if (failed == 2) // changed by another station: the user sees it and decides again
            return;
        if (ask(18) != MsgYes)
            return;
    }
}

void FormWindow::pressOk()
{
    BufferClaim claim(*this);
    syncFocusedField();
    if (m_originalRequest == glob::InsertRecord || m_originalRequest == glob::ChangeRecord) {
        if (!acceptAll())
            return;
    }
    save();
}

void FormWindow::pressCancel()
{
    BufferClaim claim(*this);
    syncFocusedField();
    m_localResponse = glob::RequestCancelled;
    glob::VCRREQUEST = 0;
    closeForm();
}

void FormWindow::save()
{
    FormMemory &mem = memories()[m_decl.procedure];
    mem.history = m_file.buffer().save();
    mem.hasHistory = true;
    if (m_localRequest == glob::InsertRecord)
        saveInsert();
    else if (m_localRequest == glob::ChangeRecord)
        saveChange();
    else if (m_localRequest != glob::NoRequest) {
        m_closing = true;
        closeForm();
    }
    // Opened without a request: the form works on the record in memory, stores nothing and
    // stays open until it is closed.
}

void FormWindow::saveInsert()
{
    if (m_autoAdded) { // the numbered record is in the file already: write it in place
        if (RIUPDATE(m_file, 1) == RiWritten) {
            m_localResponse = glob::RequestCompleted;
            m_closing = true;
            closeForm();
            return;
        }
        refreshWindow();
        focusFirstField();
        glob::VCRREQUEST = 0;
        return;
    }
    const FileError e = m_file.add();
    if (e == FileError::None) {
        m_localResponse = glob::RequestCompleted;
        m_closing = true;
        closeForm();
        return;
    }
    saveError(); // the add's error, for warning 14
    bool duplicate = false;
    if (e == FileError::DuplicateKey && m_decl.checkedUniqueKey >= 0) {
        const Row typed = m_file.buffer().save();
        duplicate = m_file.get(m_decl.checkedUniqueKey) == FileError::None;
        m_file.buffer().load(typed);
    }
    if (duplicate)
        ask(24, m_decl.checkedKeyName);
    else
        ask(14);
    glob::VCRREQUEST = 0;
    focusFirstField();
}

void FormWindow::saveChange()
{
    for (;;) {
        m_localResponse = glob::RequestCancelled;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool changed = recordChanged();
        const BYTE error = changed ? RIUPDATE(m_file, 1) : BYTE(RiWritten);
        QApplication::restoreOverrideCursor();
        if (error == RiFailed) {
            const LONG answer = ask(16);
            if (answer == MsgYes)
                continue;
            if (answer == MsgNo) {
                m_closing = true;
                closeForm();
                return;
            }
        }
        if (error != RiWritten) {
            // Refused: the buffer shows the other station's version, which is now the one
            // this form compares against; the history key recalls the user's own values.
            if (error == RiChangedByOther)
                takeSavedCopy();
            refreshWindow();
            focusFirstField();
            glob::VCRREQUEST = 0;
            return;
        }
        if (changed || glob::VCRREQUEST == 0)
            m_localResponse = glob::RequestCompleted;
        m_closing = true;
        closeForm();
        return;
    }
}

bool FormWindow::closingWindow()
{
    if (m_closing || !m_decl.savePrompt)
        return true;
    syncFocusedField();
    const bool editing = m_originalRequest == glob::InsertRecord || m_originalRequest == glob::ChangeRecord;
    if (m_localResponse == glob::RequestCompleted || !editing || !recordChanged())
        return true;
    const LONG answer = ask(33);
    if (answer == MsgYes) {
        QTimer::singleShot(0, this, &FormWindow::pressOk);
        return false;
    }
    if (answer == MsgCancel) {
        focusFirstField();
        return false;
    }
    return true;
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    BufferClaim claim(*this);
    if (!m_returned) {
        if (!closingWindow()) {
            event->ignore();
            return;
        }
        if (m_autoAdded && m_localResponse != glob::RequestCompleted)
            RIDELETE(m_file); // the numbered record of an insert that was not completed
        if (m_resizer)
            m_resizer->destroy();
        procedureReturn();
    }
    event->accept();
}
