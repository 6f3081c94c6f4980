#pragma once
// A session that is not started, with a main window on it or alone as the
// command-line program holds one: this host is ME at 10.0.0.1, sends are
// recorded, and datagrams are fed straight to its dispatcher.
#include "chat/chatcontroller.h"
#include "chat/vchat.h"
#include "core/mainform.h"
#include "core/session.h"
#include "testform.h"
#include "peers/peerdirectory.h"
#include "peers/peertree.h"
#include "platform/cp949.h"
#include "promptrecorder.h"
#include "recordingmessenger.h"

#include <QAction>
#include <QTreeWidget>

#include <memory>

struct ChatFixture {
    enum Windows { WithWindows, SessionOnly };

    std::unique_ptr<PromptRecorder> prompts;
    std::unique_ptr<Session> bare;
    std::unique_ptr<TestForm> form; // null when SessionOnly
    RecordingMessenger *net = nullptr;

    void SetUp(Timings timings = {}, Windows windows = WithWindows) {
        prompts = std::make_unique<PromptRecorder>();
        auto m = std::make_unique<RecordingMessenger>();
        net = m.get();
        if (windows == WithWindows)
            form = std::make_unique<TestForm>(std::move(m), timings);
        else
            bare = std::make_unique<Session>(std::move(m), timings);
        session().host().LocalIP = QStringLiteral("10.0.0.1");
        session().host().ComputerName = QStringLiteral("ME");
        session().host().WorkgroupName = QStringLiteral("WG");
        session().net().SetSendSocket(42); // any valid descriptor: the recorder sends nothing
        if (form) form->peers().PlantRoot();
    }
    void TearDown() {
        form.reset();
        bare.reset();
        prompts.reset();
    }
    Session &session() { return form ? form->session() : *bare; }

    // A datagram from sender, as the receive socket hands it over.
    void Feed(const QString &sender, const QString &text) {
        session().dispatcher().DispatchDatagram(sender, cp949::encode(text));
    }
    // What was sent since the last call, as "ip text" (port 8765 checked).
    QStringList TakeSent() {
        QStringList out;
        for (const SentDatagram &d : net->Sent())
            if (!d.bytes.startsWith("@_&#;@_&F;")) // the peer tree's answer to a newcomer, not the chat's
                out << (d.port == kCommandPort ? QString() : QStringLiteral("port %1 ").arg(d.port)) + d.ip +
                       QLatin1Char(' ') + cp949::decode(d.bytes);
        net->ClearSent();
        return out;
    }
    // Puts a computer in the peer tree and selects it, as a right-click does.
    void SelectPeer(const QString &ip, const QString &name) {
        form->session().peers().AddPresence(ip, QStringLiteral("WG"), name);
        const auto found = form->TV_Person()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        form->TV_Person()->setCurrentItem(found.value(0));
        form->peers().PM_PersonPopup();
    }
    void AskForChat(const QString &ip, const QString &name) {
        SelectPeer(ip, name);
        form->findChild<QAction *>(QStringLiteral("TVMI_VChat"))->trigger();
    }
    TV_Chat &Chat() { return form->chatForm(); }
};
