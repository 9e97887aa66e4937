#include "app/frame_window.h"
#include "app/procedures.h"
#include "app/soob2_window.h"
#include "app/splash_window.h"
#include "data/globals.h"
#include "framework/messagebox_ui.h"
#include "framework/warnings.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// Records each message and how many windows were open in the frame when it was shown.
class RecordingSink final : public MessageSink {
public:
    QStringList texts;
    QList<int> openWindowsAtMessage;
    QMdiArea *area = nullptr;
    LONG show(const MessageRequest &request) override
    {
        texts.append(request.text);
        openWindowsAtMessage.append(area ? int(area->subWindowList().size()) : -1);
        return request.defaultButton;
    }
};

// A stand-in list window for the procedures these tests start.
QWidget *makeTestWindow(const QString &title)
{
    auto *w = new QLabel(title);
    w->setWindowTitle(title);
    return w;
}

const QStringList kProcedures = {
    QStringLiteral("BROUSESPLIT"), QStringLiteral("BROUSESANT"),   QStringLiteral("BROUSEOTSEW"),
    QStringLiteral("BROUSEFILLERPOROSHOK"), QStringLiteral("BROWSEBIT"), QStringLiteral("BROWSEDOBAVKA"),
    QStringLiteral("BROUSENORMA1"), QStringLiteral("BROWSEZR3N"), QStringLiteral("GROHOTBROWSE11"),
    QStringLiteral("BROWSETITUL"), QStringLiteral("REG"),
};

} // namespace

class TestFrame : public QObject {
    Q_OBJECT
    RecordingSink sink;

    QToolButton *button(MAIN &frame, const char *name) { return frame.findChild<QToolButton *>(name); }
    QAction *item(MAIN &frame, const char *name) { return frame.findChild<QAction *>(name); }

private slots:
    void init()
    {
        glob::resetGlobals();
        sink.texts.clear();
        sink.openWindowsAtMessage.clear();
        sink.area = nullptr;
        setMessageSink(&sink);
    }
    void cleanup() { setMessageSink(nullptr); }

    // Runs first, while no procedure is registered.
    void itemsOfUnbuiltProceduresAreDisabled()
    {
        MAIN frame;
        for (const QString &p : kProcedures) {
            QAction *a = frame.findChild<QAction *>(p);
            QVERIFY2(a, qPrintable(p));
            QVERIFY2(!a->isEnabled(), qPrintable(p));
        }
        for (const char *b : {"BUTTON11", "BUTTON9", "BUTTON8"})
            QVERIFY2(!button(frame, b)->isEnabled(), b);
        QVERIFY(button(frame, "BUTTON10")->isEnabled());
        for (const char *a : {"PrintSetup", "Exit", "Tile", "Cascade", "ArrangeIcons"})
            QVERIFY2(item(frame, a)->isEnabled(), a);

        registerProcedure(QStringLiteral("BROUSESANT"), [] { return makeTestWindow(QStringLiteral("Песок")); });
        frame.updateProcedureActions();
        QVERIFY(item(frame, "BROUSESANT")->isEnabled());
        QVERIFY(!item(frame, "BROUSESPLIT")->isEnabled());
        QVERIFY(!startProcedure(QStringLiteral("BROUSESPLIT")));
    }

    void menusCarryTheirTextsAndHelp_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("status");
        QTest::newRow("print") << "PrintSetup" << "P&rint Setup..." << "" << "Setup Printer";
        QTest::newRow("exit") << "Exit" << "E&xit" << "" << "Exit this application";
        QTest::newRow("split") << "BROUSESPLIT" << "Щебень" << "" << "База данных по щебню";
        QTest::newRow("sant") << "BROUSESANT" << "&Песок" << "" << "База данных по песку";
        QTest::newRow("otsew") << "BROUSEOTSEW" << "&Отсев" << "" << "База данных по осевам";
        QTest::newRow("filler") << "BROUSEFILLERPOROSHOK" << "&МинПорошок" << "" << "База данных по порошкам";
        QTest::newRow("bit") << "BROWSEBIT" << "&Битум" << "" << "База данных по битумным вяжущим";
        QTest::newRow("dob") << "BROWSEDOBAVKA" << "&Добавки" << "" << "База данных по добавкам";
        QTest::newRow("norma") << "BROUSENORMA1" << "Гранулометрия ГОСТ" << "" << "Российские нормы";
        QTest::newRow("zr3n") << "BROWSEZR3N" << "Зарубежные нормы" << "" << "Зерновые составы";
        QTest::newRow("grohot") << "GROHOTBROWSE11" << "Смесители" << "Решетки грохота"
                                << "Параметры смесителя и грохота (№1-по умолчанию)";
        QTest::newRow("titul") << "BROWSETITUL" << "Для отчета" << "" << "Окружение для отчета";
        QTest::newRow("reg") << "REG" << "Климат" << "Ввод климатических факторов"
                             << "База региональных климатических факторов";
        QTest::newRow("tile") << "Tile" << "T&ile" << "" << "Make all open windows visible";
        QTest::newRow("cascade") << "Cascade" << "&Cascade" << "" << "Stack all open windows";
        QTest::newRow("arrange") << "ArrangeIcons" << "&Arrange Icons" << "" << "Align all window icons";
    }
    void menusCarryTheirTextsAndHelp()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, tip);
        QFETCH(QString, status);
        MAIN frame;
        QCOMPARE(frame.windowTitle(), QStringLiteral("Проектирование составов асфальтобетонных смесей"));
        QAction *a = frame.findChild<QAction *>(name);
        QVERIFY(a);
        QCOMPARE(a->text(), text);
        QCOMPARE(a->statusTip(), status);
        if (!tip.isEmpty())
            QCOMPARE(a->toolTip(), tip);
    }

    void menuTitlesAndToolbar()
    {
        MAIN frame;
        const QList<QPair<const char *, QStringList>> menus = {
            {"MenuFile", {"&Файл", ""}},
            {"MenuJournals", {"&Журналы", "Журналы испытаний исходных материалов"}},
            {"MenuRequirements", {"&Требования", "Предельные кривые гранулометрии"}},
            {"MenuSettings", {"Н&астройки", "Данные сопровождения"}},
            {"MenuWindow", {"&Окна", "Вид окон"}},
        };
        QList<QAction *> bar = frame.menuBar()->actions();
        QCOMPARE(bar.size(), menus.size());
        for (int i = 0; i < menus.size(); ++i) {
            auto *menu = frame.findChild<QMenu *>(menus[i].first);
            QVERIFY2(menu, menus[i].first);
            QCOMPARE(bar[i], menu->menuAction()); // in this order
            QCOMPARE(menu->title(), menus[i].second[0]);
            QCOMPARE(menu->menuAction()->statusTip(), menus[i].second[1]);
        }
        QCOMPARE(item(frame, "BROUSENORMA1")->parent(), frame.findChild<QMenu *>("MenuRequirements"));

        QCOMPARE(button(frame, "BUTTON10")->text(), QStringLiteral("Выход"));
        QVERIFY(!button(frame, "BUTTON10")->icon().isNull());
        QCOMPARE(frame.findChild<QLabel *>("PROMPT1")->text(), QStringLiteral("Результаты:"));
        QVERIFY(frame.findChild<QWidget *>("PANEL1"));
        QCOMPARE(button(frame, "BUTTON11")->text(), QStringLiteral("Испытания"));
        QCOMPARE(button(frame, "BUTTON11")->toolTip(), QStringLiteral("Результаты испытаний асфальтобетонов"));
        QCOMPARE(button(frame, "BUTTON9")->text(), QStringLiteral("Рецепты"));
        QCOMPARE(button(frame, "BUTTON9")->toolTip(), QStringLiteral("База готовых и промежуточных рецептов"));
        QCOMPARE(button(frame, "BUTTON8")->text(), QStringLiteral("Новый состав"));
        QCOMPARE(button(frame, "BUTTON8")->toolTip(),
                 QStringLiteral("Последовательная процедура подбора состава смеси"));
    }

    void eachUseOpensAnIndependentWindow()
    {
        int made = 0;
        registerProcedure(QStringLiteral("BROUSESPLIT"), [&made] {
            return makeTestWindow(QStringLiteral("Щебень %1").arg(++made));
        });
        MAIN frame(nullptr, 60000);
        frame.show();
        QVERIFY(item(frame, "BROUSESPLIT")->isEnabled());
        item(frame, "BROUSESPLIT")->trigger();
        item(frame, "BROUSESPLIT")->trigger();
        QList<QMdiSubWindow *> subs = frame.mdiArea()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(subs.size(), 2);
        QCOMPARE(subs[0]->windowTitle(), QStringLiteral("Щебень 1"));
        QCOMPARE(subs[1]->windowTitle(), QStringLiteral("Щебень 2"));
        QVERIFY(subs[0]->widget() != subs[1]->widget());
        // Closing one leaves the other open.
        QPointer<QMdiSubWindow> first = subs[0];
        first->close();
        QTRY_VERIFY(!first);
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);

        // The toolbar buttons start their procedures the same way.
        registerProcedure(QStringLiteral("PODBOR"), [] { return makeTestWindow(QStringLiteral("Подбор")); });
        registerProcedure(QStringLiteral("BROUSEPODBOR"), [] { return makeTestWindow(QStringLiteral("Рецепты")); });
        frame.updateProcedureActions();
        QTest::mouseClick(button(frame, "BUTTON8"), Qt::LeftButton);
        QTest::mouseClick(button(frame, "BUTTON9"), Qt::LeftButton);
        QTest::mouseClick(button(frame, "BUTTON8"), Qt::LeftButton);
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 4);
        QVERIFY(sink.texts.isEmpty());
    }

    void testsButtonAsksForARecipeFirst()
    {
        registerProcedure(QStringLiteral("MENUTEST"), [] { return makeTestWindow(QStringLiteral("Испытания")); });
        MAIN frame(nullptr, 60000);
        frame.show();
        sink.area = frame.mdiArea();
        QVERIFY(button(frame, "BUTTON11")->isEnabled());
        QTest::mouseClick(button(frame, "BUTTON11"), Qt::LeftButton);
        // The message comes before the test menu, which opens anyway.
        QCOMPARE(sink.texts, QStringList{QStringLiteral("Выбери рецепт для испытания")});
        QCOMPARE(sink.openWindowsAtMessage, QList<int>{0});
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);
        // With a recipe in hand: no message.
        glob::NUMMER = 7;
        QTest::mouseClick(button(frame, "BUTTON11"), Qt::LeftButton);
        QCOMPARE(sink.texts.size(), 1);
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 2);
    }

    void splashClosesByItself()
    {
        MAIN frame(nullptr, 150);
        QVERIFY(!frame.splash()); // shown when the frame opens
        frame.show();
        QPointer<SPLASH1> splash = frame.splash();
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->findChild<QLabel *>("STRING1")->text(), QStringLiteral("В начале испытай компоненты "));
        QCOMPARE(splash->findChild<QLabel *>("STRING2")->text(), QStringLiteral("и занеси результаты в журналы!"));
        for (const char *image : {"IMAGE1", "IMAGE2", "IMAGE3"})
            QVERIFY(!splash->findChild<QLabel *>(image)->pixmap().isNull());
        QTRY_VERIFY_WITH_TIMEOUT(!splash, 3000);
        QVERIFY(!frame.splash());
        // The real duration is five seconds.
        SPLASH1 real;
        QCOMPARE(real.findChild<QTimer *>("SPLASHTIMER")->interval(), 5000);
    }

    void splashClosesOnClicks_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("closes");
        QTest::newRow("left") << int(QEvent::MouseButtonPress) << int(Qt::LeftButton) << true;
        QTest::newRow("right") << int(QEvent::MouseButtonPress) << int(Qt::RightButton) << true;
        QTest::newRow("left double") << int(QEvent::MouseButtonDblClick) << int(Qt::LeftButton) << true;
        QTest::newRow("middle") << int(QEvent::MouseButtonPress) << int(Qt::MiddleButton) << false;
    }
    void splashClosesOnClicks()
    {
        QFETCH(int, type);
        QFETCH(int, button);
        QFETCH(bool, closes);
        MAIN frame(nullptr, 60000);
        frame.show();
        QPointer<SPLASH1> splash = frame.splash();
        QVERIFY(splash);
        QWidget *target = splash->findChild<QLabel *>("STRING1"); // a click on the text reaches the splash
        const QPointF at(5, 5);
        QMouseEvent event(QEvent::Type(type), at, target->mapToGlobal(at), Qt::MouseButton(button),
                          Qt::MouseButton(button), Qt::NoModifier);
        QApplication::sendEvent(target, &event);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(splash.isNull() || !splash->isVisible(), closes);
    }

    void splashClosesOnFirstUse()
    {
        MAIN frame(nullptr, 60000);
        frame.show();
        QPointer<SPLASH1> splash = frame.splash();
        QVERIFY(splash && splash->isVisible());
        item(frame, "Cascade")->trigger();
        QVERIFY(!frame.splash());
        QVERIFY(splash.isNull() || !splash->isVisible());
        item(frame, "Tile")->trigger(); // nothing left to close
        QVERIFY(frame.isVisible());
    }

    void windowItems()
    {
        registerProcedure(QStringLiteral("BROWSEBIT"), [] { return makeTestWindow(QStringLiteral("Битум")); });
        MAIN frame(nullptr, 60000);
        frame.resize(900, 600);
        frame.show();
        for (int i = 0; i < 3; ++i)
            item(frame, "BROWSEBIT")->trigger();
        QList<QMdiSubWindow *> subs = frame.mdiArea()->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(subs.size(), 3);
        item(frame, "Tile")->trigger();
        // Tiled windows do not overlap.
        QVERIFY(!subs[0]->geometry().intersects(subs[1]->geometry()));
        item(frame, "Cascade")->trigger();
        QVERIFY(subs[0]->geometry().intersects(subs[1]->geometry()));

        subs[0]->showMinimized();
        subs[2]->showMinimized();
        subs[0]->move(300, 40);
        item(frame, "ArrangeIcons")->trigger();
        const int bottom = frame.mdiArea()->viewport()->height();
        QCOMPARE(subs[0]->geometry().bottom() + 1, bottom);
        QCOMPARE(subs[0]->x(), 0);
        QCOMPARE(subs[2]->geometry().bottom() + 1, bottom);
        QCOMPARE(subs[2]->x(), subs[0]->width());

        item(frame, "PrintSetup")->trigger();
        auto *dialog = frame.findChild<QDialog *>("PrintSetupDialog");
        QVERIFY(qobject_cast<QPageSetupDialog *>(dialog) || qobject_cast<QPrintDialog *>(dialog));
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        dialog->reject();

        QTest::mouseClick(button(frame, "BUTTON10"), Qt::LeftButton);
        QVERIFY(!frame.isVisible());
    }

    void exitItemClosesTheFrame()
    {
        MAIN frame(nullptr, 60000);
        frame.show();
        item(frame, "BROWSEBIT")->trigger(); // registered by windowItems
        QPointer<QWidget> child = frame.mdiArea()->subWindowList().value(0);
        QVERIFY(child);
        item(frame, "Exit")->trigger();
        QVERIFY(!frame.isVisible());
        QTRY_VERIFY(!child); // the child windows close with the frame
    }

    void soob2IsCalledAndClosedByItsCloseBox()
    {
        MAIN frame(nullptr, 60000);
        frame.show();
        auto *caller = makeTestWindow(QStringLiteral("Отчет"));
        showInFrame(caller);
        int finished = 0;
        SOOB2 *warning = SOOB2::call(caller, [&finished] { ++finished; });
        QCOMPARE(warning->windowTitle(), QStringLiteral("Предупреждение"));
        QCOMPARE(warning->findChild<QLabel *>("STRING1")->text(), QStringLiteral("ВЫ ЗАБЫЛИ ВВЕСТИ ДАННЫЕ!!"));
        QCOMPARE(warning->findChild<QLabel *>("STRING2")->text(),
                 QStringLiteral("ВВЕДИТЕ ЗНАЧЕНИЕ ФАКТОРА ВРЕМЕНИ"));
        QVERIFY(warning->findChildren<QAbstractButton *>().isEmpty());
        QVERIFY(!caller->isEnabled());
        QCOMPARE(finished, 0);
        auto *sub = qobject_cast<QMdiSubWindow *>(warning->parentWidget());
        QVERIFY(sub);
        QVERIFY(sub->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(sub->windowFlags() & Qt::WindowMinimizeButtonHint));
        sub->close(); // the close box
        QCOMPARE(finished, 1);
        QVERIFY(caller->isEnabled());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frame.mdiArea()->subWindowList().size(), 1);
    }

    void messageBoxSinkShowsRussianButtons()
    {
        MessageBoxSink boxes(QStringLiteral("Заголовок"));
        QStringList labels;
        QString defaultLabel, title;
        const QString screenshots = qEnvironmentVariable("ASPHALT_SCREENSHOTS");
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            for (QAbstractButton *b : box->buttons())
                labels.append(b->text());
            defaultLabel = box->defaultButton()->text();
            title = box->windowTitle();
            if (!screenshots.isEmpty())
                box->grab().save(screenshots + QStringLiteral("/messagebox.png"));
            box->button(QMessageBox::No)->click();
        });
        const LONG pressed = boxes.show({{}, QStringLiteral("Do you want to save the changes to this record?"),
                                         MessageIcon::Question, MsgYes | MsgNo | MsgCancel, MsgNo});
        QCOMPARE(pressed, LONG(MsgNo));
        labels.sort();
        QCOMPARE(labels, (QStringList{QStringLiteral("Да"), QStringLiteral("Нет"), QStringLiteral("Отмена")}));
        QCOMPARE(defaultLabel, QStringLiteral("Нет"));
        QCOMPARE(title, QStringLiteral("Заголовок")); // a box without a caption of its own

        QTimer::singleShot(0, [] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            box->button(QMessageBox::Retry)->click();
        });
        QCOMPARE(boxes.show({QStringLiteral("Auto Increment Error"), QStringLiteral("x"), MessageIcon::Exclamation,
                             MsgRetry | MsgCancel, MsgCancel}),
                 LONG(MsgRetry));
    }

    // Renders the frame with its splash and SOOB2 when ASPHALT_SCREENSHOTS names a directory.
    void screenshots()
    {
        const QString dir = qEnvironmentVariable("ASPHALT_SCREENSHOTS");
        if (dir.isEmpty())
            QSKIP("set ASPHALT_SCREENSHOTS to a directory to render the windows");
        MAIN frame(nullptr, 60000);
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QVERIFY(frame.grab().save(dir + QStringLiteral("/frame_splash.png")));
        const QPixmap bar = frame.findChild<QWidget *>("TOOLBAR")->grab();
        QVERIFY(bar.scaled(bar.size() * 2).save(dir + QStringLiteral("/toolbar_x2.png")));
        frame.splash()->close();
        SOOB2 *warning = SOOB2::call(nullptr, {});
        QTest::qWait(50);
        QVERIFY(frame.grab().save(dir + QStringLiteral("/frame_soob2.png")));
        QVERIFY(warning->parentWidget()->grab().save(dir + QStringLiteral("/soob2.png")));
    }
};

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
