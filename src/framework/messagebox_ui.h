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

// Installs one MessageBoxSink for the rest of the run.
void installMessageBoxSink(const QString &fallbackCaption);
