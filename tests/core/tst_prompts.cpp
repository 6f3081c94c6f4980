// The real dialogs behind prompts:: (no hook installed): peer-supplied text
// is shown as it stands, never interpreted as markup, and Qt's own buttons
// speak Korean.
#include "core/prompts.h"
#include "core/qtkorean.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
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
            buttons_.clear();
            for (QAbstractButton *b : box->buttons()) buttons_ << b->text();
            box->button(button)->click();
        });
    }

    Qt::TextFormat format_ = Qt::AutoText;
    QString text_;
    QStringList buttons_;

private slots:
    void initTestCase() { LoadQtKorean(); }

    void MessageBoxesShowPlainText() {
        const QString hostile = QStringLiteral("<b>QM2</b><img src=\"x\"> 님이 거절했습니다");
        AnswerNextBox(QMessageBox::Ok);
        prompts::Information(nullptr, hostile);
        QCOMPARE(format_, Qt::PlainText);
        QCOMPARE(text_, hostile);
        QCOMPARE(buttons_, QStringList{QStringLiteral("확인")});

        AnswerNextBox(QMessageBox::Ok);
        prompts::Error(nullptr, hostile);
        QCOMPARE(format_, Qt::PlainText);

        AnswerNextBox(QMessageBox::Yes);
        QVERIFY(prompts::YesNo(nullptr, hostile));
        QCOMPARE(format_, Qt::PlainText);
        QCOMPARE(buttons_, (QStringList{QStringLiteral("예(&Y)"), QStringLiteral("아니요(&N)")}));
        AnswerNextBox(QMessageBox::No);
        QVERIFY(!prompts::YesNo(nullptr, hostile));
    }

    // A folder typed into the picker that does not exist yet is made, missing
    // parents and all, when the user agrees; refused, nothing is made.
    void pickerMakesTypedFolder() {
        QTemporaryDir dir;
        const QString wanted = dir.filePath(QStringLiteral("new/sub"));
        for (bool agree : {false, true}) {
            QString cancelText;
            QTimer::singleShot(0, this, [&] {
                auto *picker = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                QVERIFY(picker);
                cancelText = picker->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->text();
                QTest::keyClicks(picker->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")), QStringLiteral("new/sub"));
                AnswerNextBox(agree ? QMessageBox::Yes : QMessageBox::No);
                QPushButton *choose = picker->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open);
                QVERIFY(choose->isEnabled());
                choose->click();
                if (!agree) picker->reject();
            });
            const QString chosen = prompts::PickFolder(nullptr, QStringLiteral("받을 폴더"), dir.path());
            QCOMPARE(cancelText, QStringLiteral("취소"));
            QVERIFY(text_.contains(wanted));
            QCOMPARE(chosen, agree ? wanted : QString());
            QCOMPARE(QFileInfo(wanted).isDir(), agree);
        }
    }
};

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
