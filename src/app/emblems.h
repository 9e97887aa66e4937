#pragma once
// The program's emblems, drawn in code: a road, a heap of aggregate and a laboratory flask.
// The road is also the application's icon.
#include <QIcon>
#include <QPixmap>

enum class Emblem { Road, Aggregate, Flask };

QPixmap emblemPixmap(Emblem emblem, int size);
QIcon applicationIcon();
