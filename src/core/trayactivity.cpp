#include "core/trayactivity.h"

#include "chat/windowlook.h"
#include "core/icons.h"

#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace {
// The program's icon with a red dot: something happened while the user was away.
QIcon MarkedIcon() {
    QPixmap pixmap = icons::Get(icons::Id::App).pixmap(64, 64);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 4));
    painter.setBrush(QColor(0xd0, 0x20, 0x20));
    painter.drawEllipse(QRect(34, 2, 28, 28));
    return QIcon(pixmap);
}
} // namespace

TrayActivity::TrayActivity(QWidget &main, Notifier notify)
    : QObject(&main), main_(main), notify_(std::move(notify)), tray_(new QSystemTrayIcon(this)),
      failuresDue_(new QTimer(this)) {
    auto *menu = new QMenu(&main);
    connect(menu->addAction(QStringLiteral("열기")), &QAction::triggered, this, &TrayActivity::ShowMain);
    connect(menu->addAction(QStringLiteral("다운로드 목록")), &QAction::triggered, this,
            &TrayActivity::downloadListRequested);
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("종료")), &QAction::triggered, &main, &QWidget::close);
    tray_->setContextMenu(menu);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) ShowMain();
    });
    SetMarked(false);
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_->show();
    main.installEventFilter(this);

    // A queue that stops fails every waiting row at once: one notification tells them all.
    failuresDue_->setSingleShot(true);
    failuresDue_->setInterval(0);
    connect(failuresDue_, &QTimer::timeout, this, &TrayActivity::ShowFailures);
}

void TrayActivity::ChatRequested(const QString &name, const QString &ip) {
    News(QStringLiteral("chat"), QStringLiteral("1:1 채팅 신청이 왔습니다"),
         QStringLiteral("%1(%2)님께서 1:1 채팅을 신청하셨습니다").arg(name, ip));
}

void TrayActivity::QueueFinished(int complete, int failed) {
    News(QStringLiteral("queue"), QStringLiteral("다운로드가 끝났습니다"),
         QStringLiteral("전송완료 %1 개, 실패 %2 개").arg(complete).arg(failed));
}

void TrayActivity::RowFailed(const QString &file, const QString &owner, const QString &state) {
    failures_ << QStringLiteral("%1 (%2): %3").arg(file, owner, state);
    failuresDue_->start();
}

void TrayActivity::News(const QString &kind, const QString &summary, const QString &body) {
    if (!main_.isHidden() && !main_.isMinimized()) return;
    SetMarked(true);
    tray_->setToolTip(QStringLiteral("Quillmere\n") + summary);
    notify_(kind, summary, body);
}

void TrayActivity::ShowFailures() {
    const QStringList rows = std::exchange(failures_, {});
    if (rows.isEmpty()) return;
    QStringList shown = rows.mid(0, 5);
    if (rows.size() > shown.size()) shown << QStringLiteral("외 %1 개").arg(rows.size() - shown.size());
    News(QStringLiteral("failed"), QStringLiteral("파일을 받지 못했습니다"), shown.join(QLatin1Char('\n')));
}

void TrayActivity::SetMarked(bool marked) {
    marked_ = marked;
    tray_->setIcon(marked ? MarkedIcon() : icons::Get(icons::Id::App));
    if (!marked) tray_->setToolTip(QStringLiteral("Quillmere"));
}

void TrayActivity::ShowMain() { BringToFront(&main_); }

bool TrayActivity::eventFilter(QObject *watched, QEvent *event) {
    // The user is back at the window: the news has been seen.
    if (watched == &main_ && marked_ && (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) &&
        !main_.isMinimized())
        SetMarked(false);
    return QObject::eventFilter(watched, event);
}
