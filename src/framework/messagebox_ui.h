#pragma once
// The message sink of the GUI: each message is a synchronous, application-modal QMessageBox
// with the buttons labelled in Russian.
#include "framework/warnings.h"

class MessageBoxSink final : public MessageSink {
public:
    // `fallbackCaption` titles the boxes that have no caption of their own.
    explicit MessageBoxSink(QString fallbackCaption = {}) : m_fallbackCaption(std::move(fallbackCaption)) {}
    LONG show(const MessageRequest &request) override;

private:
    QString m_fallbackCaption;
};

// The wait sink of the GUI: an application-modal progress dialog ("LOCKWAIT") with Cancel,
// shown at once and kept up to date while the wait lasts.
class ProgressWaitSink final : public WaitSink {
public:
    ~ProgressWaitSink() override;
    bool waiting(const QString &text, int waitedMs, int limitMs) override;
    void done() override;

private:
    class QProgressDialog *m_dialog = nullptr;
};

// Installs one MessageBoxSink and one ProgressWaitSink for the rest of the run.
void installMessageBoxSink(const QString &fallbackCaption);
