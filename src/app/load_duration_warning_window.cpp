#include "app/load_duration_warning_window.h"

#include "framework/procedures_ui.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace {

QLabel *warningLine(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

LoadDurationWarning::LoadDurationWarning(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SOOB2"));
    setWindowTitle(QStringLiteral("Предупреждение"));
    // A title and a close box only: closing it is the one way on.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(12);
    layout->addWidget(warningLine(QStringLiteral("STRING1"), QStringLiteral("ВЫ ЗАБЫЛИ ВВЕСТИ ДАННЫЕ!!"), this));
    layout->addWidget(
        warningLine(QStringLiteral("STRING2"), QStringLiteral("ВВЕДИТЕ ЗНАЧЕНИЕ ФАКТОРА ВРЕМЕНИ"), this));
}

LoadDurationWarning *LoadDurationWarning::call(QWidget *caller, std::function<void()> done)
{
    auto *window = new LoadDurationWarning;
    QPointer<QWidget> guardedCaller = caller;
    if (caller)
        caller->setEnabled(false);
    connect(window, &LoadDurationWarning::closed, window, [guardedCaller, done = std::move(done)] {
        if (guardedCaller)
            guardedCaller->setEnabled(true);
        if (done)
            done();
    });
    showInFrame(window);
    return window;
}

void LoadDurationWarning::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && !m_closed) {
        m_closed = true;
        emit closed();
    }
}
