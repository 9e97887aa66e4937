#pragma once
// The setup most window tests share: a data directory of their own, the recording message sink,
// the shared globals reset, and the windows the program shows kept in a list.
#include "data/datafile.h"
#include "data/globals.h"
#include "framework/fileservices.h"
#include "framework/form_window.h"
#include "framework/procedures_ui.h"
#include "support/fake_sink.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

// Files go to `dir`, messages to `sink` (when given); the globals start afresh.
inline void useWorkdir(const QTemporaryDir &dir, FakeSink *sink = nullptr)
{
    QVERIFY(dir.isValid());
    setDataDirectory(dir.path());
    glob::resetGlobals();
    if (sink) {
        sink->clear();
        setMessageSink(sink);
    }
}

// Every window the program shows is shown on its own, deleted on close and appended to `shown`.
inline void recordShownWindows(QList<QPointer<QWidget>> &shown)
{
    setWindowHost([&shown](QWidget *w) {
        w->setAttribute(Qt::WA_DeleteOnClose);
        shown << w;
        w->show();
    });
}

// Deletes every form window left open, as a test's cleanup does.
inline void deleteFormWindows()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<FormWindow *>(w))
            delete w;
}

// The last visible window of type T (and of that object name, when given) among those shown,
// waiting up to `ms` for one; nullptr when none came.
template <class T>
T *awaitShown(const QList<QPointer<QWidget>> &shown, const QString &name = {}, int ms = 30000)
{
    T *found = nullptr;
    (void)QTest::qWaitFor([&] {
        for (const auto &w : shown)
            if (auto *t = qobject_cast<T *>(w.data()); t && t->isVisible() && (name.isEmpty() || t->objectName() == name))
                found = t;
        return found != nullptr;
    }, ms);
    return found;
}

// Removes a data file, releasing whatever still holds it open: the next use starts it empty.
inline void removeDataFile(DataFile &file)
{
    while (file.USED > 0)
        releaseFile(file);
    QFile::remove(file.diskName());
}
