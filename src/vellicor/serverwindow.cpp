#include "vellicor/serverwindow.h"

#include "core/host.h"
#include "vellicor/windowmodule.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

ServerWindow::ServerWindow(const ServingTask &server, const QString &fileName, const QString &requester)
    : server_(server) {
    // The title's prefix is how the program recognises a running file server.
    setWindowTitle(QString::fromUtf8(kAppTitle) + QString::fromUtf8(kFileServerSuffix) + QLatin1Char(' ') + fileName);
    setObjectName(QStringLiteral("ServerWindow"));
    auto *layout = new QVBoxLayout(this);
    auto *file = new QLabel(fileName, this);
    file->setObjectName(QStringLiteral("L_FileName"));
    layout->addWidget(file);
    auto *to = new QLabel(QStringLiteral("받는 사람: ") + requester, this);
    to->setObjectName(QStringLiteral("L_Requester"));
    layout->addWidget(to);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("PB_Progress"));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    layout->addWidget(progress_);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("L_State"));
    layout->addWidget(state_);
    setFixedWidth(360);

    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &ServerWindow::Refresh);
    timer->start(200);
    Refresh();
}

void ServerWindow::Refresh() {
    const qint64 total = server_.Total();
    const qint64 sent = server_.Sent();
    progress_->setValue(total > 0 ? int(sent * 1000 / total) : 0);
    const QLocale c = QLocale::c();
    state_->setText(c.toString(sent) + QStringLiteral(" / ") + c.toString(total) + QStringLiteral(" bytes"));
}
