// The download window: counters and buttons, adding, Start and Start All,
// reordering, deleting, sorting, opening, Esc; speed, time left and the
// queue's progress; pictures of it at work.
#include "clientharness.h"
#include "download/downloadfigures.h"
#include "promptrecorder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

class TestDownForm : public QObject {
    Q_OBJECT

    std::unique_ptr<ClientHarness> h;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<PromptRecorder> prompts;
    QStringList opened;

    QToolButton *button(const char *name) { return h->down().findChild<QToolButton *>(QString::fromLatin1(name)); }
    QAction *item(const char *name) { return h->down().findChild<QAction *>(QString::fromLatin1(name)); }
    QStringList panels() {
        QStringList t;
        for (int i = 0; i < 5; ++i)
            t << h->down().findChild<QLabel *>(QStringLiteral("StsFile_Panel%1").arg(i))->text();
        return t;
    }
    QStringList enabledButtons() {
        QStringList on;
        for (const char *n : {"BB_Stop", "BB_StartAll", "BB_Start", "BB_Upward", "BB_Downward", "BB_Open", "BB_OpenFolder"})
            if (button(n)->isEnabled()) on << QString::fromLatin1(n);
        return on;
    }
    void add(const QString &names) {
        for (QChar c : names)
            QVERIFY(h->down().AddDownload(QString(c), QStringLiteral("OWNER"), true, MakeTarget(dir->path(), {QString(c)}),
                                          QStringLiteral("/srv/"), kOwnerIP));
    }
    QString order() {
        QString s;
        for (int r = 0; r < h->queue().Count(); ++r) s += h->row(r)[DownloadRow::FileName];
        return s;
    }
    void select(const QList<int> &rows) {
        QTableView *list = h->down().LV_File();
        list->clearSelection();
        for (int r : rows) list->selectionModel()->select(h->queue().index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QList<int> selected() {
        QList<int> rows;
        for (const QModelIndex &i : h->down().LV_File()->selectionModel()->selectedRows()) rows << i.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    void clickHeader(int column) {
        QHeaderView *header = h->down().LV_File()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }
    // Makes the queue idle the way a user does: Stop.
    void makeIdle() {
        button("BB_Stop")->click();
        QVERIFY(button("BB_Start")->isEnabled());
    }

private slots:
    void init() {
        h = std::make_unique<ClientHarness>(Timings{}); // the window as the program builds it, its intervals too
        dir = std::make_unique<QTemporaryDir>();
        prompts = std::make_unique<PromptRecorder>();
        opened.clear();
        h->down().SetShellOpener([this](const QString &p) { opened << p; });
    }
    void cleanup() {
        h.reset();
        prompts.reset();
        dir.reset();
    }

    void anEmptyList() {
        TDownForm &w = h->down();
        QCOMPARE(w.windowTitle(), QStringLiteral("다운로드 목록"));
        QCOMPARE(w.size(), QSize(660, 453));
        QVERIFY(!w.isVisible());
        QCOMPARE(panels(), (QStringList{"전체: 0", "완료: 0", "대기: 0", "실패: 0", "중지: 0"}));
        QCOMPARE(enabledButtons(), QStringList{"BB_OpenFolder"});
        QStringList captions;
        for (int c = 0; c < DownloadRow::ColumnCount; ++c)
            captions << h->queue().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(captions, (QStringList{"원본 파일명", "크기", "받은량", "진행", "상태", "저장 위치", "소유자", "소유자 IP",
                                        "원본 위치", "다운방식"}));
        QVERIFY(w.LV_File()->isColumnHidden(DownloadRow::Mode));
        for (QTimer *t : {w.Timer_DownCTL(), w.Timer_FileDown(), w.Timer_Connect()}) QVERIFY(!t->isActive());
        QCOMPARE(w.Timer_DownCTL()->interval(), 500);
        QCOMPARE(w.Timer_FileDown()->interval(), 5000);
        QCOMPARE(w.Timer_Connect()->interval(), 100);

        // Deleting with nothing chosen says so.
        item("MI_DeleteList")->trigger();
        QCOMPARE(prompts->Texts(), QStringList{"먼저 리스트에서 삭제할 파일들을 선택하세요."});
    }

    void addingTwiceShowsTheRowAndSaysSo() {
        add(QStringLiteral("ab"));
        QCOMPARE(panels(), (QStringList{"전체: 2", "완료: 0", "대기: 2", "실패: 0", "중지: 0"}));
        QCOMPARE(enabledButtons(),
                 (QStringList{"BB_Stop", "BB_StartAll", "BB_Upward", "BB_Downward", "BB_Open", "BB_OpenFolder"}));
        QVERIFY(!h->down().isVisible());
        QVERIFY(h->sent("@_+S").isEmpty()); // adding alone does not start the queue

        QVERIFY(!h->down().AddDownload(QStringLiteral("b"), QStringLiteral("OWNER"), false,
                                       MakeTarget(dir->path(), {QStringLiteral("b")}), QStringLiteral("/srv/"), kOwnerIP));
        QCOMPARE(h->queue().Count(), 2);
        QCOMPARE(prompts->Texts(), QStringList{"이미 'OWNER'님의 \"b\"파일은\r\n다운로드 목록에 있습니다."});
        QCOMPARE(h->down().LV_File()->currentIndex().row(), 1);
        QVERIFY(h->down().isVisible());
        // Showing the window starts the queue.
        QCOMPARE(h->sent("@_+S"), QStringList{"ME;OWNER;/srv/a"});
    }

    void startFetchesOnlyTheSelectedRows() {
        add(QStringLiteral("ab"));
        makeIdle();
        select({1});
        button("BB_Start")->click();
        QCOMPARE(h->state(0), rowstate::Stopped);
        QTRY_COMPARE(h->sent("@_+S"), QStringList{"ME;OWNER;/srv/b"});
        QCOMPARE(panels()[4], QStringLiteral("중지: 1"));
        // Start does nothing while a request is out.
        select({0});
        button("BB_Start")->click();
        QCOMPARE(h->state(0), rowstate::Stopped);
        QCOMPARE(h->state(1), rowstate::Connecting);
    }

    void startAllAfterStopLeavesTheStoppedRow() {
        add(QStringLiteral("abc"));
        button("BB_StartAll")->click();
        QVERIFY(!button("BB_Start")->isEnabled());
        QTRY_COMPARE(h->sent("@_+S").size(), 1);
        StalledListener stalled;
        h->answer(QStringLiteral("/srv/a"), 5, stalled.port());
        QTest::qWait(300);
        button("BB_Stop")->click();
        QCOMPARE(h->state(0), rowstate::Stopped);
        button("BB_StartAll")->click();
        QTRY_COMPARE(h->sent("@_+S").size(), 2);
        QCOMPARE(h->sent("@_+S").last(), QStringLiteral("ME;OWNER;/srv/b"));
        h->reply("@_+O", {});
        QTRY_COMPARE(h->sent("@_+S").size(), 3);
        h->reply("@_+O", {});
        // The last waiting row handled: the window comes up, the queue is idle.
        QTRY_VERIFY(button("BB_Start")->isEnabled());
        QVERIFY(h->down().isVisible());
        QCOMPARE(h->state(0), rowstate::Stopped);
        QCOMPARE(panels(), (QStringList{"전체: 3", "완료: 0", "대기: 0", "실패: 2", "중지: 1"}));
    }

    void upAndDownMoveTheSelection() {
        add(QStringLiteral("abcde"));
        select({2, 3});
        button("BB_Upward")->click();
        QCOMPARE(order(), QStringLiteral("acdbe"));
        QCOMPARE(selected(), (QList<int>{1, 2}));
        button("BB_Downward")->click();
        QCOMPARE(order(), QStringLiteral("abcde"));
        QCOMPARE(selected(), (QList<int>{2, 3}));
    }

    void deletingKeepsTheRowUnderWay() {
        add(QStringLiteral("abc"));
        h->queue().SetState(1, QStringLiteral("10"), rowstate::Transferring);
        item("MI_SelectAll")->trigger();
        QCOMPARE(selected(), (QList<int>{0, 1, 2}));
        item("MI_DeleteList")->trigger();
        QCOMPARE(order(), QStringLiteral("b"));
        QCOMPARE(panels()[0], QStringLiteral("전체: 1"));
    }

    void sortingOnlyWhileIdle() {
        add(QStringLiteral("bca"));
        h->queue().SetState(0, {}, rowstate::Transferring);
        clickHeader(DownloadRow::FileName);
        QCOMPARE(order(), QStringLiteral("bca"));
        h->queue().SetState(0, {}, rowstate::Complete);
        makeIdle();
        clickHeader(DownloadRow::FileName);
        QCOMPARE(order(), QStringLiteral("abc"));
        clickHeader(DownloadRow::FileName);
        QCOMPARE(order(), QStringLiteral("cba"));
        clickHeader(DownloadRow::OwnerIP); // another column starts ascending
        clickHeader(DownloadRow::FileName);
        QCOMPARE(order(), QStringLiteral("abc"));
    }

    void openAndDeleteFiles() {
        add(QStringLiteral("abc"));
        button("BB_Open")->click();
        select({0, 1});
        button("BB_Open")->click();
        select({0});
        button("BB_Open")->click();
        QFile f(dir->path() + QStringLiteral("/a"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QFile g(dir->path() + QStringLiteral("/b"));
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.close();
        h->queue().SetState(1, {}, rowstate::Transferring);
        select({1});
        button("BB_Open")->click();
        QCOMPARE(prompts->Texts(), (QStringList{"열기할 파일을 선택하세요.", "파일을 하나만 선택해서 이 기능을 사용하세요.",
                                                "아직 다운받지 않거나 파일이 없습니다.",
                                                "전송이 진행중인 파일은 열 수 없습니다."}));
        QVERIFY(opened.isEmpty());
        select({0});
        button("BB_Open")->click();
        QCOMPARE(opened, QStringList{dir->path() + QStringLiteral("/a")});

        // Deleting files: only while idle, never the file under way.
        QMenu *menu = h->down().findChild<QMenu *>(QStringLiteral("PopupMenu1"));
        emit menu->aboutToShow();
        QVERIFY(!item("MI_DeleteFile")->isEnabled());
        h->queue().SetState(2, {}, QStringLiteral("연결실패"));
        makeIdle();
        emit menu->aboutToShow();
        QVERIFY(item("MI_DeleteFile")->isEnabled());
        prompts->asked.clear();
        item("MI_SelectAll")->trigger();
        item("MI_DeleteFile")->trigger();
        QCOMPARE(prompts->Texts(), QStringList{"총 1 개의 파일을 컴퓨터에서 삭제하였습니다."});
        QVERIFY(!f.exists());
        QVERIFY(g.exists());
        QCOMPARE(h->queue().Count(), 3);

        button("BB_OpenFolder")->click();
        QCOMPARE(opened.last(), h->form->host().DownloadDir);
    }

    void escapeHidesAndTheQueueGoesOn() {
        add(QStringLiteral("a"));
        h->down().ShowInFront();
        QTRY_COMPARE(h->sent("@_+S").size(), 1);
        QTest::keyClick(h->down().LV_File(), Qt::Key_Escape);
        QVERIFY(!h->down().isVisible());
        ScriptedFileServer server(Pattern(1000), ScriptedFileServer::Ending::Close);
        h->answer(QStringLiteral("/srv/a"), 1000, server.port());
        QTRY_COMPARE(h->state(0), rowstate::Complete);
    }

    void readableFigures() {
        const QList<QPair<qint64, QString>> sizes = {
            {42, "42 B"}, {1023, "1023 B"}, {1536, "1.5 KB"}, {qint64(5) << 30, "5.0 GB"}};
        for (const auto &[bytes, text] : sizes) QCOMPARE(ReadableSize(bytes), text);
        const QList<QPair<qint64, QString>> durations = {{42, "0:42"}, {600, "10:00"}, {3723, "1:02:03"}};
        for (const auto &[seconds, text] : durations) QCOMPARE(ReadableDuration(seconds), text);
    }

    void speedTimeLeftAndQueueProgress() {
        qint64 now = 0;
        h->down().figures().SetClock([&now] { return now; });
        auto speed = [&] { return h->down().findChild<QLabel *>(QStringLiteral("StsFile_Speed"))->text(); };
        auto progress = [&] { return h->down().findChild<QLabel *>(QStringLiteral("StsFile_Queue"))->text(); };
        add(QStringLiteral("ab"));
        QCOMPARE(progress(), QStringLiteral("진행 0 % (0/2)"));
        DownloadQueue &q = h->queue();
        q.SetState(0, QStringLiteral("10485760"), rowstate::Transferring);
        QCOMPARE(speed(), QString()); // no speed from one report
        now = 1000;
        q.SetProgress(0, QStringLiteral("20"), QStringLiteral("2097152"));
        QCOMPARE(speed(), QStringLiteral("2.0 MB/s, 0:04 남음"));
        QCOMPARE(progress(), QStringLiteral("진행 10 % (0/2)"));
        now = 6000; // a stall lowers the speed and lengthens the time left
        q.SetProgress(0, QStringLiteral("30"), QStringLiteral("3145728"));
        QCOMPARE(speed(), QStringLiteral("204.8 KB/s, 0:35 남음"));
        now = 12000; // nothing for longer than the window: the time left cannot be told
        q.SetProgress(0, QStringLiteral("30"), QStringLiteral("3145728"));
        QCOMPARE(speed(), QStringLiteral("0 B/s"));
        q.SetState(0, QString(), rowstate::Complete);
        QCOMPARE(speed(), QString());
        QCOMPARE(progress(), QStringLiteral("진행 50 % (1/2)"));
        q.SetState(1, QString(), rowstate::Stopped); // a stopped row is not waited for
        QCOMPARE(progress(), QStringLiteral("진행 100 % (1/1)"));
    }

    void picturesDuringAndAfterAQueue() {
        const QString shots = qEnvironmentVariable("QM_SHOTS", QDir::tempPath());
        add(QStringLiteral("abcdef"));
        h->down().ShowInFront();
        // a and b arrive, c stops halfway, d is refused; e and f wait.
        for (const char *n : {"a", "b"}) {
            QTRY_VERIFY(h->state(h->queue().Find(kOwnerIP, QStringLiteral("/srv/"), QString::fromLatin1(n))) ==
                        rowstate::Connecting);
            ScriptedFileServer s(Pattern(300000), ScriptedFileServer::Ending::Close);
            h->answer(QStringLiteral("/srv/") + QString::fromLatin1(n), 300000, s.port());
            QTRY_COMPARE(h->state(h->queue().Find(kOwnerIP, QStringLiteral("/srv/"), QString::fromLatin1(n))),
                         rowstate::Complete);
        }
        QTRY_COMPARE(h->state(2), rowstate::Connecting);
        // 460,000 bytes: the last report before they run out comes at 45 %.
        ScriptedFileServer half(Pattern(460000), ScriptedFileServer::Ending::StayOpen);
        h->answer(QStringLiteral("/srv/c"), 1000000, half.port());
        QTRY_VERIFY(h->row(2)[DownloadRow::Received].toLongLong() > 400000);
        QTRY_VERIFY(!h->down().findChild<QLabel *>(QStringLiteral("StsFile_Speed"))->text().isEmpty());
        select({2});
        const QImage during = h->down().grab().toImage();
        QVERIFY(during.save(shots + QStringLiteral("/download-during.png")));
        // The progress cell is drawn as a bar: it holds more than two colours.
        const QRect cell = h->down().LV_File()->visualRect(h->queue().index(2, DownloadRow::Progress));
        QSet<QRgb> colours;
        const QPoint offset = h->down().LV_File()->viewport()->mapTo(&h->down(), QPoint(0, 0));
        for (int x = cell.left() + 3; x < cell.right() - 3; ++x) colours << during.pixel(offset + QPoint(x, cell.center().y() + 4));
        QVERIFY2(colours.size() > 2, qPrintable(QString::number(colours.size())));

        half.socket()->write(Pattern(540000, 2));
        half.socket()->disconnectFromHost();
        QTRY_VERIFY(h->state(2) != rowstate::Transferring);
        QTRY_COMPARE(h->state(3), rowstate::Connecting);
        h->reply("@_+O", {});
        for (int r : {4, 5}) {
            QTRY_COMPARE(h->state(r), rowstate::Connecting);
            ScriptedFileServer s(Pattern(20000), ScriptedFileServer::Ending::Close);
            h->answer(QStringLiteral("/srv/") + h->row(r)[DownloadRow::FileName], 20000, s.port());
            QTRY_COMPARE(h->state(r), rowstate::Complete);
        }
        QTRY_VERIFY(button("BB_Start")->isEnabled());
        select({});
        QVERIFY(h->down().grab().save(shots + QStringLiteral("/download-after.png")));
        QCOMPARE(panels(), (QStringList{"전체: 6", "완료: 5", "대기: 0", "실패: 1", "중지: 0"}));
    }
};

QTEST_MAIN(TestDownForm)
#include "tst_downform.moc"
