// A list datagram's text: read into entries, added to the remote share views
// the way a received "@_+G" is, and the entries packed again must read back
// the same. Input: the datagram's CP949 bytes.
#include "core/frame.h"
#include "fuzzworld.h"
#include "listing/listdatagram.h"
#include "listing/remotelisting.h"
#include "platform/cp949.h"

#include <QTreeWidget>

#include <cstddef>
#include <utility>
#include <cstdint>

namespace {

void CheckViews(WiredForm &form, const QList<ShareEntry> &entries) {
    RemoteShareViews &views = form.listing().views();
    if (views.Entries() != entries) __builtin_trap();
    QTreeWidget *tree = form.TV_ShareFile();
    if (tree->topLevelItemCount() != 1) __builtin_trap();
    // Every node describes itself, and the rows under it are a subset of the rows.
    QList<QTreeWidgetItem *> pending{tree->topLevelItem(0)};
    while (!pending.isEmpty()) {
        QTreeWidgetItem *node = pending.takeLast();
        const RemoteNode info = views.NodeOf(node);
        if (info.image < kShareRootImage || info.image > kFolderLastImage) __builtin_trap();
        if (views.EntriesUnder(info, true).size() > entries.size()) __builtin_trap();
        for (int i = 0; i < node->childCount(); ++i) pending << node->child(i);
    }
    // The selection step of the last node made.
    QTreeWidgetItem *last = tree->topLevelItem(0);
    while (last->childCount() > 0) last = last->child(last->childCount() - 1);
    tree->setCurrentItem(last);
    views.TV_ShareFileChange();
    if (views.SelectedEntries().size() > entries.size()) __builtin_trap();
}

void CheckRepacked(const QList<ShareEntry> &entries) {
    QList<ShareEntry> accepted;
    QStringList payloads;
    ListPacker packer([&](const QString &payload) { payloads << payload; }, [] {});
    for (const ShareEntry &e : entries)
        if (packer.Add(e)) accepted << e;
    packer.Finish();
    QList<ShareEntry> back;
    for (const QString &payload : payloads) {
        const QString sent = QStringLiteral("@_+G;") + payload;
        if (cp949::encode(sent).size() > kMaxDatagramBytes) __builtin_trap();
        back << ReadListDatagram(sent);
    }
    // Every entry the packer took arrives, in order, and as it was when all of it has a CP949 form.
    if (back.size() != accepted.size()) __builtin_trap();
    for (qsizetype i = 0; i < back.size(); ++i)
        if (cp949::canEncode(EntryText(accepted[i])) && back[i] != accepted[i]) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    WiredForm &form = FuzzWorld();
    ResetWorld(form);
    const QByteArray datagram(reinterpret_cast<const char *>(data), qsizetype(size));
    // What the dispatcher hands on: the text up to its first NUL.
    const qsizetype nul = datagram.indexOf('\0');
    const QString text = cp949::decode(nul < 0 ? datagram : datagram.left(nul));
    const QList<ShareEntry> entries = ReadListDatagram(text);
    // Each entry takes at least the seven characters of its separators, the last one fewer.
    if (entries.size() > text.size() / 7 + 1) __builtin_trap();
    // While a search runs, the views take anyone's list datagrams.
    form.session().listing().Search(QStringLiteral("zz"));
    form.dispatcher().DispatchDatagram(QStringLiteral("10.0.0.2"), datagram);
    CheckViews(form, text.startsWith(QLatin1String("@_+G")) ? entries : QList<ShareEntry>{});
    CheckRepacked(entries);
    // Names come from the sender's files, which may be called anything a comment can say.
    QList<ShareEntry> swapped = entries;
    for (ShareEntry &e : swapped) std::swap(e.name, e.comment);
    CheckRepacked(swapped);
    SettleWorld();
    return 0;
}
