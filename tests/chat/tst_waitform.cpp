// The wait notice: its look, top-most at every showing, dragged by the panel
// and the icon but not by the labels.
#include "listing/waitform.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

class TestWaitForm : public QObject {
    Q_OBJECT

    // A left-button drag on target by delta, as the mouse delivers it.
    static void drag(QWidget *target, QPoint delta) {
        const QPoint local(4, 4);
        const QPoint global = target->mapToGlobal(local);
        QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent move(QEvent::MouseMove, local + delta, global + delta, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, local + delta, global + delta, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }

private slots:
    void look() {
        TWait_Form w;
        QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(w.size(), QSize(280, 50));
        auto *panel = w.findChild<QWidget *>(QStringLiteral("P_Wait"));
        QCOMPARE(panel->geometry(), QRect(1, 1, 278, 48));
        QCOMPARE(w.findChild<QWidget *>(QStringLiteral("Image_Wanted"))->geometry(), QRect(9, 9, 32, 32));
        QCOMPARE(w.L_WaitMessage()->text(), QStringLiteral("상대방의 응답을 기다리고 있습니다"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("Label2"))->text(), QStringLiteral("잠시만 기다려 주십시오"));
    }

    void topMostAtEveryShowing() {
        TWait_Form w;
        for (int round = 0; round < 2; ++round) {
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.activateWindow();
            QTRY_VERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
            QVERIFY(w.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
            w.close();
            QVERIFY(!w.isVisible());
            QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
        }
    }

    void draggedByPanelAndIconOnly() {
        TWait_Form w;
        w.move(100, 100);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QPoint at = w.pos();
        drag(w.findChild<QWidget *>(QStringLiteral("P_Wait")), QPoint(40, 20));
        QCOMPARE(w.pos(), at + QPoint(40, 20));
        at = w.pos();
        drag(w.findChild<QWidget *>(QStringLiteral("Image_Wanted")), QPoint(-30, 10));
        QCOMPARE(w.pos(), at + QPoint(-30, 10));
        at = w.pos();
        drag(w.L_WaitMessage(), QPoint(25, 25));
        drag(w.findChild<QLabel *>(QStringLiteral("Label2")), QPoint(25, 25));
        QCOMPARE(w.pos(), at);
    }

    // The panel's filter sees every event, most of them no mouse events: they
    // pass on untouched and never start or end a drag.
    void otherEventsPassThePanel() {
        TWait_Form w;
        w.move(100, 100);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *panel = w.findChild<QWidget *>(QStringLiteral("P_Wait"));
        const QPoint at = w.pos();
        for (QEvent::Type type : {QEvent::Enter, QEvent::Leave, QEvent::ToolTip, QEvent::StatusTip}) {
            QEvent e(type);
            QApplication::sendEvent(panel, &e);
        }
        QCOMPARE(w.pos(), at);
        drag(panel, QPoint(10, 10));
        QCOMPARE(w.pos(), at + QPoint(10, 10));
    }
};

QTEST_MAIN(TestWaitForm)
#include "tst_waitform.moc"
