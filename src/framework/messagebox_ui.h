#pragma once
// The message sink of the GUI: each message is a synchronous, application-modal QMessageBox
// with the buttons labelled in Russian.
#include "framework/warnings.h"

class MessageBoxSink final : public MessageSink {
public:
    LONG show(const MessageRequest &request) override;
};

// Installs one MessageBoxSink for the rest of the run.
void installMessageBoxSink();
