// The browse and search commands with their waits, list datagrams arriving
// through the dispatcher with the progress of a browse answer, the no-shares
// reply, the no-answer timeout, and this copy answering browse and search
// requests; a session without windows doing both.
#include "core/mainform.h"
#include "testform.h"
#include "listing/listingcontroller.h"
#include "listing/remotelisting.h"
#include "listing/shareentry.h"
#include "peers/peerdirectory.h"
#include "peers/peertree.h"
#include "platform/cp949.h"
#include "promptrecorder.h"
#include "recordingmessenger.h"
#include "shares/shareregistry.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QString listDatagram(const QStringList &names, const QString &owner = QStringLiteral("PC5")) {
    QString text = QStringLiteral("@_+G;");
    for (const QString &n : names)
        text += EntryText({n, QStringLiteral("1"), {}, QStringLiteral("C:\\S\\"), owner, QStringLiteral("10.0.0.5"), {}});
    return text + QStringLiteral("#END_LIST#");
}

} // namespace

class TestListingCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<TestForm> form;
    RecordingMessenger *net = nullptr;

    void receive(const QString &sender, const QString &text) {
        form->dispatcher().DispatchDatagram(sender, cp949::encode(text));
    }
    QString status() { return form->StatusText(2); }
    int rows() { return form->LV_ShareFile()->model()->rowCount(); }
    QString count() { return form->L_SearchFileCnt()->text(); }
    QList<QByteArray> sentBytes() {
        QList<QByteArray> b;
        for (const auto &d : net->Sent()) b << d.bytes;
        return b;
    }

    void makeForm(Timings timings) {
        auto m = std::make_unique<RecordingMessenger>();
        net = m.get();
        form.reset();
        form = std::make_unique<TestForm>(std::move(m), timings);
        form->host().LocalIP = QStringLiteral("10.0.0.1");
        form->host().ComputerName = QStringLiteral("ME");
        form->net().SetSendSocket(42); // any valid descriptor: the recorder sends nothing
        form->peers().PlantRoot();
        QTest::qWait(100); // the peer tree's delayed change event has run
    }

private slots:
    // Short waits: a command's wait is 1 s of the 3 s answer wait, and a
    // browsed computer is quiet after 600 ms.
    void init() {
        Timings quick;
        quick.answerWaitMs = 3000;
        quick.listSpacingMs = 100;
        makeForm(quick);
    }
    void cleanup() { form.reset(); }

    void browseCommand() {
        form->session().peers().AddPresence(QStringLiteral("10.0.0.5"), QStringLiteral("WG"), QStringLiteral("PC5"));
        net->ClearSent(); // the peer tree's answer to the newcomer
        QTreeWidgetItem *pc5 = form->TV_Person()->topLevelItem(0)->child(0)->child(0);
        form->TV_Person()->setCurrentItem(pc5);
        QTest::qWait(100);
        form->E_SearchFileName()->setText(QStringLiteral("old"));
        form->PC_Message()->setCurrentIndex(1);

        // During the wait: the first datagram stops the timer and the status
        // line tells that the list arrives; the counter shows the running total.
        QStringList seen;
        QTimer::singleShot(200, this, [&] {
            seen << status() << QString::number(form->TabSheet_FileShare()->isEnabled())
                 << QString::number(form->Timer_FileShare()->isActive());
            receive(QStringLiteral("10.0.0.5"), listDatagram({QStringLiteral("a"), QStringLiteral("b")}));
            seen << status() << count() << QString::number(form->Timer_FileShare()->isActive());
        });
        QTimer::singleShot(600, this, [&] {
            receive(QStringLiteral("10.0.0.5"), listDatagram({QStringLiteral("c")}));
            seen << count();
        });
        form->findChild<QAction *>(QStringLiteral("TVMI_ShareFile"))->trigger();

        QCOMPARE(seen, (QStringList{QStringLiteral("공개한 파일의 목록을 가져오고 있습니다. 3초 동안만 기다리세요"),
                                    QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("PC5에서 목록을 받는 중… 2개"),
                                    QStringLiteral("2"),
                                    QStringLiteral("0"), QStringLiteral("3")}));
        QCOMPARE(net->Sent().size(), 1);
        QCOMPARE(net->Sent()[0].ip, QStringLiteral("10.0.0.5"));
        QCOMPARE(net->Sent()[0].port, quint16(8765));
        QCOMPARE(net->Sent()[0].bytes, QByteArray("@_+L;QMF1")); // the marker: the original ignores it
        QCOMPARE(form->L_SearchFileName()->text(), QStringLiteral("PC5 님의 공개 파일"));
        QCOMPARE(form->E_SearchFileName()->text(), QString());
        QCOMPARE(form->PC_Message()->currentWidget(), form->TabSheet_FileShare());
        QVERIFY(form->TabSheet_FileShare()->isEnabled());
        QCOMPARE(rows(), 3);
        QTreeWidgetItem *root = form->TV_ShareFile()->topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("전체"));
        QVERIFY(root->child(0)->child(0)->isExpanded());

        // Later datagrams of the browsed computer are added too; another's are not.
        receive(QStringLiteral("10.0.0.5"), listDatagram({QStringLiteral("d")}));
        receive(QStringLiteral("10.0.0.8"), listDatagram({QStringLiteral("e")}, QStringLiteral("PC8")));
        QCOMPARE(count(), QStringLiteral("4"));
        QCOMPARE(form->listing().Owners(), QStringList{QStringLiteral("PC5")});

        // A second browse starts from empty views.
        QTimer::singleShot(100, this, [&] { seen = {count(), QString::number(rows())}; });
        form->peers().TVMI_ShareFile()->trigger();
        QCOMPARE(seen, (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
        QVERIFY(form->Timer_FileShare()->isActive());
        form->Timer_FileShare()->stop();

        // Nothing selected in the peer tree: nothing happens.
        form->TV_Person()->clearSelection();
        net->ClearSent();
        form->peers().TVMI_ShareFile()->trigger();
        QVERIFY(net->Sent().isEmpty());
    }

    void browseProgress() {
        form->session().peers().AddPresence(QStringLiteral("10.0.0.5"), QStringLiteral("WG"), QStringLiteral("PC5"));
        form->TV_Person()->setCurrentItem(form->TV_Person()->topLevelItem(0)->child(0)->child(0));
        QTest::qWait(100);
        const QString from = QStringLiteral("10.0.0.5");
        QStringList seen;
        const auto browse = [&](const std::function<void()> &duringWait) {
            seen.clear();
            QTimer::singleShot(100, this, duringWait);
            form->peers().TVMI_ShareFile()->trigger();
        };

        // An original peer sends no end: its list is complete once it falls quiet.
        browse([&] {
            receive(from, listDatagram({QStringLiteral("a"), QStringLiteral("b")}));
            seen << status();
        });
        QCOMPARE(seen, QStringList{QStringLiteral("PC5에서 목록을 받는 중… 2개")});
        QCOMPARE(status(), QStringLiteral("목록 수신 완료: 2개")); // quiet for 600 ms of the 1 s wait

        // Our copy ends its answer; ends from elsewhere or before any list are not taken.
        QStringList many;
        for (int i = 0; i < 1234; ++i) many << QString::number(i);
        browse([&] {
            receive(from, QStringLiteral("@_+E;1"));
            receive(from, listDatagram(many));
            receive(from, listDatagram({QStringLiteral("x")}));
            receive(QStringLiteral("10.0.0.8"), QStringLiteral("@_+E;2"));
            seen << status();
            receive(from, QStringLiteral("@_+E;2"));
            seen << status();
        });
        QCOMPARE(seen, (QStringList{QStringLiteral("PC5에서 목록을 받는 중… 1,235개"), QStringLiteral("목록 수신 완료: 1,235개")}));
        QCOMPARE(status(), QStringLiteral("목록 수신 완료: 1,235개"));

        // An end that announces more list datagrams than came says that some are missing.
        browse([&] {
            receive(from, listDatagram({QStringLiteral("y")}));
            receive(from, QStringLiteral("@_+E;3"));
        });
        QCOMPARE(status(), QStringLiteral("목록 수신 완료: 1개 (일부를 받지 못함)"));
    }

    void noSharesReply() {
        PromptRecorder prompts;
        form->session().listing().Browse(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"));
        form->SetStatusText(QStringLiteral("waiting"));
        receive(QStringLiteral("10.0.0.8"), QStringLiteral("@_+N;")); // not from the computer browsed
        QCOMPARE(prompts.Texts(), QStringList());
        receive(QStringLiteral("10.0.0.5"), QStringLiteral("@_+N;"));
        QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("공개한 파일이 하나도 없습니다")});
        QCOMPARE(prompts.asked[0].kind, prompts::Kind::Information);
        QVERIFY(!form->Timer_FileShare()->isActive());
        QCOMPARE(status(), QString());
        QCOMPARE(form->TV_ShareFile()->topLevelItemCount(), 1); // the views stay
    }

    void noAnswerTimeout() {
        // A datagram that comes while the box is open goes with the rest.
        int boxes = 0;
        prompts::SetHook([&](const prompts::Request &r) {
            if (r.text == QStringLiteral("조건에 맞는 공개된 파일이 없습니다")) {
                ++boxes;
                receive(QStringLiteral("10.0.0.5"), listDatagram({QStringLiteral("late")}));
            }
            return prompts::Answer{};
        });
        // The views belong to a search, whose answers may come from anyone.
        // Rows are in them when the wait runs out.
        form->E_SearchFileName()->setText(QStringLiteral("ab"));
        QTimer::singleShot(100, this, [&] {
            receive(QStringLiteral("10.0.0.5"), listDatagram({QStringLiteral("a")}));
            form->Timer_FileShare()->start();
        });
        form->listing().SB_SearchFileClick();
        QTRY_COMPARE(boxes, 1);
        prompts::SetHook({});
        QVERIFY(!form->Timer_FileShare()->isActive());
        QCOMPARE(form->TV_ShareFile()->topLevelItemCount(), 0);
        QCOMPARE(rows(), 0);
        // Later datagrams add rows only: the tree has no share root node.
        receive(QStringLiteral("10.0.0.5"), listDatagram({QStringLiteral("b"), QStringLiteral("c")}));
        QCOMPARE(rows(), 2);
        QCOMPARE(form->TV_ShareFile()->topLevelItemCount(), 0);
    }

    void searchInputChecks() {
        PromptRecorder prompts;
        for (const char *t : {"*.*", "*", "?", ".."}) {
            form->E_SearchFileName()->setText(QString::fromLatin1(t));
            form->SB_SearchFile()->click();
        }
        for (const char *t : {"a", "*a*", "a."}) {
            form->E_SearchFileName()->setText(QString::fromLatin1(t));
            form->listing().SB_SearchFileClick();
        }
        form->E_SearchFileName()->clear();
        form->listing().SB_SearchFileClick();
        const QString all = QStringLiteral("모든 파일(*.*)은 검색할 수 없습니다");
        const QString tooShort = QStringLiteral("실제 검색어(a)가 너무 짧습니다. 2문자 이상을 사용하세요");
        QCOMPARE(prompts.Texts(), (QStringList{all, all, all, all, tooShort, tooShort, tooShort}));
        QVERIFY(net->Sent().isEmpty());
        QVERIFY(!form->Timer_FileShare()->isActive());
    }

    void searchCommand() {
        makeForm({}); // the program's own intervals: a 6 s answer wait
        form->E_SearchFileName()->setText(QStringLiteral("a,b"));
        QStringList seen;
        QTimer::singleShot(300, this, [&] {
            seen << status() << form->L_SearchFileName()->text() << count()
                 << form->TV_ShareFile()->topLevelItem(0)->text(0)
                 << QString::number(form->TabSheet_FileShare()->isEnabled());
            receive(QStringLiteral("10.0.0.5"), listDatagram({QStringLiteral("ab.txt")}));
        });
        QTest::keyClick(form->E_SearchFileName(), Qt::Key_Return); // Enter runs the search
        QCOMPARE(seen, (QStringList{QStringLiteral("조건에 맞는 공개된 파일의 목록을 가져오고 있습니다. 6초 동안만 기다리세요"),
                                    QStringLiteral("a,b"), QStringLiteral("0"), QStringLiteral("전체"), QStringLiteral("0")}));
        QCOMPARE(form->E_SearchFileName()->text(), QStringLiteral("a,b")); // nothing typed
        QCOMPARE(net->Sent().size(), 1);
        QCOMPARE(net->Sent()[0].ip, QStringLiteral("255.255.255.255"));
        QCOMPARE(net->Sent()[0].bytes, QByteArray("@_&#;@_+B;a,b"));
        QVERIFY(form->TabSheet_FileShare()->isEnabled());
        QVERIFY(!form->Timer_FileShare()->isActive());
        QCOMPARE(count(), QStringLiteral("1"));
    }

    void answeringRequests() {
        ShareRecord file{QStringLiteral("song.mp3"), QStringLiteral("5"), QStringLiteral("노래"), QStringLiteral("/m/"), {},
                         ShareKind::File};
        form->registry().Append(file);
        // Requests from this host itself get no answer.
        receive(QStringLiteral("10.0.0.1"), QStringLiteral("@_+L;"));
        receive(QStringLiteral("10.0.0.1"), QStringLiteral("@_&#;@_+B;song"));
        receive(QStringLiteral("10.0.0.5"), QStringLiteral("@_+L;"));
        const QByteArray answer = cp949::encode(QStringLiteral("@_+G;song.mp3;5;노래;/m/;ME;10.0.0.1;;#END_LIST#"));
        QTRY_COMPARE(sentBytes(), QList<QByteArray>{answer});
        QCOMPARE(net->Sent()[0].ip, QStringLiteral("10.0.0.5"));
        // With the marker the same list and its end; other text is read as no marker.
        net->ClearSent();
        receive(QStringLiteral("10.0.0.5"), QStringLiteral("@_+L;QMF1"));
        QTRY_COMPARE(sentBytes(), (QList<QByteArray>{answer, "@_+E;1"}));
        net->ClearSent();
        receive(QStringLiteral("10.0.0.7"), QStringLiteral("@_+L;QMF2"));
        QTRY_COMPARE(sentBytes(), QList<QByteArray>{answer});

        net->ClearSent();
        receive(QStringLiteral("10.0.0.6"), QStringLiteral("@_&#;@_+B;MP3"));
        QTRY_COMPARE_WITH_TIMEOUT(sentBytes(), QList<QByteArray>{answer}, 6000); // after up to 4 s
        QCOMPARE(net->Sent()[0].ip, QStringLiteral("10.0.0.6"));
        QTest::qWait(4500); // nothing more: the own search was dropped
        QCOMPARE(net->Sent().size(), 1);
    }

    // What a command-line client has: the answers go out, and its own
    // requests report what the windows show.
    void sessionWithoutWindows() {
        form.reset();
        auto m = std::make_unique<RecordingMessenger>();
        net = m.get();
        Timings quick;
        quick.answerWaitMs = 300;
        Session session(std::move(m), quick);
        session.host().LocalIP = QStringLiteral("10.0.0.1");
        session.host().ComputerName = QStringLiteral("ME");
        session.net().SetSendSocket(42);
        session.registry().Append(
            {QStringLiteral("song.mp3"), QStringLiteral("5"), {}, QStringLiteral("/m/"), {}, ShareKind::File});
        const auto take = [&](const QString &from, const QString &text) {
            session.dispatcher().DispatchDatagram(from, cp949::encode(text));
        };
        take(QStringLiteral("10.0.0.5"), QStringLiteral("@_+L;QMF1"));
        QTRY_COMPARE(sentBytes(), (QList<QByteArray>{"@_+G;song.mp3;5;;/m/;ME;10.0.0.1;;#END_LIST#", "@_+E;1"}));

        RemoteListing &listing = session.listing();
        QSignalSpy rowsArrived(&listing, &RemoteListing::rowsArrived);
        QSignalSpy complete(&listing, &RemoteListing::browseComplete);
        QSignalSpy noAnswer(&listing, &RemoteListing::noAnswer);
        net->ClearSent();
        listing.Browse(QStringLiteral("10.0.0.5"), QStringLiteral("PC5"));
        QCOMPARE(sentBytes(), QList<QByteArray>{"@_+L;QMF1"});
        QCOMPARE(listing.BrowsedName(), QStringLiteral("PC5"));
        take(QStringLiteral("10.0.0.5"), listDatagram({QStringLiteral("a"), QStringLiteral("b")}));
        take(QStringLiteral("10.0.0.5"), QStringLiteral("@_+E;2"));
        QCOMPARE(rowsArrived.takeFirst(), (QVariantList{2, 2, false}));
        QCOMPARE(complete.takeFirst(), (QVariantList{2, true}));
        QCOMPARE(listing.results().EntryAt(1).name, QStringLiteral("b"));

        // A refused text sends nothing; the client shows the same words.
        QCOMPARE(SearchInputRefusal(listing.Search(QStringLiteral("a"))),
                 QStringLiteral("실제 검색어(a)가 너무 짧습니다. 2문자 이상을 사용하세요"));
        QCOMPARE(net->Sent().size(), 1);
        QCOMPARE(listing.Search(QStringLiteral("zz")).verdict, SearchInput::Accepted);
        QCOMPARE(listing.results().Rows(), 0);
        QCOMPARE(listing.BrowsedName(), QString());
        QTRY_COMPARE(noAnswer.size(), 1);
        QCOMPARE(net->Sent().size(), 2);
    }
};

QTEST_MAIN(TestListingCommands)
#include "tst_listingcommands.moc"
