#include "framework/messagebox_ui.h"

#include <QApplication>
#include <QMessageBox>
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

void installMessageBoxSink(const QString &fallbackCaption)
{
    static MessageBoxSink sink(fallbackCaption);
    setMessageSink(&sink);
}
