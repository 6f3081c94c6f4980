// Window creation, the start-up sequence of the first activation and the
// close sequence of the main window.
#include "core/mainform.h"

#include "core/prompts.h"
#include "core/singleinstance.h"
#include "peers/peerdirectory.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QTimer>

void TMainForm::FormCreate() {
    const QString app = QString::fromUtf8(kAppTitle);
    QApplication::setApplicationName(app);
    setWindowTitle(app);
    firstActivation_ = false;
}

void TMainForm::showEvent(QShowEvent *e) {
    QMainWindow::showEvent(e);
    // Offscreen and under focus-stealing prevention a new window is never
    // activated; start up as soon as the event loop runs.
    if (!startupQueued_) {
        startupQueued_ = true;
        QTimer::singleShot(0, this, &TMainForm::FormActivate);
    }
}

void TMainForm::FormActivate() {
    QCoreApplication::processEvents();
    if (firstActivation_) return;
    firstActivation_ = true;
    StartUp();
}

void TMainForm::FailStartUp(const QString &message) {
    QApplication::beep();
    prompts::Information(this, message);
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

bool TMainForm::StartUp() {
    const Session::Start result = session_.StartUp();
    if (result == Session::Start::NoAddress) {
        FailStartUp(Session::StartMessage(result));
        return false;
    }
    panels_[0]->setText(host().ComputerName);
    panels_[1]->setText(host().LocalIP);
    if (result == Session::Start::PortTaken && RaiseRunningCopy()) {
        // This user's own copy holds the port: it comes forward and this one ends quietly.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return false;
    }
    if (result != Session::Start::Started) {
        FailStartUp(Session::StartMessage(result));
        return false;
    }
    beacon_ = new InstanceBeacon(this);
    emit startedUp();
    session_.peers().Announce();
    return true;
}

bool TMainForm::FormCloseQuery() {
    if (closeRan_) return true;
    closeRan_ = true;
    delete beacon_; // a start from now on finds the port free
    beacon_ = nullptr;
    QString error;
    if (!session_.Close(&error)) prompts::Error(this, error + QLatin1Char('.'));
    return true;
}

void TMainForm::closeEvent(QCloseEvent *e) {
    FormCloseQuery();
    e->accept();
    QMainWindow::closeEvent(e);
    emit closed();
}
