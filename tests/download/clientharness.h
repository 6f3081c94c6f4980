#pragma once
// A main window whose sends are recorded, and an owner scripted in the test:
// it answers the download requests through the dispatcher and serves the
// bytes from a TCP server on loopback.
#include "core/frame.h"
#include "core/mainform.h"
#include "testform.h"
#include "download/downfile.h"
#include "download/downloadqueue.h"
#include "download/transferclient.h"
#include "recordingmessenger.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QToolButton>
#include <QTest>

#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

inline const QString kOwnerIP = QStringLiteral("127.0.0.1");

struct ClientHarness {
    std::unique_ptr<TestForm> form;
    RecordingMessenger *net = nullptr;
    int sendSocket = -1;

    // Shorter waits than the program's (5 s for the owner, 6 s for answers), unless a case needs those.
    static Timings ShortWaits() {
        Timings t;
        t.transferWaitMs = 2000;
        t.answerWaitMs = 3000;
        return t;
    }

    explicit ClientHarness(Timings timings = ShortWaits()) {
        auto m = std::make_unique<RecordingMessenger>();
        net = m.get();
        form = std::make_unique<TestForm>(std::move(m), timings);
        form->host().LocalIP = kOwnerIP;
        form->host().ComputerName = QStringLiteral("ME");
        // Sends need a send socket; what they would send is recorded.
        sendSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        net->SetSendSocket(sendSocket);
    }
    ~ClientHarness() {
        form.reset();
        ::close(sendSocket);
    }
    // True once n requests have gone out.
    bool awaitRequests(int n, int ms = 5000) {
        return QTest::qWaitFor([&] { return sent("@_+S").size() >= n; }, ms) && sent("@_+S").size() == n;
    }
    TDownForm &down() { return form->downForm(); }
    DownloadQueue &queue() { return down().queue(); }
    TransferClient &client() { return down().client(); }
    const DownloadRow &row(int r) { return queue().Row(r); }
    QString state(int r) { return row(r)[DownloadRow::State]; }

    // Texts after the code of every datagram sent with that code.
    QStringList sent(const char *code) {
        QStringList payloads;
        const QByteArray prefix = QByteArray(code) + ';';
        for (const SentDatagram &d : net->Sent())
            if (d.bytes.startsWith(prefix)) payloads << QString::fromUtf8(d.bytes.mid(prefix.size()));
        return payloads;
    }
    void reply(const char *code, const QString &payload, const QString &from = kOwnerIP) {
        form->dispatcher().DispatchDatagram(from, CommandBytes(QString::fromLatin1(code), payload));
    }
    // The owner's two answers: size, then (after the start request) the port.
    void answer(const QString &path, qint64 size, quint16 port) {
        reply("@_+I", path + QLatin1Char(';') + QString::number(size));
        reply("@_+K", QString::number(port) + QLatin1Char(';') + path + QLatin1Char(';') + QString::number(size) +
                          QLatin1Char(';'));
    }
};

// Serves one connection with a script: what to send, then how to end. With
// perTick, the bytes go out that many at a time, a tick apart, like a slow link.
class ScriptedFileServer : public QObject {
public:
    enum class Ending { Close, Abort, StayOpen };

    ScriptedFileServer(QByteArray bytes, Ending ending, qsizetype perTick = 0)
        : bytes_(std::move(bytes)), ending_(ending), perTick_(perTick > 0 ? perTick : bytes_.size()) {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            socket_ = server_.nextPendingConnection();
            connect(socket_, &QTcpSocket::bytesWritten, this, &ScriptedFileServer::maybeEnd);
            connect(&tick_, &QTimer::timeout, this, &ScriptedFileServer::writeSome);
            writeSome();
            if (written_ < bytes_.size()) tick_.start(10);
        });
    }
    quint16 port() const { return server_.serverPort(); }
    QTcpSocket *socket() const { return socket_; }
    // Bytes handed to the connection so far.
    qsizetype written() const { return written_; }

private:
    void writeSome() {
        if (ended_ || socket_->bytesToWrite() > 0) return;
        const qsizetype n = qMin(perTick_, bytes_.size() - written_);
        socket_->write(bytes_.constData() + written_, n);
        written_ += n;
        maybeEnd();
    }
    void maybeEnd() {
        if (!socket_ || written_ < bytes_.size() || socket_->bytesToWrite() > 0 || ended_) return;
        tick_.stop();
        ended_ = true;
        if (ending_ == Ending::Close) socket_->disconnectFromHost();
        if (ending_ == Ending::Abort) {
            // A reset instead of an orderly close.
            const linger hard{1, 0};
            ::setsockopt(int(socket_->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            socket_->abort();
        }
    }

    QTcpServer server_;
    QTcpSocket *socket_ = nullptr;
    QByteArray bytes_;
    Ending ending_;
    qsizetype perTick_;
    qsizetype written_ = 0;
    QTimer tick_;
    bool ended_ = false;
};

// A listening socket whose accept queue is full: a further connect neither
// succeeds nor fails, its SYNs are dropped.
class StalledListener {
public:
    StalledListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(fd_, 0);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr *>(&a), &len);
        port_ = ntohs(a.sin_port);
        for (int &f : fillers_) {
            f = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(f, reinterpret_cast<sockaddr *>(&a), sizeof a);
        }
        QTest::qWait(100);
    }
    ~StalledListener() {
        for (int f : fillers_) ::close(f);
        ::close(fd_);
    }
    quint16 port() const { return port_; }

private:
    int fd_;
    int fillers_[2];
    quint16 port_;
};

inline QByteArray Pattern(qsizetype n, int seed = 1) {
    QByteArray b(n, Qt::Uninitialized);
    quint32 x = 2463534242u ^ quint32(seed);
    for (qsizetype i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[i] = char(x);
    }
    return b;
}
