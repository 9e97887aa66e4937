#include "framework/warnings.h"

#include "data/fileerror.h"
#include "data/globals.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Without a GUI nobody can answer: the message goes to stderr and the default button is taken.
class DefaultSink final : public MessageSink {
public:
    LONG show(const MessageRequest &request) override
    {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(request.caption), qUtf8Printable(request.text));
        return request.defaultButton;
    }
};

DefaultSink g_defaultSink;
MessageSink *g_sink = &g_defaultSink;

class DefaultWaitSink final : public WaitSink {
public:
    bool waiting(const QString &, int, int) override { return true; }
    void done() override {}
};
DefaultWaitSink g_defaultWaitSink;
WaitSink *g_waitSink = &g_defaultWaitSink;
HaltHook g_haltHook;

void defaultHalt(const QString &message)
{
    showMessage(message, {}, MessageIcon::Exclamation);
    // The caller's code must not go on with a file it could not open: end here, not later
    // from the event loop. Open SQLite files roll back their journals on the next open.
    std::fflush(nullptr);
    std::exit(0);
}

QString withoutTrailingBlanks(QString s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    s.truncate(n);
    return s;
}

constexpr qsizetype kMaxErrorText = 150;

struct ErrorInUse {
    LONG code = 0;
    QString text;
};

ErrorInUse errorInUse()
{
    const bool saved = glob::SAVEERRORCODE != 0;
    const LONG code = saved ? glob::SAVEERRORCODE : currentError().code;
    QString message = saved ? glob::SAVEERROR : currentError().message;
    LONG shownCode = code;
    if (code == static_cast<LONG>(FileError::FileSystem)) {
        message = saved ? glob::SAVEFILEERROR : currentError().driverMessage;
        shownCode = saved ? glob::SAVEFILEERRORCODE : currentError().driverCode;
    }
    QString text = message + QStringLiteral(" (") + QString::number(shownCode) + QLatin1Char(')');
    return {code, text.left(kMaxErrorText)};
}

void clearSavedError()
{
    glob::SAVEERRORCODE = 0;
    glob::SAVEERROR.clear();
    glob::SAVEFILEERRORCODE = 0;
    glob::SAVEFILEERROR.clear();
}

const QString kEndApp = QStringLiteral(".  Press OK to end this application.");
const QString kReturnToCaller = QStringLiteral(".  Press OK to return to the calling procedure");
const QString kSaveAgain = QStringLiteral("  Do you want to try to save again?");

// The message box of a warning, or an empty caption when the number has none.
MessageRequest warningRequest(LONG number, const ErrorInUse &err, const QString &t1, const QString &t2)
{
    const QString &e = err.text;
    const auto warn = [](const char *caption, const QString &text, LONG buttons = MsgOk,
                         LONG defaultButton = MsgOk, MessageIcon icon = MessageIcon::Exclamation) {
        return MessageRequest{QString::fromUtf8(caption), text, icon, buttons, defaultButton};
    };
    const LONG yesNoCancel = MsgYes | MsgNo | MsgCancel;
    switch (number) {
    case 1:
        return warn("Invalid File", "Error: (" + e + ") accessing " + t1 + kEndApp);
    case 2:
        return warn("Invalid Key", t1 + " key file is invalid.  Do you want to rebuild the key?", MsgYes | MsgNo,
                    MsgYes, MessageIcon::Question);
    case 3:
        return warn("Key Rebuild Error", "Error: (" + e + ") repairing key for " + t1 + kEndApp);
    case 4:
        return warn("File Creation Error", "Error: (" + e + ") creating " + t1 + kEndApp);
    case 5:
        return warn("File Creation Error", "Error: (" + e + ") opening created file:" + t1 + kEndApp);
    case 12:
        return warn("Referential Integrity Update Error",
                    "This record is referenced from the file " + t1
                        + ".  Linking field(s) have been restricted from change and have been reset to original "
                          "values.");
    case 14:
        return warn("Record Insert Error", "An error was experienced during the update of record.  Error: " + e + ".");
    case 15:
        if (err.code == static_cast<LONG>(FileError::ChangedByOther) || err.code == 0)
            return warn("Update Operation Error", QStringLiteral("This record was changed by another station."));
        return warn("Update Operation Error",
                    "An error (" + e + ") was experienced when attempting to update a record from the file.  "
                    "Probable Cause: " + t1 + ".");
    case 16:
        return warn("Record Update Error", "An error was experienced changing this record." + kSaveAgain,
                    yesNoCancel, MsgCancel);
    case 17:
        return warn("Delete Operation Error",
                    "An error (" + e + ") was experienced when attempting to delete a record from the file " + t1
                        + ".");
    case 18:
        return warn("Record Update Error", "An error was experienced deleting this record." + kSaveAgain,
                    yesNoCancel, MsgCancel);
    case 19:
        return warn("Invalid Request", "This procedure was called to insert a record, however inserts are not "
                                       "allowed for this procedure" + kReturnToCaller);
    case 21:
        return warn("Invalid Request", "This procedure was called to delete a record, however deletions are not "
                                       "allowed for this procedure" + kReturnToCaller);
    case 24:
        return warn("Duplicate Key Error", "Adding this record creates a duplicate entry for the key:" + t1);
    case 25:
        return warn("Auto Increment Error",
                    "Attempts to automatically number this record have failed.  Error: " + e + ".",
                    MsgRetry | MsgCancel, MsgCancel);
    case 30:
        return warn("File Access Error", "File (" + t1 + ") could not be opened.  Error: " + e + ".");
    case 32:
        return warn("Confirm Delete",
                    QStringLiteral("You've selected to delete the highlighted record.  Press OK to confirm "
                                   "deletion of this record."),
                    MsgOk | MsgCancel, MsgCancel, MessageIcon::Question);
    case 33:
        return warn("Update Cancelled", QStringLiteral("Do you want to save the changes to this record?"),
                    yesNoCancel, MsgNo, MessageIcon::Question);
    case 34:
        return warn("Transaction Framing Error", "Error: (" + e + ") attempting to frame the " + t1
                                                     + " transaction on " + t2 + ".  " + t1
                                                     + " transaction cancelled.");
    case 35:
        return warn("Record Retrieval Error", "Error: (" + e + ") attempting to access a record from the " + t1
                                                  + " file.  Returning to previous window.");
    case 36:
        return warn("View Open Error",
                    "Error: (" + e + ") attempting to open the current VIEW. Filter and Range Limits ignored.");
    case 38:
        return warn("Record Was Not Updated",
                    QStringLiteral("This record was changed by another station. Those changes will now be "
                                   "displayed. Use the Ditto Button or Ctrl+' to recall your changes."));
    default:
        return {};
    }
}

// The message with which the application ends after a warning and the button pressed, if it does.
QString haltMessageAfter(LONG number, LONG pressed)
{
    switch (number) {
    case 1: return QStringLiteral("Invalid File!");
    case 2: return pressed == MsgNo ? QStringLiteral("Invalid Key!") : QString();
    case 3: return QStringLiteral("Error Rebuilding Key!");
    case 4:
    case 5: return QStringLiteral("File Creation Error!");
    default: return {};
    }
}

} // namespace

void setMessageSink(MessageSink *sink) { g_sink = sink ? sink : &g_defaultSink; }

LONG showMessage(const MessageRequest &request) { return g_sink->show(request); }

LONG showMessage(const QString &text, const QString &caption, MessageIcon icon, LONG buttons, LONG defaultButton)
{
    return showMessage(MessageRequest{caption, text, icon, buttons, defaultButton});
}

void setWaitSink(WaitSink *sink) { g_waitSink = sink ? sink : &g_defaultWaitSink; }
bool showWaiting(const QString &text, int waitedMs, int limitMs) { return g_waitSink->waiting(text, waitedMs, limitMs); }
void endWaiting() { g_waitSink->done(); }

void setHaltHook(HaltHook hook) { g_haltHook = std::move(hook); }

void haltApplication(const QString &message)
{
    if (g_haltHook)
        g_haltHook(message);
    else
        defaultHalt(message);
}

void saveError()
{
    const ErrorState &e = currentError();
    glob::SAVEERRORCODE = e.code;
    glob::SAVEERROR = e.message;
    glob::SAVEFILEERRORCODE = e.driverCode;
    glob::SAVEFILEERROR = e.driverMessage;
}

QString warningErrorText() { return errorInUse().text; }

LONG STANDARDWARNING(LONG number, const QString &text1, const QString &text2)
{
    const ErrorInUse err = errorInUse();
    clearSavedError();
    const MessageRequest request =
        warningRequest(number, err, withoutTrailingBlanks(text1), withoutTrailingBlanks(text2));
    if (request.caption.isEmpty())
        return 0;
    const LONG pressed = showMessage(request);
    const QString halt = haltMessageAfter(number, pressed);
    if (!halt.isEmpty())
        haltApplication(halt);
    return pressed;
}
