#pragma once
// The one stand-in for the message boxes: keeps every message shown and answers with a chosen
// button, or with the box's default.
#include "framework/warnings.h"

#include <QStringList>
#include <functional>

class FakeSink final : public MessageSink {
public:
    QList<MessageRequest> shown;
    LONG answer = 0;                                  // 0: the default button
    std::function<void(const MessageRequest &)> seen; // called as each message is shown

    LONG show(const MessageRequest &r) override
    {
        shown.append(r);
        if (seen)
            seen(r);
        return answer ? answer : r.defaultButton;
    }
    QStringList texts() const
    {
        QStringList t;
        for (const MessageRequest &r : shown)
            t << r.text;
        return t;
    }
    void clear()
    {
        shown.clear();
        answer = 0;
    }
};
