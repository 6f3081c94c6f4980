// The real dialogs behind prompts:: (no hook installed): peer-supplied text
// is shown as it stands, never interpreted as markup.
#include "core/prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

class TestPrompts : public QObject {
    Q_OBJECT

    // Answers the next modal message box with `button` and records what it showed.
    void AnswerNextBox(QMessageBox::StandardButton button) {
        QTimer::singleShot(0, this, [this, button] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) return AnswerNextBox(button);
            format_ = box->textFormat();
            text_ = box->text();
            box->button(button)->click();
        });
    }

    Qt::TextFormat format_ = Qt::AutoText;
    QString text_;

private slots:
    void MessageBoxesShowPlainText() {
        const QString hostile = QStringLiteral("<b>QM2</b><img src=\"x\"> 님이 거절했습니다");
        AnswerNextBox(QMessageBox::Ok);
        prompts::Information(nullptr, hostile);
        QCOMPARE(format_, Qt::PlainText);
        QCOMPARE(text_, hostile);

        AnswerNextBox(QMessageBox::Ok);
        prompts::Error(nullptr, hostile);
        QCOMPARE(format_, Qt::PlainText);

        AnswerNextBox(QMessageBox::Yes);
        QVERIFY(prompts::YesNo(nullptr, hostile));
        QCOMPARE(format_, Qt::PlainText);
        AnswerNextBox(QMessageBox::No);
        QVERIFY(!prompts::YesNo(nullptr, hostile));
    }
};

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
