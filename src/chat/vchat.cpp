#include "chat/vchat.h"

#include "chat/chatglyphs.h"
#include "chat/chatlines.h"
#include "chat/windowlook.h"
#include "core/frame.h"
#include "core/mainform.h"
#include "shares/sharetext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kHistoryLimit = 100;
const QColor kHistoryFontColour = Qt::black;

QToolButton *flatButton(QWidget *parent, const char *name, const QIcon &glyph, const QString &hint, bool toggle) {
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(glyph);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAutoRaise(true);
    b->setFixedSize(25, 25);
    b->setCheckable(toggle);
    b->setChecked(toggle);
    return b;
}

} // namespace

TV_Chat::TV_Chat(TMainForm &main) : main_(main) {
    setObjectName(QStringLiteral("TV_Chat"));
    setWindowTitle(QStringLiteral("1:1 채팅"));
    setWindowIcon(chatglyphs::NamePrefix());
    resize(282, 406);
    CentreOnScreen(this);

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    auto *buttons = new QWidget(this);
    buttons->setObjectName(QStringLiteral("Panel1"));
    buttons->setFixedHeight(27);
    auto *bh = new QHBoxLayout(buttons);
    bh->setContentsMargins(1, 1, 1, 1);
    bh->setSpacing(0);
    sbChangeName_ = flatButton(buttons, "SB_ChangeName", chatglyphs::NamePrefix(),
                               QStringLiteral("채팅 메시지에 채팅 참가자의 이름을 표시합니다"), true);
    sbChangeColor_ = flatButton(buttons, "SB_ChangeColor", chatglyphs::SenderColours(),
                                QStringLiteral("채팅 글자색을 참가자별로 다르게 표시합니다"), true);
    sbClearMsg_ = flatButton(buttons, "SB_ClearMsg", chatglyphs::Eraser(), QStringLiteral("채팅 메시지를 지웁니다."),
                             false);
    bh->addWidget(sbChangeName_);
    bh->addWidget(sbChangeColor_);
    bh->addWidget(sbClearMsg_);
    bh->addStretch(1);
    v->addWidget(buttons);

    richEdit1_ = new QTextEdit(this);
    richEdit1_->setObjectName(QStringLiteral("RichEdit1"));
    richEdit1_->setAcceptRichText(false);
    richEdit1_->setFont(GulimFont(12));
    richEdit1_->setLineWrapMode(QTextEdit::NoWrap);
    richEdit1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    richEdit1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette historyColours = richEdit1_->palette();
    historyColours.setColor(QPalette::Base, Qt::white);
    historyColours.setColor(QPalette::Text, kHistoryFontColour);
    richEdit1_->setPalette(historyColours);
    richEdit1_->setTextColor(kHistoryFontColour);
    v->addWidget(richEdit1_, 1);

    // The input strip; its layout keeps Edit1 filling the room beside BB_Exit.
    auto *strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("Panel2"));
    strip->setFixedHeight(28);
    auto *sh = new QHBoxLayout(strip);
    sh->setContentsMargins(2, 2, 2, 2);
    sh->setSpacing(2);
    edit1_ = new QLineEdit(strip);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setFont(GulimFont(12));
    // Navy on white: a dark desktop theme's background would swallow the navy.
    QPalette inputColours = edit1_->palette();
    inputColours.setColor(QPalette::Base, Qt::white);
    inputColours.setColor(QPalette::Text, QColor(0, 0, 128));
    edit1_->setPalette(inputColours);
    bbExit_ = new QPushButton(QStringLiteral("끝내기"), strip);
    bbExit_->setObjectName(QStringLiteral("BB_Exit"));
    bbExit_->setFixedSize(67, 24);
    bbExit_->setAutoDefault(false);
    sh->addWidget(edit1_, 1);
    sh->addWidget(bbExit_);
    v->addWidget(strip);

    label2_ = new QLabel(this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setTextFormat(Qt::PlainText);
    label2_->hide();

    connect(edit1_, &QLineEdit::returnPressed, this, &TV_Chat::Edit1KeyPress);
    connect(bbExit_, &QPushButton::clicked, this, &QWidget::close);
    connect(sbClearMsg_, &QToolButton::clicked, this, &TV_Chat::SB_ClearMsgClick);
    connect(richEdit1_, &QTextEdit::textChanged, this, &TV_Chat::RichEdit1Change);

    main.dispatcher().SetHandler("@_*I", [this](const QString &sender, const QString &text) {
        ReceiveChatLine(sender, text);
    });
    main.dispatcher().SetHandler("@_*X", [this](const QString &, const QString &) { ReceiveLeaveNotice(); });
}

void TV_Chat::SetPartnerAddress(const QString &ip) { label2_->setText(ip); }

QString TV_Chat::PartnerAddress() const { return label2_->text(); }

void TV_Chat::ClearHistory() { richEdit1_->clear(); }

void TV_Chat::ShowChat() {
    show();
    raise();
    activateWindow();
    edit1_->setFocus();
}

QStringList TV_Chat::HistoryLines() const {
    return HistoryLineCount() == 0 ? QStringList() : richEdit1_->toPlainText().split(QLatin1Char('\n'));
}

int TV_Chat::HistoryLineCount() const {
    const QTextDocument *doc = richEdit1_->document();
    return doc->isEmpty() ? 0 : doc->blockCount();
}

void TV_Chat::AddHistoryLine(const QString &line) {
    QTextCursor c(richEdit1_->document());
    c.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(kHistoryFontColour);
    // One edit, so that the line limit sees the line whole.
    c.beginEditBlock();
    if (HistoryLineCount() > 0) c.insertBlock();
    c.insertText(line, format);
    c.endEditBlock();
}

void TV_Chat::CaretToLastLine() {
    if (HistoryLineCount() == 0) return;
    QTextCursor c(richEdit1_->document());
    c.movePosition(QTextCursor::End);
    c.movePosition(QTextCursor::StartOfBlock);
    richEdit1_->setTextCursor(c);
    richEdit1_->ensureCursorVisible();
}

void TV_Chat::RichEdit1Change() {
    if (HistoryLineCount() >= kHistoryLimit) richEdit1_->clear();
}

void TV_Chat::Edit1KeyPress() {
    if (TrimBlanks(edit1_->text()).isEmpty()) return;
    const HostIdentity &host = main_.host();
    const QString head = QStringLiteral("@_*I;") + host.ComputerName + QLatin1Char(';') + host.LocalIP + QLatin1Char(';');
    const QString line = LineAsSent(head, ReplaceText(edit1_->text(), QStringLiteral(";"), QStringLiteral(" ")));
    edit1_->setText(line);
    AddHistoryLine(sbChangeName_->isChecked() ? host.ComputerName + QStringLiteral("> ") + line : line);
    main_.net().SendCommand(QStringLiteral("@_*I"), PartnerAddress(),
                            host.ComputerName + QLatin1Char(';') + host.LocalIP + QLatin1Char(';') + line);
    edit1_->clear();
    CaretToLastLine();
}

void TV_Chat::ReceiveChatLine(const QString &sender, const QString &text) {
    const QString name = GetField(text, QLatin1Char(';'), 2);
    const QString line = GetField(text, QLatin1Char(';'), 4);
    AddHistoryLine(sbChangeName_->isChecked() ? name + QStringLiteral("> ") + line : line);
    if (sbChangeColor_->isChecked() && HistoryLineCount() > 0) {
        QTextCursor c(richEdit1_->document());
        c.movePosition(QTextCursor::End);
        c.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(SenderColour(sender).value_or(kHistoryFontColour));
        c.mergeCharFormat(format);
    }
    CaretToLastLine();
    richEdit1_->setTextColor(kHistoryFontColour);
}

void TV_Chat::ReceiveLeaveNotice() {
    if (!isVisible()) return;
    QApplication::beep();
    AddHistoryLine(QStringLiteral("** 상대방이 대화를 중단하였습니다 **"));
    CaretToLastLine();
    richEdit1_->setTextColor(kHistoryFontColour);
}

void TV_Chat::SB_ClearMsgClick() {
    richEdit1_->clear();
    edit1_->clear();
}

bool TV_Chat::event(QEvent *e) {
    if (e->type() == QEvent::WindowActivate) SetTopMost(this, true);
    return QWidget::event(e);
}

void TV_Chat::closeEvent(QCloseEvent *e) {
    main_.net().SendCommand(QStringLiteral("@_*X"), PartnerAddress(), QString());
    richEdit1_->clear();
    SetTopMost(this, false);
    e->accept();
}
