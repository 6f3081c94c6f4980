// The owner's replies as the transfer client reads them: "@_+I" and "@_+K"
// (and the refusals) for a row of remote names, with the reply and scheduler
// timers firing in between. Input: records separated by "\0|": the row's
// source folder, its file name, then replies, each one sender byte, one code
// byte and the datagram.
#include "core/timings.h"
#include "core/dispatcher.h"
#include "core/frame.h"
#include "core/host.h"
#include "download/downloadqueue.h"
#include "download/localtarget.h"
#include "download/transferclient.h"
#include "platform/cp949.h"
#include "recordingmessenger.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstddef>
#include <cstdint>

namespace {

// Never made, so nothing is written: the client's folder work fails harmlessly.
const QString kTargetFolder = QStringLiteral("/nonexistent-quillmere-fuzz/down");
const QString kOwnerIP = QStringLiteral("10.0.0.5");
constexpr int kMaxRecords = 10;

void Init() {
    static bool done = [] {
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
        return true;
    }();
    (void)done;
}

// Whatever a peer named, the local target stays below the folder. Only
// folder parts lose a ":" (a drive letter); a file name may keep one.
void CheckTarget(const LocalTarget &target) {
    if (target.folder != kTargetFolder) __builtin_trap();
    if (target.relative.isEmpty()) return;
    const QStringList parts = target.relative.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString &part = parts[i];
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") ||
            part.contains(QLatin1Char('\\')) || (i + 1 < parts.size() && part.contains(QLatin1Char(':'))))
            __builtin_trap();
    }
}

QList<QByteArrayView> Records(QByteArrayView input) {
    QList<QByteArrayView> records;
    qsizetype start = 0;
    while (records.size() < kMaxRecords && start <= input.size()) {
        qsizetype end = input.indexOf(QByteArrayView("\0|", 2), start);
        if (end < 0) end = input.size();
        records << input.sliced(start, end - start);
        start = end + 2;
    }
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Init();
    const QList<QByteArrayView> records = Records(QByteArrayView(data, qsizetype(size)));
    if (records.size() < 2) return 0;
    const QString folder = cp949::decode(records[0].toByteArray());
    const QString fileName = cp949::decode(records[1].toByteArray());

    HostIdentity host;
    host.LocalIP = QStringLiteral("10.0.0.1");
    host.ComputerName = QStringLiteral("FUZZ");
    RecordingMessenger net;
    net.SetSendSocket(1000); // recorded, never used as a descriptor
    Dispatcher dispatcher(host);
    DownloadQueue queue;
    QObject owner;
    TransferClient client(queue, net, host, dispatcher,
                          {new QTimer(&owner), new QTimer(&owner), new QTimer(&owner)}, Timings{}.transferWaitMs);

    const LocalTarget target =
        MakeTarget(kTargetFolder, QStringList{QStringLiteral("OWNER")} << LocalParts(folder) << fileName);
    CheckTarget(target);
    const bool overwrite = !fileName.isEmpty() && fileName[0].unicode() & 1;
    if (queue.Append(fileName, QStringLiteral("OWNER"), overwrite, target, folder, kOwnerIP) != 0) __builtin_trap();
    client.Timer_DownCTLTimer();
    const QList<SentDatagram> request = net.Sent();
    if (request.size() != 1 || request[0].ip != kOwnerIP || request[0].bytes.size() > kMaxDatagramBytes)
        __builtin_trap();

    static const char *const codes[] = {"@_+I", "@_+K", "@_+O", "@_+V", "@_+M"};
    for (qsizetype i = 2; i < records.size(); ++i) {
        const QByteArrayView r = records[i];
        if (r.size() < 2) continue;
        const auto how = uint8_t(r[1]);
        if (how == 0x7F) { // the owner did not answer in time
            client.Timer_FileDownTimer();
            continue;
        }
        if (how == 0x7E) { // the scheduler's turn
            client.Timer_DownCTLTimer();
            continue;
        }
        QByteArray datagram = r.sliced(2).toByteArray();
        if (how & 0x80) datagram.prepend(codes[(how & 0x7F) % 5]);
        const QString sender = uint8_t(r[0]) & 1 ? QStringLiteral("10.0.0.6") : kOwnerIP;
        dispatcher.DispatchDatagram(sender, datagram.left(kMaxDatagramBytes));
        const CurrentDownload &c = client.Current();
        if (c.RemoteSize < 0 || c.ResumeOffset < 0) __builtin_trap();
    }
    for (const SentDatagram &d : net.Sent())
        if (d.bytes.size() > kMaxDatagramBytes || d.ip != kOwnerIP) __builtin_trap();
    if (queue.Count() != 1) __builtin_trap();
    return 0;
}
