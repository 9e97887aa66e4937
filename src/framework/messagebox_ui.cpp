#include "framework/messagebox_ui.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace {

struct ButtonInfo {
    MessageButton button;
    QMessageBox::StandardButton standard;
    const char *label;
};

const ButtonInfo kButtons[] = {
    {MsgOk, QMessageBox::Ok, "OK"},
    {MsgYes, QMessageBox::Yes, "Да"},
    {MsgNo, QMessageBox::No, "Нет"},
    {MsgRetry, QMessageBox::Retry, "Повтор"},
    {MsgCancel, QMessageBox::Cancel, "Отмена"},
};

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

LONG MessageBoxSink::show(const MessageRequest &request)
{
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MESSAGEBOX"));
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(request.caption.isEmpty() ? m_fallbackCaption : request.caption);
    box.setText(request.text);
    box.setIcon(boxIcon(request.icon));
    const LONG buttons = request.buttons ? request.buttons : LONG(MsgOk);
    for (const ButtonInfo &b : kButtons) {
        if (!(buttons & b.button))
            continue;
        QPushButton *pb = box.addButton(b.standard);
        pb->setText(QString::fromUtf8(b.label));
        if (b.button == request.defaultButton)
            box.setDefaultButton(pb);
    }
    box.exec();
    for (const ButtonInfo &b : kButtons) {
        if (box.clickedButton() && box.clickedButton() == box.button(b.standard))
            return b.button;
    }
    // Closed without a button (Escape with no Cancel or No among them): the default answer.
    return request.defaultButton;
}

ProgressWaitSink::~ProgressWaitSink() { delete m_dialog; }

bool ProgressWaitSink::waiting(const QString &text, int waitedMs, int limitMs)
{
    if (!m_dialog) {
        m_dialog = new QProgressDialog(QApplication::activeWindow());
        m_dialog->setObjectName(QStringLiteral("LOCKWAIT"));
        m_dialog->setWindowTitle(QStringLiteral("Ожидание файла"));
        m_dialog->setCancelButtonText(QStringLiteral("Отмена"));
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
    }
    m_dialog->setLabelText(text);
    m_dialog->setRange(0, qMax(1, limitMs));
    m_dialog->setValue(qBound(0, waitedMs, qMax(1, limitMs)));
    m_dialog->show();
    QApplication::processEvents(); // repaint, and let Cancel be pressed
    // A wait of another window that ran meanwhile may have ended (and removed) the dialog.
    return !m_dialog || !m_dialog->wasCanceled();
}

void ProgressWaitSink::done()
{
    delete m_dialog;
    m_dialog = nullptr;
}

void installMessageBoxSink(const QString &fallbackCaption)
{
    static MessageBoxSink sink(fallbackCaption);
    setMessageSink(&sink);
    static ProgressWaitSink wait;
    setWaitSink(&wait);
}
