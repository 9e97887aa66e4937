#include "design/batch_menu_window.h"

#include "data/globals.h"
#include "design/batch_report.h"
#include "framework/callerhold_ui.h"
#include "framework/reportprogress_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>

#include <memory>

namespace {

QWidget *batchReport(design::BatchVariant variant, std::function<void(LONG)> done)
{
    ReportDefinition def;
    def.title = design::batchreport::title(variant);
    def.run = design::batchreport::run();
    def.layout = design::batchreport::layout();
    def.detail = [variant] { return design::batchreport::detail(variant); };
    return ReportProcedure::start(std::move(def), std::move(done));
}

} // namespace

QWidget *RPT_GROHOT(std::function<void(LONG)> done)
{
    return batchReport(design::BatchVariant::RPT_GROHOT, std::move(done));
}

QWidget *REZCBITSWERH100(std::function<void(LONG)> done)
{
    return batchReport(design::BatchVariant::REZCBITSWERH100, std::move(done));
}

QWidget *MENU_ZAMES(QWidget *caller, std::function<void(LONG)> done, std::function<void()> beforeReport,
                    WindowHost host)
{
    auto *window = new QWidget;
    window->setObjectName(QStringLiteral("MENU_ZAMES"));
    window->setWindowTitle(QStringLiteral("Выбери возможности смесителя"));
    window->setAttribute(Qt::WA_DeleteOnClose);

    auto *grid = new QGridLayout(window);
    auto *menu = new QMenuBar(window);
    QAction *exit = menu->addAction(QStringLiteral("&Выход"));
    exit->setObjectName(QStringLiteral("EXIT"));
    grid->setMenuBar(menu);

    auto *prompt = new QLabel(QStringLiteral("Эффективность пылеотделения, %:"), window);
    prompt->setObjectName(QStringLiteral("OTSOS_PROMPT"));
    // No collector takes off more dust than there is: the efficiency stops at 100 %.
    auto *otsos = new QSpinBox(window);
    otsos->setObjectName(QStringLiteral("OTSOS"));
    otsos->setRange(0, 100);
    otsos->setValue(int(std::clamp<LONG>(glob::OTSOS, 0, 100)));
    glob::OTSOS = otsos->value();
    QObject::connect(otsos, &QSpinBox::valueChanged, window, [](int v) { glob::OTSOS = v; });
    grid->addWidget(prompt, 0, 0);
    grid->addWidget(otsos, 0, 1);

    const auto reportButton = [&](int row, const QString &label, const QString &name,
                                  QWidget *(*report)(std::function<void(LONG)>)) {
        auto *text = new QLabel(label, window);
        text->setObjectName(name + QStringLiteral("_PROMPT"));
        auto *button = new QPushButton(QStringLiteral("ДА"), window);
        button->setObjectName(name);
        grid->addWidget(text, row, 0);
        grid->addWidget(button, row, 1);
        // The menu waits, greyed, while its printout runs.
        QObject::connect(button, &QPushButton::clicked, window, [window, report, beforeReport] {
            if (beforeReport)
                beforeReport();
            auto hold = std::make_shared<CallerHold>(window);
            showInFrame(report([hold](LONG) { hold->release(); }));
        });
    };
    reportButton(1, QStringLiteral("Битум в 100 % смеси:"), QStringLiteral("RPT_GROHOT"), &RPT_GROHOT);
    reportButton(2, QStringLiteral("Битум сверх 100 %:"), QStringLiteral("REZCBITSWERH100"), &REZCBITSWERH100);

    // The caller waits, disabled; it gets its answer once, when the menu goes.
    auto hold = std::make_shared<CallerHold>(caller);
    auto finish = [hold, done = std::move(done)]() mutable {
        glob::GLOBALRESPONSE = glob::RequestCancelled;
        auto call = std::move(done);
        done = nullptr;
        if (hold->release() && call)
            call(glob::RequestCancelled);
    };
    auto shared = std::make_shared<decltype(finish)>(std::move(finish));
    QObject::connect(exit, &QAction::triggered, window, [window] { closeHostedWindow(window); });
    QObject::connect(window, &QObject::destroyed, [shared] { (*shared)(); });

    if (host)
        host(window);
    else
        showInFrame(window);
    return window;
}
