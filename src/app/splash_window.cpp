#include "app/splash_window.h"

#include "app/emblems.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QLabel *adviceLine(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

SplashWindow::SplashWindow(QWidget *parent, int showMilliseconds) : QFrame(parent)
{
    setObjectName(QStringLiteral("SPLASH1"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(3);
    setAutoFillBackground(true);

    auto *emblems = new QHBoxLayout;
    emblems->setSpacing(24);
    int n = 0;
    for (Emblem e : {Emblem::Road, Emblem::Aggregate, Emblem::Flask}) {
        auto *image = new QLabel(this);
        image->setObjectName(QStringLiteral("IMAGE%1").arg(++n));
        image->setPixmap(emblemPixmap(e, 96));
        emblems->addWidget(image);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->setSpacing(10);
    layout->addLayout(emblems);
    layout->addSpacing(8);
    layout->addWidget(adviceLine(QStringLiteral("STRING1"), QStringLiteral("В начале испытай компоненты "), this));
    layout->addWidget(adviceLine(QStringLiteral("STRING2"), QStringLiteral("и занеси результаты в журналы!"), this));
    setFixedSize(sizeHint());

    auto *timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("SPLASHTIMER"));
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &QWidget::close);
    timer->start(showMilliseconds);
}

void SplashWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        close();
}

void SplashWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        close();
}
