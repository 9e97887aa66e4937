#include "data/globals.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    glob::resetGlobals();
    return 0;
}
