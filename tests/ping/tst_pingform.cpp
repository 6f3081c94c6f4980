// The ping window: a run starts when it opens, the buttons during and after a
// run, Stop, closing during a run, a provider that cannot be created, and a
// real ping of this host opened from the peer tree.
#include "core/mainform.h"
#include "testform.h"
#include "fakeecho.h"
#include "peers/peerdirectory.h"
#include "peers/peertree.h"
#include "ping/neticmp.h"
#include "promptrecorder.h"
#include "recordingmessenger.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

class TestPingForm : public QObject {
    Q_OBJECT

    FakeEcho *echo = nullptr;
    std::unique_ptr<TPingForm> form;

    void make(const QString &target = QStringLiteral("10.0.0.9")) {
        auto fake = std::make_unique<FakeEcho>();
        echo = fake.get();
        form = std::make_unique<TPingForm>(nullptr, QStringLiteral("PC9 (10.0.0.9) - PING"), target, std::move(fake));
    }
    QPushButton *button(const char *name) { return form->findChild<QPushButton *>(QString::fromLatin1(name)); }
    QStringList report() {
        return form->findChild<QPlainTextEdit *>(QStringLiteral("M_message"))->toPlainText().split(QLatin1Char('\n'));
    }
    // Waits, still handling events, until the held request is out.
    bool heldRequestStarted() {
        for (int i = 0; i < 500; ++i) {
            if (echo->inProgress.tryAcquire()) return true;
            QTest::qWait(10);
        }
        return false;
    }

private slots:
    void cleanup() { form.reset(); }

    void runStartsWhenTheWindowOpens() {
        make();
        for (int i = 0; i < 10; ++i) echo->script << FakeEcho::Reply(3);
        echo->holdRequest = 2;
        QSignalSpy finished(form.get(), &TPingForm::runFinished);
        form->show();
        QCOMPARE(form->windowTitle(), QStringLiteral("PC9 (10.0.0.9) - PING"));
        QVERIFY(heldRequestStarted());
        // While the request is out, the window keeps handling events.
        QTRY_COMPARE(report().value(2), QStringLiteral("10.0.0.9 로부터 응답: 바이트=56, 시간=3ms, TTL=128"));
        QVERIFY(!button("BB_run")->isEnabled());
        QVERIFY(!button("BB_exit")->isEnabled());
        QVERIFY(button("BB_stop")->isEnabled());
        echo->Release();
        QVERIFY(finished.wait(5000));
        QVERIFY(button("BB_run")->isEnabled());
        QVERIFY(button("BB_exit")->isEnabled());
        QCOMPARE(report().size(), 16);
        QCOMPARE(report().last(), QStringLiteral("round-trip (ms) min/avg/max = 3/3/3"));

        // A second run starts from an empty report.
        QTest::mouseClick(button("BB_run"), Qt::LeftButton);
        QVERIFY(finished.wait(5000));
        QCOMPARE(report().size(), 16);
        QCOMPARE(report()[0], QStringLiteral("56바이트의 데이터를 가진 10.0.0.9 를 Ping 하는 중:"));
        QCOMPARE(echo->Calls().size(), 20);
        QCOMPARE(echo->Events().count(QStringLiteral("create")), 1);
    }

    void stopDuringTheFourthRequest() {
        make();
        echo->holdRequest = 4;
        QSignalSpy finished(form.get(), &TPingForm::runFinished);
        form->show();
        QVERIFY(heldRequestStarted());
        QTest::mouseClick(button("BB_stop"), Qt::LeftButton);
        echo->Release();
        QVERIFY(finished.wait(5000));
        QCOMPARE(echo->Calls().size(), 4);
        QVERIFY(report().contains(QStringLiteral("4 packets transmitted, 0 packets received, 100% packet loss")));
        QVERIFY(form->isVisible());
    }

    void closingDuringARunWaitsForTheRequest() {
        make();
        echo->holdRequest = 2;
        form->show();
        QVERIFY(heldRequestStarted());
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QTest::qWait(100);
        QVERIFY(form->isVisible());
        QVERIFY(!echo->Events().contains(QStringLiteral("close")));
        echo->Release();
        QTRY_VERIFY(!form->isVisible());
        // Released only after the request in progress returned, and no request followed.
        QCOMPARE(echo->Events().mid(echo->Events().indexOf(QStringLiteral("return 2"))),
                 (QStringList{QStringLiteral("return 2"), QStringLiteral("close")}));
        QCOMPARE(echo->Calls().size(), 2);
    }

    void escapeClosesWhenIdle() {
        make();
        echo->script << FakeEcho::Reply(1);
        QSignalSpy finished(form.get(), &TPingForm::runFinished);
        form->show();
        QVERIFY(finished.wait(5000));
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QCOMPARE(echo->Events().last(), QStringLiteral("close"));
    }

    void providerThatCannotBeCreated() {
        PromptRecorder prompts;
        make();
        echo->createSucceeds = false;
        form->show();
        QTRY_COMPARE(prompts.Texts(), QStringList{QStringLiteral("응답없음: ICMP 핸들을 생성할 수 없습니다")});
        QVERIFY(!button("BB_run")->isEnabled());
        QVERIFY(!button("BB_stop")->isEnabled());
        QVERIFY(button("BB_exit")->isEnabled());
        QVERIFY(echo->Calls().isEmpty());
        QTest::mouseClick(button("BB_exit"), Qt::LeftButton);
        QVERIFY(!form->isVisible());
    }

    void targetThatIsNotAnAddress() {
        make(QStringLiteral("PC9"));
        QSignalSpy finished(form.get(), &TPingForm::runFinished);
        form->show();
        QVERIFY(finished.wait(5000));
        QCOMPARE(report(), QStringList{QStringLiteral("NT의 IP를 알 수 없습니다.  NT 주소를 확인하세요.")});
        QVERIFY(button("BB_run")->isEnabled());
        QVERIFY(button("BB_exit")->isEnabled());
    }

    void realPingFromThePeerTree() {
        auto main = std::make_unique<TestForm>();
        main->host().LocalIP = QStringLiteral("10.0.0.1");
        main->peers().PlantRoot();
        main->session().peers().AddPresence(QStringLiteral("127.0.0.1"), QStringLiteral("WG"), QStringLiteral("LOOP"));
        main->TV_Person()->setCurrentItem(main->TV_Person()->findItems(QStringLiteral("LOOP"), Qt::MatchRecursive).value(0));
        main->peers().PM_PersonPopup();

        QString caption;
        QStringList lines;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            // Loopback answers at once: the run may be over before the first look.
            auto *ping = qobject_cast<TPingForm *>(QApplication::activeModalWidget());
            if (!ping) return;
            caption = ping->windowTitle();
            const QString text = ping->findChild<QPlainTextEdit *>(QStringLiteral("M_message"))->toPlainText();
            if (ping->Running() || !text.contains(QStringLiteral("round-trip"))) return;
            lines = text.split(QLatin1Char('\n'));
            ping->reject();
        });
        watch.start(20);
        main->findChild<QAction *>(QStringLiteral("TVMI_Ping"))->trigger(); // returns when the window closes
        QCOMPARE(caption, QStringLiteral("LOOP (127.0.0.1) - PING"));
        QCOMPARE(lines.size(), 16);
        for (const QString &l : lines.mid(2, 10))
            QVERIFY2(l.startsWith(QStringLiteral("127.0.0.1 로부터 응답: 바이트=56, 시간=")) && l.endsWith(QStringLiteral("TTL=64")),
                     qPrintable(l));
        QCOMPARE(lines[14], QStringLiteral("10 packets transmitted, 10 packets received, 0% packet loss"));
        QVERIFY(!main->findChild<TPingForm *>());
    }
};

QTEST_MAIN(TestPingForm)
#include "tst_pingform.moc"
