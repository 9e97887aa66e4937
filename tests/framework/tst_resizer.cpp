#include "framework/resizer_ui.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace winresize;


namespace {
// A list window 400 x 300: list box, entry field, two buttons, a check box, a label.
const Rect kWindow{50, 40, 400, 300};
std::vector<Control> listWindow()
{
    return {
        {1, ControlKind::Other, {10, 10, 300, 200}},        // list box
        {2, ControlKind::SingleLine, {10, 220, 200, 24}},   // entry field
        {3, ControlKind::Button, {320, 260, 70, 30}},       // nearer the right and the bottom
        {4, ControlKind::Button, {10, 260, 70, 30}},        // nearer the left and the bottom
        {5, ControlKind::CheckBox, {220, 220, 100, 20}},
        {6, ControlKind::String, {320, 10, 1, 100}},        // a one-pixel line
        {7, ControlKind::Button, {165, 10, 70, 30}},        // equally far from left and right
    };
}

Rect find(const std::vector<Placement> &ps, int number)
{
    for (const Placement &p : ps)
        if (p.number == number)
            return p.geometry;
    return {};
}
} // namespace

class TestResizer : public QObject {
    Q_OBJECT
private slots:
    void spreadStrategy()
    {
        // twice as wide: list and entry double their width, buttons keep size and edge distance
        // twice as large both ways: the entry keeps its height, buttons their bottom distance
        // odd scale 1.3367 (401/300 rounded to four places): 10 * 1.3367 = 13.367 -> 13
        const std::tuple<int, int, int, Rect> rows[] = {
            {800, 300, 1, Rect{20, 10, 600, 200}}, // wide list
            {800, 300, 3, Rect{720, 260, 70, 30}}, // wide right button
            {800, 300, 6, Rect{640, 10, 1, 100}}, // wide line keeps width 1
            {800, 300, 7, Rect{165, 10, 70, 30}}, // tie goes to the left edge
            {800, 600, 2, Rect{20, 440, 400, 24}}, // large entry
            {400, 401, 1, Rect{10, 13, 300, 267}}, // odd scale
        };
        for (const auto &[width, height, control, expected] : rows) {
            WindowResizeType r;
            r.initialize(kWindow, listWindow(), SPREADSTRATEGY);
            auto placed = r.resize({kWindow.XPOS, kWindow.YPOS, width, height});
            QVERIFY(placed.has_value());
            QCOMPARE(placed->size(), listWindow().size());
            QCOMPARE(find(*placed, control), expected);
        }
    }

    void everythingScalesWithStrategy1()
    {
        WindowResizeType r;
        r.initialize(kWindow, listWindow(), RESIZESTRATEGY);
        auto placed = r.resize({0, 0, 800, 600});
        QCOMPARE(find(*placed, 3), (Rect{640, 520, 140, 60}));
        WindowResizeType other;
        other.initialize(kWindow, listWindow(), 7); // unknown strategy: scale everything too
        QCOMPARE(find(*other.resize({0, 0, 800, 600}), 3), (Rect{640, 520, 140, 60}));
    }

    void backToOpeningSizeRestoresEverything()
    {
        WindowResizeType r;
        r.initialize(kWindow, listWindow(), SPREADSTRATEGY);
        const int sizes[][2] = {{401, 301}, {733, 299}, {999, 777}};
        for (auto &s : sizes)
            QVERIFY(r.resize({0, 0, s[0], s[1]}).has_value());
        auto back = r.resize({0, 0, kWindow.WIDTH, kWindow.HEIGHT});
        QVERIFY(back.has_value());
        for (const Control &c : listWindow())
            QCOMPARE(find(*back, c.number), c.geometry);
    }

    void movingWithoutResizingDoesNothing()
    {
        WindowResizeType r;
        r.initialize(kWindow, listWindow(), SPREADSTRATEGY);
        QVERIFY(!r.resize({300, 200, kWindow.WIDTH, kWindow.HEIGHT}).has_value());
        QVERIFY(r.resize({300, 200, 500, 300}).has_value());
        QVERIFY(!r.resize({0, 0, 500, 300}).has_value());
    }

    // A control (180, 100, 40, 20) in 400 x 300, the window made 800 x 450.
    void otherPositionStrategies()
    {
        for (auto [positional, resize, expected] : {std::tuple{POS_X_KEEP | POS_Y_KEEP, 0, Rect{180, 100, 80, 30}},
                                                    {POS_X_CENTRE | POS_Y_CENTRE, 3, Rect{380, 175, 40, 20}},
                                                    {POS_X_CENTRE | POS_Y_CENTRE, 0, Rect{360, 150, 80, 30}},
                                                    {POS_X_RIGHT | POS_Y_BOTTOM, 3, Rect{580, 250, 40, 20}}}) {
            ControlEntry e{1, ControlKind::Other, std::uint16_t(positional), std::uint16_t(resize), {180, 100, 40, 20}};
            QCOMPARE(WindowResizeType::place(e, {0, 0, 400, 300}, {0, 0, 800, 450}), expected);
        }
    }

    void zeroSizedWindowDoesNotDivide()
    {
        WindowResizeType r;
        r.initialize({0, 0, 0, 0}, listWindow(), SPREADSTRATEGY);
        auto placed = r.resize({0, 0, 400, 300});
        QCOMPARE(find(*placed, 1), (Rect{10, 10, 300, 200})); // nothing to scale from: unchanged
        QCOMPARE(WindowResizeType::scaleOf(1, 3), std::int64_t(3333));
        QCOMPARE(WindowResizeType::scaleOf(2, 3), std::int64_t(6667));
    }

    // The same on real widgets, with nested controls.
    void widgetWindow()
    {
        QWidget window;
        window.setObjectName(QStringLiteral("BROUSETEST"));
        window.resize(400, 300);
        auto *list = new QListWidget(&window);
        list->setObjectName(QStringLiteral("LIST"));
        list->setGeometry(10, 10, 250, 180);
        auto *ok = new QPushButton(QStringLiteral("&Добавить"), &window);
        ok->setObjectName(QStringLiteral("INSERT"));
        ok->setGeometry(300, 220, 90, 28);
        auto *group = new QGroupBox(QStringLiteral("Форма отверстий"), &window);
        group->setObjectName(QStringLiteral("GROUP"));
        group->setGeometry(270, 10, 120, 80);
        auto *radio = new QRadioButton(QStringLiteral("Круглые"), group);
        radio->setObjectName(QStringLiteral("ROUND"));
        radio->setGeometry(10, 30, 100, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        WidgetResizer resizer(&window);
        resizer.initialize();
        QCOMPARE(window.minimumSize(), QSize(400, 300));
        // the named controls only: not the list's scroll bars
        QCOMPARE(resizer.geometry().controls().size(), std::size_t(4));

        QSignalSpy resized(&resizer, &WidgetResizer::resized);
        window.resize(800, 450);
        QCOMPARE(resized.count(), 1);
        QCOMPARE(list->geometry(), QRect(20, 15, 500, 270));
        QCOMPARE(ok->geometry(), QRect(700, 370, 90, 28));
        QCOMPARE(group->geometry(), QRect(540, 15, 240, 120));
        // (280, 40) in the window scales to (560, 60): 20, 45 inside the moved group box
        QCOMPARE(radio->geometry(), QRect(20, 45, 100, 20));

        resizer.destroy();
        window.resize(600, 400);
        QCOMPARE(list->geometry(), QRect(20, 15, 500, 270)); // no longer managed
    }
};

QTEST_MAIN(TestResizer)
#include "tst_resizer.moc"
