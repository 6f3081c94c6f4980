#pragma once
// One main window for a whole fuzzing run: offscreen, sends recorded instead
// of sent, every dialog answered at once, a few shared files in a fixed
// folder, and no file server to start. ResetWorld puts it back to the same
// state before every input.
#include "chat/chathandshake.h"
#include "chat/vchat.h"
#include "wiredform.h"
#include "core/session.h"
#include "core/prompts.h"
#include "core/workers.h"
#include "download/downfile.h"
#include "download/downloadserver.h"
#include "listing/listingcontroller.h"
#include "listing/searchresponder.h"
#include "peers/peerdirectory.h"
#include "peers/peertree.h"
#include "recordingmessenger.h"
#include "shares/shareregistry.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

// The shared files; the seed corpus names them, so the folder is fixed.
inline const QString kFuzzShareFolder = QStringLiteral("/tmp/quillmere-fuzz");

inline void PlantFuzzShares(ShareRegistry &registry) {
    QDir().mkpath(kFuzzShareFolder + QStringLiteral("/music"));
    const auto file = [](const QString &path, const QByteArray &content) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(content);
    };
    file(kFuzzShareFolder + QStringLiteral("/a.txt"), "twelve bytes");
    file(kFuzzShareFolder + QStringLiteral("/music/b.mp3"), QByteArray(99, 'm'));
    registry.AddShareRecord(kFuzzShareFolder + QStringLiteral("/a.txt"), QStringLiteral("memo"), QString(),
                            ShareKind::File);
    registry.AddShareRecord(kFuzzShareFolder + QStringLiteral("/music"), QString(),
                            QStringLiteral("123045067"), ShareKind::Folder);
}

inline RecordingMessenger *g_fuzzNet = nullptr;
inline SearchResponder *g_fuzzResponder = nullptr;

inline WiredForm &FuzzWorld() {
    static WiredForm *form = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform warns about every window raised; a run would drown in it.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        new QApplication(argc, argv);
        prompts::SetHook([](const prompts::Request &) { return prompts::Answer{}; });
        auto net = std::make_unique<RecordingMessenger>();
        g_fuzzNet = net.get();
        auto *session = new Session(std::move(net));
        auto *f = new WiredForm(*session);
        f->host().LocalIP = QStringLiteral("10.0.0.1");
        f->host().ComputerName = QStringLiteral("FUZZ");
        f->host().WorkgroupName = QStringLiteral("WG");
        f->host().FileServerPath.clear();
        f->net().SetSendSocket(1000); // recorded, never used as a descriptor
        PlantFuzzShares(f->registry());
        // Searches are answered at once instead of after a random pause of up to 4 s.
        static SearchResponder responder(f->net(), f->registry(), f->host(), [] { return 0; });
        g_fuzzResponder = &responder;
        f->dispatcher().SetBroadcastHandler("@_+B", [](const QString &sender, const QString &text) {
            responder.Answer(sender, text);
        });
        return f;
    }();
    return *form;
}

// Stops every timer that an input may have started, so none fires during a later one.
inline void StopTimersUnder(const QList<QObject *> &roots) {
    for (QObject *root : roots)
        for (QTimer *t : root->findChildren<QTimer *>()) t->stop();
}

// Back to the state every input starts from: no computer heard, a peer tree with its root only,
// empty result views with their share root, no history, no windows open.
inline void ResetWorld(WiredForm &form) {
    g_fuzzNet->ClearSent();
    for (const QString &group : form.session().peers().Workgroups()) form.session().peers().RemoveGroup(group);
    form.peers().PlantRoot();
    form.listing().views().Clear();
    form.listing().views().PlantShareRoot();
    form.chatForm().ClearHistory();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != &form && w->isVisible()) w->hide();
    form.SetStatusText(QString());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    StopTimersUnder({&form, &form.session(), &form.peers(), &form.listing(), &form.session().downloadServer(), &form.downForm(),
                     &form.chatForm(), &form.session().chat(), QCoreApplication::instance()});
}

// Runs what an input set going: worker threads to their end (they may wait
// for the main thread), the search answers queued, queued calls, and deferred
// deletions.
inline void SettleWorld() {
    WaitWorkers(5000);
    // Answers go out from the queue's own thread, which reads the shares
    // through the main thread; one input's must not land in the next.
    QElapsedTimer answering;
    answering.start();
    while (g_fuzzResponder && !g_fuzzResponder->Idle() && answering.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A sender address chosen by one byte: this host, peers, loopback, broadcast,
// an address no peer has.
inline QString FuzzSender(unsigned char b) {
    static const char *const senders[] = {"10.0.0.1", "10.0.0.5", "127.0.0.1", "255.255.255.255",
                                          "10.0.0.6", "0.0.0.0",  "10.0.0.255", "192.168.100.200"};
    return QString::fromLatin1(senders[b % 8]);
}
