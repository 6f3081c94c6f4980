#pragma once
// One run of the ping window: ten echo requests to the target, one report
// line per request and the statistics. Runs on whatever thread calls
// Execute; lines leave through addLine as they are made.
#include <QString>

#include <atomic>
#include <functional>

namespace echo {
class IcmpEcho;
}

inline constexpr int kPingRequests = 10;
inline constexpr int kPingDataSize = 56;
inline constexpr char kPingDataByte = char(170);
inline constexpr quint8 kPingTtl = 255;
inline constexpr int kPingTimeoutMs = 3000;

class PingRun {
public:
    using AddLine = std::function<void(const QString &)>;

    // stopRequested is read after each request: the run ends after the one in progress.
    PingRun(echo::IcmpEcho &echo, const QString &target, const std::atomic<bool> &stopRequested, AddLine addLine);

    void Execute();

private:
    echo::IcmpEcho &echo_;
    QString target_;
    const std::atomic<bool> &stopRequested_;
    AddLine addLine_;
};
