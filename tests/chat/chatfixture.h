#pragma once
// A main window that is not started: this host is ME at 10.0.0.1, sends are
// recorded, and datagrams are fed straight to its dispatcher.
#include "chat/chatcontroller.h"
#include "chat/vchat.h"
#include "core/mainform.h"
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
    std::unique_ptr<PromptRecorder> prompts;
    std::unique_ptr<TestForm> form;
    RecordingMessenger *net = nullptr;

    void SetUp() {
        prompts = std::make_unique<PromptRecorder>();
        auto m = std::make_unique<RecordingMessenger>();
        net = m.get();
        form = std::make_unique<TestForm>(std::move(m));
        form->host().LocalIP = QStringLiteral("10.0.0.1");
        form->host().ComputerName = QStringLiteral("ME");
        form->host().WorkgroupName = QStringLiteral("WG");
        form->net().SetSendSocket(42); // any valid descriptor: the recorder sends nothing
        form->peers().PlantRoot();
    }
    void TearDown() {
        form.reset();
        prompts.reset();
    }

    // A datagram from sender, as the receive socket hands it over.
    void Feed(const QString &sender, const QString &text) {
        form->dispatcher().DispatchDatagram(sender, cp949::encode(text));
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
