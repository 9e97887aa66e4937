#pragma once
// The procedures the frame starts, by name ("BROUSESPLIT", "PODBOR", ...). Each window module
// registers a factory for its window; starting a procedure makes a new, independent window and
// shows it in the frame. A menu item or button whose procedure is not registered is disabled.
#include "data/fieldtypes.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Makes the procedure's window, or returns nullptr when it did its work without one.
using ProcedureFactory = std::function<QWidget *()>;

void registerProcedure(const QString &name, ProcedureFactory factory);
bool isProcedureRegistered(const QString &name);

// Starts a new instance of the procedure; false when it is not registered.
bool startProcedure(const QString &name);

// Procedures that one window calls by name (a design step calling the next): the procedure opens
// its window, keeps `caller` blocked until the window closes and then hands `done` its response
// (glob::RequestCompleted or glob::RequestCancelled). Calling by name lets a step call one that
// is not built into this program yet: callProcedure then returns false and `done` never runs.
using CalledProcedure = std::function<void(QWidget *caller, std::function<void(LONG response)> done)>;
void registerCalledProcedure(const QString &name, CalledProcedure procedure);
bool isCalledProcedureRegistered(const QString &name);
bool callProcedure(const QString &name, QWidget *caller, std::function<void(LONG response)> done);
// The names of every registered procedure, started and called.
QStringList registeredProcedures();

// Where started windows are shown: the frame installs its MDI area; without a frame a window
// is shown on its own. Either way it is deleted when closed.
using WindowHost = std::function<void(QWidget *window)>;
void setWindowHost(WindowHost host); // an empty host restores the default
void showInFrame(QWidget *window);

// The frame widget that holds a shown window: its MDI subwindow (also when the frame put a
// scroll area between them because the window is larger than the work area), or the window
// itself when it is shown on its own.
QWidget *hostFrame(QWidget *window);
// The room a window has in the frame: its work area less the border and title bar of a
// subwindow; an invalid size when there is no frame and windows are shown on their own.
QSize frameRoom();
// Closes a shown window together with its subwindow.
void closeHostedWindow(QWidget *window);
// Moves a shown window's frame to `to`, kept wholly inside the work area when it is in the frame.
void moveHostedWindow(QWidget *window, QPoint to);
