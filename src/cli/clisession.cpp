#include "cli/clisession.h"

#include "core/session.h"
#include "platform/udpsocket.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>

namespace cli {

void Out(const QString &line) {
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void Err(const QString &line) { std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr); }

bool PortTaken() {
    int fd = udp::OpenReceive(kCommandPort);
    const bool taken = fd == udp::kInvalid && errno == EADDRINUSE;
    udp::Close(fd);
    return taken;
}

QString PortTakenMessage() {
    return QStringLiteral("이 컴퓨터에서 다른 Quillmere가 이미 실행 중입니다 (UDP %1 포트 사용 중).").arg(kCommandPort);
}

int Start(Session &session) {
    const Session::Start result = session.StartUp();
    switch (result) {
    case Session::Start::Started: return kOk;
    case Session::Start::PortTaken: Err(PortTakenMessage()); return kPortTaken;
    case Session::Start::NoAddress:
    case Session::Start::SocketFailed: break;
    }
    Err(Session::StartMessage(result));
    return kFailed;
}

bool Run(Session &session) {
    bool signalled = false;
    const auto ended = QObject::connect(&session, &Session::endRequested, qApp, [&signalled] {
        signalled = true;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    QObject::disconnect(ended);
    return !signalled;
}

int Close(Session &session, bool saveShares) {
    QString error;
    if (session.Close(&error, saveShares)) return kOk;
    Err(error + QLatin1Char('.'));
    return kFailed;
}

} // namespace cli
