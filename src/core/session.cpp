#include "core/session.h"

#include "chat/chathandshake.h"
#include "core/receiver.h"
#include "core/workers.h"
#include "download/downloadserver.h"
#include "download/downloads.h"
#include "peers/peerdirectory.h"
#include "listing/remotelisting.h"
#include "platform/hostinfo.h"
#include "platform/terminationsignals.h"
#include "platform/udpsocket.h"
#include "shares/sharepersistence.h"
#include "shares/shareregistry.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

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

Session::Session(std::unique_ptr<Messenger> messenger, Timings timings)
    : timings_(timings), net_(messenger ? std::move(messenger) : std::make_unique<Messenger>()),
      registry_(std::make_unique<ShareRegistry>()),
      peers_(std::make_unique<PeerDirectory>(*net_, dispatcher_, host_, timings_)) {
    setObjectName(QStringLiteral("Session"));
    receiver_ = new DatagramReceiver(dispatcher_, [this](const QString &t) { emit status(t); }, this);
    termination_ = new TerminationSignals(this);
    connect(termination_, &TerminationSignals::terminationRequested, this, &Session::endRequested);
    host_.FileServerTitle = QString::fromUtf8(kAppTitle) + QString::fromUtf8(kFileServerSuffix);
    FindFolders();
    downloadServer_ = std::make_unique<DownloadServer>(*this);
    downloads_ = std::make_unique<Downloads>(*this);
    listing_ = std::make_unique<RemoteListing>(*this);
    chat_ = std::make_unique<ChatHandshake>(*this);
}

Session::~Session() = default;

int Session::RecvSocket() const { return receiver_->RecvSocket(); }

quint64 Session::ReceiveDrops() const { return receiver_->QueueDrops(); }

void Session::FindFolders() {
    const QString folder = hostinfo::ProgramFolder();
    host_.DownloadDir = hostinfo::IsWritableFolder(folder) ? folder + QStringLiteral("down")
                                                            : hostinfo::UserDownloadFolder();
    if (!QFileInfo::exists(host_.DownloadDir)) QDir().mkpath(host_.DownloadDir);
    host_.IniFilePath = chooseIniFile(folder);
    const QString server = folder + QStringLiteral("Vellicor");
    host_.FileServerPath = QFileInfo(server).isExecutable() ? server : QString();
}

QString Session::StartMessage(Start result) {
    switch (result) {
    case Start::Started: return {};
    case Start::NoAddress: return QStringLiteral("컴퓨터에 할당된 IP가 없습니다.");
    case Start::PortTaken:
    case Start::SocketFailed: break;
    }
    return QStringLiteral("통신 환경을 설정할 수 없습니다");
}

Session::Start Session::StartUp() {
    host_.LocalIP = hostinfo::GetLocalIP().left(16);
    if (host_.LocalIP.isEmpty()) return Start::NoAddress;
    LoadShares(*registry_, host_.IniFilePath);

    host_.ComputerName = hostinfo::ComputerName();
    if (host_.ComputerName.isEmpty()) host_.ComputerName = host_.LocalIP;
    host_.WorkgroupName = hostinfo::GetWorkgroup(hostinfo::GetOSName());

    const int recv = udp::OpenReceive(kCommandPort);
    const bool taken = recv == udp::kInvalid && errno == EADDRINUSE;
    if (!receiver_->Start(recv, host_.LocalIP)) return taken ? Start::PortTaken : Start::SocketFailed;
    const int send = udp::OpenSend(host_.LocalIP);
    if (send == udp::kInvalid) return Start::SocketFailed;
    net_->SetSendSocket(send);
    udp::EnableBroadcast(send);
    startedUp_ = true;
    return Start::Started;
}

bool Session::Close(QString *error, bool saveShares) {
    if (closed_) return true;
    closed_ = true;
    peers_->StopAnnouncing();
    int send = net_->SendSocket();
    udp::SetLingerZero(send);
    receiver_->SetLingerZero();
    net_->SetSendSocket(udp::kInvalid);
    udp::Close(send);
    receiver_->Close();

    // Only a copy that came up saves: one that failed before the load holds an
    // empty list, and one that failed after it (another copy holds the port)
    // holds a stale one that would wipe what that copy saves.
    bool saved = true;
    if (startedUp_ && saveShares) saved = SaveShares(*registry_, host_.IniFilePath, error);
    StopWorkers(3000);
    return saved;
}
