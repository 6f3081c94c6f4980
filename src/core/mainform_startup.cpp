// Window creation, the start-up sequence of the first activation and the
// close sequence of the main window.
#include "core/mainform.h"

#include "core/prompts.h"
#include "core/receiver.h"
#include "core/singleinstance.h"
#include "core/workers.h"
#include "peers/peertree.h"
#include "platform/hostinfo.h"
#include "platform/udpsocket.h"
#include "shares/sharepersistence.h"
#include "shares/shareregistry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

namespace {

QString chooseIniFile(const QString &programFolder) {
    const QString inProgram = programFolder + QStringLiteral("Quillmere.ini");
    if (QFileInfo::exists(inProgram)) return inProgram;
    const QString inConfig = hostinfo::ConfigFolder() + QStringLiteral("/Quillmere.ini");
    if (QFileInfo::exists(inConfig)) return inConfig;
    // An installed copy cannot write beside itself; its list goes to the user's folder.
    return hostinfo::IsWritableFolder(programFolder) ? inProgram : inConfig;
}

} // namespace

void TMainForm::FormCreate() {
    const QString app = QString::fromUtf8(kAppTitle);
    QApplication::setApplicationName(app);
    setWindowTitle(app);
    host_.FileServerTitle = app + QString::fromUtf8(kFileServerSuffix);
    firstActivation_ = false;

    const QString folder = hostinfo::ProgramFolder();
    host_.DownloadDir = hostinfo::IsWritableFolder(folder) ? folder + QStringLiteral("down")
                                                            : hostinfo::UserDownloadFolder();
    if (!QFileInfo::exists(host_.DownloadDir)) QDir().mkpath(host_.DownloadDir);
    host_.IniFilePath = chooseIniFile(folder);
    const QString server = folder + QStringLiteral("Vellicor");
    host_.FileServerPath = QFileInfo(server).isExecutable() ? server : QString();
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
    host_.LocalIP = hostinfo::GetLocalIP().left(16);
    if (host_.LocalIP.isEmpty()) {
        FailStartUp(QStringLiteral("컴퓨터에 할당된 IP가 없습니다."));
        return false;
    }
    LoadShares(*registry_, host_.IniFilePath);

    host_.ComputerName = hostinfo::ComputerName();
    if (host_.ComputerName.isEmpty()) host_.ComputerName = host_.LocalIP;
    host_.WorkgroupName = hostinfo::GetWorkgroup(hostinfo::GetOSName());
    panels_[0]->setText(host_.ComputerName);
    panels_[1]->setText(host_.LocalIP);

    const QString setupFailed = QStringLiteral("통신 환경을 설정할 수 없습니다");
    if (!receiver_->Start(udp::OpenReceive(kCommandPort), host_.LocalIP)) {
        // This user's own copy holds the port: it comes forward and this one ends quietly.
        if (RaiseRunningCopy())
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        else
            FailStartUp(setupFailed);
        return false;
    }
    beacon_ = new InstanceBeacon(this);
    const int send = udp::OpenSend(host_.LocalIP);
    if (send == udp::kInvalid) {
        FailStartUp(setupFailed);
        return false;
    }
    net_->SetSendSocket(send);
    udp::EnableBroadcast(send);

    peers_->PlantRoot();
    peers_->Timer_aliveTimer();
    startedUp_ = true;
    return true;
}

bool TMainForm::FormCloseQuery() {
    if (closeRan_) return true;
    closeRan_ = true;
    timerAlive_->stop();
    int send = net_->SendSocket();
    udp::SetLingerZero(send);
    receiver_->SetLingerZero();
    net_->SetSendSocket(udp::kInvalid);
    udp::Close(send);
    receiver_->Close();
    delete beacon_; // a start from now on finds the port free
    beacon_ = nullptr;

    // Only a copy that came up saves: one that failed before the load holds an
    // empty list, and one that failed after it (another copy holds the port)
    // holds a stale one that would wipe what that copy saves.
    if (startedUp_) {
        QString error;
        if (!SaveShares(*registry_, host_.IniFilePath, &error)) prompts::Error(this, error + QLatin1Char('.'));
    }
    StopWorkers(3000);
    return true;
}

void TMainForm::closeEvent(QCloseEvent *e) {
    FormCloseQuery();
    e->accept();
    QMainWindow::closeEvent(e);
    emit closed();
}
