#include "catalogues/zone_filter_window.h"

#include "data/conformity_zone.h"
#include "data/globals.h"
#include "framework/callerhold_ui.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <memory>

namespace {

// A drop-down list bound to a global text: shows its value, stores each choice at once.
void addChoice(QWidget *window, int y, const QString &name, const QString &label, const QStringList &choices,
               FixedString<3> &global)
{
    auto *prompt = new QLabel(label, window);
    prompt->setObjectName(name + QStringLiteral("_PROMPT"));
    prompt->setGeometry(16, y, 60, 22);
    auto *box = new QComboBox(window);
    box->setObjectName(name);
    box->setGeometry(80, y, 80, 22);
    box->addItems(choices);
    const int current = choices.indexOf(global.text().trimmed());
    box->setCurrentIndex(current >= 0 ? current : 0);
    global = box->currentText();
    QObject::connect(box, &QComboBox::currentTextChanged, window, [&global](const QString &t) { global = t; });
}

QWidget *openFilter(bool withGrade, QWidget *caller, std::function<void(LONG)> done, const WindowHost &host)
{
    auto *window = new QWidget;
    window->setObjectName(withGrade ? QStringLiteral("FILTER21") : QStringLiteral("FILTER2"));
    window->setWindowTitle(QStringLiteral("Установка фильтра для требований стандарта"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The zone offered is the one last chosen, in this run or an earlier one; the choice is kept.
    glob::DKZ = conformity_zone::current();
    addChoice(window, 16, QStringLiteral("DKZ"), QStringLiteral("DKZ:"), {"I", "II", "III", "IV", "V"}, glob::DKZ);
    conformity_zone::choose(glob::DKZ.text());
    QObject::connect(window->findChild<QComboBox *>(QStringLiteral("DKZ")), &QComboBox::currentTextChanged, window,
                     [](const QString &zone) { conformity_zone::choose(zone); });
    if (withGrade)
        addChoice(window, 46, QStringLiteral("MARKA"), QStringLiteral("Marka:"), {"I", "II", "III", ""}, glob::MARKA);
    const int buttonsY = withGrade ? 84 : 54;
    // The caller waits, disabled; the window returns once: from a button (then closes) or when
    // it goes.
    auto hold = std::make_shared<CallerHold>(caller);
    auto finish = [window, hold, done = std::move(done)](bool closeWindow) mutable {
        if (!done) return;
        glob::GLOBALRESPONSE = glob::RequestCancelled;
        auto call = std::move(done);
        done = nullptr;
        if (hold->release()) call(glob::RequestCancelled);
        if (!closeWindow) return;
        closeHostedWindow(window);
    };
    auto shared = std::make_shared<decltype(finish)>(std::move(finish));
    const char *names[2] = {"OK", "CANCEL"};
    const QString texts[2] = {QStringLiteral("Ок"), QStringLiteral("Отменить")};
    for (int b = 0; b < 2; ++b) {
        auto *button = new QPushButton(texts[b], window);
        button->setObjectName(QLatin1String(names[b]));
        button->setGeometry(16 + b * 84, buttonsY, 80, 25);
        QObject::connect(button, &QPushButton::clicked, window, [shared] { (*shared)(true); });
    }
    QObject::connect(window, &QObject::destroyed, [shared] { (*shared)(false); }); // closed by its frame
    window->resize(196, buttonsY + 25 + 14);
    if (host)
        host(window);
    else
        showInFrame(window);
    return window;
}

} // namespace

QWidget *FILTER2(QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openFilter(false, caller, std::move(done), host);
}

QWidget *FILTER21(QWidget *caller, std::function<void(LONG)> done, WindowHost host)
{
    return openFilter(true, caller, std::move(done), host);
}
