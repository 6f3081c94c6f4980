#include "core/desktop.h"

#include "chat/chatcontroller.h"
#include "chat/vchat.h"
#include "core/mainform.h"
#include "core/session.h"
#include "core/trayactivity.h"
#include "download/downfile.h"
#include "download/downloadchooser.h"
#include "listing/listingcontroller.h"
#include "listing/waitform.h"
#include "peers/peertree.h"
#include "ping/pinglauncher.h"
#include "shares/sharepage.h"

#include <QAction>
#include <QLayout>
#include <QTreeWidgetItem>

Desktop::Desktop(Session &session, TMainForm &main) {
    sharePage_ = new TSharePage(main, main.TabSheet_SetShare());
    main.TabSheet_SetShare()->layout()->addWidget(sharePage_);
    listing_ = std::make_unique<ListingController>(main, session.listing());
    peers_ = std::make_unique<PeerTree>(main, session.peers(), listing_->views());
    downForm_ = std::make_unique<TDownForm>(main);
    new DownloadChooser(main, *downForm_, *listing_);
    // Windows that live hidden for the whole run.
    waitForm_ = std::make_unique<TWait_Form>();
    chatForm_ = std::make_unique<TV_Chat>(main);
    chat_ = std::make_unique<ChatController>(main, session.chat(), *waitForm_, *chatForm_);
    ping_ = std::make_unique<PingLauncher>(main);

    QObject::connect(&session, &Session::status, &main, &TMainForm::SetStatusText);
    QObject::connect(&session, &Session::endRequested, &main, &QWidget::close);
    QObject::connect(&main, &TMainForm::startedUp, peers_.get(), &PeerTree::PlantRoot);

    // The peer tree's popup acts on its selected computer.
    PeerTree &peers = *peers_;
    QObject::connect(peers.TVMI_ShareFile(), &QAction::triggered, listing_.get(), [this, &peers] {
        if (const QTreeWidgetItem *node = peers.SelectedNode())
            listing_->TVMI_ShareFileClick(peers.SelectedPerson().IP, node->text(0));
    });
    QObject::connect(peers.TVMI_VChat(), &QAction::triggered, chat_.get(), [this, &peers] {
        chat_->TVMI_VChatClick(peers.SelectedPerson().IP);
    });
    QObject::connect(peers.TVMI_Ping(), &QAction::triggered, ping_.get(),
                     [this, &peers] { ping_->TVMI_PingClick(peers.SelectedPerson()); });
}

Desktop::~Desktop() = default;

void Desktop::ReportTo(TrayActivity &tray) {
    QObject::connect(&tray, &TrayActivity::downloadListRequested, downForm_.get(), &TDownForm::ShowInFront);
    QObject::connect(chat_.get(), &ChatController::chatRequested, &tray, &TrayActivity::ChatRequested);
    QObject::connect(downForm_.get(), &TDownForm::queueFinished, &tray, &TrayActivity::QueueFinished);
    QObject::connect(downForm_.get(), &TDownForm::rowFailed, &tray, &TrayActivity::RowFailed);
}
