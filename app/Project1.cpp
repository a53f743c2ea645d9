// The station's main block.
#include "station_startup.h"
#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    return StationMain();
}
