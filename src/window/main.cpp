#include "program.h"
#include "uifont.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    applyUiFont();
    Program program;
    program.window().load();
    program.window().show();
    return app.exec();
}
