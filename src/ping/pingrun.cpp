#include "ping/pingrun.h"

#include "ping/pingtexts.h"
#include "platform/icmpecho.h"

#include <QByteArray>

#include <climits>

PingRun::PingRun(echo::IcmpEcho &echo, const QString &target, const std::atomic<bool> &stopRequested,
                 AddLine addLine)
    : echo_(echo), target_(target), stopRequested_(stopRequested), addLine_(std::move(addLine)) {}

void PingRun::Execute() {
    quint32 address = 0;
    if (!echo::ParseAddress(target_, address)) {
        addLine_(QStringLiteral("NT의 IP를 알 수 없습니다.  NT 주소를 확인하세요."));
        return;
    }
    addLine_(QString::number(kPingDataSize) + QStringLiteral("바이트의 데이터를 가진 ") + target_ +
             QStringLiteral(" 를 Ping 하는 중:"));
    addLine_(QString());

    int sent = 0;
    int received = 0;
    int failed = 0;
    qint64 sum = 0;
    qint64 minimum = INT_MAX;
    qint64 maximum = INT_MIN;
    const QByteArray data(kPingDataSize, kPingDataByte);
    for (int i = 0; i < kPingRequests; ++i) {
        ++sent;
        const echo::EchoResult r = echo_.SendEcho(address, data, kPingTtl, kPingTimeoutMs);
        if (r.Replies > 0) {
            const echo::EchoReply &reply = r.Reply;
            if (reply.DataSize > 0) {
                addLine_(reply.Address + QStringLiteral(" 로부터 응답: 바이트=") + QString::number(reply.DataSize) +
                         QStringLiteral(", 시간=") + QString::number(reply.RoundTripTime) +
                         QStringLiteral("ms, TTL=") + QString::number(reply.Ttl));
                sum += reply.RoundTripTime;
                minimum = qMin<qint64>(minimum, reply.RoundTripTime);
                maximum = qMax<qint64>(maximum, reply.RoundTripTime);
            } else {
                addLine_(reply.Address + QStringLiteral(" 로부터 응답: ") +
                         WinsockErrorText(echo::kDestHostUnreachable));
            }
            ++received;
        } else {
            addLine_(QStringLiteral("응답없음: ") + IcmpStatusText(r.Error));
            ++failed;
        }
        if (stopRequested_.load()) break;
    }
    if (minimum == INT_MAX) minimum = 0;
    if (maximum == INT_MIN) maximum = 0;

    addLine_(QString());
    addLine_(QStringLiteral("PING Statistics for ") + target_);
    addLine_(QString::number(sent) + QStringLiteral(" packets transmitted, ") + QString::number(received) +
             QStringLiteral(" packets received, ") + QString::number(failed * 100 / sent) +
             QStringLiteral("% packet loss"));
    // The average is over the requests sent, not the replies.
    addLine_(QStringLiteral("round-trip (ms) min/avg/max = ") + QString::number(minimum) + QLatin1Char('/') +
             QString::number(sum / sent) + QLatin1Char('/') + QString::number(maximum));
}
