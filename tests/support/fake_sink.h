#pragma once
// The one stand-in for the message boxes: keeps every message shown and answers with the queued
// buttons in turn, then with a chosen button, or with the box's default.
#include "framework/warnings.h"

#include <QStringList>
#include <functional>

class FakeSink final : public MessageSink {
public:
    QList<MessageRequest> shown;
    QList<LONG> answers;                              // given first, one per message
    LONG answer = 0;                                  // 0: the default button
    std::function<void(const MessageRequest &)> seen; // called as each message is shown

    LONG show(const MessageRequest &r) override
    {
        shown.append(r);
        if (seen)
            seen(r);
        if (!answers.isEmpty())
            return answers.takeFirst();
        return answer ? answer : r.defaultButton;
    }
    QStringList texts() const
    {
        QStringList t;
        for (const MessageRequest &r : shown)
            t << r.text;
        return t;
    }
    QStringList captions() const
    {
        QStringList c;
        for (const MessageRequest &r : shown)
            c << r.caption;
        return c;
    }
    void clear()
    {
        shown.clear();
        answers.clear();
        answer = 0;
        seen = nullptr;
    }
};
