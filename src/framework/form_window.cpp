// Calling a form and its return: the request protocol, the caller held, the form's record kept
// aside while other windows use the file, and what a form called by a form hands back.
#include "framework/form_window.h"

#include "data/globals.h"
#include "framework/callerhold_ui.h"
#include "framework/fileservices.h"
#include "framework/form_internal_ui.h"

#include <QTimer>

using namespace formengine;

QHash<QString, FormMemory> &formengine::memories()
{
    static QHash<QString, FormMemory> m;
    return m;
}

// ---- the form -----------------------------------------------------------------------------------

FormWindow *openForm(const FormDecl &decl, LONG request, QWidget *caller, std::function<void(LONG)> done,
                     WindowHost host)
{
    if (const QStringList faults = checkFormDecl(decl); !faults.isEmpty())
        qFatal("%s", qPrintable(QStringLiteral("The form %1 is declared wrongly: %2")
                                    .arg(decl.procedure, faults.join(QStringLiteral("; ")))));
    glob::GLOBALREQUEST = request;
    glob::VCRREQUEST = 0;
    auto *form = new FormWindow(decl, request, caller, std::move(done));
    bool opened = false;
    {
        // The form's record is the one in the buffer now. Showing the window lets other
        // windows work (a maximised list gives way to the new subwindow and re-reads its page
        // into the same buffer), so the claim ends before it: the form keeps its record aside.
        FormWindow::BufferClaim claim(*form);
        if (form->m_blocked)
            form->m_blocked->setEnabled(false);
        opened = form->prepareProcedure();
        if (!opened)
            form->procedureReturn();
    }
    if (!opened) {
        delete form;
        return nullptr;
    }
    form->openWindow(host);
    return form;
}

FormWindow::FormWindow(const FormDecl &decl, LONG, QWidget *caller, std::function<void(LONG)> done)
    : m_decl(decl), m_file(*decl.file), m_hadCaller(caller != nullptr), m_done(std::move(done))
{
    // Block the caller's whole subwindow, so that it cannot be closed under its form either.
    m_blocked = blockedByCall(caller);
    for (QWidget *w = caller; w; w = w->parentWidget())
        if (auto *outer = qobject_cast<FormWindow *>(w)) {
            if (&outer->m_file == &m_file) m_outer = outer;
            break;
        }
    for (const auto &[name, value] : decl.locals)
        m_locals.insert(name, value);
}

QStringList checkFormDecl(const FormDecl &decl)
{
    QStringList faults;
    if (!decl.file) return {QStringLiteral("no file")};
    QStringList locals;
    for (const auto &l : decl.locals) locals << l.first;
    for (const FormField &f : decl.fields) {
        if (!f.local.isEmpty()) {
            if (!locals.contains(f.local))
                faults << QStringLiteral("%1: no window-local value %2").arg(f.objectName, f.local);
        } else if (!f.var) {
            if (decl.file->desc().columnIndex(f.column) < 0)
                faults << QStringLiteral("%1: the file %2 has no column %3").arg(f.objectName, decl.file->name(), f.column);
        }
        const FormListFile &lf = f.listFile;
        if (lf.file && (lf.file->desc().columnIndex(lf.column) < 0 || lf.key < 0))
            faults << QStringLiteral("%1: the file %2 has no name column %3").arg(f.objectName, lf.file->name(), lf.column);
        if (!decl.tabs.isEmpty() ? f.tab >= decl.tabs.size() : f.tab >= 0)
            faults << QStringLiteral("%1: no page %2").arg(f.objectName).arg(f.tab);
    }
    if (decl.autoNumber.key >= 0 && decl.file->desc().columnIndex(decl.autoNumber.column) < 0)
        faults << QStringLiteral("the file %1 has no column %2").arg(decl.file->name(), decl.autoNumber.column);
    return faults;
}

FormWindow::BufferClaim::BufferClaim(FormWindow &form) : m_form(&form)
{
    if (form.m_claims++ == 0 && form.m_haveWork) {
        form.m_file.buffer().load(form.m_work);
        form.m_file.restoreReadState(form.m_readState);
    }
}

FormWindow::BufferClaim::~BufferClaim()
{
    if (!m_form)
        return;
    FormWindow &form = *m_form;
    if (--form.m_claims == 0) {
        form.m_work = form.m_file.buffer().save();
        form.m_readState = form.m_file.readState();
        form.m_haveWork = true;
    }
}

FormWindow::~FormWindow()
{
    procedureReturn(); // destroyed without a close (the frame went away)
}

void FormWindow::forgetMemory() { memories().clear(); }

FieldEdit *FormWindow::field(const QString &objectName) const
{
    for (FieldEdit *e : m_edits)
        if (e->objectName() == objectName) return e;
    return nullptr;
}

FieldRadioGroup *FormWindow::radioGroup(const QString &objectName) const
{
    for (FieldRadioGroup *g : m_groups)
        if (g->objectName() == objectName) return g;
    return nullptr;
}

// A form called by another form on the same file works on the caller's record: what it leaves
// there reaches the caller. That is what it stored (completed), or, opened without a request,
// what it set in the record for the caller to store; an insert or change the user abandoned
// does not.
void FormWindow::handOverToOuter()
{
    if (!m_outer || m_outer->m_returned)
        return;
    const bool abandoned = (m_originalRequest == glob::InsertRecord || m_originalRequest == glob::ChangeRecord) &&
                           m_localResponse != glob::RequestCompleted;
    if (abandoned || m_originalRequest == glob::DeleteRecord)
        return;
    const Row record = m_claims > 0 || !m_haveWork ? m_file.buffer().save() : m_work;
    const DataFile::ReadState state = m_claims > 0 || !m_haveWork ? m_file.readState() : m_readState;
    if (m_outer->m_claims > 0) { // the caller works on the buffer now: it keeps what is there
        m_file.buffer().load(record);
        m_file.restoreReadState(state);
    } else {
        m_outer->m_work = record;
        m_outer->m_readState = state;
        m_outer->m_haveWork = true;
    }
    QTimer::singleShot(0, m_outer, [outer = m_outer] { if (outer) outer->refreshWindow(); });
}

void FormWindow::closeForm() { closeHostedWindow(this); }

void FormWindow::procedureReturn()
{
    if (m_returned)
        return;
    m_returned = true;
    handOverToOuter();
    if (m_fileUsed)
        releaseFile(m_file);
    m_fileUsed = false;
    const LONG response = m_localResponse ? m_localResponse : LONG(glob::RequestCancelled);
    glob::GLOBALRESPONSE = response;
    if (m_blocked)
        m_blocked->setEnabled(true);
    // A caller that has gone (closed with the frame) is not called back.
    if (m_hadCaller && !m_blocked)
        return;
    if (auto done = std::move(m_done))
        done(response);
}
