// Finding a record by its key: the sort tabs and their step tables, a key value, a position,
// and the characters typed into the list.
#include "framework/list_window.h"

#include "data/cp1251.h"

#include <QApplication>

// ---- locating ------------------------------------------------------------------------------

// Shows the page starting at the first record at or after the key value in the record buffer,
// that record highlighted; the last page when no record follows it. The page stays as it is
// when that record is `unlessAt` (the one highlighted already).
void BrowseWindow::locateOnValue(Position unlessAt)
{
    reset();
    m_file.setToKeyValue();
    FileError e;
    if (!readOne(true, e)) {
        if (e == FileError::EndOfFile)
            showLast();
        else
            readError();
        return;
    }
    if (!unlessAt.isNull() && m_file.position() == unlessAt)
        return;
    const BrowsePageModel::Entry found = entryFromBuffer();
    refreshPage(found, found.position, false);
}

void BrowseWindow::locateOnPosition(Position p)
{
    if (m_file.fetch(p) != FileError::None) {
        refresh();
        return;
    }
    const BrowsePageModel::Entry found = entryFromBuffer();
    refreshPage(found, p, false);
}

// Switches to sort order `order` (BRW1::SELECTSORT). The first page shows the top of the key
// (in select mode the record the caller left in the buffer); later switches show the page at
// the highlighted record's value of the new key.
void BrowseWindow::selectSort(int order)
{
    if (m_closing || order == m_sort || order < 0 || order >= int(m_decl.orders.size()))
        return;
    const bool first = m_sort < 0;
    const bool hadPage = !m_model->entries().empty();
    if (!first)
        syncWindow();
    m_sort = order;
    m_textSteps.reset();
    m_realSteps.reset();
    if (first && selectMode())
        locateOnValue();
    else if (first || !hadPage)
        refreshPage(std::nullopt, std::nullopt, false);
    else
        locateOnValue();
    if (!m_closing)
        initializeBrowse();
    if (!m_closing)
        newSelection();
}

// Reads the first and the last key values and fills the step table (BRW1::INITIALIZEBROWSE).
// An empty file leaves the table as it was.
void BrowseWindow::initializeBrowse()
{
    const BrowseSortOrder &o = m_decl.orders[std::size_t(m_sort)];
    if (!o.steps || o.first.kind == BrowseKeyField::Kind::None)
        return;
    FileError e;
    reset();
    if (!readOne(false, e)) {
        if (e != FileError::EndOfFile)
            readError();
        return;
    }
    const QByteArray highText = o.first.getText ? o.first.getText() : QByteArray();
    const REAL highReal = o.first.getReal ? o.first.getReal() : 0;
    reset();
    if (!readOne(true, e)) {
        if (e != FileError::EndOfFile)
            readError();
        return;
    }
    if (o.first.kind == BrowseKeyField::Kind::Text)
        m_textSteps = stepstops::stringTable(o.first.getText(), highText, o.first.length, STOPS_UPPER_LETTERS);
    else
        m_realSteps = stepstops::realTable(o.first.getReal(), highReal);
}

// Whether the entry's key begins with `prefix` (Windows-1251 bytes; letters in either case).
bool BrowseWindow::keyBeginsWith(const BrowsePageModel::Entry &e, const QByteArray &prefix)
{
    const BrowseKeyField &f = m_decl.orders[std::size_t(m_sort)].first;
    m_file.buffer().load(e.record);
    if (f.kind == BrowseKeyField::Kind::Text) {
        const QByteArray key = f.getText();
        if (key.size() < prefix.size())
            return false;
        for (int i = 0; i < prefix.size(); ++i)
            if (cp1251::sortWeight(uchar(key[i])) != cp1251::sortWeight(uchar(prefix[i])))
                return false;
        return true;
    }
    return QString::number(f.getReal()).startsWith(QString::fromLatin1(prefix));
}

// Puts `prefix` into the key's first field of a cleared record buffer, for a locate on value.
void BrowseWindow::setKeyPrefix(const QByteArray &prefix)
{
    const BrowseKeyField &f = m_decl.orders[std::size_t(m_sort)].first;
    m_file.buffer().clear();
    if (f.kind == BrowseKeyField::Kind::Text)
        f.setText(prefix);
    else
        f.setReal(prefix.toDouble());
}

// Typing: characters typed in quick succession (within the application's keyboard input
// interval) locate the first record whose key begins with all of them; a pause starts anew.
// A single character, or one letter typed repeatedly, walks through the records beginning with
// it and, past the last of them, locates the first record at or after it.
void BrowseWindow::characterLocate(QChar ch)
{
    const BrowseKeyField &f = m_decl.orders[std::size_t(m_sort)].first;
    const auto byte = cp1251::fromUnicode(ch.unicode());
    if (f.kind == BrowseKeyField::Kind::None || !byte || *byte < ' ')
        return;
    const bool continued = !m_typed.isEmpty() && m_typedTimer.isValid()
                           && m_typedTimer.elapsed() < QApplication::keyboardInputInterval();
    if (!continued)
        m_typed.clear();
    const unsigned char c = *byte;
    if ((m_typed.isEmpty() && c == ' ') || (f.kind == BrowseKeyField::Kind::Real && !cp1251::isDigit(c)))
        return;
    m_typed.append(char(c));
    m_typedTimer.start();
    bool oneLetter = f.kind == BrowseKeyField::Kind::Text || m_typed.size() == 1;
    for (char typed : std::as_const(m_typed))
        oneLetter = oneLetter && cp1251::sortWeight(uchar(typed)) == cp1251::sortWeight(c);
    if (!oneLetter) {
        prefixLocate(m_typed);
        return;
    }
    const QByteArray letter(1, char(c));
    if (keyBeginsWith(m_model->entries()[std::size_t(m_current)], letter))
        scrollOne(true);
    if (m_closing)
        return;
    if (!keyBeginsWith(m_model->entries()[std::size_t(m_current)], letter)) {
        setKeyPrefix(letter);
        locateOnValue();
    }
    if (!m_closing)
        newSelection();
}

// Highlights the first record at or after `prefix`: it stays where it is when it is the
// highlighted one already, otherwise the page is located at it.
void BrowseWindow::prefixLocate(const QByteArray &prefix)
{
    const Position highlighted = m_model->entries()[std::size_t(m_current)].position;
    setKeyPrefix(prefix);
    locateOnValue(highlighted);
    if (!m_closing)
        newSelection();
}
