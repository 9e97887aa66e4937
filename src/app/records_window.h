#pragma once
// The records tools of the frame's "Файл" menu: a backup of the working directory with its
// progress, a restore from a backup after the user has seen what it holds, and the data check
// with a window of its findings that prints through the report engine.
class QMdiArea;
class QWidget;

void backupFromMenu(QWidget *frame);
// Closes every window first (a window that will not close stops the restore).
void restoreFromMenu(QWidget *frame, QMdiArea *windows);
void checkFromMenu(QWidget *frame);
