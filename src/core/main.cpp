#include "core/mainform.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    // Hidden windows live for the whole run; the program ends with the main window.
    app.setQuitOnLastWindowClosed(false);
    TMainForm form;
    QObject::connect(&form, &TMainForm::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    form.showMaximized();
    return app.exec();
}
