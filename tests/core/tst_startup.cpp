// Start-up on the first activation, the choice of paths and the close sequence.
#include "chat/chathandshake.h"
#include "core/mainform.h"
#include "testform.h"
#include "core/singleinstance.h"
#include "peers/peerdirectory.h"
#include "platform/hostinfo.h"
#include "platform/udpsocket.h"
#include "promptrecorder.h"
#include "recordingmessenger.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>

#include <sched.h>
#include <unistd.h>

class TestStartup : public QObject {
    Q_OBJECT

    static int presenceCount(const RecordingMessenger *net) {
        int n = 0;
        for (const auto &d : net->Sent()) n += d.bytes.startsWith("@_&#;@_&F;");
        return n;
    }
    static void touch(const QString &path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

private slots:
    void startsOnceAndCloses() {
        auto m = std::make_unique<RecordingMessenger>();
        RecordingMessenger *net = m.get();
        TestForm form(std::move(m));
        QCOMPARE(form.windowTitle(), QStringLiteral("Quillmere™ v1.0"));
        QCOMPARE(form.host().FileServerTitle, QStringLiteral("Quillmere™ v1.0 - TFTP"));
        QCOMPARE(form.RecvSocket(), -1);
        QCOMPARE(form.SendSocket(), -1);
        QVERIFY(!form.session().peers().Timer_alive()->isActive() && !form.Timer_FileShare()->isActive() &&
                !form.session().chat().WaitTimer()->isActive());

        form.show();
        QTRY_VERIFY(form.FirstActivation());
        QVERIFY(form.RecvSocket() >= 0 && form.SendSocket() >= 0);
        QCOMPARE(form.host().LocalIP, QStringLiteral("127.0.0.1")); // loopback only here
        QCOMPARE(form.StatusText(0), form.host().ComputerName);
        QCOMPARE(form.StatusText(1), QStringLiteral("127.0.0.1"));
        QCOMPARE(form.TV_Person()->topLevelItemCount(), 1);
        QCOMPARE(presenceCount(net), 1);
        QVERIFY(form.session().peers().Timer_alive()->isActive());

        // Later activations repeat nothing.
        form.FormActivate();
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&form, &activate);
        QTest::qWait(50);
        QCOMPARE(presenceCount(net), 1);
        QCOMPARE(form.TV_Person()->topLevelItemCount(), 1);

        QSignalSpy closed(&form, &TMainForm::closed);
        form.close();
        QCOMPARE(closed.size(), 1);
        QCOMPARE(form.RecvSocket(), -1);
        QCOMPARE(form.SendSocket(), -1);
        QVERIFY(!form.session().peers().Timer_alive()->isActive());
    }

    void closingBeforeStartUp() {
        TestForm form;
        QSignalSpy closed(&form, &TMainForm::closed);
        form.close();
        QCOMPARE(closed.size(), 1);
        QCOMPARE(form.RecvSocket(), -1);
        QCOMPARE(form.SendSocket(), -1);
    }

    void portTakenEndsStartUp() {
        int holder = udp::OpenReceive(8765); // another copy holds the port
        QVERIFY(holder >= 0);
        PromptRecorder prompts;
        TestForm form;
        // While the message is up, the copy that holds the port saves its list;
        // this copy loaded the list before, and its stale one must not replace it.
        const QString ini = form.host().IniFilePath;
        QFile::remove(ini);
        const QByteArray saved = "[SHAREFILE]\n0=;/;;;D\n";
        prompts::SetHook([&](const prompts::Request &r) {
            prompts.asked.append(r);
            QFile f(ini);
            if (f.open(QIODevice::WriteOnly)) f.write(saved);
            return prompts::Answer{};
        });
        QSignalSpy closed(&form, &TMainForm::closed);
        form.show();
        QTRY_COMPARE(closed.size(), 1);
        udp::Close(holder);
        QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("통신 환경을 설정할 수 없습니다")});
        QCOMPARE(form.RecvSocket(), -1);
        QCOMPARE(form.SendSocket(), -1);
        QFile f(ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), saved);
        f.remove();
    }

    // This user's copy holding the port comes forward (from the task bar, too)
    // and the second start ends without a word; a port held by anything else
    // still gives the message (above).
    void secondCopyRaisesTheFirst() {
        PromptRecorder prompts;
        TestForm first;
        first.show();
        QTRY_VERIFY(first.RecvSocket() >= 0);
        first.showMinimized();
        TestForm second;
        QSignalSpy closed(&second, &TMainForm::closed);
        second.show();
        QTRY_COMPARE(closed.size(), 1);
        QVERIFY(prompts.asked.isEmpty());
        QTRY_VERIFY(!first.isMinimized());
        QVERIFY(first.isVisible() && first.RecvSocket() >= 0);
        first.close();
        QVERIFY(!RaiseRunningCopy()); // gone with its copy
    }

    void iniFileChoice() {
        const QString program = hostinfo::ProgramFolder() + QStringLiteral("Quillmere.ini");
        const QString config = hostinfo::ConfigFolder() + QStringLiteral("/Quillmere.ini");
        QFile::remove(program);
        QFile::remove(config);
        QCOMPARE(Session().host().IniFilePath, program); // neither: the (writable) program folder
        touch(config);
        QCOMPARE(Session().host().IniFilePath, config);
        touch(program);
        QCOMPARE(Session().host().IniFilePath, program); // both: the program folder wins
        QFile::remove(program);
        QFile::remove(config);
        QCOMPARE(Session().host().DownloadDir, hostinfo::ProgramFolder() + QStringLiteral("down"));
        QVERIFY(QFileInfo(hostinfo::ProgramFolder() + QStringLiteral("down")).isDir());
    }

    void hostIdentity() {
        // Run in a host-name namespace of our own, where the name can be anything.
        if (::unshare(CLONE_NEWUTS) != 0) QSKIP("needs root for a UTS namespace");
        const char unresolvable[] = "no-such-host-qm";
        QVERIFY(::sethostname(unresolvable, sizeof unresolvable - 1) == 0);
        QCOMPARE(hostinfo::GetLocalIP(), QStringLiteral("127.0.0.1"));
        QCOMPARE(hostinfo::ComputerName(), QStringLiteral("no-such-host-qm"));
        const char sixteen[] = "ABCDEFGHIJKLMNOP.example.org";
        QVERIFY(::sethostname(sixteen, sizeof sixteen - 1) == 0);
        QCOMPARE(hostinfo::ComputerName(), QStringLiteral("ABCDEFGHIJKLMNOP")); // 16 bytes stay whole
        const char seventeen[] = "ABCDEFGHIJKLMNOPQ";
        QVERIFY(::sethostname(seventeen, sizeof seventeen - 1) == 0);
        QCOMPARE(hostinfo::ComputerName(), QString()); // not available: ComputerName becomes LocalIP

        auto m = std::make_unique<RecordingMessenger>();
        TestForm form(std::move(m));
        form.show();
        QTRY_VERIFY(form.FirstActivation());
        QCOMPARE(form.host().ComputerName, QStringLiteral("127.0.0.1"));
        form.close();
    }

    // A window that fixes a background fixes its text with it, so that a dark
    // desktop theme's light text never lands on our white (nor our navy on its grey).
    void fixedColoursReadUnderDarkTheme() {
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        for (auto [role, rgb] : {std::pair{QPalette::Window, 0x353535}, {QPalette::Base, 0x2a2a2a},
                                 {QPalette::WindowText, 0xdcdcdc}, {QPalette::Text, 0xdcdcdc}})
            dark.setColor(role, QColor::fromRgb(rgb));
        QApplication::setPalette(dark);
        const auto luminance = [](const QColor &c) {
            const auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
            return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF()) + 0.05;
        };
        {
            TestForm form; // and with it every window of the run
            for (QWidget *w : QApplication::allWidgets()) {
                QWidget *named = w; // Qt's own parts (viewports) are told by their owner
                while (named->parentWidget() &&
                       (named->objectName().isEmpty() || named->objectName().startsWith(QLatin1String("qt_"))))
                    named = named->parentWidget();
                for (auto [back, text] : {std::pair{QPalette::Window, QPalette::WindowText},
                                          {QPalette::Base, QPalette::Text}}) {
                    const double a = luminance(w->palette().color(back)), b = luminance(w->palette().color(text));
                    QVERIFY2(std::max(a, b) / std::min(a, b) >= 3.0,
                             qPrintable(named->objectName()));
                }
            }
        }
        QApplication::setPalette(light);
    }

    void workgroupFromSamba() {
        QTemporaryDir dir;
        const QString conf = dir.filePath(QStringLiteral("smb.conf"));
        QFile f(conf);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("# comment\n[homes]\n workgroup = nope\n[ Global ]\n  server string = x\n"
                "  Work Group = office-7 \n");
        f.close();
        QCOMPARE(hostinfo::GetWorkgroup(QStringLiteral("Linux"), conf), QStringLiteral("OFFICE-7"));
        QCOMPARE(hostinfo::GetWorkgroup(QStringLiteral("Linux"), dir.filePath(QStringLiteral("none"))),
                 QStringLiteral("(N/A)"));
        QCOMPARE(hostinfo::GetWorkgroup(QStringLiteral("Unknown"), conf), QStringLiteral("(N/A)"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
