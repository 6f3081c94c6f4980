// Saves pictures of the chat window with lines of two senders, the answer
// dialog and the wait notice into the folder given (default /tmp), for looking at.
#include "chat/chatcontroller.h"
#include "chat/repcht.h"
#include "chat/vchat.h"
#include "core/mainform.h"
#include "testform.h"
#include "listing/waitform.h"
#include "platform/cp949.h"
#include "recordingmessenger.h"
#include "shottheme.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    ApplyShotTheme();
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    TestForm form;
    form.host().LocalIP = QStringLiteral("10.0.0.1");
    form.host().ComputerName = QStringLiteral("경리부-PC");
    form.net().SetSendSocket(42);
    auto feed = [&](const QString &sender, const QString &text) {
        form.dispatcher().DispatchDatagram(sender, cp949::encode(text));
    };

    TV_Chat &chat = form.chatForm();
    chat.SetPartnerAddress(QStringLiteral("10.0.0.11"));
    chat.ShowChat();
    auto *edit = chat.findChild<QLineEdit *>(QStringLiteral("Edit1"));
    feed(QStringLiteral("10.0.0.11"), QStringLiteral("@_*I;DESIGN01;10.0.0.11;안녕하세요, 시안 받으셨어요?"));
    edit->setText(QStringLiteral("네; 방금 받았습니다"));
    QTest::keyClick(edit, Qt::Key_Return);
    feed(QStringLiteral("10.0.0.11"), QStringLiteral("@_*I;DESIGN01;10.0.0.11;수정본은 오후에 올릴게요"));
    feed(QStringLiteral("10.0.0.12"), QStringLiteral("@_*I;DEV-KIM;10.0.0.12;저도 한 부 부탁해요"));
    edit->setText(QStringLiteral("알겠습니다"));
    QTest::keyClick(edit, Qt::Key_Return);
    feed(QStringLiteral("10.0.0.11"), QStringLiteral("@_*X;"));
    edit->setText(QStringLiteral("다음에 또"));
    QTest::qWait(200);
    chat.grab().save(folder + QStringLiteral("/chat_window.png"));

    feed(QStringLiteral("10.0.0.7"), QStringLiteral("@_*J;DEV-KIM;10.0.0.7"));
    QTest::qWait(200);
    form.chat().AnswerDialog()->grab().save(folder + QStringLiteral("/chat_answer.png"));

    TWait_Form &wait = form.waitForm();
    wait.show();
    QTest::qWait(200);
    wait.grab().save(folder + QStringLiteral("/wait_window.png"));
    return 0;
}
