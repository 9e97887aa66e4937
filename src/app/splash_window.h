#pragma once
// SPLASH1: the advice shown at start-up over the frame's work area. It closes by itself after
// five seconds, on a left click, a left double click or a right click, or when the frame
// closes it on the first use of a menu item or button.
#include <QFrame>

class QTimer;

class SplashWindow : public QFrame {
    Q_OBJECT
public:
    static constexpr int kShowMilliseconds = 5000;

    // `showMilliseconds` is shortened by tests only.
    explicit SplashWindow(QWidget *parent = nullptr, int showMilliseconds = kShowMilliseconds);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
