#pragma once
// SOOB2: the warning that the load duration has not been entered. It has no buttons and is
// closed with the window's close box.
#include <QWidget>

#include <functional>

class LoadDurationWarning : public QWidget {
    Q_OBJECT
public:
    explicit LoadDurationWarning(QWidget *parent = nullptr);

    // Calls SOOB2 from `caller`: the caller is disabled until the warning is closed, then
    // re-enabled and `done` runs. `caller` may be nullptr.
    static LoadDurationWarning *call(QWidget *caller, std::function<void()> done);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_closed = false;
};
