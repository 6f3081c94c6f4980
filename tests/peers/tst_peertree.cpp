// The peer directory and its tree: levels and images, the popup's enabling,
// deleting nodes, highlighting a node's files, announcements in and out,
// answers to newcomers and the dimming of silent computers.
#include "core/mainform.h"
#include "testform.h"
#include "listing/listingcontroller.h"
#include "peers/peerdirectory.h"
#include "peers/peertree.h"
#include "promptrecorder.h"
#include "recordingmessenger.h"

#include <QAction>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTableView>
#include <QTreeWidget>

class TestPeerTree : public QObject {
    Q_OBJECT

    std::unique_ptr<TestForm> form;
    RecordingMessenger *net = nullptr;

    QTreeWidgetItem *root() { return form->TV_Person()->topLevelItem(0); }
    PeerDirectory &dir() { return form->session().peers(); }
    QAction *action(const char *name) { return form->findChild<QAction *>(QString::fromLatin1(name)); }
    void select(QTreeWidgetItem *node) {
        form->TV_Person()->setCurrentItem(node);
        form->peers().PM_PersonPopup();
    }
    QStringList enabled() {
        QStringList on;
        for (const char *n : {"TVMI_ShareFile", "TVMI_VChat", "TVMI_Ping", "TVMI_DeleteNode"})
            if (action(n)->isEnabled()) on << QString::fromLatin1(n);
        return on;
    }
    void addRow(const QString &name, const QString &owner) {
        form->listing().views().AddEntry(
            {name, QStringLiteral("1"), {}, QStringLiteral("C:\\"), owner, QStringLiteral("10.0.0.1"), {}});
    }
    QStringList selectedNames() {
        QStringList names;
        for (const ShareEntry &e : form->listing().views().SelectedEntries()) names << e.name;
        names.sort();
        return names;
    }

private slots:
    void init() { makeForm({}); }
    void makeForm(Timings timings) {
        form.reset();
        auto m = std::make_unique<RecordingMessenger>();
        net = m.get();
        form = std::make_unique<TestForm>(std::move(m), timings);
        form->host().LocalIP = QStringLiteral("10.0.0.1");
        form->host().WorkgroupName = QStringLiteral("WG");
        form->host().ComputerName = QStringLiteral("ME");
        form->peers().PlantRoot();
    }
    void cleanup() { form.reset(); }

    void levelsAndIdentity() {
        dir().AddPresence(QStringLiteral("10.0.0.5"), QStringLiteral("WG"), QStringLiteral("PC5"));
        dir().AddPresence(QStringLiteral("10.0.0.6"), QStringLiteral("WG"), QStringLiteral("PC5"));
        dir().AddPresence(QStringLiteral("10.0.0.7"), QStringLiteral("OTHER"), QStringLiteral("PC5"));
        dir().AddPresence(QStringLiteral("10.0.0.8"), QStringLiteral("WG"), QStringLiteral("pc5"));
        QCOMPARE(root()->text(0), QStringLiteral("전체"));
        QCOMPARE(PersonImageOf(root()), 0);
        QCOMPARE(root()->childCount(), 2);
        QTreeWidgetItem *wg = root()->child(0);
        QCOMPARE(wg->text(0), QStringLiteral("WG"));
        QCOMPARE(PersonImageOf(wg), 1);
        QCOMPARE(PersonInfoOf(wg).Kind, QStringLiteral("G"));
        QCOMPARE(root()->child(1)->text(0), QStringLiteral("OTHER")); // new groups go last
        QCOMPARE(wg->childCount(), 2);                                 // names compare with case
        const TPersonInfo pc5 = PersonInfoOf(wg->child(0));
        QCOMPARE(pc5.IP, QStringLiteral("10.0.0.5")); // the first address heard stays
        QCOMPARE(pc5.Kind, QStringLiteral("U"));
        QCOMPARE(PersonImageOf(wg->child(0)), 2);
        QCOMPARE(PersonInfoOf(root()->child(1)->child(0)).IP, QStringLiteral("10.0.0.7"));
        QStringList listed; // as the command-line client lists them
        for (const PeerDirectory::Computer &c : dir().Computers())
            listed << c.workgroup + QLatin1Char('/') + c.name + QLatin1Char('@') + c.address;
        QCOMPARE(listed, (QStringList{QStringLiteral("WG/PC5@10.0.0.5"), QStringLiteral("WG/pc5@10.0.0.8"),
                                      QStringLiteral("OTHER/PC5@10.0.0.7")}));
    }

    void popupEnabling() {
        PeerTree &p = form->peers();
        dir().AddPresence(QStringLiteral("10.0.0.1"), QStringLiteral("WG"), QStringLiteral("ME"));
        dir().AddPresence(QStringLiteral("10.0.0.5"), QStringLiteral("WG"), QStringLiteral("PC5"));
        select(root());
        QCOMPARE(enabled(), QStringList());
        select(root()->child(0));
        QCOMPARE(enabled(), QStringList{QStringLiteral("TVMI_DeleteNode")});
        select(root()->child(0)->child(0)); // this host itself
        QCOMPARE(enabled(), QStringList{QStringLiteral("TVMI_DeleteNode")});
        select(root()->child(0)->child(1));
        QCOMPARE(enabled(), (QStringList{QStringLiteral("TVMI_ShareFile"), QStringLiteral("TVMI_VChat"),
                                         QStringLiteral("TVMI_Ping"), QStringLiteral("TVMI_DeleteNode")}));
        form->TV_Person()->clearSelection();
        p.PM_PersonPopup();
        QCOMPARE(enabled(), QStringList());
    }

    void deleteNodes() {
        PeerTree &p = form->peers();
        dir().AddPresence(QStringLiteral("10.0.0.5"), QStringLiteral("WG"), QStringLiteral("PC5"));
        dir().AddPresence(QStringLiteral("10.0.0.6"), QStringLiteral("WG"), QStringLiteral("PC6"));
        dir().AddPresence(QStringLiteral("10.0.0.7"), QStringLiteral("EMPTY"), QStringLiteral("PC7"));
        form->TV_Person()->expandAll();
        PromptRecorder prompts;

        select(root());
        p.TVMI_DeleteNodeClick(); // the root stays, without a question
        QCOMPARE(form->TV_Person()->topLevelItemCount(), 1);

        select(root()->child(0)->child(1)); // a computer goes without a question
        p.TVMI_DeleteNodeClick();
        QCOMPARE(root()->child(0)->childCount(), 1);
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(form->TV_Person()->currentItem(), root()->child(0)->child(0)); // the node above
        QCOMPARE(dir().Computers().size(), 2);

        select(root()->child(0)); // a group with computers asks; No keeps it
        prompts.answers.append({false, {}, {}});
        p.TVMI_DeleteNodeClick();
        QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("선택한 그룹에 포함된 컴퓨터가 있습니다\n삭제하시겠습니까?")});
        QCOMPARE(root()->childCount(), 2);
        p.TVMI_DeleteNodeClick(); // Yes deletes it with its computers
        QCOMPARE(root()->childCount(), 1);
        QCOMPARE(root()->child(0)->text(0), QStringLiteral("EMPTY"));
        QCOMPARE(dir().Workgroups(), QStringList{QStringLiteral("EMPTY")});

        // A deleted computer comes back with its next announcement, at its current address.
        dir().AddPresence(QStringLiteral("10.0.0.9"), QStringLiteral("WG"), QStringLiteral("PC5"));
        QCOMPARE(PersonInfoOf(root()->child(1)->child(0)).IP, QStringLiteral("10.0.0.9"));
    }

    void highlightFiles() {
        PeerTree &p = form->peers();
        dir().AddPresence(QStringLiteral("10.0.0.5"), QStringLiteral("WG"), QStringLiteral("PC5"));
        dir().AddPresence(QStringLiteral("10.0.0.6"), QStringLiteral("WG"), QStringLiteral("PC6"));
        dir().AddPresence(QStringLiteral("10.0.0.7"), QStringLiteral("WG2"), QStringLiteral("PC7"));
        dir().AddPresence(QStringLiteral("10.0.0.8"), QStringLiteral("WG2"), QStringLiteral("PC8"));
        addRow(QStringLiteral("a"), QStringLiteral("PC5"));
        addRow(QStringLiteral("b"), QStringLiteral("PC6"));
        addRow(QStringLiteral("c"), QStringLiteral("PC7"));
        addRow(QStringLiteral("d"), QStringLiteral("pc5"));

        select(root()->child(0)->child(0));
        p.TV_PersonChange();
        QCOMPARE(selectedNames(), QStringList{QStringLiteral("a")});
        QCOMPARE(form->StatusText(2), QStringLiteral("대상: PC5,  파일수: 1 개"));
        QVERIFY(form->LV_ShareFile()->isEnabled());

        select(root()->child(0));
        p.TV_PersonChange();
        QCOMPARE(selectedNames(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(form->StatusText(2), QStringLiteral("대상: WG,  파일수: 2 개"));

        select(root());
        p.TV_PersonChange();
        QCOMPARE(selectedNames().size(), 4);
        QCOMPARE(form->StatusText(2), QStringLiteral("대상: 전체,  파일수: 4 개"));

        select(root()->child(1)->child(1)); // a computer with no files
        p.TV_PersonChange();
        QCOMPARE(selectedNames(), QStringList());
        QCOMPARE(form->StatusText(2), QStringLiteral("대상: PC8,  파일수: 0 개"));

        // The change handler follows a selection by itself.
        form->SetStatusText(QString());
        form->TV_Person()->setCurrentItem(root()->child(0)->child(1));
        QTRY_COMPARE(form->StatusText(2), QStringLiteral("대상: PC6,  파일수: 1 개"));
    }

    void announcementsOnTheWire() {
        form->net().SetSendSocket(42); // any valid descriptor: the recorder sends nothing
        dir().Announce();
        QCOMPARE(net->Sent().size(), 1);
        QCOMPARE(net->Sent()[0].ip, QStringLiteral("255.255.255.255"));
        QCOMPARE(net->Sent()[0].port, quint16(8765));
        QCOMPARE(net->Sent()[0].bytes, QByteArray("@_&#;@_&F;WG;ME"));
        QVERIFY(dir().Timer_alive()->isActive());
        QCOMPARE(dir().Timer_alive()->interval(), 30000);

        form->net().SetSendSocket(-1); // without a send socket the cycle stops for good
        dir().Announce();
        QCOMPARE(net->Sent().size(), 1);
        QVERIFY(!dir().Timer_alive()->isActive());

        // An announcement received goes through a worker and lands in the tree.
        form->dispatcher().DispatchDatagram(QStringLiteral("10.0.0.5"), QByteArray("@_&#;@_&F;WG;PC5"));
        form->dispatcher().DispatchDatagram(QStringLiteral("10.0.0.1"), QByteArray("@_&#;@_&F;WG;ME"));
        QTRY_COMPARE(root()->childCount(), 1);
        QTRY_COMPARE(root()->child(0)->childCount(), 2);
    }

    void answersToNewcomers() {
        qint64 now = 0;
        dir().reply().SetClock([&now] { return now; });
        form->net().SetSendSocket(42);
        auto hear = [&](int host, const QString &name) {
            net->ClearSent();
            dir().AddPresence(QStringLiteral("10.0.1.%1").arg(host), QStringLiteral("WG"), name);
            return net->Sent();
        };
        dir().AddPresence(QStringLiteral("10.0.0.1"), QStringLiteral("WG"), QStringLiteral("ME"));
        QCOMPARE(net->Sent().size(), 0); // our own broadcast needs no answer
        const QList<SentDatagram> first = hear(1, QStringLiteral("PC1"));
        QCOMPARE(first.size(), 1);
        QCOMPARE(first[0].ip, QStringLiteral("10.0.1.1"));
        QCOMPARE(first[0].port, quint16(8765));
        QCOMPARE(first[0].bytes, QByteArray("@_&#;@_&F;WG;ME")); // the broadcast's bytes, to one computer
        QCOMPARE(hear(1, QStringLiteral("PC1")).size(), 0);      // a known computer is answered once

        // A flood of newcomers spends the allowance, which then refills slowly.
        int answered = 1;
        for (int i = 2; i < 100; ++i) answered += int(hear(i, QStringLiteral("PC%1").arg(i)).size());
        QCOMPARE(answered, PresenceReply::kBurst);
        now += 3 * PresenceReply::kRefillMs;
        answered = 0;
        for (int i = 100; i < 110; ++i) answered += int(hear(i, QStringLiteral("PC%1").arg(i)).size());
        QCOMPARE(answered, 3);
    }

    void silentComputersDim() {
        Timings shortIntervals;
        shortIntervals.announceMs = 40;
        makeForm(shortIntervals);
        form->net().SetSendSocket(42);
        const auto dimmed = [this] {
            QList<bool> flags;
            for (const PeerDirectory::Computer &c : dir().Computers()) flags << c.dimmed;
            return flags;
        };
        dir().AddPresence(QStringLiteral("10.0.0.5"), QStringLiteral("WG"), QStringLiteral("PC5"));
        dir().AddPresence(QStringLiteral("10.0.0.6"), QStringLiteral("WG"), QStringLiteral("PC6"));
        QTreeWidgetItem *pc5 = root()->child(0)->child(0), *pc6 = root()->child(0)->child(1);
        QTRY_COMPARE(dimmed(), (QList<bool>{true, true}));
        QVERIFY(QRegularExpression(QStringLiteral("^마지막 응답: \\d\\d:\\d\\d:\\d\\d$")).match(pc5->toolTip(0)).hasMatch());
        QCOMPARE(pc5->foreground(0).color(), form->TV_Person()->palette().color(QPalette::Disabled, QPalette::Text));

        // Heard again: bright, and answered, since it may have just restarted.
        net->ClearSent();
        dir().AddPresence(QStringLiteral("10.0.0.5"), QStringLiteral("WG"), QStringLiteral("PC5"));
        QCOMPARE(dimmed(), (QList<bool>{false, true}));
        QCOMPARE(pc5->toolTip(0), QString());
        QVERIFY(!pc5->data(0, Qt::ForegroundRole).isValid());
        QCOMPARE(net->Sent().size(), 1);
        QVERIFY(!pc6->toolTip(0).isEmpty());
        QCOMPARE(root()->child(0)->childCount(), 2); // silence never deletes

        // A tree planted anew shows what the directory holds, the silent one grey.
        const QString silentTip = pc6->toolTip(0);
        form->peers().PlantRoot();
        QCOMPARE(root()->child(0)->childCount(), 2);
        QCOMPARE(root()->child(0)->child(1)->toolTip(0), silentTip);
        QCOMPARE(root()->child(0)->child(1)->foreground(0).color(),
                 form->TV_Person()->palette().color(QPalette::Disabled, QPalette::Text));
    }
};

QTEST_MAIN(TestPeerTree)
#include "tst_peertree.moc"
