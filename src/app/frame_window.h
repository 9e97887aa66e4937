#pragma once
// MAIN: the frame window. Its menu and toolbar start the list windows and the design
// procedure, each as a new MDI child; the splash shows over the work area after opening.
#include <QEvent>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;
class GuideWindow;
class QLabel;
class SplashWindow;

class FrameWindow : public QMainWindow {
    Q_OBJECT
public:
    static const QString kTitle;

    // `splashMilliseconds` is shortened by tests only.
    explicit FrameWindow(QWidget *parent = nullptr, int splashMilliseconds = 5000);
    ~FrameWindow() override;

    QMdiArea *mdiArea() const { return m_mdi; }
    SplashWindow *splash() const; // while it is shown

    // Enables exactly the items and buttons whose procedure is registered.
    void updateProcedureActions();

    // Opens at the place and size the frame had when it was last closed, as kept in the user's
    // settings (QSettings of the application), or over most of the available screen the first
    // time; from now on the frame keeps its place there when it closes. Before show().
    void restorePlacement();

    // The guide, opened at the section of the active window ("F1") or at its contents; the
    // guide window is made once and shown again.
    GuideWindow *showGuide(bool forActiveWindow);
    // Closes every window and the data files; false, with a message, when a window refuses.
    bool closeWindowsAndFiles();
    // Goes on in the working folder `dir` (already checked), every window closed.
    bool switchWorkFolder(const QString &dir);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    QAction *addItem(QMenu *menu, const QString &objectName, const QString &text, const QStringList &help,
                     std::function<void()> action);
    QAction *addProcedureItem(QMenu *menu, const QString &procedure, const QString &text, const QStringList &help);
    QToolButton *addToolButton(QToolBar *bar, const QString &objectName, const QString &text, const QString &tip,
                               std::function<void()> action);
    // Every menu item and button goes through here: the first use closes the splash.
    void carryOut(const std::function<void()> &action);
    void startSplash();
    void closeSplash();
    void centreSplash();
    void startTests();
    void printSetup();
    void arrangeIcons();
    void showChild(QWidget *window);
    void childWindowEvent(QWidget *window, QEvent::Type type);
    void letScroll(QMdiSubWindow *sub);
    void tileWindows();
    void chooseWorkFolder();
    void showAbout();
    void showWorkFolder();

    QMdiArea *m_mdi = nullptr;
    int m_splashMilliseconds;
    bool m_splashStarted = false;
    bool m_rehosting = false; // a window is moving into a scroll area
    bool m_keepsPlacement = false;
    QPointer<SplashWindow> m_splash;
    QPointer<GuideWindow> m_guide;
    QLabel *m_folderLabel = nullptr;
    QList<QPair<QObject *, QString>> m_procedureControls; // action or button, and its procedure
};
