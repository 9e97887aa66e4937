#pragma once
// The standard warnings: every file error, confirmation and refusal of the system is shown by
// STANDARDWARNING from a warning number and up to two texts. Message boxes go through a
// replaceable sink (the GUI installs a QMessageBox sink; tests install a recording one), and
// "the application ends" goes through a replaceable halt hook.
#include "data/fieldtypes.h"

#include <QString>

#include <functional>

// The buttons of a message box; a result is the one pressed, a set is their sum.
enum MessageButton : LONG {
    MsgOk = 1,
    MsgYes = 2,
    MsgNo = 4,
    MsgRetry = 16,
    MsgCancel = 64,
};

enum class MessageIcon { None, Exclamation, Question };

struct MessageRequest {
    QString caption;
    QString text;
    MessageIcon icon = MessageIcon::None;
    LONG buttons = MsgOk;       // sum of MessageButton values
    LONG defaultButton = MsgOk;
};

// Shows a message box and returns the button pressed.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual LONG show(const MessageRequest &request) = 0;
};

// Installs the sink used by every message box (nullptr restores the default one, which shows
// nothing on screen, writes the message to stderr and answers with the default button).
// The sink is not owned.
void setMessageSink(MessageSink *sink);
LONG showMessage(const MessageRequest &request);
// A simple message box ("Выбери рецепт для испытания").
LONG showMessage(const QString &text, const QString &caption = {}, MessageIcon icon = MessageIcon::None,
                 LONG buttons = MsgOk, LONG defaultButton = MsgOk);

// Shows a wait the user may cut short (a file another station holds): `waiting` is called
// repeatedly while the wait lasts and returns false once the user pressed Cancel; `done` when
// the wait is over. The GUI installs a progress dialog; the default shows nothing and waits.
class WaitSink {
public:
    virtual ~WaitSink() = default;
    virtual bool waiting(const QString &text, int waitedMs, int limitMs) = 0;
    virtual void done() = 0;
};
void setWaitSink(WaitSink *sink); // not owned; nullptr restores the default
bool showWaiting(const QString &text, int waitedMs, int limitMs);
void endWaiting();

// Ends the application after showing `message`. The default hook shows the message and exits
// the process with code 0; it does not return. A test hook may return, so callers return
// straight after calling it.
using HaltHook = std::function<void(const QString &message)>;
void setHaltHook(HaltHook hook); // an empty hook restores the default
void haltApplication(const QString &message);

// Copies the current file error (code, message, driver code and message) into the saved error
// glob::SAVEERRORCODE, SAVEERROR, SAVEFILEERRORCODE, SAVEFILEERROR.
void saveError();

// The error text of a warning (at most 150 characters): the saved error when one is saved,
// otherwise the current error; "message (code)", or for a file-system error (90) the driver's
// message and code. Does not clear anything.
QString warningErrorText();

// Shows standard warning `number` with the optional texts; returns the button pressed
// (0 for a number that has no warning). Clears the saved error.
LONG STANDARDWARNING(LONG number, const QString &text1 = {}, const QString &text2 = {});
