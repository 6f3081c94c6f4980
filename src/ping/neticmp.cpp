#include "ping/neticmp.h"

#include "core/prompts.h"
#include "ping/pingrun.h"
#include "platform/icmpecho.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QPushButton *button(QWidget *parent, const char *name, const QString &caption, const QString &hint) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TPingForm::TPingForm(QWidget *parent, const QString &caption, const QString &target,
                     std::unique_ptr<echo::IcmpEcho> echo)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowCloseButtonHint),
      target_(target), echo_(std::move(echo)) {
    setObjectName(QStringLiteral("TPingForm"));
    setWindowTitle(caption);
    resize(407, 371);
    if (QScreen *s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    mMessage_ = new QPlainTextEdit(this);
    mMessage_->setObjectName(QStringLiteral("M_message"));
    mMessage_->setReadOnly(true);
    mMessage_->setLineWrapMode(QPlainTextEdit::NoWrap);
    mMessage_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mMessage_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    v->addWidget(mMessage_, 1);

    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("P_Button"));
    auto *h = new QHBoxLayout(panel);
    h->setContentsMargins(6, 6, 6, 6);
    bbRun_ = button(panel, "BB_run", QStringLiteral("시작"),
                    QStringLiteral("수신자의 PC에 Ping 또는 Trace Route 를 시작합니다"));
    bbRun_->setDefault(true);
    bbStop_ = button(panel, "BB_stop", QStringLiteral("중지"), QStringLiteral("Ping 또는 Trace Route 를 중지합니다"));
    bbExit_ = button(panel, "BB_exit", QStringLiteral("닫기"), QStringLiteral("현재 화면을 닫습니다"));
    h->addWidget(bbRun_);
    h->addWidget(bbStop_);
    h->addStretch(1);
    h->addWidget(bbExit_);
    v->addWidget(panel);

    connect(bbRun_, &QPushButton::clicked, this, &TPingForm::BB_runClick);
    connect(bbStop_, &QPushButton::clicked, this, &TPingForm::BB_stopClick);
    connect(bbExit_, &QPushButton::clicked, this, &TPingForm::reject);
}

TPingForm::~TPingForm() {
    // Only reached with a run going when the program ends under an open window.
    if (worker_) {
        stopRequested_.store(true);
        worker_->wait();
        delete worker_;
    }
    ReleaseEcho();
}

void TPingForm::showEvent(QShowEvent *e) {
    QDialog::showEvent(e);
    if (activated_) return;
    activated_ = true;
    // Prepare once the window is on screen.
    QTimer::singleShot(0, this, &TPingForm::FormActivate);
}

void TPingForm::FormActivate() {
    echoCreated_ = echo_ && echo_->Create();
    if (!echoCreated_) {
        bbRun_->setEnabled(false);
        bbStop_->setEnabled(false);
        prompts::Information(this, QStringLiteral("응답없음: ICMP 핸들을 생성할 수 없습니다"));
        return;
    }
    BB_runClick();
}

void TPingForm::BB_runClick() {
    if (worker_ || !echoCreated_ || closePending_) return;
    stopRequested_.store(false);
    mMessage_->clear();
    bbRun_->setEnabled(false);
    bbExit_->setEnabled(false);

    // Lines are queued to the window; the worker never waits for the main thread.
    worker_ = QThread::create([this] {
        PingRun run(*echo_, target_, stopRequested_, [this](const QString &line) {
            QMetaObject::invokeMethod(this, [this, line] { mMessage_->appendPlainText(line); }, Qt::QueuedConnection);
        });
        run.Execute();
    });
    connect(worker_, &QThread::finished, this, &TPingForm::RunEnded);
    worker_->start();
}

void TPingForm::BB_stopClick() { stopRequested_.store(true); }

void TPingForm::RunEnded() {
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    bbRun_->setEnabled(true);
    bbExit_->setEnabled(true);
    emit runFinished();
    if (closePending_) reject();
}

void TPingForm::reject() {
    if (worker_) {
        // The echo socket stays open until the request in progress has returned.
        closePending_ = true;
        stopRequested_.store(true);
        bbRun_->setEnabled(false);
        bbStop_->setEnabled(false);
        return;
    }
    ReleaseEcho();
    QDialog::reject();
}

void TPingForm::ReleaseEcho() {
    if (echoCreated_) echo_->Close();
    echoCreated_ = false;
}
